#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "bootp/IPPage.h"
#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

using test::FakePrompts;
using Message = FakePrompts::Message;

// One record of "bootp.ini" as the table writes it.
QByteArray Record(int number, const char* ip, const char* mac, const char* gateway, const char* subnet) {
    return QStringLiteral("\r\n[%1]\r\nHType : 1 \r\nhlen : 6 \r\nIP : %2 \r\nMAC : %3 \r\nGateway : %4 \r\nSubnet : %5\r\n")
        .arg(number)
        .arg(QString::fromLatin1(ip), QString::fromLatin1(mac), QString::fromLatin1(gateway),
             QString::fromLatin1(subnet))
        .toLatin1();
}

const char* const kMask = "255.255.255.  0";
const char* const kGateway = " 10.  0.  0.  1";

QByteArray ThreeDevices() {
    return Record(1, " 10.  0.  0. 11", "024B7E000011", kGateway, kMask) +
           Record(2, " 10.  0.  0. 12", "024B7E000012", kGateway, kMask) +
           Record(3, " 10.  0.  0. 13", "024B7E000013", kGateway, kMask);
}

class IPPageTest : public ::testing::Test {
protected:
    QString bootpPath() const { return dir.filePath(QStringLiteral("bootp.ini")); }

    std::unique_ptr<CIPPage> openPage() {
        auto page = std::make_unique<CIPPage>(context);
        page->resize(700, 520);
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        return page;
    }
    static QTableWidget* list(CIPPage& page) { return page.findChild<QTableWidget*>(QStringLiteral("1000")); }
    static QPushButton* button(CIPPage& page, const char* id) {
        return page.findChild<QPushButton*>(QString::fromLatin1(id));
    }
    static QString status(CIPPage& page) { return page.findChild<QLineEdit*>(QStringLiteral("1005"))->text(); }
    static QStringList row(CIPPage& page, int r) {
        QStringList texts;
        for (int c = 0; c < list(page)->columnCount(); ++c) {
            const QTableWidgetItem* item = list(page)->item(r, c);
            texts << (item ? item->text() : QString());
        }
        return texts;
    }
    static void clickRow(CIPPage& page, int r) {
        QTableWidget* table = list(page);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                          table->visualItemRect(table->item(r, 2)).center());
    }
    static void clickBelowRows(CIPPage& page) {
        QTableWidget* table = list(page);
        const int below = table->rowCount() ? table->visualItemRect(table->item(table->rowCount() - 1, 0)).bottom() + 8 : 8;
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, below));
    }
    // Fills the entry dialog once it is up and confirms it (or cancels it when ip is empty).
    static void whenEntryDialog(const QString& ip, const QString& mac, const QString& gateway = QString()) {
        test::WhenModal([=](QWidget* dlg) {
            if (ip.isEmpty()) {
                QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
                return;
            }
            test::TypeAddress(dlg, "1028", ip);
            if (!gateway.isEmpty()) test::TypeAddress(dlg, "1032", gateway);
            const char* fields[] = {"1029", "1030", "1031", "1034", "1035", "1036"};
            for (int k = 0; k < 6 && !mac.isEmpty(); ++k) {
                auto* field = dlg->findChild<QLineEdit*>(QString::fromLatin1(fields[k]));
                field->clear();
                QTest::keyClicks(field, mac.mid(2 * k, 2));
            }
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        });
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
};

TEST_F(IPPageTest, StartsWithAnEmptyListFromAMissingFile) {
    ASSERT_FALSE(QFile::exists(bootpPath()));
    auto page = openPage();
    QTableWidget* table = list(*page);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(page->m_nRowCount, 0);
    EXPECT_TRUE(QFile::exists(bootpPath()));
    EXPECT_EQ(test::ReadFileBytes(bootpPath()), QByteArray());
    EXPECT_EQ(status(*page), "In Attesa ....");
    EXPECT_TRUE(button(*page, "1004")->isEnabled());
    EXPECT_FALSE(button(*page, "1006")->isEnabled());
    EXPECT_FALSE(page->m_bBootpRunning);
    EXPECT_EQ(page->m_nSelectedRow, -1);

    const QStringList headings{"Tipo", " Lun.", " IP TAVO", " MAC TAVO", " Gateway ", " Subnet Mask"};
    const int widths[] = {45, 40, 90, 90, 90, 90};
    ASSERT_EQ(table->columnCount(), headings.size());
    for (int c = 0; c < table->columnCount(); ++c) {
        EXPECT_EQ(table->horizontalHeaderItem(c)->text(), headings.at(c));
        EXPECT_EQ(table->columnWidth(c), widths[c]);
    }
    EXPECT_TRUE(table->showGrid());
    EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
    const struct {
        const char* id;
        const char* text;
    } buttons[] = {{"1001", "Aggiungi nuovo dispositivo"}, {"1002", "Modifica configurazione"},
                   {"1003", "Elimina dispositivo"},         {"1004", "Avvio\n BootP"},
                   {"1006", "Arresta\n BootP"},            {"1009", "Ricerca indirizzo IP"},
                   {"1008", "Cancella indirizzo IP"}};
    for (const auto& b : buttons) EXPECT_EQ(button(*page, b.id)->text(), QString::fromUtf8(b.text)) << b.id;
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(IPPageTest, ListShowsTheFileAndRewritesItInItsNormalForm) {
    test::WriteFileBytes(bootpPath(), "\n[7]\nHType : 1 \nhlen : 6 \nIP : 10.0.0.1 \nMAC : 024b7e0a1b2c \n"
                                      "Gateway : 10.0.0.254 \nSubnet : 255.0.0.0\n");
    auto page = openPage();
    EXPECT_EQ(row(*page, 0), (QStringList{"1", "6", " 10.  0.  0.  1", "024B7E0A1B2C", " 10.  0.  0.254", "255.  0.  0.  0"}));
    EXPECT_EQ(test::ReadFileBytes(bootpPath()),
              Record(1, " 10.  0.  0.  1", "024B7E0A1B2C", " 10.  0.  0.254", "255.  0.  0.  0"));
    // The row found its entry although the file held the MAC in lower case.
    clickRow(*page, 0);
    QTest::mouseClick(button(*page, "1003"), Qt::LeftButton);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(list(*page)->rowCount(), 0);
}

TEST_F(IPPageTest, AddsDevicesAndIgnoresOneAlreadyThere) {
    auto page = openPage();
    whenEntryDialog("192.168.1.10", "024B7E0A1B2C", "192.168.1.1");
    QTest::mouseClick(button(*page, "1001"), Qt::LeftButton);
    whenEntryDialog("192.168.1.11", "024B7E0A1B2D");
    QTest::mouseClick(button(*page, "1001"), Qt::LeftButton);
    const QByteArray two = Record(1, "192.168.  1. 10", "024B7E0A1B2C", "192.168.  1.  1", kMask) +
                           Record(2, "192.168.  1. 11", "024B7E0A1B2D", "  0.  0.  0.  0", kMask);
    EXPECT_EQ(test::ReadFileBytes(bootpPath()), two);
    EXPECT_EQ(page->m_nRowCount, 2);
    ASSERT_EQ(list(*page)->rowCount(), 2);
    EXPECT_EQ(row(*page, 0), (QStringList{"1", "6", "192.168.  1. 10", "024B7E0A1B2C", "192.168.  1.  1", kMask}));
    EXPECT_EQ(row(*page, 1), (QStringList{"1", "6", "192.168.  1. 11", "024B7E0A1B2D", "  0.  0.  0.  0", kMask}));

    // The same MAC with another address, the same address with another MAC, a cancel:
    // the dialog closes and nothing changes.
    whenEntryDialog("192.168.1.99", "024B7E0A1B2C");
    QTest::mouseClick(button(*page, "1001"), Qt::LeftButton);
    whenEntryDialog("192.168.1.11", "024B7E0A1B99");
    QTest::mouseClick(button(*page, "1001"), Qt::LeftButton);
    whenEntryDialog(QString(), QString());
    QTest::mouseClick(button(*page, "1001"), Qt::LeftButton);
    EXPECT_EQ(test::ReadFileBytes(bootpPath()), two);
    EXPECT_EQ(list(*page)->rowCount(), 2);
    EXPECT_EQ(page->m_nRowCount, 2);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(IPPageTest, ModifiedRowKeepsItsPlace) {
    test::WriteFileBytes(bootpPath(), ThreeDevices());
    auto page = openPage();
    clickRow(*page, 1);
    EXPECT_EQ(page->m_nSelectedRow, 1);
    QString shownIp, shownMac, okText;
    test::WhenModal([&](QWidget* dlg) {
        shownIp = QStringLiteral("%1").arg(dlg->findChild<IpAddressEdit*>(QStringLiteral("1028"))->address()[3]);
        for (const char* f : {"1029", "1030", "1031", "1034", "1035", "1036"}) {
            shownMac += dlg->findChild<QLineEdit*>(QString::fromLatin1(f))->text();
        }
        okText = dlg->findChild<QPushButton*>(QStringLiteral("1"))->text();
        test::TypeAddress(dlg, "1028", QStringLiteral("10.0.0.99"));
        test::TypeAddress(dlg, "1032", QStringLiteral("10.0.0.254"));
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
    });
    QTest::mouseClick(button(*page, "1002"), Qt::LeftButton);
    EXPECT_EQ(okText, "Ok");
    EXPECT_EQ(shownIp, "12");
    EXPECT_EQ(shownMac, "024B7E000012");
    EXPECT_EQ(row(*page, 1), (QStringList{"1", "6", " 10.  0.  0. 99", "024B7E000012", " 10.  0.  0.254", kMask}));
    EXPECT_EQ(row(*page, 0).at(2), " 10.  0.  0. 11");
    EXPECT_EQ(row(*page, 2).at(2), " 10.  0.  0. 13");
    EXPECT_EQ(test::ReadFileBytes(bootpPath()),
              Record(1, " 10.  0.  0. 11", "024B7E000011", kGateway, kMask) +
                  Record(2, " 10.  0.  0. 99", "024B7E000012", " 10.  0.  0.254", kMask) +
                  Record(3, " 10.  0.  0. 13", "024B7E000013", kGateway, kMask));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(IPPageTest, DeleteTwiceRemovesTheRowThatMovedUp) {
    test::WriteFileBytes(bootpPath(), ThreeDevices());
    auto page = openPage();
    clickRow(*page, 0);
    QTest::mouseClick(button(*page, "1003"), Qt::LeftButton);
    EXPECT_EQ(test::ReadFileBytes(bootpPath()), Record(1, " 10.  0.  0. 12", "024B7E000012", kGateway, kMask) +
                                                    Record(2, " 10.  0.  0. 13", "024B7E000013", kGateway, kMask));
    QTest::mouseClick(button(*page, "1003"), Qt::LeftButton);
    EXPECT_EQ(test::ReadFileBytes(bootpPath()), Record(1, " 10.  0.  0. 13", "024B7E000013", kGateway, kMask));
    ASSERT_EQ(list(*page)->rowCount(), 1);
    EXPECT_EQ(page->m_nRowCount, 1);
    EXPECT_EQ(row(*page, 0).at(3), "024B7E000013");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(IPPageTest, KeyboardSelectionDoesNotChooseTheRow) {
    test::WriteFileBytes(bootpPath(), ThreeDevices());
    auto page = openPage();
    clickRow(*page, 0);
    list(*page)->setFocus();
    QTest::keyClick(list(*page), Qt::Key_Down);
    QTest::keyClick(list(*page), Qt::Key_Down);
    EXPECT_EQ(list(*page)->currentRow(), 2);
    EXPECT_EQ(page->m_nSelectedRow, 0);
    QTest::mouseClick(button(*page, "1003"), Qt::LeftButton);
    EXPECT_EQ(row(*page, 0).at(3), "024B7E000012");
}

// A file edited by hand can hold one IP text twice; the row acts on its own entry, not on
// the first one that shares a text with it.
TEST_F(IPPageTest, DeleteActsOnTheClickedRowsOwnEntry) {
    test::WriteFileBytes(bootpPath(), Record(1, " 10.  0.  0. 11", "024B7E000011", kGateway, kMask) +
                                          Record(2, " 10.  0.  0. 11", "024B7E000012", kGateway, kMask));
    auto page = openPage();
    clickRow(*page, 1);
    QTest::mouseClick(button(*page, "1003"), Qt::LeftButton);
    EXPECT_EQ(test::ReadFileBytes(bootpPath()), Record(1, " 10.  0.  0. 11", "024B7E000011", kGateway, kMask));
    ASSERT_EQ(list(*page)->rowCount(), 1);
    EXPECT_EQ(row(*page, 0).at(3), "024B7E000011");
}

// Modify and delete without a usable remembered row: the message, no dialog, no change.
TEST_F(IPPageTest, ModifyAndDeleteWithoutAChosenRow) {
    const Message noRecords{"Non ci sono record !!", "Avviso"};
    const Message noneChosen{QString::fromUtf8("Non è stato selezionato alcun dato !!"), "Errore"};
    const struct {
        bool withDevices;
        const char* how;  // "none": no click; "below": a click below the rows; "gone": the row's entry left the file
        const char* button;
        Message expected;
    } cases[] = {
        {true, "none", "1002", noneChosen},  {true, "none", "1003", noneChosen},
        {true, "below", "1002", noneChosen}, {true, "below", "1003", noneChosen},
        {true, "gone", "1002", noneChosen},  {true, "gone", "1003", noneChosen},
        {false, "none", "1002", noRecords},  {false, "none", "1003", noRecords},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.how) + " " + c.button);
        prompts.messages.clear();
        test::WriteFileBytes(bootpPath(), c.withDevices ? ThreeDevices() : QByteArray());
        auto page = openPage();
        if (std::string(c.how) == "below") {
            clickRow(*page, 1);
            clickBelowRows(*page);
            EXPECT_EQ(page->m_nSelectedRow, -1);
        } else if (std::string(c.how) == "gone") {
            clickRow(*page, 1);
            test::WriteFileBytes(bootpPath(), Record(1, " 10.  0.  0. 11", "024B7E000011", kGateway, kMask));
        }
        const QByteArray before = test::ReadFileBytes(bootpPath());
        bool dialogOpened = false;
        QObject pollScope;  // ends the poll with this case
        test::WhenModal([&](QWidget* dlg) {
            dialogOpened = true;
            if (auto* d = qobject_cast<QDialog*>(dlg)) d->reject();
        }, 20, &pollScope);
        QTest::mouseClick(button(*page, c.button), Qt::LeftButton);
        EXPECT_EQ(prompts.messages, QList<Message>{c.expected});
        EXPECT_EQ(test::ReadFileBytes(bootpPath()), before);
        EXPECT_EQ(list(*page)->rowCount(), c.withDevices ? 3 : 0);
        EXPECT_FALSE(dialogOpened);
    }
}

}  // namespace
}  // namespace tavo
