// The upload half of the "Web Upload" page, driven through its widgets against an
// in-process simulated device at a short pace: the address set-up and its history, the
// project file choice, the upload with its progress bar and final texts, "Verifica", the
// refusals that send nothing, and a project file that cannot be read.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "SimNetwork.h"
#include "UiTestHelpers.h"
#include "web/WebPage.h"

namespace tavo {
namespace {

using test::FakePrompts;
using test::ReadFileBytes;
using test::TypeAddress;
using test::WriteFileBytes;
using Message = FakePrompts::Message;
using namespace std::chrono_literals;

constexpr int kUploadWaitMs = 20000;
const QString kDevice = QStringLiteral("127.0.0.2");

QByteArray Pattern(int length) {
    QByteArray bytes(length, 0);
    for (int i = 0; i < length; ++i) bytes[i] = char((i * 11 + i / 256) & 0xFF);
    return bytes;
}

class WebPageUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        network.addDevice(sim::Ipv4Address{127, 0, 0, 2}, sim::MacAddress{2, 0x4B, 0x7E, 0, 0, 9});
        ASSERT_TRUE(network.start());
        QObject::connect(&network, &sim::SimNetwork::commandReceived, [this](int, quint8 code, int length) {
            if (code == 0x40) blockLengths << length;
        });
        context.link.devicePort = network.port();
        context.dataDir = dir.path();
        Pace pace = Pace::immediate();
        pace.afterUploadBlock = 5ms;
        page = std::make_unique<CWebPage>(context, nullptr, pace);
        page->resize(760, 420);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    QString path(const QString& rel) const { return dir.filePath(rel); }
    QPushButton* button(const char* id) const { return page->findChild<QPushButton*>(QString::fromLatin1(id)); }
    QString status() const { return page->findChild<QLineEdit*>(QStringLiteral("1024"))->text(); }
    QString projectField() const { return page->findChild<QLineEdit*>(QStringLiteral("1018"))->text(); }
    QProgressBar* bar() const { return page->findChild<QProgressBar*>(QStringLiteral("1023")); }
    void chooseProject(const QString& file) {
        prompts.pathAnswers.enqueue(file);
        QTest::mouseClick(button("1021"), Qt::LeftButton);
    }
    // Presses "Upload " and waits (bounded) for the end of the pass; its `completed`.
    bool upload() {
        QSignalSpy finished(page.get(), &CWebPage::uploadPassFinished);
        QTest::mouseClick(button("1022"), Qt::LeftButton);
        if (finished.isEmpty() && !finished.wait(kUploadWaitMs)) return false;
        return finished.first().first().toBool();
    }
    QByteArray flash(int length) const {
        return QByteArray(reinterpret_cast<const char*>(network.device(0).flash().data()), length);
    }

    QTemporaryDir dir;
    sim::SimConfig config;
    sim::SimNetwork network{config};
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), QString()};
    std::unique_ptr<CWebPage> page;
    QList<int> blockLengths;
};

TEST_F(WebPageUploadTest, TheRightHalfHasItsControlsAndTexts) {
    struct Expected {
        const char* id;
        const char* text;
    } buttons[] = {{"1019", "DataBase indirizzi IP"},
                   {"1030", "Cancella DataBase indirizzi IP"},
                   {"1020", "Set"},
                   {"1021", "Seleziona File di progetto"},
                   {"1022", "Upload "}};
    for (const auto& b : buttons) {
        ASSERT_NE(button(b.id), nullptr) << b.id;
        EXPECT_EQ(button(b.id)->text(), QString::fromUtf8(b.text));
    }
    EXPECT_FALSE(button("1020")->isVisible());
    EXPECT_TRUE(button("1020")->isDefault());
    EXPECT_NE(page->findChild<IpAddressEdit*>(QStringLiteral("1017")), nullptr);
    auto* verify = page->findChild<QCheckBox*>(QStringLiteral("verify"));
    ASSERT_NE(verify, nullptr);
    EXPECT_EQ(verify->text(), "Verifica");
    EXPECT_FALSE(verify->isChecked());
    auto* picture = page->findChild<QLabel*>(QStringLiteral("180"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());
    QStringList groups;
    for (auto* group : page->findChildren<QGroupBox*>()) groups << group->title();
    EXPECT_TRUE(groups.contains("Destinazione"));
    EXPECT_TRUE(groups.contains("Upload"));
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(status(), "In Attesa...");
}

TEST_F(WebPageUploadTest, AnUploadSendsEveryBlockAndEndsWithTheTextsOfTheProgram) {
    WriteFileBytes(path("site.TAV"), Pattern(3 * 256 + 1));
    chooseProject(path("site.TAV"));
    EXPECT_EQ(projectField(), path("site.TAV"));
    TypeAddress(page.get(), "1017", kDevice);
    QList<bool> barShown;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { barShown << bar()->isVisible(); });
    probe.start(1);
    ASSERT_TRUE(upload());
    probe.stop();
    EXPECT_TRUE(barShown.contains(true));  // the bar stood in for the status line meanwhile
    EXPECT_EQ(blockLengths, (QList<int>{259, 259, 259, 4}));
    EXPECT_EQ(flash(3 * 256 + 1), Pattern(3 * 256 + 1));
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Upload della memoria Flash completato !!", "Upload completato"}}));
    EXPECT_EQ(status(), "Upload  Comletato.");
    EXPECT_EQ(button("1022")->text(), "Upload ..");
    EXPECT_TRUE(button("1022")->isEnabled());
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(ReadFileBytes(path("iph.ini")), "[1]\t 127.0.0.2\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("In Attesa..."), 2000);
}

TEST_F(WebPageUploadTest, VerificaReadsTheBlocksBackAndNamesTheFirstThatDiffers) {
    network.stop();
    sim::SimConfig lossy;
    lossy.dropWriteSector = 2;
    sim::SimNetwork dropping(lossy);
    dropping.addDevice(sim::Ipv4Address{127, 0, 0, 3}, sim::MacAddress{2, 0x4B, 0x7E, 0, 0, 3});
    ASSERT_TRUE(dropping.start());
    context.link.devicePort = dropping.port();
    page = std::make_unique<CWebPage>(context, nullptr, Pace{.afterSectorRead = 0ms, .afterUploadBlock = 1ms});
    page->show();
    WriteFileBytes(path("site.TAV"), Pattern(5 * 256));
    chooseProject(path("site.TAV"));
    TypeAddress(page.get(), "1017", "127.0.0.3");
    page->findChild<QCheckBox*>(QStringLiteral("verify"))->setChecked(true);
    EXPECT_FALSE(upload());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].caption, "Errore");
    EXPECT_TRUE(prompts.messages[0].text.contains("blocco 2")) << prompts.messages[0].text.toStdString();
    EXPECT_EQ(status(), "Upload  Interrotto.");
    EXPECT_EQ(button("1022")->text(), "Upload ");
}

TEST_F(WebPageUploadTest, VerificaPassesAgainstADeviceThatStoredEveryBlock) {
    WriteFileBytes(path("site.TAV"), Pattern(6 * 256 + 17));
    chooseProject(path("site.TAV"));
    TypeAddress(page.get(), "1017", kDevice);
    page->findChild<QCheckBox*>(QStringLiteral("verify"))->setChecked(true);
    ASSERT_TRUE(upload());
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Upload della memoria Flash completato !!", "Upload completato"}}));
    EXPECT_EQ(status(), "Upload  Comletato.");
}

TEST_F(WebPageUploadTest, RefusalsSendNothing) {
    // The address left at 0.0.0.0: only the address message; the status line keeps its text.
    QTest::mouseClick(button("1022"), Qt::LeftButton);
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!", "Attenzione"}}));
    EXPECT_EQ(status(), "In Attesa...");
    EXPECT_FALSE(QFile::exists(path("iph.ini")));

    // No project file: the socket and the history entry are made all the same.
    prompts.messages.clear();
    TypeAddress(page.get(), "1017", kDevice);
    QTest::mouseClick(button("1022"), Qt::LeftButton);
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Selezionare il file di progetto!!", "Errore"}}));
    EXPECT_EQ(status(), "In Attesa...");
    EXPECT_EQ(ReadFileBytes(path("iph.ini")), "[1]\t 127.0.0.2\r\n");

    // One byte over the limit: refused before anything is sent.
    prompts.messages.clear();
    WriteFileBytes(path("big.TAV"), QByteArray(520193, 'x'));
    chooseProject(path("big.TAV"));
    EXPECT_FALSE(upload());
    EXPECT_EQ(prompts.messages,
              (QList<Message>{{"Le dimensioni del file superano le dimensioni consentite !!", "Errore"}}));
    EXPECT_EQ(status(), "Upload  Interrotto.");

    // A file that is not there: named in the message.
    prompts.messages.clear();
    chooseProject(path("gone.TAV"));
    EXPECT_FALSE(upload());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(path("gone.TAV")));
    EXPECT_EQ(prompts.messages[0].caption, "Errore");
    EXPECT_EQ(status(), "Upload  Interrotto.");
    QTest::qWait(20);
    EXPECT_TRUE(blockLengths.isEmpty());

    // Cancelling the file dialog empties the path: the next upload asks for a file.
    prompts.messages.clear();
    chooseProject(QString());
    EXPECT_EQ(projectField(), "");
    QTest::mouseClick(button("1022"), Qt::LeftButton);
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Selezionare il file di progetto!!", "Errore"}}));
}

TEST_F(WebPageUploadTest, AnEmptyProjectFileCompletesWithoutADatagram) {
    WriteFileBytes(path("empty.TAV"), QByteArray());
    chooseProject(path("empty.TAV"));
    TypeAddress(page.get(), "1017", kDevice);
    ASSERT_TRUE(upload());
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Upload della memoria Flash completato !!", "Upload completato"}}));
    EXPECT_EQ(status(), "Upload  Comletato.");
    QTest::qWait(20);
    EXPECT_TRUE(blockLengths.isEmpty());
}

TEST_F(WebPageUploadTest, TheHistoryButtonsPickAndEmpty) {
    WriteFileBytes(path("iph.ini"), "[1]\t 10.0.0.7\r\n");
    QTest::mouseClick(button("1030"), Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(path("iph.ini")));
    EXPECT_EQ(ReadFileBytes(path("iph.ini")), "");
    EXPECT_TRUE(prompts.messages.isEmpty());
    // Cancelling the pick list sets the address field to 0.0.0.0.
    TypeAddress(page.get(), "1017", kDevice);
    test::WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    QTest::mouseClick(button("1019"), Qt::LeftButton);
    EXPECT_EQ(page->findChild<IpAddressEdit*>(QStringLiteral("1017"))->address(), (Ipv4Octets{0, 0, 0, 0}));
}

}  // namespace
}  // namespace tavo
