// IP clear as the operator runs it from the IP configuration page: the page stops the
// BootP server, the dialog takes the address, the confirmation is answered through the
// prompts seam, and a stand-in device on loopback receives what is sent.
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "BootpServer.h"
#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "address/IPClearDlg.h"
#include "bootp/IPPage.h"
#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

using test::FakePrompts;
using Message = FakePrompts::Message;

constexpr int kWaitMs = 5000;
const QString kConfirmation = QStringLiteral("IP Clear | Cancellazione dell'indirizzo IP dal dispositivo !!");
const QString kSent = QStringLiteral("Comando di cancellazione indirizzo IP inviato..");
const QString kWaiting = QStringLiteral("In Attesa ....");

QPushButton* Button(QWidget* root, const char* id) { return root->findChild<QPushButton*>(QString::fromLatin1(id)); }

QString Address(QWidget* root) {
    return QString::fromStdString(formatDotted(root->findChild<IpAddressEdit*>(QStringLiteral("1042"))->address()));
}

class IPClearDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.bind(QHostAddress::LocalHost, 0));
        context.link.devicePort = device.localPort();
        page = std::make_unique<CIPPage>(context);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }

    QString status() { return page->findChild<QLineEdit*>(QStringLiteral("1005"))->text(); }
    QString historyPath() { return dir.filePath(QStringLiteral("iph.ini")); }
    // Clicks "Cancella indirizzo IP" and runs `act` on the clear dialog; a dialog the act
    // leaves open is cancelled, so that a fault fails the test instead of hanging it.
    void clearIp(std::function<void(QWidget*)> act) {
        bool acted = false;
        test::WhenModal([&](QWidget* dialog) {
            acted = true;
            QPointer<QWidget> guard(dialog);
            act(dialog);
            if (guard && guard->isVisible()) Button(dialog, "2")->click();
        });
        QTest::mouseClick(Button(page.get(), "1008"), Qt::LeftButton);
        EXPECT_TRUE(acted);
    }
    // Every datagram that reached the device so far; waits for `count` of them.
    QList<QByteArray> received(int count) {
        QSignalSpy spy(&device, &QUdpSocket::readyRead);
        while (datagrams.size() < count) {
            while (device.hasPendingDatagrams()) datagrams << device.receiveDatagram().data();
            if (datagrams.size() >= count || !spy.wait(kWaitMs)) break;
        }
        while (device.hasPendingDatagrams()) datagrams << device.receiveDatagram().data();
        return datagrams;
    }

    QUdpSocket device;
    QList<QByteArray> datagrams;
    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
    std::unique_ptr<CIPPage> page;
};

TEST_F(IPClearDlgTest, ConfirmedClearRecordsTheAddressAndSendsOneByte) {
    const struct {
        const char* name;
        QByteArray historyBefore;  // nothing: no file
        QByteArray historyAfter;
    } cases[] = {
        {"new address", {}, "[1]\t 127.0.0.1\r\n"},
        {"address already recorded", "[1]\t 10.0.0.9\r\n[2]\t 127.0.0.1\r\n", "[1]\t 10.0.0.9\r\n[2]\t 127.0.0.1\r\n"},
    };
    int sent = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(historyPath());
        if (!c.historyBefore.isNull()) test::WriteFileBytes(historyPath(), c.historyBefore);
        // A no leaves the dialog open, sends nothing, records nothing; the next OK asks again.
        prompts.confirmAnswers.clear();
        prompts.confirmAnswers << false << true;
        prompts.confirmations.clear();
        clearIp([&](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "Cancellazione indirizzo IP");
            test::TypeAddress(dialog, "1042", QStringLiteral("127.0.0.1"));
            Button(dialog, "1")->click();
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(test::ReadFileBytes(historyPath()), c.historyBefore);
            // Enter in the address field is the same OK.
            QTest::keyClick(test::OctetField(dialog, "1042", 3), Qt::Key_Return);
            EXPECT_FALSE(dialog->isVisible());
        });
        EXPECT_EQ(prompts.confirmations, (QStringList{kConfirmation, kConfirmation}));
        EXPECT_EQ(test::ReadFileBytes(historyPath()), c.historyAfter);
        EXPECT_EQ(status(), kSent);
        ++sent;
        EXPECT_EQ(received(sent), QList<QByteArray>(sent, QByteArray(1, '\x36')));
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(IPClearDlgTest, CancellingLeavesTheServerStoppedAndSendsNothing) {
    const struct {
        const char* name;
        std::function<void(QWidget*)> act;
    } cases[] = {
        {"Annulla", [](QWidget* dialog) { Button(dialog, "2")->click(); }},
        {"Escape", [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }},
        {"a no, then Annulla", [this](QWidget* dialog) {
             prompts.confirmAnswers.clear();
             prompts.confirmAnswers << false;
             test::TypeAddress(dialog, "1042", QStringLiteral("127.0.0.1"));
             Button(dialog, "1")->click();
             Button(dialog, "2")->click();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTest::mouseClick(Button(page.get(), "1004"), Qt::LeftButton);
        ASSERT_TRUE(page->bootpServer().isRunning());
        clearIp(c.act);
        EXPECT_FALSE(page->bootpServer().isRunning());
        EXPECT_FALSE(page->isBootpRunning());
        EXPECT_TRUE(Button(page.get(), "1004")->isEnabled());
        EXPECT_FALSE(Button(page.get(), "1006")->isEnabled());
        EXPECT_EQ(status(), kWaiting);
    }
    EXPECT_FALSE(QFile::exists(historyPath()));
    EXPECT_TRUE(prompts.messages.isEmpty());
    // A clear sent now is the first datagram the device sees.
    clearIp([](QWidget* dialog) {
        test::TypeAddress(dialog, "1042", QStringLiteral("127.0.0.1"));
        Button(dialog, "1")->click();
    });
    EXPECT_EQ(received(1), QList<QByteArray>{QByteArray(1, '\x36')});
}

TEST_F(IPClearDlgTest, HistoryButtonFillsTheAddressOrEmptiesItOnCancel) {
    test::WriteFileBytes(historyPath(), "[1]\t 10.0.0.1\r\n[2]\t 192.168.1.20\r\n");
    const struct {
        const char* name;
        std::function<void(QWidget*)> pick;
        QString address;
    } cases[] = {
        {"newest entry", [](QWidget* list) {
             auto* view = list->findChild<QListWidget*>(QStringLiteral("1029"));
             ASSERT_NE(view, nullptr);
             QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                                view->visualItemRect(view->item(0)).center());
         }, "192.168.1.20"},
        {"cancelled", [](QWidget* list) { QTest::keyClick(list, Qt::Key_Escape); }, "0.0.0.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CIPClearDlg dialog(context);
        dialog.show();
        test::TypeAddress(&dialog, "1042", QStringLiteral("10.20.30.40"));
        test::WhenModal(c.pick);
        QTest::mouseClick(Button(&dialog, "3"), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Address(&dialog), c.address);
        EXPECT_FALSE(dialog.findChild<IpAddressEdit*>(QStringLiteral("1042"))->isBlank());
    }
    EXPECT_TRUE(prompts.confirmations.isEmpty());
}

TEST_F(IPClearDlgTest, BlankPartsReadAsZeroAndAnAcceptedAddressIsHandedBack) {
    const struct {
        QString typed;
        QString ip;
    } cases[] = {{"", "0.0.0.0"}, {"10..3", "10.0.3.0"}, {"192.168.0.5", "192.168.0.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        CIPClearDlg dialog(context);
        dialog.show();
        test::TypeAddress(&dialog, "1042", c.typed);
        QTest::mouseClick(Button(&dialog, "1"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.getIp(), c.ip);
    }
}

TEST_F(IPClearDlgTest, ADatagramTheStackRefusesIsReportedNotClaimedSent) {
    // The page runs the clear with an engine run (history and send) whose datagram the
    // stack is taken to refuse.
    CIPPage refusingPage(context);
    QHostAddress asked;
    refusingPage.setIpClearRunner([&] {
        return CIPClearDlg::run(context, &refusingPage, [&](const IpClearRequest& request) {
            asked = QHostAddress(QString::fromStdString(formatDotted(request.target)));
            IpClearResult result = IpClearEngine().start(request);
            result.status = IpClearResult::Status::NotSent;
            return result;
        });
    });
    test::WhenModal([](QWidget* dialog) {
        test::TypeAddress(dialog, "1042", QStringLiteral("127.0.0.1"));
        Button(dialog, "1")->click();
    });
    QTest::mouseClick(Button(&refusingPage, "1008"), Qt::LeftButton);
    EXPECT_EQ(asked, QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_EQ(refusingPage.findChild<QLineEdit*>(QStringLiteral("1005"))->text(), kWaiting);
    EXPECT_EQ(prompts.messages,
              (QList<Message>{{"Impossibile inviare il comando di cancellazione indirizzo IP !!", "Errore"}}));
    EXPECT_EQ(test::ReadFileBytes(historyPath()), "[1]\t 127.0.0.1\r\n");
}

}  // namespace
}  // namespace tavo
