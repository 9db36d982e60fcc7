// The IP address texts: the strict command-line parser and the lenient dotted reader of
// the tables, on any text.
#include <string>
#include <string_view>

#include "AddressText.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tavo::Ipv4Octets lenient = tavo::ParseDottedIp(text);
    if (const auto strict = tavo::parseIpArgument(text)) {
        // A strict address prints back as itself and the lenient reader agrees with it.
        FUZZ_CHECK(tavo::parseIpArgument(tavo::formatDotted(*strict)) == strict);
        FUZZ_CHECK(lenient == *strict);
    }
    FUZZ_CHECK(tavo::ParseDottedIp(tavo::formatDottedAligned(lenient)) == lenient);
    (void)tavo::ParseHexByte(text);
    (void)tavo::parseHexByteAnyCase(text);
    return 0;
}
