#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzCheck.h"

// The folder in which a table harness puts its file: one per process, in memory when the
// machine offers /dev/shm, so that millions of loads and saves do not wear a disk.
inline const std::string& fuzzTableDir() {
    static const std::string dir = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string templ = base + "/tavo-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(templ.data()) != nullptr);
        return templ;
    }();
    return dir;
}

inline void writeFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(out.good());
}

inline std::string readFuzzFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void removeFuzzFiles(const std::string& path) {
    unlink(path.c_str());
    unlink((path + ".bak").c_str());
}

// A history ("iph.ini", "mach.ini") on any bytes: whatever the load keeps, a save writes
// and the next load gives back the same values; a second save writes the same bytes; a
// file with an unread rest is kept whole in "<name>.bak".
template <class History>
int fuzzHistoryRoundTrip(const uint8_t* data, size_t size) {
    const auto records = [](const History& table) {
        std::vector<typename History::Values> all;
        for (int i = 0; i < table.getCount(); ++i) all.push_back(table.getValues(i));
        return all;
    };
    const std::string dir = fuzzTableDir();
    History table(dir);
    const std::string path = table.GetPath();
    removeFuzzFiles(path);
    writeFuzzFile(path, data, size);

    FUZZ_CHECK(table.Load());
    const bool unreadRest = table.hasUnreadRest();
    const auto first = records(table);
    FUZZ_CHECK(table.Save());
    const std::string saved = readFuzzFile(path);
    if (unreadRest) FUZZ_CHECK(readFuzzFile(path + ".bak") == std::string(reinterpret_cast<const char*>(data), size));

    History again(dir);
    FUZZ_CHECK(again.Load());
    FUZZ_CHECK(!again.hasUnreadRest());
    FUZZ_CHECK(records(again) == first);
    FUZZ_CHECK(again.Save());
    FUZZ_CHECK(readFuzzFile(path) == saved);
    return 0;
}
