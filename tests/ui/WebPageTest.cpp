#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "WebImage.h"
#include "web/WebPage.h"
#include "web/WebUploadPanel.h"

namespace tavo {
namespace {

using test::FakePrompts;
using test::ReadFileBytes;
using test::WriteFileBytes;
using Message = FakePrompts::Message;

constexpr int kBuildWaitMs = 10000;

QString ResourceIndexText(const char* url) {
    return QStringLiteral("%1").arg(ResourceIndex(url), 2, 16, QLatin1Char('0'));
}

// The prompts fake with a hook that runs when the save dialog is asked, as an operator
// would act while the build waits for a file name.
class HookedPrompts : public FakePrompts {
public:
    QString saveFile(const QString& caption, const QString& filter, const QString& defaultSuffix) override {
        saveFilters << filter;
        if (onSave) onSave();
        return FakePrompts::saveFile(caption, filter, defaultSuffix);
    }
    std::function<void()> onSave;
    QStringList saveFilters;
};

QMap<QString, QByteArray> tree(const QString& root) {
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out[QDir(root).relativeFilePath(path)] = it.fileInfo().isDir() ? QByteArray("<dir>") : ReadFileBytes(path);
    }
    return out;
}

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(path("templates"));
        WriteFileBytes(path("templates/707.html"), "<html>TAVO 707 template</html>");
        page = std::make_unique<CWebPage>(context);
        page->setTemplateFolders(path("nowhere"), path("templates"));
        page->resize(760, 420);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }
    QString path(const QString& rel) const { return dir.filePath(rel); }
    void file(const QString& rel, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path(rel)).absolutePath());
        WriteFileBytes(path(rel), bytes);
    }
    void collidingFolder(const QString& root) {
        file(root + "/ab.gif", "first");
        file(root + "/ba.gif", "second");
        file(root + "/links.htm", "<img src=ba.gif><img src=aba.gif>");
        file(root + "/img/pic.gif", QByteArray(300, 'L'));
    }
    QTableWidget* list() const { return page->findChild<QTableWidget*>(QStringLiteral("1013")); }
    QPushButton* button(const char* id) const { return page->findChild<QPushButton*>(QString::fromLatin1(id)); }
    QString status() const { return page->findChild<QLineEdit*>(QStringLiteral("1024"))->text(); }
    QStringList row(int r) const {
        QStringList cells;
        for (int c = 0; c < 3; ++c) cells << list()->item(r, c)->text();
        return cells;
    }
    // Presses "Seleziona Files" and, when a build starts, waits for its end.
    bool select(const QString& folder, const QString& saveAs = QString(), bool expectBuild = true) {
        prompts.pathAnswers.enqueue(folder);
        if (!saveAs.isNull()) prompts.pathAnswers.enqueue(saveAs);
        QSignalSpy finished(page.get(), &CWebPage::buildPassFinished);
        QTest::mouseClick(button("1014"), Qt::LeftButton);
        if (!expectBuild) return false;
        if (finished.isEmpty() && !finished.wait(kBuildWaitMs)) return false;
        return finished.first().first().toBool();
    }
    QByteArray tavoBuild(const QString& folder, const QString& out) {
        QProcess tavo;
        tavo.start(TAVO_CLI_EXE, {"image", "build", folder, "-o", out, "--template", path("templates/707.html")});
        EXPECT_TRUE(tavo.waitForFinished(30000));
        EXPECT_EQ(tavo.exitCode(), 0) << tavo.readAllStandardError().constData();
        return ReadFileBytes(out);
    }

    QTemporaryDir dir;
    HookedPrompts prompts;
    AppContext context{prompts, test::loopbackLink(), QString()};
    std::unique_ptr<CWebPage> page;
};

TEST_F(WebPageTest, ControlsAtStart) {
    EXPECT_EQ(page->windowTitle(), "Web Upload");
    ASSERT_NE(list(), nullptr);
    EXPECT_EQ(list()->horizontalHeaderItem(0)->text(), " Nome del File ");
    EXPECT_EQ(list()->horizontalHeaderItem(1)->text(), "Byte");
    EXPECT_EQ(list()->horizontalHeaderItem(2)->text(), "Indice");
    EXPECT_EQ(list()->columnWidth(0), 200);
    EXPECT_EQ(list()->columnWidth(1), 60);
    EXPECT_EQ(list()->columnWidth(2), 60);
    EXPECT_EQ(button("1014")->text(), "Seleziona Files");
    EXPECT_EQ(button("1015")->text(), "Elimina Files");
    EXPECT_EQ(button("1016")->text(), "Build");
    EXPECT_FALSE(button("1016")->isVisible());
    EXPECT_EQ(status(), "In Attesa...");
    EXPECT_FALSE(page->findChild<QProgressBar*>(QStringLiteral("1023"))->isVisible());
    EXPECT_NE(page->uploadArea(), nullptr);
}

TEST_F(WebPageTest, SelectionListsRenamesTellsAndBuildsTheSameImageAsTheCommandLine) {
    collidingFolder("web");
    collidingFolder("copy");
    QDir().mkpath(path("out"));
    ASSERT_TRUE(select(path("web"), path("out/project.TAV")));
    ASSERT_EQ(list()->rowCount(), 5);
    EXPECT_EQ(row(0), (QStringList{path("web/707.html"), "30", "b0"}));
    EXPECT_EQ(row(1), (QStringList{path("web/ab.gif"), "5", "56"}));
    EXPECT_EQ(row(2), (QStringList{path("web/bb.gif"), "6", "57"}));
    EXPECT_EQ(row(3), (QStringList{path("web/img/pic.gif"), "300", ResourceIndexText("/img/pic.gif")}));
    EXPECT_EQ(list()->item(1, 1)->textAlignment() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(ReadFileBytes(path("web/links.htm")), "<img src=bb.gif><img src=abb.gif>");
    EXPECT_EQ(ReadFileBytes(path("web/707.html")), "<html>TAVO 707 template</html>");
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages[0].caption, "Avviso");
    EXPECT_TRUE(prompts.messages[0].text.contains("/ba.gif -> bb.gif"));
    EXPECT_TRUE(prompts.messages[0].text.contains("/links.htm"));
    EXPECT_EQ(prompts.messages[1], (Message{"Costruzione Completata!!", "Operazione eseguita"}));
    EXPECT_EQ(prompts.saveFilters, QStringList{"TAVRO 707 file(*.TAV)"});
    EXPECT_EQ(prompts.suffixes, QStringList{"TAV"});  // the dialog itself adds ".TAV"
    EXPECT_EQ(button("1016")->text(), "Build");
    EXPECT_EQ(status(), "Costruzione eseguita.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status() == "In Attesa..."; }, 2000));
    EXPECT_TRUE(button("1014")->isEnabled());

    const QByteArray image = ReadFileBytes(path("out/project.TAV"));
    ASSERT_GT(image.size(), 1024);
    EXPECT_EQ(image, tavoBuild(path("copy"), path("copy.TAV")));
}

TEST_F(WebPageTest, CancelledPickerAndSaveDialog) {
    EXPECT_FALSE(select(QString(), QString(), false));
    EXPECT_EQ(list()->rowCount(), 0);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(page->m_strFolder.isEmpty());
    EXPECT_TRUE(button("1014")->isEnabled());

    file("site/a.gif", "gif");
    EXPECT_FALSE(select(path("site"), QString("")));
    EXPECT_EQ(status(), "Costruzione interrotta.");
    EXPECT_EQ(button("1016")->text(), "Costruzione");
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(list()->rowCount(), 2);  // the list stays
}

TEST_F(WebPageTest, OverTheLimitChangesNothingAndBuildsNothing) {
    file("big/707.html", "x");
    file("big/a.gif", QByteArray(520190, 'a'));
    file("big/ab.gif", "1");
    file("big/ba.gif", "2");
    const auto before = tree(path("big"));
    EXPECT_FALSE(select(path("big"), QString(), false));
    EXPECT_EQ(prompts.messages,
              (QList<Message>{{"I files selezionati eccedono la dimensione max consentita!!(520193 bytes)\n\n   "
                               "Processo di costruzione interrotto..",
                               "Alert"}}));
    EXPECT_EQ(list()->rowCount(), 4);
    EXPECT_EQ(row(3), (QStringList{path("big/ba.gif"), "1", "56"}));  // as on disk
    EXPECT_EQ(tree(path("big")), before);
    EXPECT_EQ(status(), "In Attesa...");

    // One byte less passes.
    file("big/a.gif", QByteArray(520189, 'a'));
    prompts.messages.clear();
    EXPECT_TRUE(select(path("big"), path("big.TAV")));
}

TEST_F(WebPageTest, ClearFilesEmptiesTheListOnly) {
    file("site/a.gif", "gif");
    select(path("site"), QString(""));
    const auto before = tree(path("site"));
    QTest::mouseClick(button("1015"), Qt::LeftButton);
    EXPECT_EQ(list()->rowCount(), 0);
    EXPECT_EQ(page->m_nFiles, 0);
    EXPECT_EQ(tree(path("site")), before);
    // The hidden build toggle with an empty list: a pass that starts and ends at once.
    QSignalSpy started(page.get(), &CWebPage::buildPassStarted);
    QSignalSpy finished(page.get(), &CWebPage::buildPassFinished);
    button("1016")->click();
    ASSERT_TRUE(finished.count() == 1 || finished.wait(kBuildWaitMs));
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(prompts.messages.last(), (Message{"Non c'è alcun file di progetto da costruire.", "Attenzione!!"}));
    EXPECT_EQ(button("1016")->text(), "Costruzione");
}

TEST_F(WebPageTest, TheBuildKeepsItsOwnListWhileThePageIsUsed) {
    collidingFolder("web");
    collidingFolder("copy");
    prompts.onSave = [this] { QTest::mouseClick(button("1015"), Qt::LeftButton); };
    ASSERT_TRUE(select(path("web"), path("web.TAV")));
    EXPECT_EQ(list()->rowCount(), 0);
    EXPECT_EQ(ReadFileBytes(path("web.TAV")), tavoBuild(path("copy"), path("copy.TAV")));
}

TEST_F(WebPageTest, ReservedIndexAndFailuresAreTold) {
    file("site/707.html", "x");
    file("site/ab.class", "1");
    file("site/ba.class", "2");
    ASSERT_TRUE(select(path("site"), path("site.TAV")));
    EXPECT_EQ(prompts.messages.first(), (Message{"L'indice che sis ta adoperando è riservato!!", "Errore"}));

    // A project file that cannot be written.
    prompts.messages.clear();
    EXPECT_FALSE(select(path("site"), path("no/such/dir/x.TAV")));
    ASSERT_FALSE(prompts.messages.isEmpty());
    EXPECT_EQ(prompts.messages.last().caption, "Errore");
    EXPECT_TRUE(prompts.messages.last().text.contains(path("no/such/dir/x.TAV")));
    EXPECT_EQ(status(), "Costruzione interrotta.");

    // No default page anywhere.
    page->setTemplateFolders(path("nowhere"), path("nowhere"));
    file("bare/a.gif", "gif");
    prompts.messages.clear();
    EXPECT_FALSE(select(path("bare"), QString(), false));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains("707.html"));
    EXPECT_FALSE(QFile::exists(path("bare/707.html")));
}

// A path longer than its column is cut in the middle, so the file's own name stays in
// sight, and the row's tooltip gives it whole; what the scan leaves out of the list is
// named in the selection's message.
TEST_F(WebPageTest, LongPathsKeepTheirNameInSightAndLeftOutFilesAreNamed) {
    const QString deep = "site/una/cartella/con/un/nome/molto/lungo/sotto/la/cartella/web/pagina.htm";
    file(deep, "<html>x</html>");
    file("site/707.html", "x");
    ASSERT_TRUE(QFile::link(path("nowhere/gone.gif"), path("site/rotto.gif")));
    ASSERT_EQ(::mkfifo(path("site/coda").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(select(path("site"), path("site.TAV")));

    int deepRow = -1;
    for (int r = 0; r < list()->rowCount(); ++r)
        if (list()->item(r, 0)->text() == path(deep)) deepRow = r;
    ASSERT_GE(deepRow, 0);
    EXPECT_EQ(list()->item(deepRow, 0)->toolTip(), path(deep));
    EXPECT_EQ(list()->textElideMode(), Qt::ElideMiddle);
    // As the column draws it: cut, and still ending with the file's name.
    const QString drawn = list()->fontMetrics().elidedText(path(deep), list()->textElideMode(),
                                                           list()->columnWidth(0) - 8);
    EXPECT_NE(drawn, path(deep));
    EXPECT_TRUE(drawn.endsWith("pagina.htm")) << drawn.toStdString();

    ASSERT_FALSE(prompts.messages.isEmpty());
    const Message& told = prompts.messages.first();
    EXPECT_EQ(told.caption, "Avviso");
    EXPECT_TRUE(told.text.startsWith("Files lasciati fuori dalla lista:")) << told.text.toStdString();
    EXPECT_TRUE(told.text.contains("\n   /rotto.gif (collegamento simbolico)")) << told.text.toStdString();
    EXPECT_TRUE(told.text.contains("\n   /coda (non è un file regolare)")) << told.text.toStdString();
}

// The image just built is the project file to upload when none is chosen yet; a chosen
// one stays, and a cancelled project file dialog still empties it.
TEST_F(WebPageTest, TheBuiltImageBecomesTheProjectFileWhenNoneIsChosen) {
    auto* project = page->findChild<QLineEdit*>(QStringLiteral("1018"));
    file("site/707.html", "x");
    ASSERT_TRUE(select(path("site"), path("site.TAV")));
    EXPECT_EQ(page->uploadPanel()->m_strProjectFile, path("site.TAV"));
    EXPECT_EQ(project->text(), path("site.TAV"));

    ASSERT_TRUE(select(path("site"), path("other.TAV")));
    EXPECT_EQ(project->text(), path("site.TAV"));

    QTest::mouseClick(button("1021"), Qt::LeftButton);  // the fake answers cancel
    EXPECT_EQ(prompts.suffixes.last(), "TAV");  // the open dialog starts from "*.TAV"
    EXPECT_TRUE(page->uploadPanel()->m_strProjectFile.isEmpty());
    EXPECT_TRUE(project->text().isEmpty());
}

}  // namespace
}  // namespace tavo
