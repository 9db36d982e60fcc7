#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "Profile.h"
#include "app/PropSheet.h"
#include "app/StartupOptions.h"
#include "TestingOptions.h"
#include "TestingTavoApp.h"
#include "app/TavoApp.h"

namespace tavo {
namespace {

const QStringList kThreeTabs{QStringLiteral("Configurazione indirizzo IP"), QStringLiteral("Web Upload"),
                             QStringLiteral("Info")};
const QStringList kFourTabs = kThreeTabs + QStringList{QStringLiteral("Utility")};
const QStringList kThreePages{QStringLiteral("IPPage"), QStringLiteral("WebPage"), QStringLiteral("SysSetupPage")};
const QStringList kFourPages = kThreePages + QStringList{QStringLiteral("UtilPage")};

LinkConfig loopbackLink() {
    LinkConfig link;
    link.bootpServerPort = 0;
    link.bootpClientPort = 0;
    link.devicePort = 0;
    link.broadcast = QHostAddress(QStringLiteral("127.255.255.255"));
    return link;
}

// Runs `act` once a widget of the wanted kind is up (a bounded poll); the act must end it.
void WhenUp(std::function<QWidget*()> find, std::function<void(QWidget*)> act, int attempts = 400) {
    QTimer::singleShot(5, qApp, [find = std::move(find), act = std::move(act), attempts]() mutable {
        if (QWidget* widget = find()) {
            act(widget);
        } else if (attempts > 0) {
            WhenUp(std::move(find), std::move(act), attempts - 1);
        }
    });
}

class PropSheetTest : public ::testing::Test {
protected:
    QStringList TabTitles() const {
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i) titles << tabs->tabText(i);
        return titles;
    }
    QStringList PageNames() const {
        QStringList names;
        for (int i = 0; i < tabs->count(); ++i) names << tabs->widget(i)->objectName();
        return names;
    }
    QAction* Item(const char* name) const { return sheet.findChild<QAction*>(QString::fromLatin1(name)); }

    QTemporaryDir dataDir;
    test::FakePrompts prompts;
    AppContext context{prompts, loopbackLink(), dataDir.path()};
    CPropSheet sheet{context};
    QTabWidget* tabs = sheet.findChild<QTabWidget*>(QStringLiteral("sheetTabs"));
};

TEST_F(PropSheetTest, StartsWithThreeTabsAndTheWindowMenu) {
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("TAVO 707 Utility Software - Vantorel Technologies"));
    EXPECT_EQ(TabTitles(), kThreeTabs);
    EXPECT_EQ(PageNames(), kThreePages);
    EXPECT_FALSE(sheet.isUtilityShown());
    EXPECT_FALSE(sheet.windowIcon().isNull());
    // No maximise, no resizing.
    EXPECT_FALSE(sheet.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(sheet.minimumSize(), sheet.maximumSize());

    auto* menu = sheet.findChild<QMenu*>(QStringLiteral("sheetMenu"));
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) items << action->text();
    EXPECT_EQ(items, (QStringList{QStringLiteral("Utilità"), QStringLiteral("Registro BootP"),
                                  QStringLiteral("Linea di messa in servizio"), QStringLiteral("About  Nimbrel (&A)...")}));
    ASSERT_NE(Item("IDM_UTILITY"), nullptr);
    EXPECT_TRUE(Item("IDM_UTILITY")->isCheckable());
    EXPECT_FALSE(Item("IDM_UTILITY")->isChecked());
}

TEST_F(PropSheetTest, UtilityItemAddsTheLastTabAndRemovesItAgain) {
    sheet.show();
    QAction* utility = Item("IDM_UTILITY");
    ASSERT_NE(utility, nullptr);
    const struct {
        std::function<void()> choose;
        bool shown;
    } steps[] = {
        {[&] { utility->trigger(); }, true},
        {[&] { utility->trigger(); }, false},
        {[&] { sheet.ToggleUtilityPage(); }, true},
        {[&] { tabs->setCurrentIndex(3); utility->trigger(); }, false},  // while the Utility tab is open
        {[&] { tabs->setCurrentIndex(1); utility->trigger(); }, true},
        {[&] { sheet.ToggleUtilityPage(); }, false},
    };
    int step = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(step++);
        s.choose();
        EXPECT_EQ(TabTitles(), s.shown ? kFourTabs : kThreeTabs);
        EXPECT_EQ(PageNames(), s.shown ? kFourPages : kThreePages);
        EXPECT_EQ(utility->isChecked(), s.shown);
        EXPECT_EQ(sheet.isUtilityShown(), s.shown);
        EXPECT_GE(tabs->currentIndex(), 0);
    }
}

TEST_F(PropSheetTest, TheCornerMenuChoosesUtilita) {
    sheet.show();
    auto* button = sheet.findChild<QToolButton*>(QStringLiteral("sheetMenuButton"));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible());
    for (bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        WhenUp([] { return QApplication::activePopupWidget(); },
               [&](QWidget* popup) {
                   auto* menu = qobject_cast<QMenu*>(popup);
                   ASSERT_NE(menu, nullptr);
                   QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(Item("IDM_UTILITY")).center());
               });
        QTest::mouseClick(button, Qt::LeftButton);  // the menu runs until an item is chosen
        EXPECT_EQ(TabTitles(), shown ? kFourTabs : kThreeTabs);
        EXPECT_EQ(Item("IDM_UTILITY")->isChecked(), shown);
        // Checked, the Utility tab is the one shown.
        if (shown) EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("UtilPage"));
    }
}

TEST_F(PropSheetTest, AboutBoxOpensModallyOverTheSheet) {
    sheet.show();
    QString title, text, rights, okText;
    bool okIsDefault = false, sheetVisible = false;
    WhenUp([] { return QApplication::activeModalWidget(); },
           [&](QWidget* about) {
               title = about->windowTitle();
               text = about->findChild<QLabel*>(QStringLiteral("aboutText"))->text();
               rights = about->findChild<QLabel*>(QStringLiteral("rightsText"))->text();
               auto* ok = about->findChild<QPushButton*>(QStringLiteral("IDOK"));
               okText = ok->text();
               okIsDefault = ok->isDefault();
               sheetVisible = sheet.isVisible();
               QTest::keyClick(about, Qt::Key_Return);
               QPointer<QWidget> guard(about);
               if (guard && guard->isVisible()) guard->close();  // a fault: keep the test from hanging
           });
    Item("IDM_ABOUTBOX")->trigger();  // returns once the box is closed
    EXPECT_EQ(title, QStringLiteral("Nimbrel Utility for Windows Info."));
    EXPECT_EQ(text, QStringLiteral("TAVO Utility software di utilità per TAVO 707  Vantorel Technologies"));
    EXPECT_FALSE(rights.isEmpty());
    EXPECT_EQ(okText, QStringLiteral("OK"));
    EXPECT_TRUE(okIsDefault);
    EXPECT_TRUE(sheetVisible);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(TabTitles(), kThreeTabs);
}

TEST_F(PropSheetTest, ClosingTheWindowEndsTheRun) {
    sheet.show();
    QSignalSpy closed(&sheet, &CPropSheet::closed);
    sheet.windowHandle()->close();  // as the window's close button does
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(sheet.isVisible());
}

// Start-up runs in the current directory, which the tests change and restore.
class StartupTest : public ::testing::Test {
protected:
    void TearDown() override { QDir::setCurrent(m_saved); }
    static QString Canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

    test::FakePrompts prompts;
    QString m_saved = QDir::currentPath();
};

TEST_F(StartupTest, EveryStartRecordsItsDirectoryForTheTables) {
    QTemporaryDir first, second, chosen;
    const struct {
        QString directory;
        QString dataDirOption;
        QString expectedDataDir;
    } starts[] = {
        {first.path(), QString(), first.path()},
        {second.path(), QString(), second.path()},
        {first.path(), chosen.path(), chosen.path()},  // --data-dir: the profile still gets the start directory
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.directory.toStdString());
        ASSERT_TRUE(QDir::setCurrent(start.directory));
        StartupOptions options;
        options.link = loopbackLink();
        options.dataDir = start.dataDirOption;
        CTavoApp app(options, prompts);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(Canonical(Profile::startupPath()), Canonical(start.directory));
        EXPECT_EQ(Canonical(app.context().dataDir), Canonical(start.expectedDataDir));
        EXPECT_EQ(app.context().link.broadcast, QHostAddress(QStringLiteral("127.255.255.255")));
        ASSERT_NE(app.sheet(), nullptr);
        EXPECT_TRUE(app.sheet()->isVisible());
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(StartupTest, WithoutANetworkLayerItSaysSoAndShowsNoWindow) {
    Profile::writeStartupPath(QStringLiteral("/before"));
    TestingOptions options;
    options.failNetworkInit = true;
    TestingTavoApp app(options, prompts);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(prompts.messages, (QList<test::FakePrompts::Message>{
                                    {QStringLiteral("Windows sockets initialization failed."), QStringLiteral("tavo-utility")}}));
    EXPECT_EQ(app.sheet(), nullptr);
    EXPECT_EQ(Profile::startupPath(), QStringLiteral("/before"));
}

TEST(StartupOptions, CommandLineSetsTheLinkAndTheDataFolder) {
    QTemporaryDir data;
    const TestingStartupParse parse = parseTestingStartupOptions(
        {"tavo-utility", "--device-port", "10240", "--bootp-server-port", "0", "--bootp-client-port", "10068",
         "--broadcast", "127.255.255.255", "--interface", "lo", "--data-dir", data.path(), "--close-after-ms", "50"});
    ASSERT_EQ(parse.kind, StartupParse::Kind::run) << parse.text.toStdString();
    const TestingOptions& o = parse.options;
    EXPECT_EQ(o.link.devicePort, 10240);
    EXPECT_EQ(o.link.bootpServerPort, 0);
    EXPECT_EQ(o.link.bootpClientPort, 10068);
    EXPECT_EQ(o.link.broadcast, QHostAddress(QStringLiteral("127.255.255.255")));
    EXPECT_EQ(o.link.interfaceName, QStringLiteral("lo"));
    EXPECT_EQ(o.dataDir, data.path());
    EXPECT_EQ(o.closeAfterMs, 50);

    const StartupParse defaults = parseStartupOptions({"tavo-utility"});
    ASSERT_EQ(defaults.kind, StartupParse::Kind::run);
    EXPECT_EQ(defaults.options.link.devicePort, 1024);
    EXPECT_EQ(defaults.options.link.bootpServerPort, 67);
    EXPECT_EQ(defaults.options.link.bootpClientPort, 68);
    EXPECT_TRUE(defaults.options.link.isLimitedBroadcast());
    EXPECT_TRUE(defaults.options.dataDir.isEmpty());
}

}  // namespace
}  // namespace tavo
