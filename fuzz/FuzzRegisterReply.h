#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "DeviceCommand.h"
#include "FuzzCheck.h"

// The register reply decoder on any datagram, its first byte forced to one reply's code
// (`code`, which decodes as `kind`) so that every run reaches that branch; any other
// first byte is an Unknown reply.
inline int fuzzRegisterReply(const uint8_t* data, size_t size, uint8_t code, tavo::RegisterReplyKind kind) {
    std::vector<uint8_t> datagram(data, data + size);
    if (!datagram.empty()) datagram[0] = code;
    const tavo::RegisterReply reply = tavo::decodeRegisterReply(datagram);
    FUZZ_CHECK(reply.ok == (size <= tavo::REGISTER_REPLY_BUFFER));
    if (reply.ok && size > 0) FUZZ_CHECK(reply.kind == kind);
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
