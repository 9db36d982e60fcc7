#include "TimeLeft.h"

namespace tavo {

TimeLeft splitTimeLeft(std::chrono::milliseconds left) {
    const int64_t seconds = (left.count() + 999) / 1000;
    return {seconds / 60, static_cast<int>(seconds % 60)};
}

}  // namespace tavo
