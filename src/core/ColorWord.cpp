#include "ColorWord.h"

namespace tavo {

TranslatedColor TranslateColor(ColorWord word, const SystemColors& system) {
    if (word.isNone()) return {};
    if (word.isSystem()) return {false, system ? system(word.systemIndex()) : Rgb{}};
    return {false, word.rgbValue()};
}

ControlColors resolveControlColors(ColorWord text, ColorWord background, ControlKind kind, const SystemColors& system) {
    TranslatedColor fore = TranslateColor(text, system);
    TranslatedColor back = TranslateColor(background, system);
    if (fore.none && back.none) return {};
    if (back.none) {
        switch (kind) {
        case ControlKind::Edit:
        case ControlKind::ListBox: back = TranslateColor(ColorWord::system(COLOR_WINDOW), system); break;
        case ControlKind::ScrollBar: return {};
        default: back = TranslateColor(ColorWord::system(COLOR_BTNFACE), system); break;
        }
    }
    if (fore.none) {
        const int index = kind == ControlKind::Button ? COLOR_BTNTEXT : COLOR_WINDOWTEXT;
        fore = TranslateColor(ColorWord::system(index), system);
    }
    return {true, fore.rgb, back.rgb};
}

}  // namespace tavo
