#include "format/KeyCodeTable.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

const KeyCodeTable& Table()
{
    return StandardKeyCodeTable();
}

TEST(KeyCodeTable, EveryEntryCarriesItsOwnCodeAndUnnamedCodesAreEmpty)
{
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(Table()[static_cast<std::uint8_t>(code)].code, code);
    for (int code : {0, 1, 7, 10, 94, 150, 200, 230, 250, 255}) {
        EXPECT_EQ(Table().Usage(static_cast<std::uint8_t>(code)), 0) << code;
        EXPECT_EQ(Table().Label(static_cast<std::uint8_t>(code)), "") << code;
    }
}

TEST(KeyCodeTable, LettersDigitsAndFunctionKeysFollowTheirRanges)
{
    EXPECT_EQ(Table().Usage('A'), 0x04);
    EXPECT_EQ(Table().Label('A'), "A ");
    EXPECT_EQ(Table().Usage('Z'), 0x1D);
    EXPECT_EQ(Table().Label('Z'), "Z ");
    // Digit 0 is the only one without a trailing blank, and it comes after 9 in usage order.
    EXPECT_EQ(Table().Label('0'), "0");
    EXPECT_EQ(Table().Usage('0'), 0x27);
    EXPECT_EQ(Table().Label('1'), "1 ");
    EXPECT_EQ(Table().Usage('1'), 0x1E);
    EXPECT_EQ(Table().Usage('9'), 0x26);
    EXPECT_EQ(Table().Label(112), "F1 ");
    EXPECT_EQ(Table().Usage(112), 0x3A);
    EXPECT_EQ(Table().Label(123), "F12 ");
    EXPECT_EQ(Table().Usage(123), 0x45);
}

TEST(KeyCodeTable, KeypadDigitsPutZeroLast)
{
    EXPECT_EQ(Table().Usage(0x60), 0x62);
    EXPECT_EQ(Table().Label(0x60), "0-num ");
    EXPECT_EQ(Table().Usage(0x61), 0x59);
    EXPECT_EQ(Table().Label(0x61), "1-num ");
    EXPECT_EQ(Table().Usage(0x69), 0x61);
    EXPECT_EQ(Table().Label(0x69), "9-num ");
}

TEST(KeyCodeTable, NamedKeysKeepTheirExactLabels)
{
    EXPECT_EQ(Table().Label(179), "Play/Pause"); // no trailing blank
    EXPECT_EQ(Table().Usage(179), 0xCD);
    EXPECT_EQ(Table().Label(174), "Volume DOWN ");
    EXPECT_EQ(Table().Usage(181), 0x83);
    EXPECT_EQ(Table().Label(220), "\\ ");
    EXPECT_EQ(Table().Usage(220), 0x32);
    // The keypad's Enter is told apart from the main one, in the keypad digits' manner.
    EXPECT_EQ(Table().Label(108), "Enter-num ");
    EXPECT_EQ(Table().Label(13), "Enter ");
    EXPECT_EQ(Table().Usage(108), 0x58);
    EXPECT_EQ(Table().Usage(13), 0x28);
    EXPECT_EQ(Table().Label(247), "Mouse pointer Down");
}

TEST(KeyCodeTable, MouseCodesUseThemselvesAsUsageAndKeepTheFinalLabels)
{
    for (int code = 240; code <= 249; ++code)
        EXPECT_EQ(Table().Usage(static_cast<std::uint8_t>(code)), code);
    EXPECT_EQ(Table().Label(240), "MsLB");
    EXPECT_EQ(Table().Label(241), "MsRB");
    EXPECT_EQ(Table().Label(242), "MsMB");
    EXPECT_EQ(Table().Label(243), "");
    EXPECT_EQ(Table().Label(244), "");
}

} // namespace
} // namespace corvane
