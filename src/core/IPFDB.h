#pragma once

#include "HistoryFDB.h"

// The IP address history "iph.ini": the device addresses the operator has used, oldest
// first, one line "[n]<tab><blank>a.b.c.d" each.
namespace tavo {

class CIPFDB : public CHistoryFDB<4> {
public:
    static constexpr const char* kFileName = "iph.ini";

    explicit CIPFDB(const std::string& dataDir, TableMessageSink sink = {});

    void GetRecord(int& first, int& second, int& third, int& fourth, int index = -1);
    int SetRecord(int first, int second, int third, int fourth, int index = -1);
    int getFirst() const { return currentValues()[0]; }
    int getSecond() const { return currentValues()[1]; }
    int getThird() const { return currentValues()[2]; }
    int getFourth() const { return currentValues()[3]; }
    // Lowest index holding these four octets, else -1.
    int Find(int first, int second, int third, int fourth) const;

    // Records the address unless it is already there; an address already in the history
    // is neither added again nor moved, and the file is then not rewritten.
    static HistoryAddResult AddIfAbsent(const std::string& dataDir, int first, int second, int third,
                                        int fourth, TableMessageSink sink = {});
    // The same for many addresses in order, with one load and one save.
    static HistoryAddResult AddAllIfAbsent(const std::string& dataDir, std::span<const Values> values,
                                           TableMessageSink sink = {});
};

// The pick list's text of an entry: "%3d.%3d.%3d.%3d".
std::string formatIpHistoryEntry(const CIPFDB::Values& octets);

}  // namespace tavo
