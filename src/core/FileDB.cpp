#include "FileDB.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace tavo {
namespace fs = std::filesystem;
namespace {

fs::path pathFromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string utf8FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Reason(const std::string& path, const std::string& what) { return path + ": " + what; }

constexpr std::uintmax_t kReadHintLimit = std::uintmax_t{1} << 30;

std::string errnoText() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

// ".<16 hexadecimal digits>.tmp"
std::string temporarySuffix() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[32];
    std::snprintf(text, sizeof text, ".%016llx.tmp", static_cast<unsigned long long>(generator()));
    return text;
}

}  // namespace

CFileDB::CFileDB(const std::string& dataDir, const char* fileName, TableMessageSink sink)
    : m_strPath(dataDir.empty() ? std::string(fileName) : utf8FromPath(pathFromUtf8(dataDir) / fileName)),
      m_sink(std::move(sink)) {}

void CFileDB::report(TableMessage message, const std::string& detail) const {
    if (m_sink) m_sink(message, detail);
}

CFileDB::ReadOutcome CFileDB::readWholeFile(std::string& content) {
    content.clear();
    m_bUnreadable = false;
    const fs::path path = pathFromUtf8(m_strPath);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return ReadOutcome::Missing;
    if (ec || status.type() == fs::file_type::directory) {
        m_bUnreadable = true;
        report(TableMessage::FileNotReadable,
               Reason(m_strPath, ec ? ec.message() : std::string("is a folder")));
        return ReadOutcome::Failed;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    // Read in large pieces straight into the result: the size is only a hint, since the
    // file may change while it is read.
    const std::uintmax_t hint = fs::file_size(path, ec);
    if (!ec && hint < kReadHintLimit) content.reserve(static_cast<size_t>(hint));
    char piece[1 << 16];
    while (in) {
        in.read(piece, sizeof piece);
        content.append(piece, static_cast<size_t>(in.gcount()));
    }
    if (!in.eof() || in.bad()) {
        content.clear();
        m_bUnreadable = true;
        report(TableMessage::FileNotReadable, Reason(m_strPath, errnoText()));
        return ReadOutcome::Failed;
    }
    return ReadOutcome::Read;
}

bool CFileDB::replaceWholeFile(const std::string& content) {
    if (m_bUnreadable) {
        // The old file could not be read, so the table in memory does not hold its
        // records: writing now would lose them.
        report(TableMessage::FileNotReadable, Reason(m_strPath, "could not be read, so it was not replaced"));
        return false;
    }
    const fs::path path = pathFromUtf8(m_strPath);
    // A name of its own, so that two programs saving the same table at once (the utility
    // and the command line) never write into one temporary file.
    fs::path temporary = path;
    temporary += temporarySuffix();
    errno = 0;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out) out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (out) out.flush();
        if (out) out.close();
        if (!out) {
            const std::string reason = errnoText();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            report(TableMessage::FileNotWritable, Reason(m_strPath, reason));
            return false;
        }
    }
    std::error_code ec;
    const fs::file_status old = fs::status(path, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(temporary, old.permissions(), ec);
    ec.clear();
    fs::path backup = path;
    backup += ".bak";
    if (m_bUnreadRest) {
        fs::copy_file(path, backup, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            report(TableMessage::FileNotWritable, Reason(utf8FromPath(backup), ec.message()));
            return false;
        }
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        report(TableMessage::FileNotWritable, Reason(m_strPath, ec.message()));
        return false;
    }
    if (m_bUnreadRest) {
        m_bUnreadRest = false;
        report(TableMessage::UnreadRecordsKept, utf8FromPath(backup));
    }
    return true;
}

}  // namespace tavo
