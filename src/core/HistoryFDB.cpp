#include "HistoryFDB.h"

#include <set>

#include "TextScanner.h"

namespace tavo {

template <size_t N>
CHistoryFDB<N>::CHistoryFDB(const std::string& dataDir, const char* fileName, char separator,
                            TableMessageSink sink)
    : CFileDB(dataDir, fileName, std::move(sink)), m_separator(separator) {
    // "[%d]\t %d.%d.%d.%d\n" for four values and ".", and so on.
    m_readPattern = "[%d]\t %d";
    for (size_t i = 1; i < N; ++i) m_readPattern += std::string(1, separator) + "%d";
    m_readPattern += '\n';
}

template <size_t N>
void CHistoryFDB<N>::loadText(std::string_view text) {
    m_records.clear();
    TextScanner scanner(text);
    while (!scanner.atEndIgnoringSpace()) {
        int number = 0;
        Values values{};
        std::array<int*, N + 1> numbers{&number};
        for (size_t i = 0; i < N; ++i) numbers[i + 1] = &values[i];
        if (!scanner.scan(m_readPattern, numbers, {})) break;
        if (values[0] < 0) break;
        m_records.push_back(values);
    }
    setUnreadRest(!scanner.atEndIgnoringSpace());
    m_nCount = static_cast<int>(m_records.size());
    m_nPos = m_nCount;
}

template <size_t N>
bool CHistoryFDB<N>::saveText(std::string& text) {
    text.clear();
    text.reserve(m_records.size() * (8 + 4 * N));
    for (int i = 0; i < m_nCount; ++i) {
        const Values& values = m_records[i];
        if (values[0] < 0) {
            report(TableMessage::WrongDataTypeHistory);
            return false;
        }
        text += '[' + std::to_string(i + 1) + "]\t ";
        for (size_t k = 0; k < N; ++k) {
            if (k > 0) text += m_separator;
            text += std::to_string(values[k]);
        }
        text += "\r\n";
    }
    m_nPos = m_nCount;
    return true;
}

template <size_t N>
bool CHistoryFDB<N>::ClearAll() {
    m_records.clear();
    m_nPos = 0;
    m_nCount = 0;
    return replaceWholeFile(std::string());
}

template <size_t N>
bool CHistoryFDB<N>::SetPosition(int n) {
    if (n < 0 || n > m_nCount) {
        report(TableMessage::DatabaseFull);
        return false;
    }
    m_nPos = n;
    return true;
}

template <size_t N>
int CHistoryFDB<N>::AddNew() {
    if (m_nCount >= kCapacity) {
        report(TableMessage::DatabaseFull);
        return -1;
    }
    if (!SetPosition(m_nCount)) return -1;
    m_records.push_back(Values{});
    return ++m_nCount;
}

template <size_t N>
const typename CHistoryFDB<N>::Values& CHistoryFDB<N>::valuesAt(int index) {
    if (index != -1) m_nPos = index;
    return currentValues();
}

template <size_t N>
int CHistoryFDB<N>::storeAt(const Values& values, int index) {
    if (index != -1) m_nPos = index;
    if (isRecordIndex(m_nPos)) m_records[m_nPos] = values;
    return m_nPos;
}

template <size_t N>
int CHistoryFDB<N>::findValues(const Values& values) const {
    for (int i = 0; i < m_nCount; ++i) {
        if (m_records[i] == values) return i;
    }
    return -1;
}

template <size_t N>
HistoryAddResult CHistoryFDB<N>::addIfAbsentTo(CHistoryFDB& history, std::span<const Values> values) {
    history.Load();
    if (history.isFileUnreadable()) return HistoryAddResult::Failed;  // already reported
    const int before = history.getCount();
    // The addresses held in a set, so that a batch of thousands stays linear.
    std::set<Values> present(history.m_records.begin(), history.m_records.end());
    bool full = false;
    for (const Values& value : values) {
        if (present.count(value) != 0) continue;
        if (history.AddNew() == -1) {
            full = true;  // reported by AddNew
            break;
        }
        history.storeAt(value, -1);
        present.insert(value);
    }
    if (history.getCount() == before) return full ? HistoryAddResult::Failed : HistoryAddResult::AlreadyPresent;
    const bool saved = history.Save();
    return saved && !full ? HistoryAddResult::Added : HistoryAddResult::Failed;
}

template class CHistoryFDB<4>;
template class CHistoryFDB<6>;

}  // namespace tavo
