#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "UiTestHelpers.h"
#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

using test::TypeKeys;

TEST(IpAddressEdit, BlankPartsReadAsZero) {
    IpAddressEdit edit;
    EXPECT_TRUE(edit.isBlank());
    EXPECT_EQ(edit.address(), (Ipv4Octets{0, 0, 0, 0}));
    QTest::keyClicks(edit.octetField(0), "10");
    QTest::keyClicks(edit.octetField(2), "7");
    EXPECT_FALSE(edit.isBlank());
    EXPECT_EQ(edit.address(), (Ipv4Octets{10, 0, 7, 0}));
    edit.setAddress({192, 168, 1, 20});
    EXPECT_EQ(edit.address(), (Ipv4Octets{192, 168, 1, 20}));
    edit.clear();
    EXPECT_TRUE(edit.isBlank());
}

// The control in a window of its own with the keyboard focus in its first field, so that
// every key goes where the operator's would.
class IpAddressTyping : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->octetField(0)->setFocus();
    }
    QString shown() const {
        QStringList fields;
        for (int i = 0; i < 4; ++i) fields << edit->octetField(i)->text();
        return fields.join(QLatin1Char('|'));
    }
    QWidget window;
    IpAddressEdit* edit = new IpAddressEdit(&window);
};

struct KeyCase {
    const char* keys;  // typed one by one; \b Backspace, < Left, > Right
    const char* shown;  // the four fields as they then read
    Ipv4Octets address;
};

const KeyCase kKeyCases[] = {
    {"192.168.1.10", "192|168|1|10", {192, 168, 1, 10}},  // the dot after a third digit is swallowed
    {"127.0.0.2", "127|0|0|2", {127, 0, 0, 2}},
    {"10.0.0.7", "10|0|0|7", {10, 0, 0, 7}},
    {" 10.0.0.7 ", "10|0|0|7", {10, 0, 0, 7}},  // blanks around it do not count
    {"255255255255", "255|255|255|255", {255, 255, 255, 255}},  // three digits move on
    {".5", "5|||", {5, 0, 0, 0}},  // a dot in an empty field does nothing
    {"1..2", "1|2||", {1, 2, 0, 0}},
    {"1.2.3.4.5", "1|2|3|45", {1, 2, 3, 45}},  // the last field has no next one
    {"300.1", "255|1||", {255, 1, 0, 0}},  // above 255 stands as 255
    {"192.168\b\b\b\b1.2.3", "192|1|2|3", {192, 1, 2, 3}},  // Backspace in an empty field goes back
    {"1.2<<5", "15|2||", {15, 2, 0, 0}},  // Left at a field's start crosses into the previous one
    {"1>2", "1|2||", {1, 2, 0, 0}},  // Right at a field's end crosses into the next one
    {"12>>3", "12||3|", {12, 0, 3, 0}},
    {"1a2", "12|||", {12, 0, 0, 0}},  // a letter is refused
};

TEST_F(IpAddressTyping, KeyTableGivesTheOctetsShown) {
    for (const KeyCase& c : kKeyCases) {
        SCOPED_TRACE(c.keys);
        edit->clear();
        edit->octetField(0)->setFocus();
        TypeKeys(QString::fromLatin1(c.keys));
        EXPECT_EQ(shown(), QString::fromLatin1(c.shown));
        EXPECT_EQ(edit->address(), c.address);
    }
}

TEST_F(IpAddressTyping, NumberAboveTwoFiftyFiveTellsWhy) {
    TypeKeys(QStringLiteral("256"));
    EXPECT_EQ(edit->octetField(0)->text(), QStringLiteral("255"));
    EXPECT_EQ(edit->octetField(0)->toolTip(),
              QStringLiteral("256 non è un valore valido. Specificare un valore compreso tra 0 e 255."));
    // The number that stands is selected: the next digits replace it.
    TypeKeys(QStringLiteral("25"));
    EXPECT_EQ(edit->octetField(0)->text(), QStringLiteral("25"));
    EXPECT_TRUE(edit->octetField(0)->toolTip().isEmpty());
}

// Some keyboards make the dot with Shift; it moves on all the same.
TEST_F(IpAddressTyping, ShiftedDotMovesOn) {
    TypeKeys(QStringLiteral("10"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Period, Qt::ShiftModifier);
    TypeKeys(QStringLiteral("7"));
    EXPECT_EQ(shown(), QStringLiteral("10|7||"));
}

TEST_F(IpAddressTyping, PastedAddressFillsAllFourFromAnyField) {
    QApplication::clipboard()->setText(QStringLiteral("  10.0.0.7 "));
    TypeKeys(QStringLiteral("1.2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shown(), QStringLiteral("10|0|0|7"));
    EXPECT_EQ(edit->address(), (Ipv4Octets{10, 0, 0, 7}));
    // Something else pasted leaves the field as it was.
    QApplication::clipboard()->setText(QStringLiteral("dieci"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shown(), QStringLiteral("10|0|0|7"));
}

}  // namespace
}  // namespace tavo
