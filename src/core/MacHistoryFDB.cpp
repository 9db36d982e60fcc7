#include "MacHistoryFDB.h"

#include <cstdio>

namespace tavo {

CMacHistoryFDB::CMacHistoryFDB(const std::string& dataDir, TableMessageSink sink)
    : CHistoryFDB<6>(dataDir, kFileName, ':', std::move(sink)) {}

void CMacHistoryFDB::GetRecord(int& b1, int& b2, int& b3, int& b4, int& b5, int& b6, int index) {
    const Values& values = valuesAt(index);
    b1 = values[0];
    b2 = values[1];
    b3 = values[2];
    b4 = values[3];
    b5 = values[4];
    b6 = values[5];
}

int CMacHistoryFDB::SetRecord(int b1, int b2, int b3, int b4, int b5, int b6, int index) {
    return storeAt({b1, b2, b3, b4, b5, b6}, index);
}

int CMacHistoryFDB::Find(int b1, int b2, int b3, int b4, int b5, int b6) const {
    return findValues({b1, b2, b3, b4, b5, b6});
}

HistoryAddResult CMacHistoryFDB::AddAllIfAbsent(const std::string& dataDir, std::span<const Values> values,
                                        TableMessageSink sink) {
    CMacHistoryFDB history(dataDir, std::move(sink));
    return addIfAbsentTo(history, values);
}

HistoryAddResult CMacHistoryFDB::AddIfAbsent(const std::string& dataDir, const Values& bytes,
                                             TableMessageSink sink) {
    CMacHistoryFDB history(dataDir, std::move(sink));
    return addIfAbsentTo(history, std::span(&bytes, 1));
}

std::string formatMacHistoryEntry(const CMacHistoryFDB::Values& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char piece[16];
        std::snprintf(piece, sizeof piece, "%2x", static_cast<unsigned>(bytes[i]));
        if (i > 0) text += ':';
        text += piece;
    }
    for (char& c : text) {
        if (c == ' ') c = '0';
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace tavo
