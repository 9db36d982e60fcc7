// The MAC address texts of the command line, on any text.
#include <string>
#include <string_view>

#include "AddressText.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto mac = tavo::parseMacArgument(text)) {
        const std::string printed = tavo::FormatMac(*mac);
        FUZZ_CHECK(printed.size() == 12);
        FUZZ_CHECK(tavo::parseMacArgument(printed) == mac);
        FUZZ_CHECK(size == 12 || size == 17);
    }
    return 0;
}
