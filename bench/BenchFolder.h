#pragma once

// A private folder under the system's temporary directory for a benchmark of the tables,
// removed with everything in it at the end.
#include <filesystem>
#include <random>
#include <string>

namespace bench {

class Folder {
public:
    Folder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("tavo-bench-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string dir() const { return path_.string(); }
    std::filesystem::path file(const char* name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace bench
