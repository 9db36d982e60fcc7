// The IP search reply decoder on any datagram.
#include <algorithm>
#include <span>

#include "DeviceCommand.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tavo::SearchReply reply = tavo::decodeSearchReply(std::span(data, size));
    FUZZ_CHECK(reply.ok == (size <= tavo::SEARCH_REPLY_BUFFER));
    if (reply.ok && size >= 11) {
        FUZZ_CHECK(std::equal(reply.mac.begin(), reply.mac.end(), data + 1));
        FUZZ_CHECK(std::equal(reply.ip.begin(), reply.ip.end(), data + 7));
    }
    FUZZ_CHECK(tavo::searchReplyMatches(reply, reply.mac) == reply.ok);
    return 0;
}
