// The sector read reply decoder on any datagram.
#include <algorithm>
#include <span>

#include "DeviceCommand.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tavo::SectorReply reply = tavo::decodeSectorReply(std::span(data, size));
    FUZZ_CHECK(reply.ok == (size <= tavo::SECTOR_REPLY_BUFFER));
    if (reply.ok && size > 1) {
        const size_t carried = size - 1;
        FUZZ_CHECK(std::equal(data + 1, data + size, reply.data.begin()));
        FUZZ_CHECK(std::all_of(reply.data.begin() + carried, reply.data.end(), [](uint8_t b) { return b == 0; }));
    }
    return 0;
}
