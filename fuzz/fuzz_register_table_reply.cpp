// The register reply decoder with every datagram taken as a table reply (see fuzzRegisterReply).
#include "FuzzRegisterReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzRegisterReply(data, size, tavo::CMD_REGISTER_TABLE_READ, tavo::RegisterReplyKind::Table);
}
