// "mach.ini" on any bytes: whatever the load keeps, a save writes and the next load
// gives back the same values; a second save writes the same bytes; a file with an unread
// rest is kept whole in "<name>.bak".
#include <string>
#include <vector>

#include "MacHistoryFDB.h"
#include "FuzzTable.h"

namespace {

std::vector<tavo::CMacHistoryFDB::Values> records(const tavo::CMacHistoryFDB& table) {
    std::vector<tavo::CMacHistoryFDB::Values> all;
    for (int i = 0; i < table.getCount(); ++i) all.push_back(table.getValues(i));
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = fuzzTableDir();
    tavo::CMacHistoryFDB table(dir);
    const std::string path = table.GetPath();
    removeFuzzFiles(path);
    writeFuzzFile(path, data, size);

    FUZZ_CHECK(table.Load());
    const bool unreadRest = table.hasUnreadRest();
    const auto first = records(table);
    FUZZ_CHECK(table.Save());
    const std::string saved = readFuzzFile(path);
    if (unreadRest) FUZZ_CHECK(readFuzzFile(path + ".bak") == std::string(reinterpret_cast<const char*>(data), size));

    tavo::CMacHistoryFDB again(dir);
    FUZZ_CHECK(again.Load());
    FUZZ_CHECK(!again.hasUnreadRest());
    FUZZ_CHECK(records(again) == first);
    FUZZ_CHECK(again.Save());
    FUZZ_CHECK(readFuzzFile(path) == saved);
    return 0;
}
