#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"

// A table's text on any bytes, through the two steps Load and Save apply to the file's
// bytes: whatever a load keeps (`records` lists it), a save writes and the next load
// gives back (`same(kept, reloaded)` tells whether a record came back as saved); the
// saved text reads to its end; a second save writes the same bytes; and a table that
// loads can always be saved, since refusing would leave the operator unable to add a
// device. The file steps around them
// (reading, the durable replace, the ".bak" copy) do not depend on the bytes and are
// tested on their own.
template <class Table, class Records, class Same>
int fuzzTableRoundTrip(const uint8_t* data, size_t size, Records records, Same same) {
    Table table{std::string()};
    table.loadText(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto first = records(table);
    std::string saved;
    FUZZ_CHECK(table.saveText(saved));

    Table again{std::string()};
    again.loadText(saved);
    FUZZ_CHECK(!again.hasUnreadRest());
    const auto second = records(again);
    FUZZ_CHECK(second.size() == first.size());
    for (size_t i = 0; i < first.size(); ++i) FUZZ_CHECK(same(first[i], second[i]));
    std::string savedAgain;
    FUZZ_CHECK(again.saveText(savedAgain));
    FUZZ_CHECK(savedAgain == saved);
    return 0;
}

// "iph.ini" and "mach.ini": the values read back exactly as they were kept.
template <class History>
int fuzzHistoryRoundTrip(const uint8_t* data, size_t size) {
    return fuzzTableRoundTrip<History>(
        data, size,
        [](const History& history) {
            std::vector<typename History::Values> all;
            for (int i = 0; i < history.getCount(); ++i) all.push_back(history.getValues(i));
            return all;
        },
        [](const auto& kept, const auto& reloaded) { return kept == reloaded; });
}
