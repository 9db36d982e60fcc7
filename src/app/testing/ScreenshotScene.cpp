#include "ScreenshotScene.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include "AddressText.h"
#include "BootpWords.h"
#include "app/PropSheet.h"
#include "commission/CommissionWindow.h"
#include "controls/IpAddressEdit.h"
#include "web/WebPage.h"
#include "web/WebUploadPanel.h"

namespace tavo {
namespace {
constexpr int kPollMs = 50;
constexpr int kSceneLimitMs = 20000;  // a scene that is not up by then is given up
constexpr int kSettleMs = 400;        // a window stays unchanged this long before its picture
// The flash range of the flash-dump scene: the sectors after the web image's resource
// table, where its first record (the default page) begins.
const char* const kDumpFrom = "4";
const char* const kDumpTo = "7";
const char* const kRegister = "10";
// The upload scene is pictured once this many blocks are sent: the bar shows its
// progress and the time left.
constexpr int kUploadBlocksShown = 4;

// The scenes, each with what it shows.
const QStringList kScenes{
    QStringLiteral("ip"),           // the device table
    QStringLiteral("web"),          // a web folder's list, ready for the build
    QStringLiteral("upload"),       // that folder's image on its way to the device
    QStringLiteral("info"),         // the pictures
    QStringLiteral("utility"),      // the Utility tab after a register read
    QStringLiteral("flash-dump"),   // the dump viewer over the Utility tab
    QStringLiteral("registers"),    // the register table in the dump viewer
    QStringLiteral("device-entry"), // "Aggiungi nuovo dispositivo"
    QStringLiteral("ip-search"),    // "Ricerca indirizzo IP"
    QStringLiteral("ip-clear"),     // "Cancella indirizzo IP"
    QStringLiteral("about"),        // the About box
    QStringLiteral("save-dialog"),  // the build's save dialog, in Qt's Italian
    QStringLiteral("project-dialog"),  // the project file's open dialog
    QStringLiteral("commission"),   // the commissioning line with devices in every phase
};
}  // namespace

QStringList screenshotSceneNames() { return kScenes; }

bool sceneShowsFileDialog(const QString& scene) {
    return scene == QLatin1String("save-dialog") || scene == QLatin1String("project-dialog");
}

bool saveWindowPicture(QWidget& window, const QString& path) {
    QPixmap picture;
    if (QScreen* screen = window.screen()) picture = screen->grabWindow(window.winId());
    if (picture.isNull()) picture = window.grab();
    return picture.save(path, "PNG");
}

ScreenshotScene::ScreenshotScene(CPropSheet& sheet, const TestingOptions& options, QObject* parent)
    : QObject(parent), m_sheet(sheet), m_options(options) {}

QWidget* ScreenshotScene::page(const char* name) const {
    return m_sheet.findChild<QWidget*>(QString::fromLatin1(name));
}

void ScreenshotScene::start() {
    const QString& scene = m_options.screenshotScene;
    if (scene == QLatin1String("ip")) {
        showTab("IPPage");
    } else if (scene == QLatin1String("web")) {
        showTab("WebPage");
        // The folder comes from the scene's prompts; the list fills as the operator sees
        // it, and the build that follows writes its image beside the folder.
        // Ready when no pass is running, as the page's own signals tell it.
        auto* web = qobject_cast<CWebPage*>(page("WebPage"));
        auto passRunning = std::make_shared<bool>(false);
        connect(web, &CWebPage::buildPassStarted, this, [passRunning] { *passRunning = true; });
        connect(web, &CWebPage::buildPassFinished, this, [passRunning] { *passRunning = false; });
        QTimer::singleShot(0, web, [web] { web->findChild<QPushButton*>(QStringLiteral("1014"))->click(); });
        waitFor([this, passRunning]() -> QWidget* {
            return !*passRunning && !QApplication::activeModalWidget() ? &m_sheet : nullptr;
        });
        return;
    } else if (scene == QLatin1String("upload")) {
        showTab("WebPage");
        // The folder's build writes its image; the image is then chosen as the project
        // file (the scene's prompts answer with it) and sent to the scene's device.
        auto* web = qobject_cast<CWebPage*>(page("WebPage"));
        connect(
            web, &CWebPage::buildPassFinished, this,
            [this, web](bool built) {
                if (!built) return;  // the scene then ends without a picture
                web->findChild<QPushButton*>(QStringLiteral("1021"))->click();
                if (const auto address = parseIpArgument(m_options.sceneDevice.toStdString()))
                    web->findChild<IpAddressEdit*>(QStringLiteral("1017"))->setAddress(*address);
                web->findChild<QPushButton*>(QStringLiteral("1022"))->click();
            },
            Qt::SingleShotConnection);
        QTimer::singleShot(0, web, [web] { web->findChild<QPushButton*>(QStringLiteral("1014"))->click(); });
        auto* progress = web->findChild<QProgressBar*>(QStringLiteral("1023"));
        waitFor([this, web, progress]() -> QWidget* {
            return web->uploadPanel()->m_bUploading && progress->isVisible() && progress->value() >= kUploadBlocksShown ? &m_sheet
                                                                                                        : nullptr;
        });
        return;
    } else if (scene == QLatin1String("info")) {
        showTab("SysSetupPage");
    } else if (scene == QLatin1String("utility")) {
        showTab("UtilPage");
        setUtilityTarget(false);
        auto* log = page("UtilPage")->findChild<QListWidget*>(QStringLiteral("1034"));
        const int before = log->count();
        page("UtilPage")->findChild<QLineEdit*>(QStringLiteral("1041"))->setText(QString::fromLatin1(kRegister));
        page("UtilPage")->findChild<QPushButton*>(QStringLiteral("1043"))->click();
        // Ready once the reply has been logged (two more lines: the request and the value).
        waitFor([this, log, before]() -> QWidget* { return log->count() >= before + 2 ? &m_sheet : nullptr; });
        return;
    } else if (scene == QLatin1String("flash-dump")) {
        showTab("UtilPage");
        setUtilityTarget(true);
        openOver("UtilPage", "1033");
        return;
    } else if (scene == QLatin1String("registers")) {
        showTab("UtilPage");
        setUtilityTarget(false);
        openOver("UtilPage", "1044");
        return;
    } else if (scene == QLatin1String("device-entry")) {
        openOver("IPPage", "1001");
        return;
    } else if (scene == QLatin1String("ip-search")) {
        openOver("IPPage", "1009");
        return;
    } else if (scene == QLatin1String("ip-clear")) {
        openOver("IPPage", "1008");
        return;
    } else if (scene == QLatin1String("save-dialog")) {
        // The folder's list fills and the build asks where to write its image.
        showTab("WebPage");
        auto* web = qobject_cast<CWebPage*>(page("WebPage"));
        QTimer::singleShot(0, web, [web] { web->findChild<QPushButton*>(QStringLiteral("1014"))->click(); });
        waitFor([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); });
        return;
    } else if (scene == QLatin1String("project-dialog")) {
        openOver("WebPage", "1021");
        return;
    } else if (scene == QLatin1String("commission")) {
        QTimer::singleShot(0, &m_sheet, [this] { showCommissionLine(); });
        waitFor([this] { return topDialog(); });
        return;
    } else if (scene == QLatin1String("about")) {
        QTimer::singleShot(0, &m_sheet, [this] { m_sheet.showAbout(); });
        waitFor([this] { return topDialog(); });
        return;
    }
    waitFor([this]() -> QWidget* { return &m_sheet; });
}

void ScreenshotScene::showTab(const char* pageName) {
    if (QLatin1String(pageName) == QLatin1String("UtilPage") && !m_sheet.isUtilityShown()) m_sheet.ToggleUtilityPage();
    m_sheet.tabs()->setCurrentWidget(page(pageName));
}

// Presses a button that opens a modal dialog; the press runs from the event loop, since
// the dialog's own loop only returns when the dialog is closed.
void ScreenshotScene::openOver(const char* pageName, const char* buttonName) {
    showTab(pageName);
    auto* button = page(pageName)->findChild<QPushButton*>(QString::fromLatin1(buttonName));
    QTimer::singleShot(0, button, &QPushButton::click);
    waitFor([this] { return topDialog(); });
}

// The dialog on top: a modal one, or a window of its own such as the dump viewer.
QWidget* ScreenshotScene::topDialog() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != &m_sheet && window->isVisible() && qobject_cast<QDialog*>(window)) return window;
    return nullptr;
}

// The line's window as it looks in the middle of a run: the fields filled in, and rows
// made up in each phase (no device is asked anything).
void ScreenshotScene::showCommissionLine() {
    m_sheet.showCommissionWindow();
    CommissionWindow* window = m_sheet.commissionWindow();
    // The image beside the scene's folder, as the other scenes pick it; typed in, so that
    // no picker can open over the scene.
    const QString image = m_options.sceneFolder.isEmpty() ? QStringLiteral("sito.TAV") : m_options.sceneFolder + ".TAV";
    window->findChild<QLineEdit*>(QStringLiteral("commissionImage"))->setText(image);
    window->findChild<QLineEdit*>(QStringLiteral("commissionRegisters"))
        ->setText(QFileInfo(image).dir().filePath(QStringLiteral("registri.txt")));
    window->findChild<IpAddressEdit*>(QStringLiteral("commissionPoolFirst"))->setOctets(127, 0, 0, 100);
    window->findChild<IpAddressEdit*>(QStringLiteral("commissionPoolLast"))->setOctets(127, 0, 0, 120);
    window->showStatus(QString::fromStdString(bootpStatusText(BootpStatus::Waiting)));

    using std::chrono::milliseconds;
    const auto state = [](uint8_t last, std::optional<uint8_t> ip, CommissionPhase phase, int percent,
                          milliseconds left) {
        CommissionDeviceState device;
        device.mac = {0x02, 0x4B, 0x7E, 0x00, 0x01, last};
        if (ip) device.ip = Ipv4Octets{127, 0, 0, *ip};
        device.phase = phase;
        device.percent = percent;
        device.timeLeft = left;
        return device;
    };
    const auto ended = [](CommissionDeviceState device, CommissionOutcome outcome, CommissionFailure failure,
                          std::optional<int> block) {
        CommissionRecord record;
        record.mac = device.mac;
        record.ip = *device.ip;
        record.outcome = outcome;
        record.failure = failure;
        record.block = block;
        device.record = record;
        return device;
    };
    window->showSkippedDevice({0x02, 0x4B, 0x7E, 0x00, 0x01, 0x00});
    window->showDevice(ended(state(1, 100, CommissionPhase::Completed, 100, milliseconds(0)), CommissionOutcome::Verified,
                             CommissionFailure::None, std::nullopt));
    window->showDevice(state(2, 101, CommissionPhase::Verifying, 60, milliseconds(4200)));
    window->showDevice(state(3, 102, CommissionPhase::Uploading, 45, milliseconds(72000)));
    window->showDevice(state(4, 103, CommissionPhase::Registers, 100, milliseconds(9000)));
    window->showDevice(ended(state(5, 104, CommissionPhase::Failed, 2, milliseconds(0)), CommissionOutcome::Failed,
                             CommissionFailure::DeviceSilent, 40));
    window->showDevice(state(6, 105, CommissionPhase::AddressAssigned, 0, milliseconds(160000)));
    window->showDevice(state(7, std::nullopt, CommissionPhase::Waiting, 0, milliseconds(0)));
}

void ScenePrompts::message(const QString& text, const QString& caption) {
    std::fprintf(stderr, "tavo-utility: [%s] %s\n", qPrintable(caption), qPrintable(text));
}

void ScreenshotScene::setUtilityTarget(bool withRange) {
    QWidget* util = page("UtilPage");
    if (const auto address = parseIpArgument(m_options.sceneDevice.toStdString()))
        util->findChild<IpAddressEdit*>(QStringLiteral("1037"))->setAddress(*address);
    if (withRange) {
        util->findChild<QLineEdit*>(QStringLiteral("1031"))->setText(QString::fromLatin1(kDumpFrom));
        util->findChild<QLineEdit*>(QStringLiteral("1032"))->setText(QString::fromLatin1(kDumpTo));
    }
}

void ScreenshotScene::waitFor(Ready ready) {
    m_ready = std::move(ready);
    m_waited.start();
    QTimer::singleShot(kPollMs, this, &ScreenshotScene::poll);
}

// The window on top is pictured once it is shown and has stayed so for a moment (its
// first paint done); a scene that never comes up ends without a picture.
void ScreenshotScene::poll() {
    QWidget* window = m_ready();
    const bool shown = window && window->isVisible() && window->windowHandle() && window->windowHandle()->isExposed();
    if (!shown) {
        m_readySince = nullptr;
        if (m_waited.elapsed() > kSceneLimitMs) {
            std::fprintf(stderr, "tavo-utility: the scene %s did not come up\n", qPrintable(m_options.screenshotScene));
            emit finished(false);
            return;
        }
    } else if (m_readySince != window) {
        m_readySince = window;
        m_settled.start();
    } else if (m_settled.elapsed() >= kSettleMs) {
        shoot(window);
        return;
    }
    QTimer::singleShot(kPollMs, this, &ScreenshotScene::poll);
}

// A dialog together with the sheet it opens over, as the screen shows them: where it
// stands shows in the picture. Without a screen to read, the dialog as it paints itself.
bool ScreenshotScene::saveDialogPicture(QWidget& dialog) const {
    QPixmap picture;
    if (QScreen* screen = dialog.screen()) {
        const QRect shown = (m_sheet.frameGeometry() | dialog.frameGeometry()) & screen->geometry();
        picture = screen->grabWindow(0, shown.x() - screen->geometry().x(), shown.y() - screen->geometry().y(),
                                     shown.width(), shown.height());
    }
    if (picture.isNull()) picture = dialog.grab();
    return picture.save(m_options.screenshotPath, "PNG");
}

void ScreenshotScene::shoot(QWidget* window) {
    const bool saved = window == &m_sheet ? saveWindowPicture(*window, m_options.screenshotPath)
                                          : saveDialogPicture(*window);
    if (!saved) std::fprintf(stderr, "tavo-utility: cannot write %s\n", qPrintable(m_options.screenshotPath));
    if (window != &m_sheet) window->close();
    // The dialog's own loop returns first; then the run ends.
    QTimer::singleShot(0, this, [this, saved] { emit finished(saved); });
}

}  // namespace tavo
