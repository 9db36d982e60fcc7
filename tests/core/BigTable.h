#pragma once

#include <cstdio>
#include <string>

#include "AddressText.h"
#include "BootPFDB.h"

// A full device table of 5000 records in one of two variants, so that a reader can tell
// an old table from a new one and either from a mixture.
namespace tavo::testing {

inline constexpr int kBigTableRecords = CBootPFDB::kCapacity;

inline std::string bigTableMac(int variant, int i) {
    char text[16];
    std::snprintf(text, sizeof text, "024B7E%02X%04X", variant, i);
    return text;
}

inline std::string bigTableIp(int variant, int i) {
    return formatDottedAligned(10, variant, (i >> 8) & 0xFF, i & 0xFF);
}

inline void setBigTableVariant(CBootPFDB& table, int variant) {
    for (int i = 0; i < table.getCount(); ++i)
        table.SetRecord(1, 6, bigTableIp(variant, i), bigTableMac(variant, i), formatDottedAligned(10, 0, 0, 1),
                        formatDottedAligned(255, 255, 0, 0), i);
}

inline void fillBigTable(CBootPFDB& table, int variant) {
    while (table.getCount() < kBigTableRecords) table.AddNew();
    setBigTableVariant(table, variant);
}

// The variant every record of a loaded table belongs to, or -1 for a mixture or a
// table that is not whole.
inline int bigTableVariant(CBootPFDB& table) {
    if (table.getCount() != kBigTableRecords) return -1;
    int variant = -1;
    for (int i = 0; i < table.getCount(); ++i) {
        int hType = 0, hLen = 0;
        std::string ip, mac, gateway, subnet;
        table.GetRecord(hType, hLen, ip, mac, gateway, subnet, i);
        const int v = std::stoi(mac.substr(6, 2), nullptr, 16);
        if (i == 0) variant = v;
        if (v != variant || mac != bigTableMac(v, i) || ip != bigTableIp(v, i)) return -1;
    }
    return variant;
}

}  // namespace tavo::testing
