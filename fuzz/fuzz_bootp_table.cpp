// "bootp.ini" on any bytes, loaded, saved and loaded again (see fuzzTableRoundTrip): the
// records come back with their texts in upper case, as a save writes them.
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
    return fuzzTableRoundTrip<tavo::CBootPFDB>(data, size, records, sameAsSaved);
}
