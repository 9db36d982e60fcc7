// The reader of the kernel's UDP socket list and of a descriptor's link target, on any
// text: rows come back only for lines it could read whole, in either byte order.
#include <string_view>

#include "FuzzCheck.h"
#include "ProcNetUdp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto little = tavo::parseProcNetUdp(text, std::endian::little);
    const auto big = tavo::parseProcNetUdp(text, std::endian::big);
    // The byte order changes the addresses read, never which lines are rows.
    FUZZ_CHECK(little.size() == big.size());
    for (size_t i = 0; i < little.size(); ++i) {
        FUZZ_CHECK(little[i].inode == big[i].inode && little[i].uid == big[i].uid);
        FUZZ_CHECK(little[i].localIpv4.has_value() == big[i].localIpv4.has_value());
    }
    (void)tavo::parseSocketLink(text);
    return 0;
}
