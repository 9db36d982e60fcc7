#include "IPFDB.h"

#include "AddressText.h"

namespace tavo {

CIPFDB::CIPFDB(const std::string& dataDir, TableMessageSink sink)
    : CHistoryFDB<4>(dataDir, kFileName, '.', std::move(sink)) {}

void CIPFDB::GetRecord(int& first, int& second, int& third, int& fourth, int index) {
    const Values& values = valuesAt(index);
    first = values[0];
    second = values[1];
    third = values[2];
    fourth = values[3];
}

int CIPFDB::SetRecord(int first, int second, int third, int fourth, int index) {
    return storeAt({first, second, third, fourth}, index);
}

int CIPFDB::Find(int first, int second, int third, int fourth) const {
    return findValues({first, second, third, fourth});
}

HistoryAddResult CIPFDB::AddAllIfAbsent(const std::string& dataDir, std::span<const Values> values,
                                        TableMessageSink sink) {
    CIPFDB history(dataDir, std::move(sink));
    return addIfAbsentTo(history, values);
}

HistoryAddResult CIPFDB::AddIfAbsent(const std::string& dataDir, int first, int second, int third,
                                     int fourth, TableMessageSink sink) {
    CIPFDB history(dataDir, std::move(sink));
    const Values values{first, second, third, fourth};
    return addIfAbsentTo(history, std::span(&values, 1));
}

std::string formatIpHistoryEntry(const CIPFDB::Values& octets) {
    return formatDottedAligned(octets[0], octets[1], octets[2], octets[3]);
}

}  // namespace tavo
