#pragma once

#include <string>
#include <string_view>

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

    // Reads the whole file into the table; false when it is missing or cannot be read (the
    // table is then empty). The file is read in one go and no stream stays open, so a
    // table has nothing to close.
    bool Load();
    // Rewrites the whole file from the table. Every record is checked first; on a bad one
    // the table's message is reported and the file is left exactly as it was. Returns
    // false whenever the file was not changed.
    bool Save();

    // The same two steps without the file: replaces the records with those read from
    // `text` (noting whether the text was read to its end), and checks and formats the
    // records as a save writes them. A save writes exactly `saveText`'s bytes and a load
    // reads exactly `loadText`'s records.
    virtual void loadText(std::string_view text) = 0;
    virtual bool saveText(std::string& text) = 0;

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
    // loadText notes whether it read the text to its end. The reading rule stops at the
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
