// The BootP request check and the reply built from it, on any datagram.
#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "BootpMessage.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tavo::BootpRequest request = tavo::checkBootpRequest(std::span(data, size));
    const size_t kept = std::min(size, tavo::BOOTP_MESSAGE_SIZE);
    FUZZ_CHECK(size == 0 || std::memcmp(request.message.data(), data, kept) == 0);
    FUZZ_CHECK(std::all_of(request.message.begin() + kept, request.message.end(), [](uint8_t b) { return b == 0; }));
    const bool family = std::equal(tavo::DEVICE_OUI.begin(), tavo::DEVICE_OUI.end(),
                                   request.message.begin() + tavo::bootp_offset::kChaddr);
    FUZZ_CHECK(family == (request.check != tavo::BootpRequestCheck::NotOfFamily));

    // The table texts of the reply come from the bytes past the request, as a device
    // table entry could hold them.
    const std::string_view rest(reinterpret_cast<const char*>(data) + kept, size - kept);
    const size_t third = rest.size() / 3;
    const tavo::BootpReplyFields fields = tavo::makeBootpReplyFields(
        size > 3 ? data[3] - 128 : 1, size > 4 ? data[4] * 1000 : 6, rest.substr(0, third),
        rest.substr(third, third), rest.substr(2 * third));
    const tavo::BootpMessage reply = tavo::buildBootpReply(request.message, fields, {127, 0, 0, 1});
    FUZZ_CHECK(reply[tavo::bootp_offset::kOp] == tavo::BOOTP_OP_REPLY);
    FUZZ_CHECK(std::equal(reply.begin() + tavo::bootp_offset::kChaddr, reply.begin() + 236,
                          request.message.begin() + tavo::bootp_offset::kChaddr));
    return 0;
}
