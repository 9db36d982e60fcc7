#pragma once

#include <functional>
#include <string>

// What the text-file tables have to tell the operator. The core only reports these; the
// user interface shows them (a message box with an OK button) and the command line
// prints them on stderr, both in the words of TableWords.
namespace tavo {

enum class TableMessage {
    OutOfRange,            // device table: a position outside 0..count
    WrongDataType,         // device table: a record that cannot be saved
    DatabaseFull,          // histories: a position outside 0..count, or no room left
    WrongDataTypeHistory,  // histories: a record that cannot be saved
    FileNotReadable,       // a table file exists but cannot be read
    FileNotWritable,       // a table file cannot be created, written or replaced
    UnreadRecordsKept,     // a save replaced a file whose later lines could not be read;
                           // the old file was kept beside it (detail: the copy's path)
};

// Receives every message of a table. `detail` names the file and the reason for the
// two file messages and is empty otherwise.
using TableMessageSink = std::function<void(TableMessage, const std::string& detail)>;

}  // namespace tavo
