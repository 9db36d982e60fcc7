// The register reply decoder on any datagram, its first byte forced to the value reply's
// code so that every run reaches that branch (any other first byte is an Unknown reply).
#include <algorithm>
#include <span>
#include <vector>

#include "DeviceCommand.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> datagram(data, data + size);
    if (!datagram.empty()) datagram[0] = tavo::CMD_REGISTER_READ;
    const tavo::RegisterReply reply = tavo::decodeRegisterReply(datagram);
    FUZZ_CHECK(reply.ok == (size <= tavo::REGISTER_REPLY_BUFFER));
    if (reply.ok && size > 0) FUZZ_CHECK(reply.kind == tavo::RegisterReplyKind::Value);
    if (reply.ok && size == 0) FUZZ_CHECK(reply.kind == tavo::RegisterReplyKind::Unknown);
    if (reply.ok && size > 1) {
        if (reply.kind == tavo::RegisterReplyKind::Value) FUZZ_CHECK(reply.value == datagram[1]);
        if (reply.kind == tavo::RegisterReplyKind::Table)
            FUZZ_CHECK(std::equal(datagram.begin() + 1, datagram.end(), reply.table.begin()));
    }
    // Unchanged, the datagram decodes to whatever its own first byte says, never out of bounds.
    const tavo::RegisterReply raw = tavo::decodeRegisterReply(std::span(data, size));
    FUZZ_CHECK(raw.ok == reply.ok);
    return 0;
}
