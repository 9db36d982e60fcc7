// "bootp.ini" on any bytes: whatever the load keeps, a save writes and the next load
// gives back the same records (texts in upper case, as a save writes them); a second save
// writes the same bytes; a file with an unread rest is kept whole in "<name>.bak".
#include <string>
#include <vector>

#include "BootPFDB.h"
#include "FuzzTable.h"

namespace {

std::vector<tavo::CBootPFDB::Record> records(tavo::CBootPFDB& table) {
    std::vector<tavo::CBootPFDB::Record> all;
    for (int i = 0; i < table.getCount(); ++i) {
        tavo::CBootPFDB::Record r;
        table.GetRecord(r.HType, r.hlen, r.IP, r.MAC, r.Gateway, r.Subnet, i);
        all.push_back(r);
    }
    return all;
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool sameAsSaved(const tavo::CBootPFDB::Record& loaded, const tavo::CBootPFDB::Record& saved) {
    return loaded.HType == saved.HType && loaded.hlen == saved.hlen && upper(loaded.IP) == saved.IP &&
           upper(loaded.MAC) == saved.MAC && upper(loaded.Gateway) == saved.Gateway &&
           upper(loaded.Subnet) == saved.Subnet;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = fuzzTableDir();
    tavo::CBootPFDB table(dir);
    const std::string path = table.GetPath();
    removeFuzzFiles(path);
    writeFuzzFile(path, data, size);

    FUZZ_CHECK(table.Load());
    const bool unreadRest = table.hasUnreadRest();
    const auto first = records(table);
    // Every table that loads can be saved again: refusing would leave the operator
    // unable to add a device.
    FUZZ_CHECK(table.Save());
    const std::string saved = readFuzzFile(path);
    if (unreadRest) FUZZ_CHECK(readFuzzFile(path + ".bak") == std::string(reinterpret_cast<const char*>(data), size));

    tavo::CBootPFDB again(dir);
    FUZZ_CHECK(again.Load());
    FUZZ_CHECK(!again.hasUnreadRest());
    const auto second = records(again);
    FUZZ_CHECK(second.size() == first.size());
    for (size_t i = 0; i < first.size(); ++i) FUZZ_CHECK(sameAsSaved(first[i], second[i]));
    FUZZ_CHECK(again.Save());
    FUZZ_CHECK(readFuzzFile(path) == saved);
    return 0;
}
