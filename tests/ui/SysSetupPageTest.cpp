#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "app/ProgramIcon.h"
#include "app/PropSheet.h"
#include "app/SysSetupPage.h"
#include "controls/DialogUnits.h"

namespace tavo {
namespace {

// The form's pictures: object name, top left corner in dialog units, size in pixels.
struct FormPicture {
    const char* name;
    int x, y;
    QSize pixels;
};
const FormPicture kPictures[] = {
    {"logoPicture", 43, 159, {303, 82}},
    {"contactPicture", 69, 103, {253, 60}},
    {"namePicture", 88, 26, {194, 58}},
    {"mascotPicture", 15, 20, {100, 120}},
};

// True when the picture holds more than one colour: it was drawn, not left blank.
bool HasContent(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first) return true;
    return false;
}

class SysSetupPageTest : public ::testing::Test {
protected:
    void ExpectFormGeometry() {
        const DialogUnits units(page);
        EXPECT_EQ(page.sizeHint(), units.size(294, 235));
        const QRect ground = units.rect(7, 7, 280, 223);
        auto* white = page.findChild<QFrame*>(QStringLiteral("whiteRect"));
        auto* black = page.findChild<QFrame*>(QStringLiteral("blackFrame"));
        ASSERT_NE(white, nullptr);
        ASSERT_NE(black, nullptr);
        EXPECT_EQ(white->geometry(), ground);
        EXPECT_EQ(black->geometry(), ground);
        for (const FormPicture& form : kPictures) {
            SCOPED_TRACE(form.name);
            auto* picture = page.findChild<QLabel*>(QString::fromLatin1(form.name));
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->pos(), units.point(form.x, form.y));
            EXPECT_EQ(picture->pixmap().size(), form.pixels);
            const int edge = 2 * picture->frameWidth();
            EXPECT_EQ(picture->size(), form.pixels + QSize(edge, edge));
        }
    }

    QTemporaryDir dataDir;
    test::FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dataDir.path()};
    CSysSetupPage page{context};
};

TEST_F(SysSetupPageTest, PlacesTheGroundAndFourPicturesByTheFormsDialogUnits) {
    EXPECT_EQ(page.windowTitle(), QStringLiteral("Info"));
    ExpectFormGeometry();
    for (const FormPicture& form : kPictures)
        EXPECT_TRUE(HasContent(page.findChild<QLabel*>(QString::fromLatin1(form.name))->pixmap())) << form.name;
    // Only the logo carries an edge; the ground is white and disabled.
    EXPECT_GT(page.findChild<QLabel*>(QStringLiteral("logoPicture"))->frameWidth(), 0);
    EXPECT_EQ(page.findChild<QLabel*>(QStringLiteral("mascotPicture"))->frameWidth(), 0);
    auto* white = page.findChild<QFrame*>(QStringLiteral("whiteRect"));
    EXPECT_FALSE(white->isEnabled());
    EXPECT_EQ(white->palette().color(QPalette::Window), QColor(Qt::white));
}

// Earlier controls of the form lie above later ones: the logo on top, the frame below all.
TEST_F(SysSetupPageTest, StacksTheControlsInTheFormsOrder) {
    QStringList bottomToTop;
    for (QObject* child : page.children())
        if (child->isWidgetType()) bottomToTop << child->objectName();
    EXPECT_EQ(bottomToTop, (QStringList{"blackFrame", "whiteRect", "mascotPicture", "namePicture", "contactPicture",
                                        "logoPicture"}));
}

TEST_F(SysSetupPageTest, ALargerFontMovesThePicturesButKeepsTheirSizes) {
    const QPoint logoBefore = page.findChild<QLabel*>(QStringLiteral("logoPicture"))->pos();
    QFont font = page.font();
    font.setPixelSize(font.pixelSize() > 0 ? font.pixelSize() * 2 : 26);
    page.setFont(font);
    ExpectFormGeometry();
    EXPECT_NE(page.findChild<QLabel*>(QStringLiteral("logoPicture"))->pos(), logoBefore);
}

TEST(ProgramIconTest, TheIconIsTheMascotAtEverySize) {
    const QIcon icon = programIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48, 256}) EXPECT_EQ(icon.pixmap(size, size).size(), QSize(size, size)) << size;
    // The mascot's own picture and the icon come from the same drawing: both show its
    // blue case at the middle of the figure.
    const QImage mascot = mascotPicture().toImage();
    const QImage large = icon.pixmap(256, 256).toImage();
    EXPECT_EQ(mascot.pixelColor(50, 95), large.pixelColor(128, 203));
}

// Switching to "Info" and back leaves every other page, the tables and the window alone.
TEST(SysSetupPageInSheetTest, SwitchingToInfoAndBackChangesNothingElse) {
    QTemporaryDir dataDir;
    test::FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dataDir.path()};
    CPropSheet sheet(context);
    sheet.show();
    QTabWidget* tabs = sheet.tabs();
    QWidget* ipPage = tabs->widget(0);
    const QImage ipBefore = ipPage->grab().toImage();
    const QSize sheetBefore = sheet.size();
    const QString statusBefore = ipPage->findChild<QLineEdit*>(QStringLiteral("1005"))->text();
    const int rowsBefore = ipPage->findChild<QTableWidget*>(QStringLiteral("1000"))->rowCount();
    const auto files = [&dataDir] {
        QStringList found;
        for (const QFileInfo& file : QDir(dataDir.path()).entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries))
            found << file.fileName() + ' ' + QString::number(file.size()) + ' ' +
                         file.lastModified().toString(Qt::ISODateWithMs);
        return found;
    };
    const QStringList filesBefore = files();

    const int info = tabs->indexOf(sheet.findChild<CSysSetupPage*>(QStringLiteral("SysSetupPage")));
    ASSERT_EQ(tabs->tabText(info), QStringLiteral("Info"));
    tabs->setCurrentIndex(info);
    QApplication::processEvents();
    tabs->setCurrentIndex(0);
    QApplication::processEvents();

    EXPECT_EQ(ipPage->grab().toImage(), ipBefore);
    EXPECT_EQ(sheet.size(), sheetBefore);
    EXPECT_EQ(ipPage->findChild<QLineEdit*>(QStringLiteral("1005"))->text(), statusBefore);
    EXPECT_EQ(ipPage->findChild<QTableWidget*>(QStringLiteral("1000"))->rowCount(), rowsBefore);
    EXPECT_EQ(tabs->count(), 3);
    EXPECT_FALSE(sheet.isUtilityShown());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.confirmations.isEmpty());
    EXPECT_EQ(files(), filesBefore);
}

}  // namespace
}  // namespace tavo
