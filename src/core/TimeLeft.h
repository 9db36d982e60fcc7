#pragma once

#include <chrono>
#include <cstdint>

namespace tavo {

// A time left as the operator reads it: whole seconds rounded up (the last part-second
// still counts as one), below a minute as seconds only, else minutes and seconds.
struct TimeLeft {
    int64_t minutes = 0;
    int seconds = 0;  // 0..59
    bool underAMinute() const { return minutes == 0; }
};

TimeLeft splitTimeLeft(std::chrono::milliseconds left);

}  // namespace tavo
