// The address commands against the tavo-sim executable on loopback: a device found by
// its MAC address and then cleared, from the IP configuration page and from `tavo ip`.
// The search goes to the loopback broadcast only; the simulated devices' own BootP
// requests also go to the loopback broadcast, on free ports.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <gtest/gtest.h>

#include "CliRun.h"
#include <memory>

#include "FakePrompts.h"
#include "SimProcess.h"
#include "bootp/IPPage.h"
#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

using test::FakePrompts;
using test::SimProcess;

constexpr int kWaitMs = 10000;
const char* const kLoopbackBroadcast = "127.255.255.255";
const char* const kFoundMac = "024B7E0A1B2C";
const char* const kFoundIp = "127.0.0.6";
const char* const kOtherMac = "024B7E0A1B2D";
const char* const kOtherIp = "127.0.0.7";

quint16 FreePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

// Runs the modal dialog's act once it is up (bounded poll); a dialog the act leaves open
// is closed, so that a fault fails the test instead of hanging it.
void WhenModal(std::function<void(QDialog*)> act, int attempts = 400) {
    QTimer::singleShot(5, qApp, [act = std::move(act), attempts]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenModal(std::move(act), attempts - 1);
            return;
        }
        QPointer<QDialog> guard(dialog);
        act(dialog);
        if (guard && guard->isVisible()) guard->reject();
    });
}

using test::CliRun;
using test::runCli;

class AddressCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.start({"--port", "0", "--broadcast", kLoopbackBroadcast, "--bootp-server-port",
                               QString::number(FreePort()), "--bootp-client-port", QString::number(FreePort()),
                               "--bootp-interval-ms", "100", "--bootp-max-requests", "3", "--max-seconds", "60",
                               "--ip", kFoundIp, "--mac", kFoundMac, "--ip", kOtherIp, "--mac", kOtherMac}));
        context.link.devicePort = sim.port();
        context.link.broadcast = QHostAddress(QString::fromLatin1(kLoopbackBroadcast));
        context.link.bootpServerPort = 0;
        context.link.bootpClientPort = FreePort();
    }
    QString path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray file(const char* name) {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList link() {
        return {"--device-port", QString::number(sim.port()), "--data-dir", dir.path()};
    }
    QStringList findArgs(const char* mac, const char* timeout) {
        return QStringList{"ip", "find", mac, "--broadcast", kLoopbackBroadcast, "--timeout", timeout} + link();
    }
    int simLinesStartingWith(const QString& prefix) {
        int count = 0;
        for (const QString& line : sim.lines()) count += line.startsWith(prefix) ? 1 : 0;
        return count;
    }

    SimProcess sim;
    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, LinkConfig{}, dir.path()};
};

TEST_F(AddressCommandsTest, ThePageFindsTheDeviceByItsMacAndClearsIt) {
    CIPPage page(context);
    page.show();
    const auto pageButton = [&](const char* id) { return page.findChild<QPushButton*>(QString::fromLatin1(id)); };
    const auto typeMac = [](QDialog* dialog, const QString& mac) {
        const char* const fields[] = {"1029", "1030", "1031", "1034", "1035", "1036"};
        for (int i = 0; i < 6; ++i) {
            auto* field = dialog->findChild<QLineEdit*>(QString::fromLatin1(fields[i]));
            field->setFocus();
            QTest::keyClicks(field, mac.mid(2 * i, 2));
        }
    };
    // The search, at the product's pace.
    QString found;
    QString searchStatus;
    WhenModal([&](QDialog* dialog) {
        typeMac(dialog, QString::fromLatin1(kFoundMac));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1073")), Qt::LeftButton);
        auto* result = dialog->findChild<IpAddressEdit*>(QStringLiteral("1074"));
        QTRY_VERIFY_WITH_TIMEOUT(!result->isBlank(), kWaitMs);
        found = QString::fromStdString(formatDotted(result->address()));
        searchStatus = dialog->findChild<QLineEdit*>(QStringLiteral("1075"))->text();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
    });
    QTest::mouseClick(pageButton("1009"), Qt::LeftButton);
    EXPECT_EQ(found, kFoundIp);
    EXPECT_EQ(searchStatus, "Operazione di ricerca conclusa...");
    EXPECT_EQ(file("mach.ini"), "[1]\t 2:75:126:10:27:44\r\n");

    // The clear, confirmed: the device forgets its address and asks for one by BootP.
    prompts.confirmAnswers.enqueue(true);
    WhenModal([&](QDialog* dialog) {
        const QStringList octets = QString::fromLatin1(found.toLatin1()).split('.');
        auto* address = dialog->findChild<IpAddressEdit*>(QStringLiteral("1042"));
        for (int i = 0; i < 4; ++i) QTest::keyClicks(address->octetField(i), octets.value(i));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
    });
    QTest::mouseClick(pageButton("1008"), Qt::LeftButton);
    EXPECT_EQ(page.findChild<QLineEdit*>(QStringLiteral("1005"))->text(),
              "Comando di cancellazione indirizzo IP inviato..");
    EXPECT_TRUE(sim.waitLine(QStringLiteral("cleared ") + kFoundMac));
    EXPECT_TRUE(sim.waitLine(QStringLiteral("bootp request ") + kFoundMac));
    EXPECT_EQ(file("iph.ini"), "[1]\t 127.0.0.6\r\n");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(AddressCommandsTest, TavoIpFindsAndClearsTheDevice) {
    const CliRun find = runCli(findArgs(kFoundMac, "10"));
    EXPECT_EQ(find.exitCode, 0) << find.err.toStdString();
    EXPECT_EQ(find.out, QString::fromLatin1(kFoundIp) + "\n");
    EXPECT_EQ(find.err, "");
    EXPECT_EQ(file("mach.ini"), "[1]\t 2:75:126:10:27:44\r\n");
    // Only the device asked for answers.
    const CliRun other = runCli(findArgs("02:4b:7e:0a:1b:2d", "10"));
    EXPECT_EQ(other.exitCode, 0) << other.err.toStdString();
    EXPECT_EQ(other.out, QString::fromLatin1(kOtherIp) + "\n");

    // A no on the terminal sends nothing and records nothing.
    const QStringList clear = QStringList{"ip", "clear", kFoundIp} + link();
    const CliRun declined = runCli(clear, "n\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_TRUE(declined.out.isEmpty());
    EXPECT_TRUE(declined.err.contains("Warning to IP Clear")) << declined.err.toStdString();
    EXPECT_TRUE(declined.err.contains("Cancellazione dell'indirizzo IP dal dispositivo !!"));
    EXPECT_FALSE(QFile::exists(path("iph.ini")));

    const CliRun confirmed = runCli(clear, "s\n");
    EXPECT_EQ(confirmed.exitCode, 0) << confirmed.err.toStdString();
    EXPECT_EQ(confirmed.out, "Comando di cancellazione indirizzo IP inviato..\n");
    EXPECT_TRUE(sim.waitLine(QStringLiteral("cleared ") + kFoundMac));
    EXPECT_EQ(simLinesStartingWith(QStringLiteral("command %1 0x36").arg(kFoundMac)), 1);
    EXPECT_EQ(file("iph.ini"), "[1]\t 127.0.0.6\r\n");

    // The cleared device no longer answers: the search runs out of time.
    const CliRun gone = runCli(findArgs(kFoundMac, "1"));
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_TRUE(gone.out.isEmpty());
    EXPECT_TRUE(gone.err.contains("no device answered for 024B7E0A1B2C within 1 s")) << gone.err.toStdString();

    // --yes clears without asking; an address already recorded is not added again.
    const CliRun again = runCli(QStringList{"ip", "clear", kOtherIp, "--yes"} + link());
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(sim.waitLine(QStringLiteral("cleared ") + kOtherMac));
    EXPECT_EQ(file("iph.ini"), "[1]\t 127.0.0.6\r\n[2]\t 127.0.0.7\r\n");
}

TEST_F(AddressCommandsTest, TavoIpRefusesABadCommandLineBeforeSendingAnything) {
    const QStringList cases[] = {
        {"ip", "clear", "127.0.0.300", "--yes"},
        {"ip", "clear", "127.0.0.6", "--yes", "--device-port", "0"},
        {"ip", "clear", "127.0.0.6", "--yes", "--broadcast", kLoopbackBroadcast},  // not an option of clear
        {"ip", "find", "024B7E0A1B", "--broadcast", kLoopbackBroadcast},
        {"ip", "find", kFoundMac, "--broadcast", kLoopbackBroadcast, "--timeout", "0"},
        {"ip", "find", kFoundMac, "--broadcast", kLoopbackBroadcast, "--timeout", "4000"},
        {"ip", "find", kFoundMac, "--broadcast", "127.255.255"},
        {"ip", "search", kFoundMac},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        // The case's own options come last, so that they win over the test's link options.
        const CliRun run = runCli(args.mid(0, 2) + link() + args.mid(2));
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(path("iph.ini")));
    EXPECT_FALSE(QFile::exists(path("mach.ini")));
    EXPECT_EQ(simLinesStartingWith(QStringLiteral("command ")), 0);
}

}  // namespace
}  // namespace tavo
