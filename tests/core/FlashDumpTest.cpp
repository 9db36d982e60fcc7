#include <gtest/gtest.h>

#include "DumpText.h"
#include "FlashDump.h"
#include "FlashRange.h"

namespace tavo {
namespace {

SectorData Filled(uint8_t value) {
    SectorData data;
    data.fill(value);
    return data;
}

TEST(FlashRange, TheChecksRunInOrderAndTheFirstFailureDecides) {
    struct Case {
        uint32_t from, to;
        RangeCheck read, clear;
    } cases[] = {
        {5, 5, RangeCheck::Ok, RangeCheck::Ok},
        {0, 2043, RangeCheck::Ok, RangeCheck::Ok},
        {2047, 2047, RangeCheck::Ok, RangeCheck::FromOutOfRange},  // read, but not cleared
        {0, 2047, RangeCheck::Ok, RangeCheck::ToOutOfRange},
        {2044, 2044, RangeCheck::Ok, RangeCheck::FromOutOfRange},
        {10, 3, RangeCheck::FromAfterTo, RangeCheck::FromAfterTo},
        {2048, 3, RangeCheck::FromOutOfRange, RangeCheck::FromOutOfRange},  // "from" is checked first
        {3, 2048, RangeCheck::ToOutOfRange, RangeCheck::ToOutOfRange},
        {4294967295u, 0, RangeCheck::FromOutOfRange, RangeCheck::FromOutOfRange},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkReadRange(c.from, c.to), c.read) << c.from << ".." << c.to;
        EXPECT_EQ(checkClearRange(c.from, c.to), c.clear) << c.from << ".." << c.to;
    }
}

TEST(FlashRange, SectorFieldsHoldUnsignedDecimalNumbersOnly) {
    struct Case {
        const char* text;
        std::optional<uint32_t> value;
    } cases[] = {
        {"0", 0u}, {"2047", 2047u}, {" 12 ", 12u}, {"007", 7u}, {"4294967295", 4294967295u},
        {"", std::nullopt}, {"  ", std::nullopt}, {"-1", std::nullopt}, {"+1", std::nullopt},
        {"12a", std::nullopt}, {"0x10", std::nullopt}, {"4294967296", std::nullopt}, {"1 2", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseUnsignedField(c.text), c.value) << '"' << c.text << '"';
}

TEST(FlashDump, OnlySectorsOfTheRangeAreStoredAndTheOthersStayMissing) {
    FlashDump dump(10, 13);
    EXPECT_EQ(dump.sectorCount(), 4);
    EXPECT_EQ(dump.missing(), (std::vector<int>{10, 11, 12, 13}));
    EXPECT_TRUE(dump.store(11, Filled(0x11)));
    EXPECT_TRUE(dump.store(13, Filled(0x13)));
    EXPECT_FALSE(dump.store(9, Filled(0x09)));
    EXPECT_FALSE(dump.store(14, Filled(0x14)));
    EXPECT_FALSE(dump.store(-1, Filled(0xEE)));
    EXPECT_EQ(dump.missing(), (std::vector<int>{10, 12}));
    EXPECT_EQ(dump.sector(12), nullptr);
    ASSERT_NE(dump.sector(13), nullptr);
    EXPECT_EQ((*dump.sector(13))[255], 0x13);

    const std::vector<uint8_t> raw = dump.rawBytes(0xAA);
    ASSERT_EQ(raw.size(), 4u * 256u);
    EXPECT_EQ(raw[0], 0xAA);
    EXPECT_EQ(raw[256], 0x11);
    EXPECT_EQ(raw[2 * 256 + 17], 0xAA);
    EXPECT_EQ(raw[3 * 256 + 255], 0x13);
}

TEST(FlashDump, AComparisonGivesTheFirstDifferingOffsetAndTheCount) {
    FlashDump dump(0, 2);
    dump.store(0, Filled(0x00));
    dump.store(2, Filled(0x02));  // sector 1 is missing
    std::vector<uint8_t> file = dump.rawBytes(0x55);
    EXPECT_TRUE(compareDump(dump, file).identical());
    EXPECT_EQ(compareDump(dump, file).uncomparedBytes, 256u);

    file[256 + 3] = 0x77;  // inside the missing sector: not compared
    file[2 * 256 + 5] = 0x99;
    file[2 * 256 + 6] = 0x98;
    DumpComparison result = compareDump(dump, file);
    ASSERT_TRUE(result.firstDifference);
    EXPECT_EQ(*result.firstDifference, 2u * 256u + 5u);
    EXPECT_EQ(result.differingBytes, 2u);

    file.resize(300);  // shorter, equal as far as it goes (sector 1 not compared)
    file[256 + 3] = 0;
    result = compareDump(dump, file);
    EXPECT_TRUE(result.lengthsDiffer());
    EXPECT_EQ(*result.firstDifference, 300u);
    EXPECT_EQ(result.differingBytes, 0u);
}

TEST(DumpText, TheViewerLayoutPutsEachByteInItsCell) {
    EXPECT_EQ(byteText(0x0A), "0A");
    EXPECT_EQ(byteText(0xFF), "FF");
    EXPECT_EQ(byteText(0x00), "00");
    EXPECT_EQ(flashColumnHeader(0), "00");
    EXPECT_EQ(flashColumnHeader(12), "0c");
    EXPECT_EQ(registerColumnHeader(1), "10");
    EXPECT_EQ(registerColumnHeader(10), "a0");
    EXPECT_EQ(flashRowLabel(5), "0005");
    EXPECT_EQ(flashRowLabel(15), "000F");
    EXPECT_EQ(registerRowLabel(3), "03");

    // Byte 0x5C of a sector: row 0005, column 0c.
    SectorData sector{};
    sector[0x5C] = 0xE7;
    EXPECT_EQ(flashCell(sector, 5, 12), 0xE7);
    // Register 0xA3: row 03, column a0; register 0x10 is the first cell of the first row.
    RegisterTable table{};
    table[0xA3 - 0x10] = 0x3A;
    table[0] = 0x01;
    EXPECT_EQ(registerCell(table, 3, 10), 0x3A);
    EXPECT_EQ(registerCell(table, 0, 1), 0x01);
    EXPECT_EQ(registerCell(table, 15, 15), table[239]);
}

TEST(DumpText, HexDumpLinesHaveOffsetsSixteenBytesAndAnAsciiColumn) {
    const uint8_t bytes[16] = {'H', 'e', 'l', 'l', 'o', 0x00, 0x7F, 0x20, 0x41, 0xFF, 1, 2, 3, 4, 5, '~'};
    EXPECT_EQ(hexDumpLine(0x500, bytes),
              "00000500  48 65 6c 6c 6f 00 7f 20  41 ff 01 02 03 04 05 7e |Hello.. A......~|");
    EXPECT_EQ(missingHexDumpLine(0x7FFF0),
              "0007fff0  -- -- -- -- -- -- -- --  -- -- -- -- -- -- -- -- |                |");
}

}  // namespace
}  // namespace tavo
