// The register reply decoder with every datagram taken as a value reply (see fuzzRegisterReply).
#include "FuzzRegisterReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzRegisterReply(data, size, tavo::CMD_REGISTER_READ, tavo::RegisterReplyKind::Value);
}
