#include "DialogUnits.h"

#include <QWidget>

namespace tavo {
namespace {
constexpr int kHorizontalDivisor = 4;
constexpr int kVerticalDivisor = 8;

// units * base / divisor, rounded half away from zero (negative offsets scale alike).
int scale(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : -((-product + half) / divisor));
}
}  // namespace

DialogUnits::DialogUnits(int averageCharWidth, int charHeight)
    : m_averageCharWidth(averageCharWidth), m_charHeight(charHeight) {}

DialogUnits::DialogUnits(const QFontMetrics& metrics) : DialogUnits(metrics.averageCharWidth(), metrics.height()) {}

DialogUnits::DialogUnits(const QWidget& widget) : DialogUnits(widget.fontMetrics()) {}

int DialogUnits::x(int units) const { return scale(units, m_averageCharWidth, kHorizontalDivisor); }

int DialogUnits::y(int units) const { return scale(units, m_charHeight, kVerticalDivisor); }

}  // namespace tavo
