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
    int getByte1() const { return currentValues()[0]; }
    int getByte2() const { return currentValues()[1]; }
    int getByte3() const { return currentValues()[2]; }
    int getByte4() const { return currentValues()[3]; }
    int getByte5() const { return currentValues()[4]; }
    int getByte6() const { return currentValues()[5]; }
    // Lowest index holding these six values, else -1.
    int Find(int b1, int b2, int b3, int b4, int b5, int b6) const;

    // Records the address unless it is already there (the file is then not rewritten).
    static HistoryAddResult AddIfAbsent(const std::string& dataDir, const Values& bytes,
                                        TableMessageSink sink = {});
    // The same for many addresses in order, with one load and one save.
    static HistoryAddResult AddAllIfAbsent(const std::string& dataDir, std::span<const Values> values,
                                           TableMessageSink sink = {});
};

// The pick list's text of an entry: each value as "%2x" with blanks turned to "0", in
// upper case, joined by ":" (02:AB:CD:EF:01:23). A negative value shows as the C library
// prints it in hexadecimal (-1 gives FFFFFFFF).
std::string formatMacHistoryEntry(const CMacHistoryFDB::Values& bytes);

}  // namespace tavo
