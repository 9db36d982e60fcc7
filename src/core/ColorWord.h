#pragma once

#include <cstdint>
#include <functional>

// The colour words of the colour control: a 32-bit word read by its top byte.
//   0xFF (the whole word COLOR_NONE): no colour set, the control keeps its default;
//   0x80 (SYSCOLOR_FLAG): the low 24 bits are a system colour index;
//   anything else: the low 24 bits are an RGB colour, red in the low byte.
namespace tavo {

inline constexpr uint32_t COLOR_NONE = 0xFF000000u;
inline constexpr uint32_t SYSCOLOR_FLAG = 0x80;

// The system colour indices the colour control uses by name.
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNTEXT = 18;

// Kinds of control that ask for their colours (the platform's CTLCOLOR numbers).
enum class ControlKind { MessageBox = 0, Edit = 1, ListBox = 2, Button = 3, Dialog = 4, ScrollBar = 5, Static = 6 };

// An RGB colour as the colour words carry it: red in the low byte.
struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// A colour word as a value.
class ColorWord {
public:
    constexpr ColorWord() = default;
    constexpr explicit ColorWord(uint32_t word) : m_word(word) {}
    static constexpr ColorWord none() { return ColorWord(COLOR_NONE); }
    static constexpr ColorWord system(int index) {
        return ColorWord((SYSCOLOR_FLAG << 24) | (static_cast<uint32_t>(index) & 0xFFFFFFu));
    }
    static constexpr ColorWord rgb(uint8_t r, uint8_t g, uint8_t b) {
        return ColorWord(uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16));
    }

    constexpr uint32_t word() const { return m_word; }
    constexpr uint8_t topByte() const { return static_cast<uint8_t>(m_word >> 24); }
    constexpr bool isNone() const { return topByte() == 0xFF; }
    constexpr bool isSystem() const { return topByte() == SYSCOLOR_FLAG; }
    constexpr int systemIndex() const { return static_cast<int>(m_word & 0xFFFFFFu); }
    constexpr Rgb rgbValue() const {
        return Rgb{static_cast<uint8_t>(m_word), static_cast<uint8_t>(m_word >> 8), static_cast<uint8_t>(m_word >> 16)};
    }
    constexpr bool operator==(const ColorWord&) const = default;

private:
    uint32_t m_word = COLOR_NONE;
};

// The current colour of a system colour index; the front end knows where the system
// colours live (for the widgets: the palette).
using SystemColors = std::function<Rgb(int index)>;

// A colour word as an RGB value, or none for a word with top byte 0xFF. A system index
// is looked up at the moment of the call, so the result follows a change of the
// system colours.
struct TranslatedColor {
    bool none = true;
    Rgb rgb{};
    bool operator==(const TranslatedColor&) const = default;
};
TranslatedColor TranslateColor(ColorWord word, const SystemColors& system);

// The answer to a control's request for its colours. `useOwn` false: the control keeps
// the parent's own colour handling (nothing set, or a scroll bar without a background).
struct ControlColors {
    bool useOwn = false;
    Rgb text{};
    Rgb background{};
};
ControlColors resolveControlColors(ColorWord text, ColorWord background, ControlKind kind, const SystemColors& system);

}  // namespace tavo
