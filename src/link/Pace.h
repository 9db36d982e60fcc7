#pragma once

#include <chrono>

namespace tavo {

// The pace of the device link, named once. The product runs with the defaults; tests
// inject shorter figures, benchmarks measure the real ones.
struct Pace {
    using Ms = std::chrono::milliseconds;

    Ms searchTick{1000};           // one IP search request per tick
    Ms afterSearchRequest{100};    // pause after each IP search request
    Ms afterSectorRead{100};       // pause after each sector read request
    Ms afterRegisterCommand{100};  // pause after a register read, table read or write
    Ms afterUploadBlock{300};      // pause after each upload block
    // Sector writes of a clear go back to back, without a pause.

    static constexpr Pace product() { return Pace{}; }
    // Every figure zero, except a tick short enough to keep a test loop responsive.
    static constexpr Pace immediate() { return Pace{Ms{1}, Ms{0}, Ms{0}, Ms{0}, Ms{0}}; }
};

}  // namespace tavo
