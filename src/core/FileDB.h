#pragma once

#include <string>

#include "TableMessage.h"

// The base of the three text-file tables ("bootp.ini", "iph.ini", "mach.ini"): the path of
// the table's file in the data directory, whole-file reading, and saving through a
// temporary file in the same folder that is renamed over the old one, so that a crash or
// a full disk during a save never leaves a half-written table.
namespace tavo {

// What an add-if-absent sequence on a history did.
enum class HistoryAddResult { Added, AlreadyPresent, Failed };

class CFileDB {
public:
    // `dataDir` is a UTF-8 path; an empty one means the current directory.
    CFileDB(const std::string& dataDir, const char* fileName, TableMessageSink sink);
    virtual ~CFileDB() = default;
    CFileDB(const CFileDB&) = delete;
    CFileDB& operator=(const CFileDB&) = delete;

    // The full path of the table's file (UTF-8).
    void SetPath(std::string path) { m_strPath = std::move(path); }
    const std::string& GetPath() const { return m_strPath; }

    // Load and Save read and write the whole file in one go and keep no stream open, so a
    // table has nothing to close.
    virtual bool IsEOF() const = 0;

    // True after a load found the file but could not read it; saving is then refused so
    // that the records in the file are not lost.
    bool isFileUnreadable() const { return m_bUnreadable; }
    // True after a load stopped at a record it could not read, with more text after it.
    bool hasUnreadRest() const { return m_bUnreadRest; }

protected:
    enum class ReadOutcome { Read, Missing, Failed };
    // Reads the whole file. A missing file is not an error (the first add creates it); a
    // file that exists but cannot be read is reported, and Save then refuses to replace it.
    ReadOutcome readWholeFile(std::string& content);
    // Replaces the file with `content` through a temporary file forced to the disk before
    // it is renamed over the old one; on failure reports it and leaves the old file (and
    // its ".bak" copy) exactly as they were.
    bool replaceWholeFile(const std::string& content);
    void report(TableMessage message, const std::string& detail = {}) const;
    // Loads note whether they read the file to its end. The reading rule stops at the
    // first record that does not match, so a save would drop every line after it: the
    // next save first keeps a copy of the old file ("<name>.bak").
    void setUnreadRest(bool unread) { m_bUnreadRest = unread; }

    std::string m_strPath;

private:
    // The file's bytes as they are now, for the ".bak" copy.
    bool readRawFile(std::string& content) const;

    TableMessageSink m_sink;
    bool m_bUnreadable = false;
    bool m_bUnreadRest = false;
};

}  // namespace tavo
