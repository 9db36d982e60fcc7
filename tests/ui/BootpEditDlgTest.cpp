#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "bootp/BootpEditDlg.h"
#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

using test::FakePrompts;
using Message = FakePrompts::Message;

class BootpEditDlgTest : public ::testing::Test {
protected:
    QString iphPath() const { return dir.filePath(QStringLiteral("iph.ini")); }
    QString machPath() const { return dir.filePath(QStringLiteral("mach.ini")); }

    // Shows the dialog as the operator gets it, with the window active so that focus moves
    // can be seen.
    void open(CBootpEditDlg& dlg) {
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    QLineEdit* field(CBootpEditDlg& dlg, const char* name) {
        return dlg.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    void clickOk(CBootpEditDlg& dlg) {
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
};

// Each case starts in one byte field of an empty add-mode dialog and types into whatever
// field has the focus, as the operator's keyboard does.
struct TypingCase {
    const char* start;
    const char* keys;
    const char* expectedFields;  // the six fields joined by "|"
    const char* expectedMac;
    const char* expectedFocus;  // a byte field, or "1032" for the gateway
};

const TypingCase kTypingCases[] = {
    {"1029", "0A", "0A|||||", "0A0000000000", "1030"},
    {"1029", "0a", "0A|||||", "0A0000000000", "1030"},
    {"1029", "G", "|||||", "", "1029"},
    {"1029", "g", "|||||", "", "1029"},
    {"1029", "AG", "A|||||", "0A0000000000", "1029"},
    {"1031", "5", "||5|||", "000005000000", "1031"},
    {"1029", " 7", " 7|||||", "070000000000", "1030"},
    {"1029", "-", "-|||||", "0-0000000000", "1029"},
    {"1029", "0A1B2C3D4E5F", "0A|1B|2C|3D|4E|5F", "0A1B2C3D4E5F", "1036"},
    // A full last field sends the focus on to the gateway; the extra key is refused.
    {"1029", "0A1B2C3D4E5F9", "0A|1B|2C|3D|4E|5F", "0A1B2C3D4E5F", "1032"},
    {"1035", "12Z3", "||||12|3", "000000001203", "1036"},
};

TEST_F(BootpEditDlgTest, TypingIntoTheMacByteFields) {
    for (const TypingCase& c : kTypingCases) {
        SCOPED_TRACE(std::string(c.start) + " <- '" + c.keys + "'");
        CBootpEditDlg dlg(context);
        dlg.m_nMode = CBootpEditDlg::kModeAdd;
        open(dlg);
        field(dlg, c.start)->setFocus();
        for (const char key : std::string(c.keys)) {
            QTest::keyClicks(QApplication::focusWidget(), QString(QLatin1Char(key)));
        }
        QStringList shown;
        for (const char* name : {"1029", "1030", "1031", "1034", "1035", "1036"}) shown << field(dlg, name)->text();
        EXPECT_EQ(shown.join(QLatin1Char('|')).toStdString(), c.expectedFields);
        EXPECT_EQ(dlg.m_strMAC.toStdString(), c.expectedMac);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        const QString focusName = focus->objectName().startsWith(QStringLiteral("octet"))
                                      ? focus->parentWidget()->objectName()
                                      : focus->objectName();
        EXPECT_EQ(focusName.toStdString(), c.expectedFocus);
    }
}

TEST_F(BootpEditDlgTest, RefusedLetterLeavesTheCaretAfterTheKeptCharacter) {
    CBootpEditDlg dlg(context);
    dlg.m_nMode = CBootpEditDlg::kModeAdd;
    open(dlg);
    QLineEdit* first = field(dlg, "1029");
    QTest::keyClicks(first, "A");
    QTest::keyClicks(first, "G");
    EXPECT_EQ(first->text(), "A");
    EXPECT_EQ(first->cursorPosition(), 1);
}

TEST_F(BootpEditDlgTest, ChangingOneByteKeepsTheOthers) {
    CBootpEditDlg dlg(context);
    dlg.m_nMode = CBootpEditDlg::kModeAdd;
    open(dlg);
    field(dlg, "1029")->setFocus();
    for (const char key : std::string("0123456789AB")) {
        QTest::keyClicks(QApplication::focusWidget(), QString(QLatin1Char(key)));
    }
    QLineEdit* first = field(dlg, "1029");
    first->setFocus();
    first->selectAll();
    QTest::keyClicks(first, "F");
    EXPECT_EQ(dlg.m_strMAC, "0F23456789AB");
    EXPECT_EQ(first->text(), "F");
}

struct AddCheckCase {
    const char* ip;
    const char* macKeys;  // typed from the first byte field on
    const char* expected;
};

const AddCheckCase kAddChecks[] = {
    {"", "024B7E0A1B2C", "Inserire l'indirizzo IP del client !!"},
    {"0.0.0.0", "024B7E0A1B2C", "Inserire l'indirizzo IP del client !!"},
    {"10.0.0.0", "024B7E0A1B2C", "Indirizzo IP errato !!"},
    {"10.0.0.255", "024B7E0A1B2C", "Indirizzo IP errato !!"},
    {"192.168.1.10", "", "Inserire l'indirizzo MAC del client !!"},
    {"192.168.1.10", "G", "Inserire l'indirizzo MAC del client !!"},
    // The IP checks come before the MAC check.
    {"10.0.0.255", "", "Indirizzo IP errato !!"},
};

TEST_F(BootpEditDlgTest, AddModeRefusesAnIncompleteDevice) {
    for (const AddCheckCase& c : kAddChecks) {
        SCOPED_TRACE(std::string(c.ip) + " / " + c.macKeys);
        prompts.messages.clear();
        CBootpEditDlg dlg(context);
        dlg.m_nMode = CBootpEditDlg::kModeAdd;
        open(dlg);
        test::TypeAddress(&dlg, "1028", QString::fromLatin1(c.ip));
        field(dlg, "1029")->setFocus();
        for (const char key : std::string(c.macKeys)) {
            QTest::keyClicks(QApplication::focusWidget(), QString(QLatin1Char(key)));
        }
        clickOk(dlg);
        EXPECT_EQ(prompts.messages, (QList<Message>{{QString::fromUtf8(c.expected), "Errore"}}));
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(QFile::exists(iphPath()));
        EXPECT_FALSE(QFile::exists(machPath()));
    }
}

TEST_F(BootpEditDlgTest, AddModeWithPresetBytesHandsBackAlignedTextsAndRecordsTheHistoriesOnce) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        CBootpEditDlg dlg(context);
        dlg.m_nMode = CBootpEditDlg::kModeAdd;
        dlg.m_strMacByte = QStringList{"02", "4B", "7E", "0A", "1B", "2C"};
        open(dlg);
        EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("1"))->text(), "Aggiungi");
        EXPECT_EQ(field(dlg, "1029")->text(), "02");
        EXPECT_EQ(field(dlg, "1036")->text(), "2C");
        EXPECT_EQ(dlg.m_strMAC, "024B7E0A1B2C");
        EXPECT_EQ(dlg.findChild<IpAddressEdit*>(QStringLiteral("1033"))->address(),
                  (Ipv4Octets{255, 255, 255, 0}));
        EXPECT_TRUE(dlg.findChild<IpAddressEdit*>(QStringLiteral("1028"))->isBlank());
        EXPECT_TRUE(dlg.findChild<IpAddressEdit*>(QStringLiteral("1032"))->isBlank());
        test::TypeAddress(&dlg, "1028", QStringLiteral("192.168.1.10"));
        test::TypeAddress(&dlg, "1032", QStringLiteral("192.168.1.1"));
        clickOk(dlg);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_strIP, "192.168.  1. 10");
        EXPECT_EQ(dlg.m_strGateway, "192.168.  1.  1");
        EXPECT_EQ(dlg.m_strSubnet, "255.255.255.  0");
        EXPECT_EQ(dlg.m_strMAC, "024B7E0A1B2C");
        EXPECT_EQ(dlg.m_nHType, 1);
        EXPECT_EQ(dlg.m_nHLen, 6);
        EXPECT_TRUE(prompts.messages.isEmpty());
        EXPECT_EQ(test::ReadFileBytes(iphPath()), QByteArray("[1]\t 192.168.1.10\r\n"));
        EXPECT_EQ(test::ReadFileBytes(machPath()), QByteArray("[1]\t 2:75:126:10:27:44\r\n"));
    }
}

TEST_F(BootpEditDlgTest, AByteThatIsNotHexadecimalKeepsItsRecordOutOfTheMacHistory) {
    test::WriteFileBytes(machPath(), "[1]\t 1:2:3:4:5:6\r\n");
    CBootpEditDlg dlg(context);
    dlg.m_nMode = CBootpEditDlg::kModeAdd;
    open(dlg);
    test::TypeAddress(&dlg, "1028", QStringLiteral("10.0.0.7"));
    field(dlg, "1029")->setFocus();
    QTest::keyClicks(field(dlg, "1029"), "-");
    clickOk(dlg);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strMAC, "0-0000000000");
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Tipo di dato errato !!", "Errore"}}));
    EXPECT_EQ(test::ReadFileBytes(machPath()), QByteArray("[1]\t 1:2:3:4:5:6\r\n"));
    EXPECT_EQ(test::ReadFileBytes(iphPath()), QByteArray("[1]\t 10.0.0.7\r\n"));
}

struct ModifyCase {
    const char* ip;
    const char* mac;
    const char* expectedIp;
    bool macHistoryRefuses;  // an empty first byte cannot go into the MAC history
};

const ModifyCase kModifyCases[] = {
    {"  0.  0.  0.  0", "024B7E0A1B2C", "  0.  0.  0.  0", false},
    {" 10.  0.  0.  0", "024B7E0A1B2C", " 10.  0.  0.  0", false},
    {"10.0.0.255", "024B7E0A1B2C", " 10.  0.  0.255", false},
    {"192.168.1.20", "", "192.168.  1. 20", true},
};

TEST_F(BootpEditDlgTest, ModifyModeStartsFromTheRecordAndAcceptsWhatAddModeRefuses) {
    for (const ModifyCase& c : kModifyCases) {
        SCOPED_TRACE(c.ip);
        prompts.messages.clear();
        CBootpEditDlg dlg(context);
        dlg.m_nMode = CBootpEditDlg::kModeModify;
        dlg.m_strIP = QString::fromLatin1(c.ip);
        dlg.m_strMAC = QString::fromLatin1(c.mac);
        dlg.m_strGateway = QStringLiteral(" 10.  0.  0.  1");
        dlg.m_strSubnet = QStringLiteral("255.255.  0.  0");
        open(dlg);
        EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("1"))->text(), "Ok");
        EXPECT_EQ(field(dlg, "1029")->text(), QString::fromLatin1(c.mac).left(2));
        EXPECT_EQ(field(dlg, "1036")->text(), QString::fromLatin1(c.mac).mid(10, 2));
        EXPECT_EQ(dlg.findChild<IpAddressEdit*>(QStringLiteral("1032"))->address(), (Ipv4Octets{10, 0, 0, 1}));
        clickOk(dlg);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        const QList<Message> expected = c.macHistoryRefuses
                                            ? QList<Message>{{"Tipo di dato errato !!", "Errore"}}
                                            : QList<Message>{};
        EXPECT_EQ(prompts.messages, expected);
        EXPECT_EQ(dlg.m_strIP, QString::fromLatin1(c.expectedIp));
        EXPECT_EQ(dlg.m_strMAC, QString::fromLatin1(c.mac));
        EXPECT_EQ(dlg.m_strGateway, " 10.  0.  0.  1");
        EXPECT_EQ(dlg.m_strSubnet, "255.255.  0.  0");
    }
}

TEST_F(BootpEditDlgTest, CancelLeavesTheHistoriesAlone) {
    CBootpEditDlg dlg(context);
    dlg.m_nMode = CBootpEditDlg::kModeAdd;
    dlg.m_strMacByte = QStringList{"02", "4B", "7E", "0A", "1B", "2C"};
    open(dlg);
    test::TypeAddress(&dlg, "1028", QStringLiteral("192.168.1.10"));
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(iphPath()));
    EXPECT_FALSE(QFile::exists(machPath()));
}

}  // namespace
}  // namespace tavo
