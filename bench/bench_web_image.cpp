// The web build from a folder of 256 files and 520192 bytes (the most a project file may
// hold): scan, changes, composition and the written project file, in process; without
// collisions and with 50 files to rename (and the pages that name them to patch).
// bench/web-image-compare.py runs the same folders through `tavo image build` beside
// `tar -cf`, and measures the memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "WebFileSystem.h"
#include "WebFolderPlan.h"
#include "WebImageBuild.h"

namespace {

namespace fs = std::filesystem;
constexpr int kFiles = 256;
constexpr int kPages = 10;
constexpr size_t kFileSize = 520192 / kFiles;  // 2032

// "<head>" + k lower-case letters + "." + ext, with the given index.
std::string nameWithIndex(const std::string& head, const std::string& ext, int target) {
    const int fixed = tavo::ResourceIndex("/" + head + "." + ext);
    for (int k = 3; k < 8; ++k) {
        const int v = k * 'a' + (((target - fixed - k * 'a') % 256) + 256) % 256;
        if (v > k * 'z') continue;
        std::string letters;
        for (int extra = v - k * 'a', i = 0; i < k; ++i) {
            const int step = std::min(25, extra);
            letters += static_cast<char>('a' + step);
            extra -= step;
        }
        return head + letters + "." + ext;
    }
    return {};
}

// 256 files of 2032 bytes: "707.html", 9 more pages that name other files, the rest
// pictures; `collisions` of them share the index of another file.
void makeFolder(const fs::path& root, int collisions) {
    fs::remove_all(root);
    fs::create_directories(root);
    std::vector<std::string> names{"707.html"};
    const int defaultIndex = tavo::ResourceIndex("/707.html");
    int index = 0;
    for (int i = 1; i < kFiles - collisions; ++i, ++index) {
        if (index == defaultIndex) ++index;
        const std::string head = (i < kPages ? "page" : "pic") + std::to_string(i) + "_";
        names.push_back(nameWithIndex(head, i < kPages ? "htm" : "gif", index % 256));
    }
    for (int i = 0; i < collisions; ++i)
        names.push_back(nameWithIndex("dup" + std::to_string(i) + "_", "gif", tavo::ResourceIndex("/" + names[kPages + i])));
    for (size_t i = 0; i < names.size(); ++i) {
        std::string body;
        if (names[i].ends_with(".htm") || names[i] == "707.html")
            for (size_t k = 0; body.size() + 40 < kFileSize; k += 7) body += "<img src=\"" + names[(i + k) % names.size()] + "\">\n";
        body.resize(kFileSize, ' ');
        std::ofstream(root / names[i], std::ios::binary) << body;
    }
}

void BM_WebBuild(benchmark::State& state) {
    const int collisions = static_cast<int>(state.range(0));
    const fs::path root = fs::temp_directory_path() / ("tavo-bench-web-" + std::to_string(std::random_device{}()));
    const fs::path image = root.string() + ".TAV";
    tavo::DiskWebFileSystem disk;
    size_t imageSize = 0;
    for (auto _ : state) {
        state.PauseTiming();
        makeFolder(root, collisions);
        state.ResumeTiming();
        const tavo::WebFolderPlan plan = tavo::planWebFolder(disk, root.string(), "");
        if (!plan.ready() || !tavo::applyWebFolderPlan(disk, plan).ok()) {
            state.SkipWithError("the folder was refused");
            break;
        }
        const tavo::WebBuildResult built =
            tavo::composeWebImageFromFiles(disk, root.string(), tavo::rowPaths(plan), plan.totalBytes);
        if (!built.ok() || !disk.writeFile(image.string(), built.image)) {
            state.SkipWithError("the build failed");
            break;
        }
        imageSize = built.image.size();
        state.counters["renames"] = static_cast<double>(std::count_if(
            plan.steps.begin(), plan.steps.end(), [](const auto& s) { return s.kind == tavo::WebStepKind::Rename; }));
    }
    state.counters["image_bytes"] = static_cast<double>(imageSize);
    fs::remove_all(root);
    fs::remove(image);
}
BENCHMARK(BM_WebBuild)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);

// The same folder archived by tar, process start included, for scale.
void BM_TarCf(benchmark::State& state) {
    const fs::path root = fs::temp_directory_path() / ("tavo-bench-tar-" + std::to_string(std::random_device{}()));
    makeFolder(root, 0);
    const std::string command = "tar -cf '" + root.string() + ".tar' -C '" + root.string() + "' .";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("tar failed");
    fs::remove_all(root);
    fs::remove(root.string() + ".tar");
}
BENCHMARK(BM_TarCf)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
