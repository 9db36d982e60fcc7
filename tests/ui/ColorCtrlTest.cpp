// The colour control over a line edit: plain until a colour is set, colours from words,
// system colour words that follow the palette, and colours set before the first paint.
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "controls/ColorCtrl.h"

namespace tavo {
namespace {

struct Pair {
    Pair() {
        parent.resize(200, 80);
        plain = new QLineEdit(QStringLiteral("1A"), &parent);
        colored = new CColorCtrl<QLineEdit>(&parent);
        colored->setText(QStringLiteral("1A"));
        // Neither takes the focus, so that no cursor tells them apart.
        plain->setFocusPolicy(Qt::NoFocus);
        colored->setFocusPolicy(Qt::NoFocus);
        plain->setGeometry(0, 0, 80, 24);
        colored->setGeometry(0, 40, 80, 24);
    }
    void show() {
        parent.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
    QWidget parent;
    QLineEdit* plain;
    CColorCtrl<QLineEdit>* colored;
};

TEST(ColorCtrl, AFreshControlLooksExactlyLikeAPlainLineEdit) {
    Pair pair;
    pair.show();
    EXPECT_FALSE(pair.colored->testAttribute(Qt::WA_SetPalette));
    EXPECT_EQ(pair.colored->grab().toImage(), pair.plain->grab().toImage());
    // Both colours set back to none: plain again.
    pair.colored->SetTextColor(0x0000FF);
    pair.colored->SetTextColor(COLOR_NONE);
    pair.colored->repaint();
    EXPECT_EQ(pair.colored->grab().toImage(), pair.plain->grab().toImage());
}

TEST(ColorCtrl, OnlyATextColourLeavesTheBackgroundInTheSystemWindowColour) {
    Pair pair;
    pair.show();
    pair.colored->SetTextColor(0x0000FF);  // red in the low byte
    pair.colored->repaint();
    EXPECT_EQ(pair.colored->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(pair.colored->palette().color(QPalette::Base), pair.parent.palette().color(QPalette::Base));
    pair.colored->SetBkColor(0xFFFFFF);
    pair.colored->SetTextColor(0);
    pair.colored->repaint();
    EXPECT_EQ(pair.colored->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(pair.colored->palette().color(QPalette::Base), QColor(255, 255, 255));
    // The background is painted in the colour: a pixel inside the frame.
    const QImage image = pair.colored->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 6, image.height() / 2), QColor(255, 255, 255));
}

TEST(ColorCtrl, ASystemColourWordFollowsAChangeOfThePalette) {
    Pair pair;
    pair.show();
    pair.colored->SetBkColor(0x80000005);  // the system window colour
    pair.colored->SetTextColor(0x80000008);
    pair.colored->repaint();
    EXPECT_EQ(pair.colored->palette().color(QPalette::Base), pair.parent.palette().color(QPalette::Base));
    QPalette greenish = pair.parent.palette();
    greenish.setColor(QPalette::Base, QColor(0, 128, 0));
    greenish.setColor(QPalette::Text, QColor(200, 200, 0));
    pair.parent.setPalette(greenish);
    pair.colored->repaint();
    EXPECT_EQ(pair.colored->palette().color(QPalette::Base), QColor(0, 128, 0));
    EXPECT_EQ(pair.colored->palette().color(QPalette::Text), QColor(200, 200, 0));
}

TEST(ColorCtrl, AColourSetBeforeTheControlIsShownAppliesAtItsFirstPaint) {
    Pair pair;
    pair.colored->SetTextColor(0x0000FF);
    pair.colored->SetBkColor(0xFFFFFF);
    EXPECT_FALSE(pair.colored->testAttribute(Qt::WA_SetPalette));  // only stored
    EXPECT_EQ(pair.colored->textColor().word(), 0x0000FFu);
    pair.show();
    QTRY_COMPARE_WITH_TIMEOUT(pair.colored->palette().color(QPalette::Text), QColor(255, 0, 0), 5000);
    EXPECT_EQ(pair.colored->palette().color(QPalette::Base), QColor(255, 255, 255));
}

}  // namespace
}  // namespace tavo
