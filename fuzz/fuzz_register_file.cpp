// The registers file's parser on any file: it never fails on its own, a problem names a
// line of the text and at most 32 bytes of its word, and a file it takes, written again
// as plain "RR VV" lines, gives the same settings.
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "FuzzCheck.h"
#include "RegisterSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tavo::RegisterFileRead read = tavo::parseRegisterFile(text);
    if (read.problem) {
        const tavo::RegisterFileProblem& problem = *read.problem;
        FUZZ_CHECK(read.settings.empty());
        FUZZ_CHECK(problem.word.size() <= 32);
        FUZZ_CHECK((problem.kind == tavo::RegisterFileProblemKind::TooLong) == (size > tavo::kMaxRegisterFileBytes));
        const auto lines = size_t(std::count(text.begin(), text.end(), '\n') + 1);
        FUZZ_CHECK(problem.kind == tavo::RegisterFileProblemKind::TooLong ? problem.line == 0
                                                                          : problem.line >= 1 && size_t(problem.line) <= lines);
        if (problem.kind == tavo::RegisterFileProblemKind::Duplicate)
            FUZZ_CHECK(problem.otherLine >= 1 && problem.otherLine < problem.line);
        return 0;
    }
    FUZZ_CHECK(read.settings.size() <= 256);
    bool seen[256] = {};
    std::string again;
    for (const tavo::RegisterSetting& setting : read.settings) {
        FUZZ_CHECK(!seen[setting.reg]);
        seen[setting.reg] = true;
        char line[8];
        std::snprintf(line, sizeof line, "%02X %02X\n", setting.reg, setting.value);
        again += line;
    }
    const tavo::RegisterFileRead reread = tavo::parseRegisterFile(again);
    FUZZ_CHECK(!reread.problem);
    FUZZ_CHECK(reread.settings == read.settings);
    return 0;
}
