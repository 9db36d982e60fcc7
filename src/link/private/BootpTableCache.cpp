#include "BootpTableCache.h"

#include <chrono>
#include <fstream>
#include <iterator>

#include "BootPFDB.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define TAVO_HAVE_POSIX_STAT 1
#endif

namespace tavo {
namespace {

// Times whose sub-second part is zero come from a file system that keeps whole (or
// even) seconds, or are a rare coincidence; either way the wider margin is taken.
constexpr int64_t kFineMarginNs = 100'000'000;     // clock tick lag of fine-grained times
constexpr int64_t kCoarseMarginNs = 2'100'000'000;  // two-second times, plus the lag
constexpr int64_t kNsPerSecond = 1'000'000'000;

int64_t wallClockNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

#ifdef TAVO_HAVE_POSIX_STAT
int64_t Nanoseconds(const timespec& time) { return int64_t(time.tv_sec) * kNsPerSecond + time.tv_nsec; }

const timespec& modifiedTime(const struct stat& info) {
#ifdef __APPLE__
    return info.st_mtimespec;
#else
    return info.st_mtim;
#endif
}

const timespec& changedTime(const struct stat& info) {
#ifdef __APPLE__
    return info.st_ctimespec;
#else
    return info.st_ctim;
#endif
}
#endif

}  // namespace

BootpTableCache::BootpTableCache(std::string dataDir, Clock clock, Probe probe)
    : m_dataDir(std::move(dataDir)),
      m_path(CBootPFDB(m_dataDir).GetPath()),
      m_clock(clock ? std::move(clock) : Clock(wallClockNs)),
      m_probe(probe ? std::move(probe) : Probe(&BootpTableCache::identify)) {}

const BootpTableCache::Entry* BootpTableCache::FindByMac(const std::string& mac) {
    revalidate();
    const auto found = m_indexByMac.find(mac);
    return found == m_indexByMac.end() ? nullptr : &m_entries[static_cast<size_t>(found->second)];
}

void BootpTableCache::revalidate() {
    const FileIdentity identity = m_probe(m_path);
    if (!m_loaded || identity != m_identity) {
        reload(identity);
        return;
    }
    if (m_settled) {
        m_lastValidation = Validation::Unchanged;
        return;
    }
    const int64_t readAt = m_clock();
    if (readBytes() != m_bytes) {
        reload(identity);
        return;
    }
    m_settled = isSettled(identity, readAt);
    m_lastValidation = Validation::ContentCompared;
}

void BootpTableCache::reload(const FileIdentity& identity) {
    const int64_t readAt = m_clock();
    m_bytes = readBytes();
    CBootPFDB table(m_dataDir);
    table.Load();
    const bool stable = readBytes() == m_bytes;

    m_entries.clear();
    m_indexByMac.clear();
    const int count = table.getCount();
    m_entries.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Entry entry;
        table.GetRecord(entry.hType, entry.hLen, entry.ip, entry.mac, entry.gateway, entry.subnet, i);
        entry.fields = makeBootpReplyFields(entry.hType, entry.hLen, entry.ip, entry.gateway, entry.subnet);
        m_indexByMac.emplace(entry.mac, i);  // keeps the first entry of a MAC, as FindByMac does
        m_entries.push_back(std::move(entry));
    }
    m_identity = identity;
    // A file that changed while it was parsed is read again at the next lookup.
    m_loaded = stable;
    m_settled = stable && isSettled(identity, readAt);
    m_lastValidation = Validation::Reloaded;
}

bool BootpTableCache::isSettled(const FileIdentity& identity, int64_t readAtNs) const {
#ifdef TAVO_HAVE_POSIX_STAT
    if (!identity.exists) return true;  // creating the file changes the identity
    const bool fine = identity.modifiedNs % kNsPerSecond != 0 || identity.changedNs % kNsPerSecond != 0;
    const int64_t margin = fine ? kFineMarginNs : kCoarseMarginNs;
    const int64_t newest = std::max(identity.modifiedNs, identity.changedNs);
    return newest < readAtNs - margin;
#else
    (void)identity;
    (void)readAtNs;
    return false;
#endif
}

BootpTableCache::FileIdentity BootpTableCache::identify(const std::string& path) {
    FileIdentity identity;
#ifdef TAVO_HAVE_POSIX_STAT
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return identity;
    identity.exists = true;
    identity.device = static_cast<uint64_t>(info.st_dev);
    identity.inode = static_cast<uint64_t>(info.st_ino);
    identity.size = static_cast<int64_t>(info.st_size);
    identity.modifiedNs = Nanoseconds(modifiedTime(info));
    identity.changedNs = Nanoseconds(changedTime(info));
#else
    (void)path;
#endif
    return identity;
}

std::string BootpTableCache::readBytes() const {
    std::string bytes;
#ifdef TAVO_HAVE_POSIX_STAT
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) bytes.reserve(static_cast<size_t>(info.st_size) + 1);
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
#else
    std::ifstream in(m_path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
#endif
    return bytes;
}

}  // namespace tavo
