// The commissioning line's window as the operator uses it: opened from the sheet's
// window menu, the fields' checks and their messages, a whole line on loopback against
// in-process simulated devices without an address, the rows' texts, closing a running
// line, and one BootP server per program between the line and the IP page.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <memory>

#include "BootpServer.h"
#include "FakePrompts.h"
#include "SimNetwork.h"
#include "UiTestHelpers.h"
#include "UploadPlan.h"
#include "app/PropSheet.h"
#include "bootp/IPPage.h"
#include "commission/CommissionWindow.h"

namespace tavo {
namespace {

using namespace std::chrono_literals;
using test::FakePrompts;
using Message = FakePrompts::Message;

constexpr int kLineWaitMs = 30000;  // three devices at the test's pace take well under a second
constexpr int kBlocks = 12;
const QString kError = QStringLiteral("Errore");
const QString kTitle = QStringLiteral("Linea di messa in servizio");

quint16 freePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

QByteArray Image(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) bytes[i] = char(i * 7 + i / 256);
    return bytes;
}

class CommissionWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        context.pace = Pace::immediate();
        context.pace.searchTick = 20ms;
        imagePath = dir.filePath(QStringLiteral("site.TAV"));
        test::WriteFileBytes(imagePath, Image(kBlocks * 256 - 100));
        reportPath = dir.filePath(QStringLiteral("line.csv"));
    }
    void TearDown() override {
        if (window) window->hide();
    }

    void open() {
        window = std::make_unique<CommissionWindow>(context);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    template <typename T = QLineEdit>
    T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void type(const char* name, const QString& text) {
        QLineEdit* edit = child(name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    // The fields of a start that passes every check, typed as the operator types them.
    void fillValid() {
        type("commissionImage", imagePath);
        test::TypeIntoAddress(window.get(), "commissionPoolFirst", QStringLiteral("127.0.0.100"));
        test::TypeIntoAddress(window.get(), "commissionPoolLast", QStringLiteral("127.0.0.120"));
        type("commissionReport", reportPath);
    }
    void clickStart() { QTest::mouseClick(child<QPushButton>("commissionStart"), Qt::LeftButton); }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = child<QTableWidget>("commissionDevices")->item(row, column);
        return item ? item->text() : QString();
    }
    int rows() const { return child<QTableWidget>("commissionDevices")->rowCount(); }
    QString status() const { return child("commissionStatus")->text(); }
    void expectStopped() {
        EXPECT_FALSE(window->isRunning());
        EXPECT_TRUE(child<QPushButton>("commissionStart")->isEnabled());
        EXPECT_FALSE(child<QPushButton>("commissionStop")->isEnabled());
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
    QString imagePath;
    QString reportPath;
    std::unique_ptr<CommissionWindow> window;
};

TEST_F(CommissionWindowTest, OpensFromTheWindowMenuOncePerProgram) {
    CPropSheet sheet(context);
    auto* tabs = sheet.findChild<QTabWidget*>(QStringLiteral("sheetTabs"));
    QAction* item = sheet.findChild<QAction*>(QStringLiteral("IDM_COMMISSION"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), kTitle);
    auto* menu = sheet.findChild<QMenu*>(QStringLiteral("sheetMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions().contains(item));
    EXPECT_EQ(sheet.commissionWindow(), nullptr);

    item->trigger();
    CommissionWindow* shown = sheet.commissionWindow();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(shown->isModal());
    EXPECT_EQ(shown->parentWidget(), &sheet);
    EXPECT_EQ(shown->windowTitle(), kTitle);
    // Closed, it is only hidden; the item shows the same window again.
    shown->close();
    EXPECT_FALSE(shown->isVisible());
    item->trigger();
    EXPECT_EQ(sheet.commissionWindow(), shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(sheet.findChildren<CommissionWindow*>().size(), 1);

    // The sheet keeps its pages: three tabs, four with "Utilità".
    const auto titles = [tabs] {
        QStringList list;
        for (int i = 0; i < tabs->count(); ++i) list << tabs->tabText(i);
        return list;
    };
    EXPECT_EQ(titles(), (QStringList{"Configurazione indirizzo IP", "Web Upload", "Info"}));
    sheet.ToggleUtilityPage();
    EXPECT_EQ(titles(), (QStringList{"Configurazione indirizzo IP", "Web Upload", "Info", "Utility"}));

    // The window's starting state.
    auto* devices = shown->findChild<QTableWidget*>(QStringLiteral("commissionDevices"));
    QStringList headings;
    for (int c = 0; c < devices->columnCount(); ++c) headings << devices->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headings, (QStringList{"MAC", "IP", "Fase", "Tempo rimanente", "Risultato"}));
    EXPECT_TRUE(shown->findChild<QCheckBox*>(QStringLiteral("commissionVerify"))->isChecked());
    EXPECT_FALSE(shown->findChild<QCheckBox*>(QStringLiteral("commissionChangedOnly"))->isChecked());
    EXPECT_FALSE(shown->findChild<QCheckBox*>(QStringLiteral("commissionResume"))->isChecked());
    EXPECT_TRUE(shown->findChild<QPushButton*>(QStringLiteral("commissionStart"))->isEnabled());
    EXPECT_FALSE(shown->findChild<QPushButton*>(QStringLiteral("commissionStop"))->isEnabled());
    EXPECT_EQ(shown->findChild<QLineEdit*>(QStringLiteral("commissionReport"))->text(),
              QDir::toNativeSeparators(dir.filePath(QStringLiteral("commissioning.csv"))));
    shown->hide();
}

TEST_F(CommissionWindowTest, BrowseButtonsAskThroughThePrompts) {
    open();
    const QString registers = dir.filePath(QStringLiteral("regs.txt"));
    for (const QString& path : {imagePath, registers, reportPath, QString()}) prompts.pathAnswers.enqueue(path);
    QTest::mouseClick(child<QPushButton>("commissionImageBrowse"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("commissionRegistersBrowse"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("commissionReportBrowse"), Qt::LeftButton);
    // A cancelled picker leaves the field as it was.
    QTest::mouseClick(child<QPushButton>("commissionImageBrowse"), Qt::LeftButton);
    EXPECT_EQ(child("commissionImage")->text(), imagePath);
    EXPECT_EQ(child("commissionRegisters")->text(), registers);
    EXPECT_EQ(child("commissionReport")->text(), reportPath);
    EXPECT_EQ(prompts.suffixes, (QStringList{"TAV", QString(), "csv", "TAV"}));
}

// Each bad field refuses the start with its message: no engine, no server, no report.
TEST_F(CommissionWindowTest, BadInputsGiveTheirMessagesAndStartNothing) {
    const QString large = dir.filePath(QStringLiteral("large.TAV"));
    test::WriteFileBytes(large, Image(qsizetype(UPLOAD_LIMIT) + 1));
    const QString empty = dir.filePath(QStringLiteral("empty.TAV"));
    test::WriteFileBytes(empty, QByteArray());
    const QString missing = dir.filePath(QStringLiteral("missing.TAV"));
    const QString badRegisters = dir.filePath(QStringLiteral("bad.txt"));
    test::WriteFileBytes(badRegisters, "21 5A  # first\r\n\r\n3C zz\r\n");
    const QString twice = dir.filePath(QStringLiteral("twice.txt"));
    test::WriteFileBytes(twice, "21 5A\n22 01\n21 00\n");
    const struct {
        const char* name;
        QString image;
        QString registers;
        QString first;
        QString last;
        QString report;
        QString message;
    } cases[] = {
        {"no project file", QString(), QString(), "127.0.0.100", "127.0.0.120", reportPath,
         "Selezionare il file di progetto!!"},
        {"too large", large, QString(), "127.0.0.100", "127.0.0.120", reportPath,
         "Le dimensioni del file superano le dimensioni consentite !!"},
        {"empty", empty, QString(), "127.0.0.100", "127.0.0.120", reportPath,
         "Il file di progetto è vuoto:\n" + empty},
        {"bad registers line", imagePath, badRegisters, "127.0.0.100", "127.0.0.120", reportPath,
         "File dei registri\n" + badRegisters + "\nriga 3: \"zz\" non è un valore (una o due cifre esadecimali)."},
        {"register twice", imagePath, twice, "127.0.0.100", "127.0.0.120", reportPath,
         "File dei registri\n" + twice + "\nriga 3: il registro 21 è già dato alla riga 1."},
        {"only first", imagePath, QString(), "127.0.0.100", QString(), reportPath,
         "Indicare sia il primo sia l'ultimo indirizzo dell'intervallo, oppure lasciarli vuoti entrambi."},
        {"only last", imagePath, QString(), QString(), "127.0.0.120", reportPath,
         "Indicare sia il primo sia l'ultimo indirizzo dell'intervallo, oppure lasciarli vuoti entrambi."},
        {"last below first", imagePath, QString(), "127.0.0.120", "127.0.0.100", reportPath,
         "L'ultimo indirizzo dell'intervallo precede il primo."},
        {"pool too large", imagePath, QString(), "10.0.0.1", "10.1.0.1", reportPath,
         "L'intervallo può contenere al massimo 65536 indirizzi."},
        {"no report file", imagePath, QString(), "127.0.0.100", "127.0.0.120", QString(), "Indicare il file del rapporto."},
    };
    open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        type("commissionImage", c.image);
        type("commissionRegisters", c.registers);
        test::TypeIntoAddress(window.get(), "commissionPoolFirst", c.first);
        test::TypeIntoAddress(window.get(), "commissionPoolLast", c.last);
        type("commissionReport", c.report);
        clickStart();
        EXPECT_EQ(prompts.messages, (QList<Message>{{c.message, kError}}));
        EXPECT_EQ(window->engine(), nullptr);
        expectStopped();
        EXPECT_EQ(BootpServer::runningInProgram(), nullptr);
        EXPECT_FALSE(QFile::exists(reportPath));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("bootp.ini"))));
    }
    // A project file that cannot be opened is named, with the system's words.
    prompts.messages.clear();
    fillValid();
    type("commissionImage", missing);
    clickStart();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Impossibile leggere il file di progetto\n" + missing + "\n("))
        << prompts.messages[0].text.toStdString();
    EXPECT_EQ(window->engine(), nullptr);
}

// A report the line cannot use refuses the start; a file that is not a report is left
// as it was.
TEST_F(CommissionWindowTest, AReportThatCannotBeUsedRefusesTheStart) {
    const QString notAReport = dir.filePath(QStringLiteral("notes.csv"));
    const QByteArray notes = "shopping list\r\nmilk\r\n";
    test::WriteFileBytes(notAReport, notes);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.csv")));
    const QString folder = dir.filePath(QStringLiteral("folder.csv"));
    open();
    fillValid();
    type("commissionReport", notAReport);
    clickStart();
    EXPECT_EQ(prompts.messages,
              (QList<Message>{{"Il file\n" + notAReport + "\nnon è un rapporto della linea (riga 1).", kError}}));
    EXPECT_EQ(test::ReadFileBytes(notAReport), notes);
    EXPECT_EQ(window->engine(), nullptr);
    expectStopped();

    prompts.messages.clear();
    type("commissionReport", folder);
    clickStart();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Impossibile aprire il rapporto\n" + folder + "\n("))
        << prompts.messages[0].text.toStdString();
    EXPECT_EQ(window->engine(), nullptr);
    EXPECT_EQ(BootpServer::runningInProgram(), nullptr);
}

// The whole line on loopback: three devices without an address ask by BootP, get the
// pool's addresses, the image and the registers, and are read back; the report holds
// a verified line for each.
TEST_F(CommissionWindowTest, ThreeDevicesAreCommissionedEndToEnd) {
    const quint16 serverPort = freePort();
    const quint16 clientPort = freePort();
    sim::SimConfig config;
    config.bootpServerPort = serverPort;
    config.bootpClientPort = clientPort;
    config.bootpIntervalMs = 50;
    config.bootpMaxRequests = 400;
    sim::SimNetwork network(config);
    for (quint8 i = 0; i < 3; ++i) network.addDevice(std::nullopt, sim::MacAddress{0x02, 0x4B, 0x7E, 0x41, 0x00, i});
    ASSERT_TRUE(network.start()) << network.errorString().toStdString();
    context.link.bootpServerPort = serverPort;
    context.link.bootpClientPort = clientPort;
    context.link.devicePort = network.port();
    const QString registers = dir.filePath(QStringLiteral("regs.txt"));
    test::WriteFileBytes(registers, "21 5a\n3C 0F # the last\n");

    open();
    fillValid();
    type("commissionRegisters", registers);
    clickStart();
    ASSERT_TRUE(window->isRunning()) << (prompts.messages.isEmpty() ? std::string() : prompts.messages[0].text.toStdString());
    EXPECT_FALSE(child<QPushButton>("commissionStart")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("commissionStop")->isEnabled());
    EXPECT_FALSE(child("commissionImage")->isEnabled());

    const auto allCompleted = [this] {
        if (rows() != 3) return false;
        for (int r = 0; r < 3; ++r)
            if (cell(r, 2) != QStringLiteral("completato")) return false;
        return true;
    };
    ASSERT_TRUE(QTest::qWaitFor(allCompleted, kLineWaitMs)) << rows() << " rows, first " << cell(0, 2).toStdString();
    QStringList macs;
    for (int r = 0; r < 3; ++r) {
        macs << cell(r, 0);
        EXPECT_TRUE(cell(r, 1).startsWith(QStringLiteral("127.0.0.1"))) << cell(r, 1).toStdString();
        EXPECT_EQ(cell(r, 3), QString());
        EXPECT_EQ(cell(r, 4), QStringLiteral("verificato"));
    }
    macs.sort();
    EXPECT_EQ(macs, (QStringList{"024B7E410000", "024B7E410001", "024B7E410002"}));
    const QByteArray image = test::ReadFileBytes(imagePath);
    for (int i = 0; i < 3; ++i) {
        const sim::SimDevice& device = network.device(i);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), device.flash().begin(),
                               [](char a, quint8 b) { return quint8(a) == b; }))
            << "device " << i;
        EXPECT_EQ(device.registers()[0x21], 0x5A);
        EXPECT_EQ(device.registers()[0x3C], 0x0F);
    }

    QTest::mouseClick(child<QPushButton>("commissionStop"), Qt::LeftButton);
    expectStopped();
    EXPECT_EQ(status(), QStringLiteral("Linea ferma: 3 dispositivi terminati, 3 verificati, 0 completati senza verifica, "
                                       "0 con errore, 0 interrotti, 0 già verificati."));
    const QStringList lines = QString::fromUtf8(test::ReadFileBytes(reportPath)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();  // header, 3 devices, after the last line end
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("time,mac,ip,image,sha256,")));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(lines[i].contains(QStringLiteral(",site.TAV,"))) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(QStringLiteral(",verified,"))) << lines[i].toStdString();
    }
    EXPECT_EQ(lines[4], QString());
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages[0].text.toStdString();
}

// What the fields put into the line's request, and what the context gives it.
TEST_F(CommissionWindowTest, TheRequestFollowsTheFieldsAndTheContext) {
    const QString registers = dir.filePath(QStringLiteral("regs.txt"));
    test::WriteFileBytes(registers, "\xEF\xBB\xBF" "0a 1\n");
    open();
    fillValid();
    type("commissionRegisters", registers);
    child<QCheckBox>("commissionVerify")->click();
    child<QCheckBox>("commissionChangedOnly")->click();
    child<QCheckBox>("commissionResume")->click();
    clickStart();
    ASSERT_TRUE(window->isRunning());
    const CommissionRequest& request = window->engine()->request();
    EXPECT_FALSE(request.verify);
    EXPECT_TRUE(request.changedOnly);
    EXPECT_TRUE(request.resume);
    ASSERT_TRUE(request.pool.has_value());
    EXPECT_EQ(request.pool->first, (Ipv4Octets{127, 0, 0, 100}));
    EXPECT_EQ(request.pool->last, (Ipv4Octets{127, 0, 0, 120}));
    EXPECT_EQ(request.registers, (std::vector<RegisterSetting>{{0x0A, 0x01}}));
    EXPECT_EQ(request.image.name, "site.TAV");
    EXPECT_EQ(request.image.bytes->size(), size_t(kBlocks * 256 - 100));
    EXPECT_EQ(request.reportPath, reportPath.toStdString());
    EXPECT_EQ(request.dataDir, dir.path().toStdString());
    EXPECT_EQ(request.pace.searchTick, 20ms);
    EXPECT_EQ(request.link.broadcast, QHostAddress(QStringLiteral("127.255.255.255")));
    EXPECT_EQ(request.devices, 0);
    EXPECT_EQ(status(), QStringLiteral("In attesa di richeste BootP ...."));
    QTest::mouseClick(child<QPushButton>("commissionStop"), Qt::LeftButton);
    expectStopped();

    // Blank pool fields: no pool; only the devices of "bootp.ini" are answered.
    child<QLineEdit>("commissionRegisters")->clear();
    window->findChild<IpAddressEdit*>(QStringLiteral("commissionPoolFirst"))->clear();
    window->findChild<IpAddressEdit*>(QStringLiteral("commissionPoolLast"))->clear();
    clickStart();
    ASSERT_TRUE(window->isRunning());
    EXPECT_FALSE(window->engine()->request().pool.has_value());
    EXPECT_TRUE(window->engine()->request().registers.empty());
    QTest::mouseClick(child<QPushButton>("commissionStop"), Qt::LeftButton);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// The row of each device by MAC, in the order they appeared, with its phase, time left
// and result in the window's words.
TEST_F(CommissionWindowTest, RowsShowPhasesTimesAndResults) {
    const auto state = [](uint8_t last, CommissionPhase phase, int percent, std::chrono::milliseconds left) {
        CommissionDeviceState s;
        s.mac = {0x02, 0x4B, 0x7E, 0x00, 0x00, last};
        s.ip = Ipv4Octets{10, 0, 0, last};
        s.phase = phase;
        s.percent = percent;
        s.timeLeft = left;
        return s;
    };
    const auto ended = [&state](uint8_t last, CommissionOutcome outcome, CommissionFailure failure,
                                std::function<void(CommissionRecord&)> figures = {}) {
        CommissionDeviceState s = state(last, outcome == CommissionOutcome::Verified || outcome == CommissionOutcome::Completed
                                                  ? CommissionPhase::Completed
                                                  : CommissionPhase::Failed,
                                        50, 3s);
        CommissionRecord record;
        record.mac = s.mac;
        record.outcome = outcome;
        record.failure = failure;
        if (figures) figures(record);
        s.record = record;
        return s;
    };
    const struct {
        CommissionDeviceState state;
        const char* phase;
        const char* left;
        const char* result;
    } cases[] = {
        {state(1, CommissionPhase::Waiting, 0, 0ms), "in attesa", "", ""},
        {state(2, CommissionPhase::AddressAssigned, 0, 2500ms), "indirizzo assegnato", "3 s", ""},
        {state(3, CommissionPhase::Uploading, 45, 125s), "upload 45 %", "2 min 05 s", ""},
        {state(4, CommissionPhase::Registers, 100, 59001ms), "registri", "1 min 00 s", ""},
        {state(5, CommissionPhase::Verifying, 7, 1ms), "verifica 7 %", "1 s", ""},
        {ended(6, CommissionOutcome::Verified, CommissionFailure::None), "completato", "", "verificato"},
        {ended(7, CommissionOutcome::Completed, CommissionFailure::None), "completato", "", "completato senza verifica"},
        {ended(8, CommissionOutcome::Interrupted, CommissionFailure::Interrupted), "errore", "", "interrotto"},
        {ended(9, CommissionOutcome::Failed, CommissionFailure::DeviceSilent, [](CommissionRecord& r) { r.block = 40; }),
         "errore", "", "silenzioso dal blocco 40"},
        {ended(10, CommissionOutcome::Failed, CommissionFailure::BlocksDiffer, [](CommissionRecord& r) { r.block = 7; }),
         "errore", "", "blocco 7 diverso dopo i nuovi invii"},
        {ended(11, CommissionOutcome::Failed, CommissionFailure::BlocksMissing, [](CommissionRecord& r) { r.block = 0; }),
         "errore", "", "blocco 0 mai riletto dopo i nuovi invii"},
        {ended(12, CommissionOutcome::Failed, CommissionFailure::RegisterDiffers,
               [](CommissionRecord& r) {
                   r.reg = 0x21;
                   r.regValue = 0x00;
               }),
         "errore", "", "registro 0x21 letto 0x00"},
        {ended(13, CommissionOutcome::Failed, CommissionFailure::RegisterNoReply, [](CommissionRecord& r) { r.reg = 0xAB; }),
         "errore", "", "registro 0xAB senza risposta"},
        {ended(14, CommissionOutcome::Failed, CommissionFailure::OtherAddress,
               [](CommissionRecord& r) { r.otherIp = Ipv4Octets{10, 0, 0, 5}; }),
         "errore", "", "risponde a 10.0.0.5"},
        {ended(15, CommissionOutcome::Failed, CommissionFailure::AddressNotConfirmed), "errore", "",
         "nessuna risposta alla ricerca IP"},
        {ended(16, CommissionOutcome::Failed, CommissionFailure::NoSocket), "errore", "", "impossibile aprire il socket"},
    };
    open();
    for (const auto& c : cases) window->showDevice(c.state);
    ASSERT_EQ(rows(), int(std::size(cases)));
    for (int r = 0; r < rows(); ++r) {
        const auto& c = cases[r];
        SCOPED_TRACE(c.phase + std::string(" ") + c.result);
        EXPECT_EQ(cell(r, 0), QString::fromStdString(FormatMac(c.state.mac)));
        EXPECT_EQ(cell(r, 1), QStringLiteral("10.0.0.%1").arg(r + 1));
        EXPECT_EQ(cell(r, 2), QString::fromUtf8(c.phase));
        EXPECT_EQ(cell(r, 3), QString::fromUtf8(c.left));
        EXPECT_EQ(cell(r, 4), QString::fromUtf8(c.result));
    }

    // A device that moves on keeps its row; new ones come below.
    const int before = rows();
    window->showDevice(state(3, CommissionPhase::Verifying, 80, 1500ms));
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(cell(2, 2), QStringLiteral("verifica 80 %"));
    EXPECT_EQ(cell(2, 3), QStringLiteral("2 s"));

    CommissionUnknownDevice usedUp;
    usedUp.mac = {0x02, 0x4B, 0x7E, 0x00, 0x01, 0x01};
    usedUp.status = DeviceTableStatus::PoolUsedUp;
    CommissionUnknownDevice taken = usedUp;
    taken.mac[5] = 0x02;
    taken.status = DeviceTableStatus::Duplicate;
    taken.ip = {127, 0, 0, 100};
    taken.takenBy = 2;
    CommissionUnknownDevice notInTable = usedUp;
    notInTable.mac[5] = 0x03;
    notInTable.status = DeviceTableStatus::NotFound;
    CommissionUnknownDevice added = usedUp;
    added.mac[5] = 0x04;
    added.status = DeviceTableStatus::Done;
    added.ip = {127, 0, 0, 101};
    for (const auto& unknown : {usedUp, taken, notInTable, added}) window->showUnknownDevice(unknown);
    window->showSkippedDevice({0x02, 0x4B, 0x7E, 0x00, 0x01, 0x05});
    ASSERT_EQ(rows(), before + 5);
    EXPECT_EQ(cell(before, 0), QStringLiteral("024B7E000101"));
    EXPECT_EQ(cell(before, 4), QStringLiteral("non aggiunto: intervallo di indirizzi esaurito"));
    EXPECT_EQ(cell(before + 1, 4), QStringLiteral("non aggiunto: indirizzo 127.0.0.100 già del record 3"));
    EXPECT_EQ(cell(before + 2, 4), QStringLiteral("non presente in bootp.ini"));
    EXPECT_EQ(cell(before + 3, 1), QStringLiteral("127.0.0.101"));
    EXPECT_EQ(cell(before + 3, 4), QString());
    EXPECT_EQ(cell(before + 4, 2), QStringLiteral("saltato"));
    EXPECT_EQ(cell(before + 4, 4), QStringLiteral("già verificato"));
}

// Closing the window while the line runs asks first: "No" keeps it open and running,
// "Si" stops the line (the summary tells it) and hides the window.
TEST_F(CommissionWindowTest, ClosingARunningLineAsksFirst) {
    open();
    fillValid();
    clickStart();
    ASSERT_TRUE(window->isRunning());
    prompts.confirmAnswers << false << true;
    window->close();
    ASSERT_EQ(prompts.confirmations.size(), 1);
    EXPECT_EQ(prompts.confirmations[0],
              kTitle + " | Chiudendo la finestra la linea si ferma: i dispositivi in corso restano interrotti.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isRunning());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(prompts.confirmations.size(), 2);
    EXPECT_FALSE(window->isVisible());
    expectStopped();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Linea ferma: 0 dispositivi terminati"))) << status().toStdString();
    // Not running, it closes without a question.
    window->show();
    window->close();
    EXPECT_EQ(prompts.confirmations.size(), 2);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// The sheet's close asks the same question while the line runs.
TEST_F(CommissionWindowTest, ClosingTheSheetAsksWhileTheLineRuns) {
    CPropSheet sheet(context);
    sheet.show();
    sheet.showCommissionWindow();
    CommissionWindow* line = sheet.commissionWindow();
    line->findChild<QLineEdit*>(QStringLiteral("commissionImage"))->setText(imagePath);
    QTest::mouseClick(line->findChild<QPushButton*>(QStringLiteral("commissionStart")), Qt::LeftButton);
    ASSERT_TRUE(line->isRunning());
    prompts.confirmAnswers << false << true;
    EXPECT_FALSE(sheet.close());
    EXPECT_TRUE(line->isRunning());
    EXPECT_TRUE(sheet.close());
    EXPECT_FALSE(line->isRunning());
    EXPECT_EQ(prompts.confirmations.size(), 2);
}

// One BootP server per program: while the IP page serves, "Avvia" says so and starts
// nothing; while the line serves, the page's "Avvio BootP" says the line serves.
TEST_F(CommissionWindowTest, OneBootpServerPerProgram) {
    CIPPage page(context);
    auto* pageStart = page.findChild<QPushButton*>(QStringLiteral("1004"));
    auto* pageStop = page.findChild<QPushButton*>(QStringLiteral("1006"));
    QTest::mouseClick(pageStart, Qt::LeftButton);
    ASSERT_TRUE(page.isBootpRunning());

    open();
    fillValid();
    clickStart();
    EXPECT_EQ(prompts.messages, (QList<Message>{{"Il server BootP della pagina Configurazione indirizzo IP è avviato: "
                                                 "fermarlo prima di avviare la linea.",
                                                 kError}}));
    EXPECT_EQ(window->engine(), nullptr);
    expectStopped();
    EXPECT_EQ(BootpServer::runningInProgram(), &page.bootpServer());

    prompts.messages.clear();
    QTest::mouseClick(pageStop, Qt::LeftButton);
    clickStart();
    ASSERT_TRUE(window->isRunning()) << (prompts.messages.isEmpty() ? std::string() : prompts.messages[0].text.toStdString());
    QTest::mouseClick(pageStart, Qt::LeftButton);
    EXPECT_FALSE(page.isBootpRunning());
    EXPECT_TRUE(pageStart->isEnabled());
    EXPECT_FALSE(pageStop->isEnabled());
    // The server's status alone: no preflight names this program as the port's holder.
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].caption, kError);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("Impossibile aprire la porta BootP ")));
    EXPECT_TRUE(prompts.messages[0].text.endsWith(
        QStringLiteral(" (la linea di messa in servizio sta servendo BootP) .. BootP non avviato ..")))
        << prompts.messages[0].text.toStdString();
    EXPECT_TRUE(window->isRunning());
    QTest::mouseClick(child<QPushButton>("commissionStop"), Qt::LeftButton);
    expectStopped();
}

}  // namespace
}  // namespace tavo
