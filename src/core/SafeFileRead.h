#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tavo {

// The one way a file named by the operator is read: only a regular file is opened (a
// pipe or a device put in its place neither hangs the open nor the read), its length is
// taken before anything is read so that a file above the caller's limit is never read,
// and the system's words are kept for a failure.

enum class FileReadStatus {
    Ok,
    CannotOpen,  // missing, not a regular file, a link when links are refused, no access
    TooLarge,    // longer than the limit: not read (length says how long)
    CannotRead,  // opened, but a read failed
};

struct FileRead {
    FileReadStatus status = FileReadStatus::CannotOpen;
    uint64_t length = 0;  // the length when opened (also when TooLarge)
    std::vector<uint8_t> bytes;  // what was read, to the end of the file
    std::string reason;          // the system's words for CannotOpen / CannotRead
    bool ok() const { return status == FileReadStatus::Ok; }
};

struct FileReadOptions {
    bool followLinks = true;  // false: a link put in the file's place is refused
    uint64_t limit = std::numeric_limits<uint64_t>::max();
};

FileRead readFileSafely(const std::string& path, FileReadOptions options = {});

}  // namespace tavo
