// The file dialogs as the operator meets them: in Italian (Qt's own texts, loaded as the
// program does at start-up), and the build's save dialog asking about the file it will
// really write.
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "app/MessageBoxPrompts.h"
#include "app/QtTranslations.h"
#include "web/WebPage.h"

namespace tavo {
namespace {

using test::FakePrompts;

constexpr int kBuildWaitMs = 20000;

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        translator = installQtItalian();
        ASSERT_NE(translator, nullptr) << "qtbase_it.qm not found (Debian: qt6-translations-l10n)";
    }
    void TearDown() override {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QTranslator* translator = nullptr;
};

QPushButton* DialogButton(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    auto* box = dialog->findChild<QDialogButtonBox*>();
    return box ? box->button(which) : nullptr;
}

TEST_F(FileDialogTest, TheProjectFileDialogIsItalianAndStartsFromTavFiles) {
    MessageBoxPrompts prompts;
    QString cancelText, title, initialName;
    test::WhenModal([&](QWidget* dialog) {
        title = dialog->windowTitle();
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) initialName = name->text();
        QPushButton* cancel = DialogButton(dialog, QDialogButtonBox::Cancel);
        ASSERT_NE(cancel, nullptr);
        cancelText = cancel->text();
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_TRUE(prompts.openFile(QString(), QStringLiteral("TAVO 707 file(*.TAV)"), QStringLiteral("TAV")).isEmpty());
    EXPECT_EQ(cancelText, QStringLiteral("Annulla"));
    EXPECT_EQ(title, QStringLiteral("Apri"));
    EXPECT_EQ(initialName, QStringLiteral("*.TAV"));
}

// The page asks through the real save dialog; everything else through the fake.
class RealSavePrompts : public FakePrompts {
public:
    QString saveFile(const QString& caption, const QString& filter, const QString& defaultSuffix) override {
        return real.saveFile(caption, filter, defaultSuffix);
    }
    MessageBoxPrompts real;
};

TEST_F(FileDialogTest, BuildAsksBeforeReplacingTheFileItWritesAndKeepsItOnNo) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("site")));
    test::WriteFileBytes(dir.filePath(QStringLiteral("site/707.html")), "<html>TAVO 707</html>");
    const QString existing = dir.filePath(QStringLiteral("site.TAV"));
    test::WriteFileBytes(existing, "an older image");

    RealSavePrompts prompts;
    prompts.pathAnswers.enqueue(dir.filePath(QStringLiteral("site")));
    AppContext context{prompts, test::loopbackLink(), dir.path()};
    CWebPage page(context);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QSignalSpy passes(&page, &CWebPage::buildPassFinished);

    QString initialName, question;
    bool cancelled = false;
    test::WhenModal([&](QWidget* dialog) {
        auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(fileDialog, nullptr);
        fileDialog->setDirectory(dir.path());
        auto* name = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        initialName = name->text();
        // The question comes while the dialog waits; "No" leaves the operator in the
        // dialog, who then gives up.
        test::WhenModal([&, fileDialog](QWidget* box) {
            question = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
            auto* messageBox = qobject_cast<QMessageBox*>(box);
            ASSERT_NE(messageBox, nullptr);
            QTest::mouseClick(messageBox->button(QMessageBox::No), Qt::LeftButton);
            test::WhenModal([&, fileDialog](QWidget* again) {
                cancelled = again == fileDialog;
                QTest::mouseClick(DialogButton(again, QDialogButtonBox::Cancel), Qt::LeftButton);
            });
        });
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("site"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("1014")), Qt::LeftButton);
    ASSERT_TRUE(passes.wait(kBuildWaitMs) || !passes.isEmpty());
    EXPECT_FALSE(passes.first().first().toBool());  // not built
    EXPECT_EQ(initialName, QStringLiteral("*.TAV"));
    EXPECT_TRUE(question.contains(QStringLiteral("site.TAV"))) << question.toStdString();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(test::ReadFileBytes(existing), "an older image");
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("site.TAV.TAV"))));
}

}  // namespace
}  // namespace tavo
