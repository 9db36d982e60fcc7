// The Utility page as the operator uses it, against a simulated device in-process on
// loopback: the range checks and their messages, flash read into the viewer, flash
// clear after the confirmation, register read, table read and write, the value field's
// colours, and a lossy device whose missing sectors show as missing.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "DumpText.h"
#include "FakePrompts.h"
#include "SimNetwork.h"
#include "UiTestHelpers.h"
#include "maintenance/ReadFlashDlg.h"
#include "maintenance/UtilPage.h"

namespace tavo {
namespace {

using namespace std::chrono_literals;
using test::FakePrompts;
using Message = FakePrompts::Message;

constexpr int kWaitMs = 10000;
const char* const kDeviceIp = "127.0.0.5";
const QString kApp = QStringLiteral("tavo-utility");

SectorData Pattern(int sector) {
    SectorData data;
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(sector * 3 + int(i) * 5);
    return data;
}

Pace TestPace(std::chrono::milliseconds read = 1ms) {
    Pace pace = Pace::immediate();
    pace.afterSectorRead = read;
    return pace;
}

class UtilPageTest : public ::testing::Test {
protected:
    void start(sim::SimConfig config = {}, Pace pace = TestPace()) {
        config.bootpMaxRequests = 0;
        network = std::make_unique<sim::SimNetwork>(config);
        network->addDevice(sim::Ipv4Address{127, 0, 0, 5}, sim::MacAddress{0x02, 0x4B, 0x7E, 0, 0, 5});
        ASSERT_TRUE(network->start()) << network->errorString().toStdString();
        auto& flash = network->device(0).flash();
        for (int s = 0; s < 64; ++s) {
            const SectorData data = Pattern(s);
            std::copy(data.begin(), data.end(), flash.begin() + s * 256);
        }
        context.link.devicePort = network->port();
        commands = std::make_unique<QSignalSpy>(network.get(), &sim::SimNetwork::commandReceived);
        page = std::make_unique<CUtilPage>(context, nullptr, pace);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<CReadFlashDlg*>(w)) delete w;
    }
    QLineEdit* field(const char* id) { return page->findChild<QLineEdit*>(QString::fromLatin1(id)); }
    void click(const char* id) { QTest::mouseClick(page->findChild<QPushButton*>(QString::fromLatin1(id)), Qt::LeftButton); }
    void type(const char* id, const QString& text) {
        field(id)->clear();
        QTest::keyClicks(field(id), text);
    }
    void setRange(const QString& from, const QString& to, const char* target = kDeviceIp) {
        test::TypeAddress(page.get(), "1037", QString::fromLatin1(target));
        type("1031", from);
        type("1032", to);
    }
    // The datagrams the device took with this code and length.
    int commandsSeen(quint8 code, int length) {
        int count = 0;
        for (const auto& c : *commands) count += c[1].value<quint8>() == code && c[2].toInt() == length ? 1 : 0;
        return count;
    }
    // Runs a read and returns the viewer it opens (bounded wait).
    CReadFlashDlg* readIntoViewer() {
        QSignalSpy opened(page.get(), &CUtilPage::flashViewerOpened);
        click("1033");
        if (opened.isEmpty() && !opened.wait(kWaitMs)) return nullptr;
        return qobject_cast<CReadFlashDlg*>(opened[0][0].value<QWidget*>());
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
    std::unique_ptr<sim::SimNetwork> network;
    std::unique_ptr<QSignalSpy> commands;
    std::unique_ptr<CUtilPage> page;
};

QString Cell(CReadFlashDlg* viewer, int row, int column) {
    return viewer->findChild<QTableWidget*>(QStringLiteral("1051"))->item(row, column)->text();
}
QString PageLabel(CReadFlashDlg* viewer) { return viewer->findChild<QLabel*>(QStringLiteral("1053"))->text(); }

TEST_F(UtilPageTest, RangeChecksComeInOrderWithTheirMessagesAndNothingIsSent) {
    start();
    struct Case {
        const char* from;
        const char* to;
        const char* button;
        const char* target;
        const char* message;
    } cases[] = {
        {"10", "3", "1033", kDeviceIp, "Controllare l'ingresso. 'from' è maggiore di 'to'!!"},
        {"2048", "1", "1033", kDeviceIp, "Impossibile accedere al settore 'from' poichè è out of range"},
        {"0", "2048", "1033", kDeviceIp, "Il settore 'to' è out of range lettura possibile"},
        {"2047", "2047", "1035", kDeviceIp, "Il settore 'from' è out of range posso cancellare"},
        {"0", "2044", "1035", kDeviceIp, "Il settore 'to' is out of range posso cancellare"},
        {"10", "3", "1035", kDeviceIp, "Controllare l'ingresso. 'from' è maggiore  grande di 'to'!!"},
        {"0", "0", "1033", "0.0.0.0", "Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!"},
        {"0", "0", "1035", "0.0.0.0", "Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!"},
        {"0", "0", "1043", "0.0.0.0", "Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!"},
        {"0", "0", "1044", "0.0.0.0", "Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!"},
        {"0", "0", "1046", "0.0.0.0", "Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!"},
    };
    for (const auto& c : cases) {
        prompts.messages.clear();
        setRange(QString::fromLatin1(c.from), QString::fromLatin1(c.to), c.target);
        click(c.button);
        ASSERT_EQ(prompts.messages.size(), 1) << c.from << " " << c.to << " " << c.button;
        const QString caption = QStringLiteral("Attenzione");
        EXPECT_EQ(prompts.messages[0], (Message{QString::fromUtf8(c.message), caption})) << c.button;
    }
    EXPECT_TRUE(prompts.confirmations.isEmpty());
    EXPECT_TRUE(page->logLines().isEmpty()) << "no socket made";
    QTest::qWait(20);
    EXPECT_EQ(commands->count(), 0);
}

TEST_F(UtilPageTest, ReadOfSectorFiveLogsEachStepAndOpensTheViewerOnItsPage) {
    start({}, TestPace(100ms));  // the product's pace: the reply is in before the pause ends
    setRange("5", "5");
    CReadFlashDlg* viewer = readIntoViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(PageLabel(viewer), "Page - 5");
    EXPECT_FALSE(viewer->findChild<QPushButton*>(QStringLiteral("2"))->isEnabled());
    EXPECT_FALSE(viewer->findChild<QPushButton*>(QStringLiteral("3"))->isEnabled());
    const SectorData expected = Pattern(5);
    EXPECT_EQ(Cell(viewer, 5, 13), QString::fromStdString(byteText(expected[0x5C])));  // row 0005, column 0c
    EXPECT_EQ(page->logLines(), (QStringList{"Socket UDP/IP  inizializzato", "Invio comando di lettura ...",
                                             "reading at sector 0x05", "   [ settore ricevuto .. ]",
                                             "Comando di lettura inviato correttamente."}));
    EXPECT_EQ(commandsSeen(0x50, 3), 1);
    EXPECT_EQ(test::ReadFileBytes(dir.filePath("iph.ini")), "[1]\t 127.0.0.5\r\n");
    EXPECT_TRUE(prompts.messages.isEmpty());
    // The page stays usable while the viewer is open.
    EXPECT_TRUE(page->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(UtilPageTest, AFieldThatIsNotAnUnsignedNumberIsReportedAndThePreviousValueKept) {
    start();
    setRange("3", "3");
    ASSERT_NE(readIntoViewer(), nullptr);
    type("1031", "abc");
    CReadFlashDlg* viewer = readIntoViewer();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0], (Message{"Immettere un numero intero positivo.", kApp}));
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(PageLabel(viewer), "Page - 3");
}

TEST_F(UtilPageTest, ALossySlowDeviceNeverPutsASectorsBytesUnderAnotherNumber) {
    sim::SimConfig config;
    config.dropEvery = 3;
    config.delayMaxMs = 30;
    start(config);
    setRange("0", "11");
    CReadFlashDlg* viewer = readIntoViewer();
    ASSERT_NE(viewer, nullptr);
    const std::vector<int> missing = viewer->dump().missing();
    EXPECT_EQ(missing.size(), 4u);  // every third of 12 replies
    QStringList missingLines;
    for (const QString& line : page->logLines())
        if (line.contains("non ricevuto")) missingLines << line;
    ASSERT_EQ(missingLines.size(), 4);
    EXPECT_EQ(missingLines[0], QString::asprintf("   [ settore 0x%2.2x non ricevuto .. ]", missing[0]));
    for (int s = 0; s <= 11; ++s) {
        ASSERT_TRUE(viewer->goToPage(s));
        const bool lost = std::find(missing.begin(), missing.end(), s) != missing.end();
        const SectorData expected = Pattern(s);
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 16; ++c)
                ASSERT_EQ(Cell(viewer, r, c + 1), lost ? QStringLiteral("--") : QString::fromStdString(byteText(expected[16 * r + c])))
                    << "sector " << s;
    }
}

TEST_F(UtilPageTest, AClearAsksFirstThenSendsEveryWriteAndReportsCompletion) {
    start();
    setRange("0", "2043");
    prompts.confirmAnswers.enqueue(false);
    click("1035");
    EXPECT_EQ(prompts.confirmations, QStringList{"Clear | Si sta cancellando l'indirizzo IP 127.0.0.5"});
    EXPECT_FALSE(page->logLines().contains("Invio del comando clear ..."));

    click("1035");  // yes (unscripted)
    QTRY_VERIFY_WITH_TIMEOUT(!prompts.messages.isEmpty(), kWaitMs);
    EXPECT_EQ(prompts.messages[0], (Message{"Cancellazione della memoria Flash completata!!", "Cancellazione eseguita"}));
    EXPECT_EQ(page->logLines().mid(1), (QStringList{"Socket UDP/IP  inizializzato", "Invio del comando clear ...",
                                                    "Invio del comando clear eseguito correttamente ..."}));
    QTRY_COMPARE_WITH_TIMEOUT(commandsSeen(0x40, 259), 2044, kWaitMs);
    EXPECT_EQ(network->device(0).sector(2043), QByteArray(256, '\0'));
    EXPECT_EQ(network->device(0).sector(0), QByteArray(256, '\0'));
    EXPECT_EQ(network->device(0).sector(2044), QByteArray(256, '\xFF'));
    EXPECT_FALSE(page->isClearing());
}

TEST_F(UtilPageTest, RegisterBelow10IsWarnedAndStillReadAndTheValueShowsRedOnWhite) {
    start();
    network->device(0).registers()[0x0F] = 0x0A;
    test::TypeAddress(page.get(), "1037", QString::fromLatin1(kDeviceIp));
    type("1041", "0F");
    click("1043");
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0], (Message{"Si è superato lo spazio lecito di indirizzamento!!", "Errore"}));
    auto* value = page->findChild<CColorCtrl<QLineEdit>*>(QStringLiteral("1042"));
    QTRY_COMPARE_WITH_TIMEOUT(value->text(), QStringLiteral("a"), kWaitMs);
    EXPECT_EQ(commandsSeen(0x30, 2), 1);
    value->repaint();
    EXPECT_EQ(value->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(value->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(page->logLines(), (QStringList{"Socket UDP/IP  inizializzato", "Invio comando di lettura registro ...",
                                             "received.."}));
    // Black again before each register command (here a write the operator declines).
    prompts.confirmAnswers.enqueue(false);
    click("1046");
    value->repaint();
    EXPECT_EQ(value->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(value->palette().color(QPalette::Base), QColor(255, 255, 255));
    // Red once more from a second read; into the field: black again, background white.
    click("1043");
    QTRY_COMPARE_WITH_TIMEOUT(commandsSeen(0x30, 2), 2, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(value->palette().color(QPalette::Text), QColor(255, 0, 0), kWaitMs);
    QTest::mouseClick(value, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(value->hasFocus(), kWaitMs);
    value->repaint();
    EXPECT_EQ(value->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(value->palette().color(QPalette::Base), QColor(255, 255, 255));
}

TEST_F(UtilPageTest, RegisterFieldsThatAreNotHexadecimalBytesSendNothing) {
    start();
    test::TypeAddress(page.get(), "1037", QString::fromLatin1(kDeviceIp));
    type("1041", "G1");
    click("1043");
    type("1041", "1B");
    type("1042", "a");  // lower case is not taken
    click("1046");
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Il dato non è stato inserito correttamente!!", "Errore ..!! "},
                                                {"Errore ..!! ", kApp}}));
    QTest::qWait(20);
    EXPECT_EQ(commandsSeen(0x30, 2) + commandsSeen(0x20, 3), 0);
}

TEST_F(UtilPageTest, WriteAfterTheConfirmationSendsRegisterAndValue) {
    start();
    test::TypeAddress(page.get(), "1037", QString::fromLatin1(kDeviceIp));
    type("1041", "1B");
    type("1042", "C4");
    prompts.confirmAnswers.enqueue(false);
    click("1046");
    click("1046");
    EXPECT_EQ(prompts.confirmations, (QStringList{"Write | Si sta scrivendo sull'indirizzo IP 127.0.0.5",
                                                  "Write | Si sta scrivendo sull'indirizzo IP 127.0.0.5"}));
    QTRY_COMPARE_WITH_TIMEOUT(network->device(0).registers()[0x1B], quint8(0xC4), kWaitMs);
    EXPECT_EQ(commandsSeen(0x20, 3), 1);
    EXPECT_TRUE(page->logLines().endsWith("Invio comando di scrittura registro ..."));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(UtilPageTest, ReadAllShowsTheRegisterTableModally) {
    start();
    for (int r = 0x10; r <= 0xFF; ++r) network->device(0).registers()[r] = quint8(r);
    network->device(0).registers()[0xA3] = 0x5E;
    test::TypeAddress(page.get(), "1037", QString::fromLatin1(kDeviceIp));
    QString cell, label, title;
    bool modal = false;
    test::WhenModal([&](QWidget* dialog) {
        modal = dialog->isModal();
        title = dialog->windowTitle();
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("1051"));
        cell = table->item(3, 10)->text();  // row 03, column a0
        label = dialog->findChild<QLabel*>(QStringLiteral("1053"))->text();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
    });
    click("1044");
    QTRY_COMPARE_WITH_TIMEOUT(cell, QStringLiteral("5E"), kWaitMs);
    EXPECT_TRUE(modal);
    EXPECT_EQ(title, "Show Dump Dialog");
    EXPECT_EQ(label, "Page - 0");
    EXPECT_EQ(commandsSeen(0x10, 1), 1);
    EXPECT_EQ(page->logLines(), (QStringList{"Socket UDP/IP  inizializzato", "Invio comando di lettura registro ...",
                                             "received.."}));
}

}  // namespace
}  // namespace tavo
