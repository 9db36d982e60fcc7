#include "FileDB.h"

#include "DurableFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
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

}  // namespace

CFileDB::CFileDB(const std::string& dataDir, const char* fileName, TableMessageSink sink)
    : m_strPath(dataDir.empty() ? std::string(fileName) : utf8FromPath(pathFromUtf8(dataDir) / fileName)),
      m_sink(std::move(sink)) {}

void CFileDB::report(TableMessage message, const std::string& detail) const {
    if (m_sink) m_sink(message, detail);
}

bool CFileDB::Load() {
    std::string text;
    const bool read = readWholeFile(text) == ReadOutcome::Read;
    loadText(text);  // a file that was not read leaves an empty table
    return read;
}

bool CFileDB::Save() {
    std::string text;
    return saveText(text) && replaceWholeFile(text);
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
    // The new table and, when the old file had lines that could not be read, the copy of
    // the old file are both written and forced to the disk before either is renamed into
    // place: a full disk or a crash before that leaves both files exactly as they were.
    DurableFile table(m_strPath);
    if (!table.write(content, m_strPath)) {
        report(TableMessage::FileNotWritable, Reason(m_strPath, table.error()));
        return false;
    }
    const std::string backupPath = m_strPath + ".bak";
    DurableFile backup(backupPath);
    bool keepBackup = false;
    if (m_bUnreadRest) {
        std::string old;
        if (!readRawFile(old)) {
            report(TableMessage::FileNotWritable, Reason(backupPath, "the old file could not be read to keep a copy"));
            return false;
        }
        if (!backup.write(old, m_strPath)) {
            report(TableMessage::FileNotWritable, Reason(backupPath, backup.error()));
            return false;
        }
        keepBackup = true;
    }
    if (keepBackup && !backup.commit()) {
        report(TableMessage::FileNotWritable, Reason(backupPath, backup.error()));
        return false;
    }
    if (!table.commit()) {
        report(TableMessage::FileNotWritable, Reason(m_strPath, table.error()));
        return false;
    }
    if (m_bUnreadRest) {
        m_bUnreadRest = false;
        report(TableMessage::UnreadRecordsKept, backupPath);
    }
    return true;
}

bool CFileDB::readRawFile(std::string& content) const {
    content.clear();
    std::ifstream in(pathFromUtf8(m_strPath), std::ios::binary);
    if (!in) return false;
    char piece[1 << 16];
    while (in) {
        in.read(piece, sizeof piece);
        content.append(piece, static_cast<size_t>(in.gcount()));
    }
    return in.eof() && !in.bad();
}

}  // namespace tavo
