#include <QFont>
#include <QLabel>
#include <gtest/gtest.h>

#include "controls/DialogUnits.h"

namespace tavo {
namespace {

// Horizontal units are quarters of the average character width, vertical units eighths
// of the character height; results round to the nearest pixel, halves away from zero.
TEST(DialogUnitsTest, ConvertsUnitsToPixelsOfTheBaseUnits) {
    const struct {
        int averageCharWidth, charHeight, units, expectedX, expectedY;
    } cases[] = {
        {7, 15, 280, 490, 525},  // 280 * 7 / 4 = 490;  280 * 15 / 8 = 525
        {7, 15, 223, 390, 418},  // 390.25 -> 390;     418.125 -> 418
        {7, 15, 1, 2, 2},        // 1.75 -> 2;         1.875 -> 2
        {6, 12, 1, 2, 2},        // 1.5 -> 2 (half up); 1.5 -> 2
        {6, 12, 3, 5, 5},        // 4.5 -> 5;          4.5 -> 5
        {6, 12, -1, -2, -2},     // negative offsets mirror the positive ones
        {8, 16, 0, 0, 0},
        {5, 13, 43, 54, 70},     // 53.75 -> 54;       69.875 -> 70
    };
    for (const auto& c : cases) {
        const DialogUnits units(c.averageCharWidth, c.charHeight);
        SCOPED_TRACE(testing::Message() << "base " << c.averageCharWidth << "x" << c.charHeight << ", " << c.units
                                        << " units");
        EXPECT_EQ(units.x(c.units), c.expectedX);
        EXPECT_EQ(units.y(c.units), c.expectedY);
    }
}

TEST(DialogUnitsTest, BuildsPointsSizesAndRectanglesFromTheSameRule) {
    const DialogUnits units(7, 15);
    EXPECT_EQ(units.point(43, 159), QPoint(75, 298));
    EXPECT_EQ(units.size(294, 235), QSize(515, 441));
    EXPECT_EQ(units.rect(7, 7, 280, 223), QRect(12, 13, 490, 418));
}

// The units of a widget come from its own font, so a larger font scales the whole form.
TEST(DialogUnitsTest, FollowsTheWidgetsFont) {
    QLabel widget;
    QFont font = widget.font();
    font.setPixelSize(12);
    widget.setFont(font);
    const DialogUnits small(widget);
    EXPECT_EQ(small.averageCharWidth(), widget.fontMetrics().averageCharWidth());
    EXPECT_EQ(small.charHeight(), widget.fontMetrics().height());
    EXPECT_EQ(small.x(280), (280 * small.averageCharWidth() + 2) / 4);

    font.setPixelSize(24);
    widget.setFont(font);
    const DialogUnits large(widget);
    EXPECT_GT(large.x(100), small.x(100));
    EXPECT_GT(large.y(100), small.y(100));
}

}  // namespace
}  // namespace tavo
