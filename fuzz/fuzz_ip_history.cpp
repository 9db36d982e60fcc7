// "iph.ini" on any bytes, loaded, saved and loaded again (see fuzzHistoryRoundTrip).
#include "IPFDB.h"
#include "FuzzTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzHistoryRoundTrip<tavo::CIPFDB>(data, size);
}
