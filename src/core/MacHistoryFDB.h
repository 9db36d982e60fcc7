#pragma once

#include "HistoryFDB.h"

// The MAC address history "mach.ini": the device MAC addresses the operator has entered,
// oldest first, one line "[n]<tab><blank>b1:b2:b3:b4:b5:b6" each, the bytes in decimal
// (02-AB-CD-EF-01-23 is stored as 2:171:205:239:1:35). A byte that could not be read is
// handed in as -1; a negative first byte makes the record unsavable.
namespace tavo {

class CMacHistoryFDB : public CHistoryFDB<6> {
public:
    static constexpr const char* kFileName = "mach.ini";

    explicit CMacHistoryFDB(const std::string& dataDir, TableMessageSink sink = {});

    void GetRecord(int& b1, int& b2, int& b3, int& b4, int& b5, int& b6, int index = -1);
    int SetRecord(int b1, int b2, int b3, int b4, int b5, int b6, int index = -1);
    int GetByte1() const { return CurrentValues()[0]; }
    int GetByte2() const { return CurrentValues()[1]; }
    int GetByte3() const { return CurrentValues()[2]; }
    int GetByte4() const { return CurrentValues()[3]; }
    int GetByte5() const { return CurrentValues()[4]; }
    int GetByte6() const { return CurrentValues()[5]; }
    // Lowest index holding these six values, else -1.
    int Find(int b1, int b2, int b3, int b4, int b5, int b6) const;

    // Records the address unless it is already there (the file is then not rewritten).
    static HistoryAddResult AddIfAbsent(const std::string& dataDir, const Values& bytes,
                                        TableMessageSink sink = {});
};

// The pick list's text of an entry: each value as "%2x" with blanks turned to "0", in
// upper case, joined by ":" (02:AB:CD:EF:01:23). A negative value shows as the C library
// prints it in hexadecimal (-1 gives FFFFFFFF).
std::string FormatMacHistoryEntry(const CMacHistoryFDB::Values& bytes);

}  // namespace tavo
