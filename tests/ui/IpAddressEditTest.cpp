#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

TEST(IpAddressEdit, BlankPartsReadAsZero) {
    IpAddressEdit edit;
    EXPECT_TRUE(edit.isBlank());
    EXPECT_EQ(edit.address(), (Ipv4Octets{0, 0, 0, 0}));
    QTest::keyClicks(edit.octetField(0), "10");
    QTest::keyClicks(edit.octetField(2), "7");
    EXPECT_FALSE(edit.isBlank());
    EXPECT_EQ(edit.address(), (Ipv4Octets{10, 0, 7, 0}));
}

TEST(IpAddressEdit, RefusesOctetsAboveTwoFiftyFiveAndRoundTrips) {
    IpAddressEdit edit;
    QTest::keyClicks(edit.octetField(1), "999");
    EXPECT_NE(edit.octetField(1)->text(), "999");
    edit.setAddress({192, 168, 1, 20});
    EXPECT_EQ(edit.address(), (Ipv4Octets{192, 168, 1, 20}));
    edit.clear();
    EXPECT_TRUE(edit.isBlank());
}

}  // namespace
}  // namespace tavo
