#pragma once

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

#include "ColorWord.h"

namespace tavo {

// The palette side of the colour control: system colour indices as palette roles, and
// the two roles a kind of control paints its text and background with.
QPalette::ColorRole systemColorRole(int index, QPalette::ColorGroup* group = nullptr);
SystemColors paletteSystemColors(const QPalette& palette);
QColor toQColor(const Rgb& rgb);
Rgb fromQColor(const QColor& color);

template <class BASE>
struct ColorCtrlTraits;

template <>
struct ColorCtrlTraits<QLineEdit> {
    static constexpr ControlKind kind = ControlKind::Edit;
    static constexpr QPalette::ColorRole text = QPalette::Text;
    static constexpr QPalette::ColorRole background = QPalette::Base;
};

// A control that paints its text and background in colours set at run time, given as
// colour words (see ColorWord). The words are only stored; they are turned into colours
// each time the control paints, from the palette it would have as a plain control, so a
// system colour word follows a change of that palette at the next repaint. With no
// colour set the control is left exactly as a plain control of its class.
template <class BASE>
class CColorCtrl : public BASE {
public:
    using Traits = ColorCtrlTraits<BASE>;

    explicit CColorCtrl(QWidget* parent = nullptr) : BASE(parent) {}

    void SetTextColor(uint32_t word) {
        m_crText = ColorWord(word);
        invalidate();
    }
    void SetBkColor(uint32_t word) {
        m_crBk = ColorWord(word);
        invalidate();
    }
    ColorWord textColor() const { return m_crText; }
    ColorWord bkColor() const { return m_crBk; }

protected:
    void paintEvent(QPaintEvent* event) override {
        applyColors();
        BASE::paintEvent(event);
    }

    void changeEvent(QEvent* event) override {
        // The palette this control inherits changed (not by applyColors): repaint, which
        // takes the new system colours.
        if (event->type() == QEvent::PaletteChange && !m_applying) this->update();
        BASE::changeEvent(event);
    }

private:
    // Once the control is on screen the new colours show at once; before that they wait
    // for the first paint.
    void invalidate() {
        if (!this->isVisible()) return;
        applyColors();
        this->update();
    }

    QPalette inheritedPalette() const {
        return this->parentWidget() ? this->parentWidget()->palette() : QApplication::palette(this);
    }

    void applyColors() {
        const ControlColors colors =
            resolveControlColors(m_crText, m_crBk, Traits::kind, paletteSystemColors(inheritedPalette()));
        m_applying = true;
        if (!colors.useOwn) {
            if (this->testAttribute(Qt::WA_SetPalette)) this->setPalette(QPalette());
        } else {
            const QColor text = toQColor(colors.text);
            const QColor background = toQColor(colors.background);
            const QPalette& current = this->palette();
            if (!this->testAttribute(Qt::WA_SetPalette) || current.color(Traits::text) != text ||
                current.color(Traits::background) != background) {
                QPalette own;
                own.setColor(Traits::text, text);
                own.setColor(Traits::background, background);
                this->setPalette(own);
            }
        }
        m_applying = false;
    }

    ColorWord m_crText = ColorWord::none();
    ColorWord m_crBk = ColorWord::none();
    bool m_applying = false;
};

}  // namespace tavo
