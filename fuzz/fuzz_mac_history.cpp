// "mach.ini" on any bytes, loaded, saved and loaded again (see fuzzHistoryRoundTrip).
#include "MacHistoryFDB.h"
#include "FuzzTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzHistoryRoundTrip<tavo::CMacHistoryFDB>(data, size);
}
