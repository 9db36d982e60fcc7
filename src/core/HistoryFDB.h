#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "FileDB.h"

// What the IP and the MAC address histories have in common: a list of addresses, each a
// fixed number of integers, one line per address in file order (oldest first):
//
//   [1]<tab><blank>192.168.1.10<CR LF>
//
// The bracketed numbers are written afresh on every save and ignored on reading; reading
// stops at the first line that does not match the line form in full or whose first value
// is negative. Values are kept as read: nothing checks the range 0..255.
namespace tavo {

template <size_t N>
class CHistoryFDB : public CFileDB {
public:
    // Room for additions. A file holding more lines is still read and saved whole.
    static constexpr int kCapacity = 5000;
    using Values = std::array<int, N>;

    void loadText(std::string_view text) override;
    // A record whose first value is negative is refused with "Tipo di dato errato !!".
    bool saveText(std::string& text) override;
    // Forgets every record and leaves the file empty (zero bytes).
    bool ClearAll();

    bool SetPosition(int n);  // 0..count; "DataBase pieno !!!" otherwise
    bool MoveFirst() { return SetPosition(0); }
    bool MoveNext() { return SetPosition(m_nPos + 1); }
    bool IsEOF() const override { return m_nCount == 0 || m_nPos > m_nCount - 1; }
    // Appends a record of zeros and positions on it; returns the new count, or -1 when
    // the history is full ("DataBase pieno !!!", nothing changed).
    int AddNew();

    int getCount() const { return m_nCount; }
    int getPosition() const { return m_nPos; }
    // The record at index i (0 = oldest); zeros for an index that is not a record.
    Values getValues(int i) const { return isRecordIndex(i) ? m_records[i] : Values{}; }

protected:
    CHistoryFDB(const std::string& dataDir, const char* fileName, char separator, TableMessageSink sink);

    // Index -1 keeps the position; any other index becomes the position. A position that
    // is not a record reads as zeros and ignores writes.
    const Values& valuesAt(int index);
    int storeAt(const Values& values, int index);
    const Values& currentValues() const { return isRecordIndex(m_nPos) ? m_records[m_nPos] : kZeros; }
    int findValues(const Values& values) const;
    // The add-if-absent sequence of every writer of a history, for one address or for
    // many in order with one load and one save (an import of a whole device table).
    // Added when at least one address was added; Failed when the file could not be read
    // or written, or the history filled up (the addresses that fitted are kept).
    static HistoryAddResult addIfAbsentTo(CHistoryFDB& history, std::span<const Values> values);

private:
    bool isRecordIndex(int n) const { return n >= 0 && n < m_nCount; }

    static constexpr Values kZeros{};
    char m_separator;
    std::string m_readPattern;
    std::vector<Values> m_records;
    int m_nPos = 0;
    int m_nCount = 0;
};

extern template class CHistoryFDB<4>;
extern template class CHistoryFDB<6>;

}  // namespace tavo
