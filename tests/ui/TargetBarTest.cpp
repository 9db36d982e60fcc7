// The target bar in both arrangements: the caller's captions and object names, a row's two
// history buttons one height beside a two-line caption, a caller's button placed after the
// field, and the clear button emptying the history of the data directory.
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "common/AppContext.h"
#include "common/TargetBar.h"
#include "controls/IpAddressEdit.h"

namespace tavo {
namespace {

using namespace tavo::test;

class TargetBarTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QTemporaryDir dir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dir.path()};
};

TEST_F(TargetBarTest, ARowKeepsTheCallersNamesAndOneButtonHeight) {
    TargetBar bar(context, {"Target IP", "1037", "History", "1039", "Delete\nHistory", "1040"},
                  TargetBar::Arrangement::Row);
    auto* set = new QPushButton("Set", &bar);
    bar.insert(set);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    auto* history = bar.findChild<QPushButton*>("1039");
    auto* clear = bar.findChild<QPushButton*>("1040");
    ASSERT_NE(history, nullptr);
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(bar.field(), bar.findChild<IpAddressEdit*>("1037"));
    EXPECT_EQ(history->text(), "History");
    EXPECT_EQ(clear->text(), "Delete\nHistory");
    EXPECT_EQ(history->height(), clear->height());
    EXPECT_GT(history->height(), QPushButton("History").sizeHint().height());  // the two-line caption's
    EXPECT_LT(bar.field()->x(), set->x());
    EXPECT_LT(set->x(), history->x());
    EXPECT_LT(history->x(), clear->x());
}

TEST_F(TargetBarTest, StackedButtonsLieBelowTheFieldAndClearEmptiesTheHistory) {
    WriteFileBytes(path("iph.ini"), "[1]\t 10.0.0.7\r\n");
    TargetBar bar(context, {"Indirizzo IP", "1017", "DataBase indirizzi IP", "1019", "Cancella DataBase indirizzi IP", "1030"},
                  TargetBar::Arrangement::Stacked);
    auto* set = new QPushButton("Set", &bar);
    bar.insert(set);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    auto* history = bar.findChild<QPushButton*>("1019");
    auto* clear = bar.findChild<QPushButton*>("1030");
    EXPECT_LT(bar.field()->y(), history->y());
    EXPECT_LT(history->y(), clear->y());
    EXPECT_LT(clear->y(), set->y());
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(ReadFileBytes(path("iph.ini")), "");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

}  // namespace
}  // namespace tavo
