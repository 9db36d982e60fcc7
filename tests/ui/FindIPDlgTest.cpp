// The IP search dialog driven as the operator does: MAC fields typed with the keyboard,
// "Trova" and "Stop" clicked, the search requests received by a stand-in device on the
// loopback broadcast, whose answers decide how the search ends.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "FakePrompts.h"
#include "IpSearchEngine.h"
#include "UiTestHelpers.h"
#include "address/FindIPDlg.h"
#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

using test::FakePrompts;

constexpr int kWaitMs = 5000;
// A fast tick; the steps that depend on the order of ticks synchronise on the request
// signal, so the figure only sets the speed of the test.
constexpr int kFastTickMs = 20;
// A tick that never comes during a test: its requests are sent by hand.
constexpr int kNoTickMs = 3600 * 1000;
const char* const kMacFields[] = {"1029", "1030", "1031", "1034", "1035", "1036"};

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values) bytes.append(char(v));
    return bytes;
}

// The request for a MAC address: 0x35, the six octets, 53 zero bytes.
QByteArray Request(std::initializer_list<int> mac) { return Bytes({0x35}) + Bytes(mac) + QByteArray(53, '\0'); }

// A device on the loopback broadcast: records each request and answers it, when told
// how, to the address and port it came from (from a second socket: a socket bound to
// the broadcast address cannot be a source).
class LoopbackDevice {
public:
    using Answer = std::function<QByteArray(int requestIndex, const QByteArray& request)>;

    LoopbackDevice() {
        EXPECT_TRUE(m_listen.bind(QHostAddress(QStringLiteral("127.255.255.255")), 0));
        EXPECT_TRUE(m_reply.bind(QHostAddress::LocalHost, 0));
        QObject::connect(&m_listen, &QUdpSocket::readyRead, [this] { read(); });
    }
    quint16 port() const { return m_listen.localPort(); }
    bool waitFor(int count) {
        QSignalSpy spy(&m_listen, &QUdpSocket::readyRead);
        while (int(requests.size()) < count)
            if (!spy.wait(kWaitMs)) return false;
        return true;
    }

    Answer answer;
    std::vector<QByteArray> requests;

private:
    void read() {
        while (m_listen.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_listen.receiveDatagram();
            requests.push_back(datagram.data());
            const QByteArray reply = answer ? answer(int(requests.size()) - 1, datagram.data()) : QByteArray();
            if (!reply.isEmpty()) m_reply.writeDatagram(reply, datagram.senderAddress(), datagram.senderPort());
        }
    }
    QUdpSocket m_listen;
    QUdpSocket m_reply;
};

LinkConfig LinkTo(quint16 devicePort) {
    LinkConfig link = test::loopbackLink();
    link.devicePort = devicePort;
    return link;
}

template <int TickMs>
class FindIPDlgFixture : public ::testing::Test {
protected:
    void show() {
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    QLineEdit* field(const char* name) { return dlg.findChild<QLineEdit*>(QString::fromLatin1(name)); }
    QPushButton* button(const char* name) { return dlg.findChild<QPushButton*>(QString::fromLatin1(name)); }
    QString status() { return field("1075")->text(); }
    QString found() {
        const Ipv4Octets ip = dlg.findChild<IpAddressEdit*>(QStringLiteral("1074"))->address();
        return QString::fromStdString(formatDotted(ip));
    }
    IpSearchEngine* search() { return dlg.findChild<IpSearchEngine*>(); }
    // Types into the six MAC fields through the keyboard, each field clicked first.
    void typeMac(const QStringList& bytes) {
        for (int i = 0; i < 6; ++i) {
            QLineEdit* f = field(kMacFields[i]);
            f->clear();
            f->setFocus();
            QTest::keyClicks(f, bytes.at(i));
        }
    }
    QStringList macTexts() {
        QStringList texts;
        for (const char* name : kMacFields) texts << field(name)->text();
        return texts;
    }
    QByteArray history() { return test::ReadFileBytes(dir.filePath(QStringLiteral("mach.ini"))); }

    LoopbackDevice device;
    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, LinkTo(device.port()), dir.path()};
    CFindIPDlg dlg{context, nullptr, Pace{.searchTick = Pace::Ms{TickMs}}};
};

using FindIPDlgTest = FindIPDlgFixture<kFastTickMs>;
using FindIPDlgByHandTest = FindIPDlgFixture<kNoTickMs>;

TEST_F(FindIPDlgTest, OpensIdleAndRunsAtTheProductPaceByDefault) {
    EXPECT_EQ(dlg.windowTitle(), "Ricerca indirizzo IP");
    EXPECT_EQ(status(), "In Attesa.....");
    EXPECT_EQ(button("1073")->text(), "Trova");
    EXPECT_TRUE(button("1073")->isDefault());
    EXPECT_EQ(macTexts(), QStringList(6, QString()));
    EXPECT_TRUE(dlg.findChild<IpAddressEdit*>(QStringLiteral("1074"))->isBlank());

    CFindIPDlg product(context);
    auto* timer = product.findChild<IpSearchEngine*>()->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
}

TEST_F(FindIPDlgTest, RequestsFollowTheTickCarryTheFieldsAsTypedAndCycleTheFullStops) {
    show();
    typeMac({"00", "1A", "2B", "3C", "4D", "5E"});
    QStringList statusAtRequest;
    QSignalSpy sent(search(), &IpSearchEngine::requestSent);
    QObject::connect(search(), &IpSearchEngine::requestSent, &dlg, [&] { statusAtRequest << status(); });

    QTest::mouseClick(button("1073"), Qt::LeftButton);
    // Nothing leaves at the press: the first request waits for the first tick.
    EXPECT_TRUE(device.requests.empty());
    EXPECT_EQ(sent.count(), 0);
    EXPECT_EQ(button("1073")->text(), "Stop");
    EXPECT_EQ(status(), "Ricerca dell'indirizzo IP in corso ");
    EXPECT_EQ(history(), "[1]\t 0:26:43:60:77:94\r\n");

    ASSERT_TRUE(sent.wait(kWaitMs));
    // Edited between two ticks: the next request carries the new text; a field that is
    // not a hexadecimal byte goes out as 0xFF.
    field("1036")->setFocus();
    QTest::keyClick(field("1036"), Qt::Key_Backspace);
    QTest::keyClick(field("1036"), Qt::Key_Minus);
    while (sent.count() < 7) ASSERT_TRUE(sent.wait(kWaitMs));
    QTest::mouseClick(button("1073"), Qt::LeftButton);
    ASSERT_TRUE(device.waitFor(7));

    EXPECT_EQ(device.requests[0], Request({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    for (size_t i = 1; i < device.requests.size(); ++i)
        EXPECT_EQ(device.requests[i], Request({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0xFF})) << i;
    const QString base = QStringLiteral("Ricerca dell'indirizzo IP in corso ");
    EXPECT_EQ(statusAtRequest.mid(0, 7), (QStringList{base, base + ".", base + "..", base + "...", base + "....",
                                                      base, base + "."}));
    EXPECT_EQ(status(), "Ricerca dell'indirizzo IP interrotta ...");
    EXPECT_EQ(button("1073")->text(), "Trova");
    EXPECT_FALSE(search()->isSearching());
    EXPECT_EQ(search()->localPort(), 0);

    // A second search on the same address adds nothing to the history; the trailing
    // full stops start again from none.
    typeMac({"00", "1A", "2B", "3C", "4D", "5E"});
    statusAtRequest.clear();
    QTest::mouseClick(button("1073"), Qt::LeftButton);
    ASSERT_TRUE(sent.wait(kWaitMs));
    QTest::mouseClick(button("1073"), Qt::LeftButton);
    EXPECT_EQ(statusAtRequest.value(0), base);
    EXPECT_EQ(history(), "[1]\t 0:26:43:60:77:94\r\n");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(FindIPDlgTest, TheReplyDecidesHowTheSearchEnds) {
    const QByteArray mac = Bytes({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
    const struct {
        const char* name;
        QByteArray reply;  // to the first request; later requests are not answered
        QString status;
        QString found;
        bool searching;
    } cases[] = {
        {"matching", Bytes({0x35}) + mac + Bytes({192, 168, 1, 20}), "Operazione di ricerca conclusa...",
         "192.168.1.20", false},
        {"byte 0 is not looked at", Bytes({0x00}) + mac + Bytes({10, 0, 0, 7}),
         "Operazione di ricerca conclusa...", "10.0.0.7", false},
        {"another MAC", Bytes({0x35, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F, 192, 168, 1, 21}), "Error", "0.0.0.0",
         false},
        {"longer than the reply buffer", Bytes({0x35}) + mac + Bytes({192, 168, 1, 22}) + QByteArray(56, '\0'),
         "Socket error", "0.0.0.0", true},
    };
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dlg.findChild<IpAddressEdit*>(QStringLiteral("1074"))->clear();
        device.requests.clear();
        device.answer = [&](int index, const QByteArray&) { return index == 0 ? c.reply : QByteArray(); };
        typeMac({"00", "1A", "2B", "3C", "4D", "5E"});
        // Each status as it is shown, with the state of the search at that moment: the
        // next tick may replace a status before the test looks again.
        struct Seen {
            QString status;
            bool searching;
        };
        std::vector<Seen> seen;
        QMetaObject::Connection watch = QObject::connect(field("1075"), &QLineEdit::textChanged, [&](const QString& t) {
            seen.push_back({t, search()->isSearching()});
        });
        const auto shown = [&] {
            for (const Seen& s : seen)
                if (s.status == c.status) return &s;
            return static_cast<const Seen*>(nullptr);
        };
        QTest::mouseClick(button("1073"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(shown() != nullptr, kWaitMs);
        QObject::disconnect(watch);
        EXPECT_EQ(shown()->searching, c.searching);
        EXPECT_EQ(found(), c.found);
        if (c.searching) {
            // A failed receive keeps searching: the requests go on.
            ASSERT_TRUE(device.waitFor(2));
            EXPECT_EQ(button("1073")->text(), "Stop");
            QTest::mouseClick(button("1073"), Qt::LeftButton);
        } else {
            EXPECT_EQ(status(), c.status);
            EXPECT_EQ(button("1073")->text(), "Trova");
        }
        EXPECT_FALSE(search()->isSearching());
        EXPECT_EQ(search()->localPort(), 0);
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(FindIPDlgByHandTest, AReplyIsMatchedAgainstTheMacSentNotTheFieldsAsEditedSince) {
    show();
    typeMac({"00", "1A", "2B", "3C", "4D", "5E"});
    QTest::mouseClick(button("1073"), Qt::LeftButton);
    search()->sendNow();
    ASSERT_TRUE(device.waitFor(1));
    EXPECT_EQ(device.requests[0], Request({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    // The operator edits the address while the answer to the request is on its way.
    field("1036")->setFocus();
    QTest::keyClick(field("1036"), Qt::Key_Backspace);
    QTest::keyClick(field("1036"), Qt::Key_Backspace);
    QTest::keyClicks(field("1036"), QStringLiteral("5F"));
    QUdpSocket answer;
    answer.writeDatagram(Bytes({0x35, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 192, 168, 1, 20}), QHostAddress::LocalHost,
                         search()->localPort());
    QTRY_COMPARE_WITH_TIMEOUT(found(), QStringLiteral("192.168.1.20"), kWaitMs);
    EXPECT_EQ(status(), "Operazione di ricerca conclusa...");
    EXPECT_EQ(dlg.sentMac(), (MacOctets{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
}

TEST_F(FindIPDlgTest, MacFieldsRefuseLettersBeyondFAndMoveOnAfterTwoCharacters) {
    const struct {
        const char* keys;
        QString preset;  // the field's text before typing
        QString text;
        const char* focus;
    } cases[] = {
        {"G", "", "", "1029"},
        {"Z", "5", "5", "1029"},
        {"5F", "", "5F", "1030"},
        {"af", "", "AF", "1030"},
        {"-1", "", "-1", "1030"},  // let through; the conversion rejects it
        {"7", "12", "12", "1029"},  // a full field refuses the key and keeps the focus
    };
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        field("1030")->clear();
        field("1029")->setText(c.preset);
        field("1029")->setFocus();
        for (const char key : std::string(c.keys))
            QTest::keyClicks(QApplication::focusWidget(), QString(QLatin1Char(key)));
        EXPECT_EQ(field("1029")->text(), c.text);
        EXPECT_EQ(field("1030")->text(), "");
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), c.focus);
    }
    // From the sixth field the focus stays.
    field("1036")->setFocus();
    QTest::keyClicks(field("1036"), QStringLiteral("9A"));
    EXPECT_EQ(QApplication::focusWidget(), field("1036"));
}

TEST_F(FindIPDlgTest, MacHistoryButtons) {
    test::WriteFileBytes(dir.filePath(QStringLiteral("mach.ini")), "[1]\t 2:171:205:239:1:35\r\n");
    show();
    typeMac({"11", "22", "33", "44", "55", "66"});

    // A double-click on the entry fills the six fields with its bytes.
    test::WhenModal([](QWidget* modal) {
        auto* list = modal->findChild<QListWidget*>(QStringLiteral("1079"));
        ASSERT_NE(list, nullptr);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                           list->visualItemRect(list->item(0)).center());
    });
    QTest::mouseClick(button("1039"), Qt::LeftButton);
    EXPECT_EQ(macTexts(), (QStringList{"02", "AB", "CD", "EF", "01", "23"}));

    // Cancelling the pick list sets six "00" fields rather than keeping what was there.
    test::WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    QTest::mouseClick(button("1039"), Qt::LeftButton);
    EXPECT_EQ(macTexts(), QStringList(6, QStringLiteral("00")));

    // Emptying the history takes effect at once, without a question.
    QTest::mouseClick(button("1040"), Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("mach.ini"))));
    EXPECT_EQ(history(), "");
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.confirmations.isEmpty());
}

TEST_F(FindIPDlgTest, AnUnreadableFirstByteIsSearchedButNotRecorded) {
    test::WriteFileBytes(dir.filePath(QStringLiteral("mach.ini")), "[1]\t 1:2:3:4:5:6\r\n");
    show();
    typeMac({"-", "1A", "2B", "3C", "4D", "5E"});
    QSignalSpy sent(search(), &IpSearchEngine::requestSent);
    QTest::mouseClick(button("1073"), Qt::LeftButton);
    ASSERT_TRUE(sent.wait(kWaitMs));
    QTest::mouseClick(button("1073"), Qt::LeftButton);
    ASSERT_TRUE(device.waitFor(1));
    EXPECT_EQ(device.requests[0], Request({0xFF, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_EQ(prompts.messages, (QList<FakePrompts::Message>{{"Tipo di dato errato !!", "Errore"}}));
    EXPECT_EQ(history(), "[1]\t 1:2:3:4:5:6\r\n");
}

TEST_F(FindIPDlgTest, ClosingTheDialogDuringASearchEndsIt) {
    show();
    typeMac({"00", "1A", "2B", "3C", "4D", "5E"});
    QSignalSpy sent(search(), &IpSearchEngine::requestSent);
    QTest::mouseClick(button("1073"), Qt::LeftButton);
    ASSERT_TRUE(sent.wait(kWaitMs));
    QTest::mouseClick(button("2"), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(search()->isSearching());
    EXPECT_EQ(search()->localPort(), 0);
}

}  // namespace
}  // namespace tavo
