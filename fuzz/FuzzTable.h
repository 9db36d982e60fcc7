#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

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
