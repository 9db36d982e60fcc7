#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "BootpMessage.h"

namespace tavo {

// The BootP server's view of "bootp.ini", validated against the file on every lookup.
//
// The device table is shared through its file only: the page, the command line or an
// editor may change it at any time, and the very next request must be answered from
// the file as it is then. Loading and scanning 5000 records per request is what makes a
// naive server slow, so the parsed table is kept between requests, but only as long as
// the file provably has not changed:
//
//  - Every lookup first takes the file's identity with one stat(): device, inode, size,
//    modification and status-change times in nanoseconds. Any difference (a save through
//    a renamed temporary file gives a new inode; an in-place write moves the times or the
//    size; even a program that sets the modification time back cannot set the
//    status-change time) makes the table be read again through CBootPFDB.
//  - Times have a granularity (a clock tick of a few milliseconds, two seconds on FAT),
//    so a second write within the same tick and with the same size leaves the identity
//    as it was. While the file's times are not safely older than the moment the table
//    was read ("racy"), every lookup also reads the file's bytes and compares them with
//    those the table came from. Once a comparison is made late enough, the entry is
//    settled and the stat alone decides again: any later write gets later times.
//  - The bytes are read before the table is parsed, and once more after: a change in
//    between leaves the cache marked stale, so the next lookup reads it again.
//
// Without POSIX stat every lookup compares the bytes, which is still far cheaper than
// parsing them.
class BootpTableCache {
public:
    struct Entry {
        int hType = 0;
        int hLen = 0;
        std::string ip;  // the texts as the table holds them
        std::string mac;
        std::string gateway;
        std::string subnet;
        BootpReplyFields fields;  // the same, ready for the reply
    };

    // How the last lookup made sure the table was current.
    enum class Validation { Unchanged, ContentCompared, Reloaded };

    // What one stat() tells about the file.
    struct FileIdentity {
        bool exists = false;
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t size = 0;
        int64_t modifiedNs = 0;
        int64_t changedNs = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    // Wall-clock time in nanoseconds since the epoch, the base of the file times.
    using Clock = std::function<int64_t()>;
    // The identity of the file at a path. Tests give one that keeps a file's identity
    // while its bytes change, as a coarse file system does.
    using Probe = std::function<FileIdentity(const std::string& path)>;

    explicit BootpTableCache(std::string dataDir, Clock clock = {}, Probe probe = {});

    static FileIdentity identify(const std::string& path);

    // The first entry whose MAC text equals `mac` exactly, as the file holds it now; null
    // when there is none. The pointer is valid until the next lookup.
    const Entry* FindByMac(const std::string& mac);

    Validation lastValidation() const { return m_lastValidation; }

private:
    void revalidate();
    void reload(const FileIdentity& identity);
    bool isSettled(const FileIdentity& identity, int64_t readAtNs) const;
    std::string readBytes() const;

    std::string m_dataDir;
    std::string m_path;
    Clock m_clock;
    Probe m_probe;
    bool m_loaded = false;
    bool m_settled = false;
    FileIdentity m_identity;
    std::string m_bytes;  // the file's content the table was parsed from
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, int> m_indexByMac;  // first entry of each MAC text
    Validation m_lastValidation = Validation::Reloaded;
};

}  // namespace tavo
