// Every dialog, viewer and message box opens centred over the window it belongs to and
// wholly inside the screen's available area; the headless screen (800 x 600) is a small
// one, smaller than the sheet's own height and width together with a dialog beside it.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "FakePrompts.h"
#include "FlashDump.h"
#include "UiTestHelpers.h"
#include "address/FindIPDlg.h"
#include "address/IPClearDlg.h"
#include "address/IPDBdlg.h"
#include "address/MacDBDlg.h"
#include "app/AboutDlg.h"
#include "app/DialogPlacement.h"
#include "app/MessageBoxPrompts.h"
#include "app/PropSheet.h"
#include "bootp/BootpEditDlg.h"
#include "controls/ConfirmDlg.h"
#include "maintenance/ReadFlashDlg.h"

namespace tavo {
namespace {

using test::FakePrompts;

constexpr int kCentreSlack = 8;
const QPoint kOffCentre(40, 30);

class DialogPlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        qApp->installEventFilter(&placement);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        sheet.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    }
    void TearDown() override { qApp->removeEventFilter(&placement); }

    QRect area() const { return sheet.screen()->availableGeometry(); }
    QWidget* page(const char* name) { return sheet.findChild<QWidget*>(QString::fromLatin1(name)); }
    // The sheet with its centre on the screen's bottom right corner: half of it is off
    // the screen, and a dialog centred over it would be too.
    void sheetToCorner() { sheet.move(area().bottomRight() - QPoint(sheet.width() / 2, sheet.height() / 2)); }
    // Off the screen's centre, so that a dialog centred on the screen instead of over
    // its owner shows.
    void sheetOffCentre() {
        sheet.move(area().center() - QPoint(sheet.width() / 2, sheet.height() / 2) + kOffCentre);
    }
    void moveSheet(bool corner) { corner ? sheetToCorner() : sheetOffCentre(); }

    // Shows the dialog and checks where it stands.
    void expectPlaced(QWidget& dialog) {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        expectPlacedNow(dialog);
        dialog.close();
    }
    // Inside the screen always; centred over the sheet wherever that fits the screen.
    void expectPlacedNow(const QWidget& dialog) {
        SCOPED_TRACE(dialog.metaObject()->className());
        EXPECT_TRUE(area().contains(dialog.frameGeometry()))
            << dialog.frameGeometry().x() << "," << dialog.frameGeometry().y() << " "
            << dialog.frameGeometry().width() << "x" << dialog.frameGeometry().height();
        QRect centred(QPoint(), dialog.frameGeometry().size());
        centred.moveCenter(sheet.frameGeometry().center());
        if (area().contains(centred)) {
            const QPoint offset = dialog.frameGeometry().center() - sheet.frameGeometry().center();
            // A message box settles its size by a few pixels once it is up.
            EXPECT_LE(offset.manhattanLength(), kCentreSlack) << offset.x() << "," << offset.y();
        }
    }

    QTemporaryDir dataDir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dataDir.path()};
    DialogPlacement placement;
    CPropSheet sheet{context};
};

TEST_F(DialogPlacementTest, EveryDialogAndViewerOpensInsideTheScreenOverItsOwner) {
    FlashDump dump(0, 15);
    for (int sector = 0; sector <= 15; ++sector) dump.store(sector, SectorData{});
    const std::vector<std::function<std::unique_ptr<QWidget>()>> dialogs{
        [&] { return std::make_unique<CAboutDlg>(&sheet); },
        [&] { return std::make_unique<CConfirmDlg>(QStringLiteral("IP Clear"), QStringLiteral("?"), &sheet); },
        [&] { return std::make_unique<CBootpEditDlg>(context, page("IPPage")); },
        [&] { return std::make_unique<CIPClearDlg>(context, page("IPPage")); },
        [&] { return std::make_unique<CFindIPDlg>(context, page("IPPage")); },
        [&] { return std::make_unique<CIPDBdlg>(context, page("WebPage")); },
        [&] { return std::make_unique<CMacDBDlg>(context, page("IPPage")); },
        [&] {
            auto viewer = std::make_unique<CReadFlashDlg>(CReadFlashDlg::MODE_FLASH, prompts, page("UtilPage"));
            viewer->SetFlashData(dump);
            return viewer;
        },
        [&] {
            auto viewer = std::make_unique<CReadFlashDlg>(CReadFlashDlg::MODE_REGISTER, prompts, page("UtilPage"));
            viewer->SetRegisterData(RegisterTable{});
            return viewer;
        },
        // A dialog given no owner opens over the active window all the same.
        [&] {
            auto viewer = std::make_unique<CReadFlashDlg>(CReadFlashDlg::MODE_FLASH, prompts);
            viewer->SetFlashData(dump);
            return viewer;
        },
    };
    for (const bool corner : {true, false}) {
        moveSheet(corner);
        for (const auto& make : dialogs) {
            const std::unique_ptr<QWidget> dialog = make();
            expectPlaced(*dialog);
        }
    }
}

// Qt's own message box and file dialog, as the prompts open them over the active window.
TEST_F(DialogPlacementTest, MessageBoxesAndFileDialogsOpenInsideTheScreen) {
    MessageBoxPrompts real;
    for (const bool corner : {true, false}) {
        moveSheet(corner);
        int checked = 0;
        const auto check = [&](QWidget* modal) {
            expectPlacedNow(*modal);
            ++checked;
            modal->close();
        };
        test::WhenModal(check);
        real.message(QStringLiteral("Upload della memoria Flash completato !!"), QStringLiteral("Upload completato"));
        test::WhenModal(check);
        real.saveFile(QString(), QStringLiteral("TAVRO 707 file(*.TAV)"), QStringLiteral("TAV"));
        EXPECT_EQ(checked, 2);
    }
}

}  // namespace
}  // namespace tavo
