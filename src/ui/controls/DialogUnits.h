#pragma once

#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace tavo {

// Turns the dialog units in which the forms give their positions and sizes into pixels
// of a font: a horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height. Every page and dialog that places controls by
// the forms' numbers goes through this one helper, so a larger font scales the whole
// form alike. Pixel results are rounded to the nearest pixel, as the window system's own
// conversion does.
class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics);
    // The units of the widget's current font.
    explicit DialogUnits(const QWidget& widget);
    // Base units given directly (average character width and height in pixels).
    DialogUnits(int averageCharWidth, int charHeight);

    int x(int units) const;
    int y(int units) const;
    QPoint point(int x, int y) const { return {this->x(x), this->y(y)}; }
    QSize size(int width, int height) const { return {x(width), y(height)}; }
    QRect rect(int x, int y, int width, int height) const { return {point(x, y), size(width, height)}; }

    int averageCharWidth() const { return m_averageCharWidth; }
    int charHeight() const { return m_charHeight; }

private:
    int m_averageCharWidth;
    int m_charHeight;
};

}  // namespace tavo
