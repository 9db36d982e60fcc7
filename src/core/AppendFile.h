#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The platform's calls for a file that is only ever appended to, a whole line at a time,
// and forced to the disk after each line (the commissioning report). A handle is the
// file descriptor on POSIX and the file handle on Windows, -1 when there is none. Every
// call that fails says why in `error`, in the system's words.
namespace tavo::append_file {

inline constexpr intptr_t kNoHandle = -1;

struct Opened {
    intptr_t handle = kNoHandle;
    bool created = false;  // the file did not exist and was made (0644 on POSIX)
    std::string error;
};

// Opens a regular file for reading and appending, creating it when it is missing. A
// second writer of the same file is refused (an advisory lock on POSIX, the sharing mode
// on Windows): two programs appending to one report would cut each other's lines off.
Opened openOrCreate(const std::string& utf8Path);

// The whole file from its start; `tooLarge` (and false) when it is longer than `limit`,
// in which case nothing is read.
bool readAll(intptr_t handle, uint64_t limit, std::string& out, bool& tooLarge, std::string& error);

bool fileSize(intptr_t handle, uint64_t& size, std::string& error);
bool truncateTo(intptr_t handle, uint64_t length, std::string& error);

// One write of all of `bytes` at the end of the file, then forced to the disk. A write
// that puts only a part there is a failure, and that part is cut off again (as far as the
// system lets), so that no half line stays behind.
bool appendAndSync(intptr_t handle, std::string_view bytes, std::string& error);

// Forces the file's metadata (a cut) to the disk.
bool sync(intptr_t handle, std::string& error);

// Forces the folder of a file just created, so that the file's name survives a power
// cut; nothing to do on Windows.
bool syncFolderOf(const std::string& utf8Path, std::string& error);

void close(intptr_t handle);

}  // namespace tavo::append_file
