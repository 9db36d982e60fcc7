#pragma once

// What became of a device of the family that is not in bootp.ini (tavo bootp serve
// --add-unknown, tavo commission): the same words from both.
#include "AddressText.h"
#include "DeviceTable.h"

namespace tavo::cli {

// "added MAC ip A.B.C.D" or "unknown MAC: why, left unanswered"; with --json an "added" or
// an "unknown" event with its reason (not_in_table, pool_used_up, address_taken, not_added).
// `takenBy` is the record holding the address for Duplicate.
void printUnknownDevice(const MacOctets& mac, DeviceTableStatus status, const Ipv4Octets& ip, int takenBy);

}  // namespace tavo::cli
