#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "address/IPDBdlg.h"
#include "address/MacDBDlg.h"

namespace tavo {
namespace {

using test::FakePrompts;

class PickListTest : public ::testing::Test {
protected:
    void writeHistory(const char* fileName, const QByteArray& bytes) {
        test::WriteFileBytes(dir.filePath(QString::fromLatin1(fileName)), bytes);
    }
    static QStringList rows(QDialog& dlg, const char* listName) {
        QStringList texts;
        auto* list = dlg.findChild<QListWidget*>(QString::fromLatin1(listName));
        for (int i = 0; list && i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    }
    static void show(QDialog& dlg) {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    // Double-clicks on row `row` of the list, or below the last entry when row is -1.
    static void doubleClick(QDialog& dlg, const char* listName, int row) {
        auto* list = dlg.findChild<QListWidget*>(QString::fromLatin1(listName));
        ASSERT_NE(list, nullptr);
        QPoint at;
        if (row >= 0) {
            at = list->visualItemRect(list->item(row)).center();
        } else {
            const QRect last = list->visualItemRect(list->item(list->count() - 1));
            at = QPoint(last.left() + 2, last.bottom() + 2 * last.height());
            ASSERT_TRUE(list->viewport()->rect().contains(at));
            ASSERT_FALSE(list->indexAt(at).isValid());
        }
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
};

const QByteArray kThreeAddresses = "[1]\t 10.0.0.1\r\n[2]\t 192.168.1.20\r\n[3]\t 172.16.5.255\r\n";
const QByteArray kTwoMacs = "[1]\t 10:11:12:13:14:15\r\n[2]\t 2:171:205:239:1:35\r\n";

TEST_F(PickListTest, IpListShowsTheNewestFirstAndHandsBackTheClickedAddress) {
    writeHistory("iph.ini", kThreeAddresses);
    const QStringList expectedRows{"172. 16.  5.255", "192.168.  1. 20", " 10.  0.  0.  1"};
    const struct {
        int row;
        std::array<int, 4> octets;
    } cases[] = {{0, {172, 16, 5, 255}}, {1, {192, 168, 1, 20}}, {2, {10, 0, 0, 1}}, {-1, {0, 0, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        CIPDBdlg dlg(context);
        EXPECT_EQ(dlg.windowTitle(), "DataBase indirizzi IP");
        EXPECT_EQ(rows(dlg, "1029"), expectedRows);
        show(dlg);
        dlg.m_nOctet = {9, 9, 9, 9};  // so that a miss visibly resets it
        doubleClick(dlg, "1029", c.row);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_nOctet, c.octets);
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(PickListTest, MacListShowsTheNewestFirstAndAMissIsACancel) {
    writeHistory("mach.ini", kTwoMacs);
    const QStringList expectedRows{"02:AB:CD:EF:01:23", "0A:0B:0C:0D:0E:0F"};
    const struct {
        int row;
        int result;
        std::array<int, 6> bytes;
    } cases[] = {{0, QDialog::Accepted, {2, 171, 205, 239, 1, 35}},
                 {1, QDialog::Accepted, {10, 11, 12, 13, 14, 15}},
                 {-1, QDialog::Rejected, {0, 0, 0, 0, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        CMacDBDlg dlg(context);
        EXPECT_EQ(dlg.windowTitle(), "DataBase indirizzi MAC");
        EXPECT_EQ(rows(dlg, "1079"), expectedRows);
        show(dlg);
        dlg.m_nMacByte = {9, 9, 9, 9, 9, 9};
        doubleClick(dlg, "1079", c.row);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), c.result);
        EXPECT_EQ(dlg.m_nMacByte, c.bytes);
    }
}

TEST_F(PickListTest, EnterIsOkWithNothingPickedAndEscapeIsCancel) {
    writeHistory("iph.ini", kThreeAddresses);
    writeHistory("mach.ini", kTwoMacs);
    const struct {
        Qt::Key key;
        int result;
    } cases[] = {{Qt::Key_Return, QDialog::Accepted}, {Qt::Key_Enter, QDialog::Accepted}, {Qt::Key_Escape, QDialog::Rejected}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        CIPDBdlg ipDlg(context);
        show(ipDlg);
        auto* ipList = ipDlg.findChild<QListWidget*>(QStringLiteral("1029"));
        ipList->setCurrentRow(1);
        QTest::keyClick(ipList, c.key);
        EXPECT_FALSE(ipDlg.isVisible());
        EXPECT_EQ(ipDlg.result(), c.result);
        EXPECT_EQ(ipDlg.m_nOctet, (std::array<int, 4>{0, 0, 0, 0}));

        CMacDBDlg macDlg(context);
        show(macDlg);
        auto* macList = macDlg.findChild<QListWidget*>(QStringLiteral("1079"));
        macList->setCurrentRow(0);
        QTest::keyClick(macList, c.key);
        EXPECT_FALSE(macDlg.isVisible());
        EXPECT_EQ(macDlg.result(), c.result);
        EXPECT_EQ(macDlg.m_nMacByte, (std::array<int, 6>{0, 0, 0, 0, 0, 0}));
    }
}

TEST_F(PickListTest, AMissingHistoryOpensEmpty) {
    CIPDBdlg ipDlg(context);
    EXPECT_TRUE(rows(ipDlg, "1029").isEmpty());
    CMacDBDlg macDlg(context);
    EXPECT_TRUE(rows(macDlg, "1079").isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// Values outside 0..255 can stand in a history written by hand or by an entry with an
// unreadable byte: they show as the octet they go on the wire as, so the columns stay
// where the pick cuts them, and the pick hands back what is shown.
TEST_F(PickListTest, ValuesOutsideAByteShowAsTheirWireOctet) {
    writeHistory("mach.ini", "[1]\t 2:-1:300:0:0:16\r\n");
    writeHistory("iph.ini", "[1]\t 10.-1.256.7\r\n");
    CMacDBDlg macDlg(context);
    EXPECT_EQ(rows(macDlg, "1079"), QStringList{"02:FF:2C:00:00:10"});
    show(macDlg);
    doubleClick(macDlg, "1079", 0);
    EXPECT_EQ(macDlg.result(), QDialog::Accepted);
    EXPECT_EQ(macDlg.m_nMacByte, (std::array<int, 6>{2, 255, 44, 0, 0, 16}));

    CIPDBdlg ipDlg(context);
    EXPECT_EQ(rows(ipDlg, "1029"), QStringList{" 10.255.  0.  7"});
    show(ipDlg);
    doubleClick(ipDlg, "1029", 0);
    EXPECT_EQ(ipDlg.m_nOctet, (std::array<int, 4>{10, 255, 0, 7}));
}

TEST_F(PickListTest, RunsModallyAndClosesOnADoubleClick) {
    writeHistory("iph.ini", kThreeAddresses);
    CIPDBdlg dlg(context);
    test::WhenModal([](QWidget* modal) {
        auto* list = modal->findChild<QListWidget*>(QStringLiteral("1029"));
        if (list == nullptr) return;
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                           list->visualItemRect(list->item(1)).center());
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_nOctet, (std::array<int, 4>{192, 168, 1, 20}));
}

}  // namespace
}  // namespace tavo
