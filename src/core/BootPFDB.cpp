#include "BootPFDB.h"

#include <algorithm>
#include <array>

#include "AddressText.h"
#include "TextScanner.h"

namespace tavo {
namespace {

// One record as it is read: blanks and newlines match any run of white space.
constexpr const char* kReadPattern =
    "\n[%d]\nHType : %d \nhlen : %d \nIP : %3d.%3d.%3d.%3d \nMAC : %s \n"
    "Gateway : %3d.%3d.%3d.%3d \nSubnet : %3d.%3d.%3d.%3d\n";
constexpr const char* kLineEnd = "\r\n";
// The shortest text that can hold a record (labels, colons, brackets and dots), for sizing.
constexpr size_t kSmallestRecord = 70;
constexpr size_t kReserveLimit = 4 * CBootPFDB::kCapacity;

std::string dottedAligned(const std::array<int, 12>& octets, size_t first) {
    return formatDottedAligned(octets[first], octets[first + 1], octets[first + 2], octets[first + 3]);
}

// Reads records until the first one that does not match the record form in full, or
// whose hardware type or length is negative.
std::vector<CBootPFDB::Record> parseRecords(std::string_view text, bool* complete = nullptr) {
    std::vector<CBootPFDB::Record> records;
    records.reserve(std::min(text.size() / kSmallestRecord + 1, kReserveLimit));
    TextScanner scanner(text);
    while (!scanner.atEndIgnoringSpace()) {
        int number = 0;
        CBootPFDB::Record record;
        std::array<int, 12> octets{};
        const std::array<int*, 15> numbers{&number,     &record.HType, &record.hlen, &octets[0],
                                           &octets[1],  &octets[2],    &octets[3],   &octets[4],
                                           &octets[5],  &octets[6],    &octets[7],   &octets[8],
                                           &octets[9],  &octets[10],   &octets[11]};
        const std::array<std::string*, 1> tokens{&record.MAC};
        if (!scanner.scan(kReadPattern, numbers, tokens)) break;
        if (record.HType < 0 || record.hlen < 0) break;
        record.IP = dottedAligned(octets, 0);
        record.Gateway = dottedAligned(octets, 4);
        record.Subnet = dottedAligned(octets, 8);
        records.push_back(std::move(record));
    }
    if (complete != nullptr) *complete = scanner.atEndIgnoringSpace();
    return records;
}

void appendUpper(std::string& out, const std::string& text) {
    const size_t at = out.size();
    out += text;
    for (size_t i = at; i < out.size(); ++i) {
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
}

// "\n[%d]\nHType : %d \nhlen : %d \nIP : %s \nMAC : %s \nGateway : %s \nSubnet : %s\n"
// with CR LF line ends and the texts in upper case.
void appendRecord(std::string& out, int number, const CBootPFDB::Record& record) {
    out.append(kLineEnd).append("[").append(std::to_string(number)).append("]").append(kLineEnd);
    out.append("HType : ").append(std::to_string(record.HType)).append(" ").append(kLineEnd);
    out.append("hlen : ").append(std::to_string(record.hlen)).append(" ").append(kLineEnd);
    out.append("IP : ");
    appendUpper(out, record.IP);
    out.append(" ").append(kLineEnd).append("MAC : ");
    appendUpper(out, record.MAC);
    out.append(" ").append(kLineEnd).append("Gateway : ");
    appendUpper(out, record.Gateway);
    out.append(" ").append(kLineEnd).append("Subnet : ");
    appendUpper(out, record.Subnet);
    out.append(kLineEnd);
}

bool isSavable(const CBootPFDB::Record& record) {
    return record.HType >= 0 && record.hlen >= 0 && !record.IP.empty() && !record.MAC.empty();
}

const CBootPFDB::Record kNoRecord{};

}  // namespace

CBootPFDB::CBootPFDB(const std::string& dataDir, TableMessageSink sink)
    : CFileDB(dataDir, kFileName, std::move(sink)) {}

void CBootPFDB::loadText(std::string_view text) {
    bool complete = true;
    m_records = parseRecords(text, &complete);
    setUnreadRest(!complete);
    m_nCount = static_cast<int>(m_records.size());
    m_nPos = m_nCount;
}

bool CBootPFDB::saveText(std::string& text) {
    text.clear();
    text.reserve(m_records.size() * 140);
    for (int i = 0; i < m_nCount; ++i) {
        if (!isSavable(m_records[i])) {
            report(TableMessage::WrongDataType);
            return false;
        }
        appendRecord(text, i + 1, m_records[i]);
    }
    // A text that does not read back as one field (a blank inside a MAC text, an IP text
    // that is not dotted numbers) would end the next load there and lose every later
    // record, so such a table is refused like any other bad record.
    if (parseRecords(text).size() != m_records.size()) {
        report(TableMessage::WrongDataType);
        return false;
    }
    m_nPos = m_nCount;
    return true;
}

bool CBootPFDB::SetPosition(int n) {
    if (n < 0 || n > m_nCount) {
        report(TableMessage::OutOfRange);
        return false;
    }
    m_nPos = n;
    return true;
}

int CBootPFDB::AddNew() {
    if (m_nCount >= kCapacity) {
        report(TableMessage::OutOfRange);
        return -1;
    }
    if (!SetPosition(m_nCount)) return -1;
    m_records.emplace_back();
    return ++m_nCount;
}

const CBootPFDB::Record& CBootPFDB::current() const {
    return isRecordIndex(m_nPos) ? m_records[m_nPos] : kNoRecord;
}

CBootPFDB::Record* CBootPFDB::currentForWrite() {
    return isRecordIndex(m_nPos) ? &m_records[m_nPos] : nullptr;
}

void CBootPFDB::GetRecord(int& HType, int& hlen, std::string& IP, std::string& MAC,
                          std::string& Gateway, std::string& Subnet, int index) {
    if (index != -1) m_nPos = index;
    const Record& record = current();
    HType = record.HType;
    hlen = record.hlen;
    IP = record.IP;
    MAC = record.MAC;
    Gateway = record.Gateway;
    Subnet = record.Subnet;
}

void CBootPFDB::SetRecord(int HType, int hlen, const std::string& IP, const std::string& MAC,
                          const std::string& Gateway, const std::string& Subnet, int index) {
    if (index != -1) m_nPos = index;
    if (Record* record = currentForWrite()) *record = Record{HType, hlen, IP, MAC, Gateway, Subnet};
}

void CBootPFDB::setHType(int value) {
    if (Record* record = currentForWrite()) record->HType = value;
}
void CBootPFDB::setHLen(int value) {
    if (Record* record = currentForWrite()) record->hlen = value;
}
void CBootPFDB::setIP(const std::string& value) {
    if (Record* record = currentForWrite()) record->IP = value;
}
void CBootPFDB::setMAC(const std::string& value) {
    if (Record* record = currentForWrite()) record->MAC = value;
}
void CBootPFDB::setGateway(const std::string& value) {
    if (Record* record = currentForWrite()) record->Gateway = value;
}
void CBootPFDB::setSubnet(const std::string& value) {
    if (Record* record = currentForWrite()) record->Subnet = value;
}

void CBootPFDB::assign(std::vector<Record> records) {
    m_records = std::move(records);
    m_nCount = static_cast<int>(m_records.size());
    m_nPos = m_nCount;
}

void CBootPFDB::Delete(int index) {
    const int at = index == -1 ? m_nPos : index;
    if (!isRecordIndex(at)) return;
    m_records.erase(m_records.begin() + at);
    --m_nCount;
}

int CBootPFDB::Find(const std::string& ip, const std::string& mac) const {
    for (int i = 0; i < m_nCount; ++i) {
        if (m_records[i].IP == ip || m_records[i].MAC == mac) return i;
    }
    return -1;
}

int CBootPFDB::FindByMac(const std::string& mac) const {
    for (int i = 0; i < m_nCount; ++i) {
        if (m_records[i].MAC == mac) return i;
    }
    return -1;
}

}  // namespace tavo
