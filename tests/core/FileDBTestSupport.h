#pragma once

// Helpers for the table tests: a private folder per test, whole-file bytes, the golden
// files and a sink that records every table message in order.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TableMessage.h"

namespace tavo::testing {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("tavo-tables-" + std::to_string(random()) + "-" +
                                             std::to_string(random()));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    // With "/" between the parts on every platform, as the core joins its paths.
    std::string dir() const { return path_.generic_string(); }
    fs::path file(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string Golden(const std::string& name) {
    return readBytes(fs::path(TAVO_SOURCE_DIR) / "tests/core/data" / name);
}

struct MessageLog {
    std::vector<std::pair<TableMessage, std::string>> entries;
    TableMessageSink sink() {
        return [this](TableMessage message, const std::string& detail) {
            entries.emplace_back(message, detail);
        };
    }
    std::vector<TableMessage> kinds() const {
        std::vector<TableMessage> out;
        for (const auto& entry : entries) out.push_back(entry.first);
        return out;
    }
};

}  // namespace tavo::testing
