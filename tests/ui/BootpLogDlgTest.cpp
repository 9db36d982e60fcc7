// The "Registro BootP" window of the sheet, with the page's BootP server on loopback: the
// requests it read, newest first, and an unknown device added to the table from there.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include "BootpServer.h"
#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "app/PropSheet.h"
#include "bootp/BootpLogDlg.h"
#include "bootp/BootpLogModel.h"

namespace tavo {
namespace {

constexpr int kWaitMs = 5000;
const char* const kKnownMac = "024B7E0A1B2C";
const char* const kUnknownMac = "024B7E000099";

QByteArray MakeRequest(const char* mac, quint32 xid) {
    QByteArray request(300, '\0');
    request[0] = 1;
    for (int i = 0; i < 4; ++i) request[4 + i] = char(xid >> (24 - 8 * i));
    const QByteArray chaddr = QByteArray::fromHex(mac);
    for (int i = 0; i < chaddr.size(); ++i) request[28 + i] = chaddr[i];
    return request;
}

class BootpLogDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFileBytes(dir.filePath(QStringLiteral("bootp.ini")),
                             "\r\n[1]\r\nHType : 1 \r\nhlen : 6 \r\nIP : 192.168.  1. 20 \r\nMAC : 024B7E0A1B2C \r\n"
                             "Gateway : 192.168.  1.  1 \r\nSubnet : 255.255.255.  0\r\n");
        sheet.ipPage().FillDeviceList();  // the sheet was made before the table was written
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        QTest::mouseClick(Button(&sheet, "1004"), Qt::LeftButton);
        ASSERT_TRUE(sheet.ipPage().isBootpRunning());
    }

    static QPushButton* Button(QWidget* root, const char* name) {
        return root->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    bool send(const QByteArray& datagram) {
        QSignalSpy handled(&sheet.ipPage().bootpServer(), &BootpServer::requestHandled);
        client.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), sheet.ipPage().bootpServer().localPort());
        return handled.wait(kWaitMs);
    }

    QString cell(QTableView* list, int row, int column) {
        return list->model()->index(row, column).data().toString();
    }

    void clickRow(QTableView* list, int row) {
        const QRect rect = list->visualRect(list->model()->index(row, BootpLogModel::kColMac));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QTemporaryDir dir;
    test::FakePrompts prompts;
    QUdpSocket receiver;  // takes the replies, sharing the port with the server's listener
    AppContext context{prompts, [this] {
                           receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0,
                                         QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
                           LinkConfig link = test::loopbackLink();
                           link.bootpClientPort = receiver.localPort();
                           return link;
                       }(),
                       dir.path()};
    CPropSheet sheet{context};
    QUdpSocket client;
};

TEST_F(BootpLogDlgTest, ListsTheRequestsNewestFirstAndAddsAnUnknownDeviceToTheTable) {
    ASSERT_TRUE(send(MakeRequest(kKnownMac, 1)));
    // The page offers the unknown device for entry at once; the operator cancels, and the
    // device stays unknown.
    test::WhenModal([](QWidget* dlg) { QTest::mouseClick(Button(dlg, "2"), Qt::LeftButton); }, 400, &sheet);
    ASSERT_TRUE(send(MakeRequest(kUnknownMac, 2)));
    ASSERT_FALSE(sheet.ipPage().isBootpRunning());

    sheet.findChild<QAction*>(QStringLiteral("IDM_BOOTPLOG"))->trigger();
    auto* window = sheet.findChild<CBootpLogDlg*>(QStringLiteral("BootpLogDlg"));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Registro BootP");
    auto* list = window->findChild<QTableView*>(QStringLiteral("bootpLogList"));
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(cell(list, 0, BootpLogModel::kColMac), kUnknownMac);
    EXPECT_EQ(cell(list, 0, BootpLogModel::kColFamily), QString::fromUtf8("sì"));
    EXPECT_EQ(cell(list, 0, BootpLogModel::kColOutcome), "non in tabella");
    EXPECT_EQ(cell(list, 0, BootpLogModel::kColAddress), "");
    EXPECT_EQ(cell(list, 1, BootpLogModel::kColMac), kKnownMac);
    EXPECT_EQ(cell(list, 1, BootpLogModel::kColOutcome), "risposta inviata");
    EXPECT_EQ(cell(list, 1, BootpLogModel::kColAddress), "192.168.1.20");
    EXPECT_EQ(cell(list, 1, BootpLogModel::kColBytes), "300");
    EXPECT_EQ(cell(list, 1, BootpLogModel::kColInterface), "lo");

    QPushButton* add = Button(window, "bootpLogAdd");
    EXPECT_EQ(add->text(), "Aggiungi alla tabella");
    EXPECT_FALSE(add->isEnabled());
    clickRow(list, 1);
    EXPECT_FALSE(add->isEnabled());  // answered: already in the table
    clickRow(list, 0);
    ASSERT_TRUE(add->isEnabled());

    QStringList preset;
    test::WhenModal(
        [&](QWidget* dlg) {
            for (const char* f : {"1029", "1030", "1031", "1034", "1035", "1036"})
                preset << dlg->findChild<QLineEdit*>(QString::fromLatin1(f))->text();
            test::TypeAddress(dlg, "1028", QStringLiteral("192.168.1.99"));
            QTest::mouseClick(Button(dlg, "1"), Qt::LeftButton);
        },
        400, &sheet);
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(preset, (QStringList{"02", "4B", "7E", "00", "00", "99"}));
    ASSERT_EQ(sheet.ipPage().rowCount(), 2);
    auto* devices = sheet.ipPage().findChild<QTableWidget*>(QStringLiteral("1000"));
    EXPECT_EQ(devices->item(1, 3)->text(), kUnknownMac);
    EXPECT_EQ(devices->item(1, 2)->text(), "192.168.  1. 99");
    EXPECT_TRUE(test::ReadFileBytes(dir.filePath(QStringLiteral("bootp.ini"))).contains("MAC : 024B7E000099"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(BootpLogDlgTest, AnotherServerIsNamedInTheStatusField) {
    QSignalSpy rivals(&sheet.ipPage().bootpServer(), &BootpServer::rivalServerSeen);
    QUdpSocket rival;
    ASSERT_TRUE(rival.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    QByteArray reply = MakeRequest(kKnownMac, 7);
    reply[0] = 2;
    rival.writeDatagram(reply, QHostAddress(QStringLiteral("127.255.255.255")), receiver.localPort());
    ASSERT_TRUE(rivals.wait(kWaitMs));
    EXPECT_EQ(sheet.ipPage().findChild<QLineEdit*>(QStringLiteral("1005"))->text(),
              "Attenzione: anche il server 127.0.0.2 risponde ai dispositivi TAVO");
}

TEST(BootpLogModel, KeepsTheLastThousandNewestFirst) {
    BootpLogModel model;
    for (int i = 0; i <= BootpLogModel::kMaxRecords; ++i) {
        BootpRequestRecord record;
        record.mac = {0x02, 0x4B, 0x7E, 0, uint8_t(i >> 8), uint8_t(i)};
        model.add(record);
    }
    ASSERT_EQ(model.rowCount(), BootpLogModel::kMaxRecords);
    EXPECT_EQ(model.index(0, BootpLogModel::kColMac).data().toString(), "024B7E0003E8");  // the 1001st
    EXPECT_EQ(model.index(BootpLogModel::kMaxRecords - 1, BootpLogModel::kColMac).data().toString(),
              "024B7E000001");  // the first is gone
}

}  // namespace
}  // namespace tavo
