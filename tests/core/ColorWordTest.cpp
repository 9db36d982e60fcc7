#include <gtest/gtest.h>

#include "ColorWord.h"

namespace tavo {
namespace {

// A fixed set of system colours: index i is (i, 2i, 3i).
Rgb Indexed(int index) { return Rgb{uint8_t(index), uint8_t(2 * index), uint8_t(3 * index)}; }

TEST(ColorWord, TheTopByteDecidesHowTheWordIsRead) {
    const SystemColors system = Indexed;
    struct Case {
        uint32_t word;
        TranslatedColor expected;
    } cases[] = {
        {COLOR_NONE, {true, {}}},
        {0xFF123456, {true, {}}},                      // any word with top byte 0xFF
        {0x80000005, {false, Indexed(5)}},             // system index 5
        {0x80000012, {false, Indexed(18)}},
        {0x000000FF, {false, Rgb{0xFF, 0x00, 0x00}}},  // red in the low byte
        {0x00FFFFFF, {false, Rgb{0xFF, 0xFF, 0xFF}}},
        {0x12345678, {false, Rgb{0x78, 0x56, 0x34}}},  // the top byte is ignored
    };
    for (const auto& c : cases) EXPECT_EQ(TranslateColor(ColorWord(c.word), system), c.expected) << std::hex << c.word;
    EXPECT_EQ(ColorWord::rgb(1, 2, 3).word(), 0x030201u);
    EXPECT_EQ(ColorWord::system(COLOR_WINDOW).word(), 0x80000005u);
}

TEST(ColorWord, AControlWithoutColoursKeepsItsOwnHandling) {
    for (int kind = 0; kind <= 6; ++kind)
        EXPECT_FALSE(resolveControlColors(ColorWord::none(), ColorWord::none(), ControlKind(kind), Indexed).useOwn);
}

TEST(ColorWord, AMissingColourIsTakenFromTheSystemColourOfTheKind) {
    const ColorWord red = ColorWord::rgb(255, 0, 0);
    struct Case {
        ControlKind kind;
        int background;  // system index for an unset background, -1: no own colours
        int text;        // system index for an unset text
    } cases[] = {
        {ControlKind::MessageBox, COLOR_BTNFACE, COLOR_WINDOWTEXT}, {ControlKind::Edit, COLOR_WINDOW, COLOR_WINDOWTEXT},
        {ControlKind::ListBox, COLOR_WINDOW, COLOR_WINDOWTEXT},     {ControlKind::Button, COLOR_BTNFACE, COLOR_BTNTEXT},
        {ControlKind::Dialog, COLOR_BTNFACE, COLOR_WINDOWTEXT},     {ControlKind::ScrollBar, -1, COLOR_WINDOWTEXT},
        {ControlKind::Static, COLOR_BTNFACE, COLOR_WINDOWTEXT},
    };
    for (const auto& c : cases) {
        const ControlColors onlyText = resolveControlColors(red, ColorWord::none(), c.kind, Indexed);
        EXPECT_EQ(onlyText.useOwn, c.background >= 0) << int(c.kind);
        if (c.background >= 0) {
            EXPECT_EQ(onlyText.text, red.rgbValue());
            EXPECT_EQ(onlyText.background, Indexed(c.background)) << int(c.kind);
        }
        const ControlColors onlyBackground = resolveControlColors(ColorWord::none(), red, c.kind, Indexed);
        EXPECT_TRUE(onlyBackground.useOwn);
        EXPECT_EQ(onlyBackground.background, red.rgbValue());
        EXPECT_EQ(onlyBackground.text, Indexed(c.text)) << int(c.kind);
    }
}

TEST(ColorWord, ASystemColourWordFollowsAChangeOfTheSystemColours) {
    Rgb window{255, 255, 255};
    const SystemColors system = [&window](int index) { return index == COLOR_WINDOW ? window : Rgb{}; };
    const ColorWord word = ColorWord::system(COLOR_WINDOW);
    EXPECT_EQ(TranslateColor(word, system).rgb, (Rgb{255, 255, 255}));
    window = Rgb{0, 128, 0};
    EXPECT_EQ(TranslateColor(word, system).rgb, (Rgb{0, 128, 0}));
}

}  // namespace
}  // namespace tavo
