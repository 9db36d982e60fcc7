// Every address field of the program is the one shared control: an address typed key by
// key into each dialog's and page's own field reads back as typed. An older copy of the
// control in one of them would give 192.0.168.110 for the first case.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "FakePrompts.h"
#include "UiTestHelpers.h"
#include "address/FindIPDlg.h"
#include "address/IPClearDlg.h"
#include "bootp/BootpEditDlg.h"
#include "commission/CommissionWindow.h"
#include "maintenance/UtilPage.h"
#include "web/WebPage.h"

namespace tavo {
namespace {

using test::FakePrompts;

struct TypedField {
    const char* owner;
    const char* field;
    std::function<std::unique_ptr<QWidget>(AppContext&)> make;
};

class IpFieldsTypedTest : public ::testing::Test {
protected:
    // Shows the window with the keyboard focus in it, as the operator has it.
    void showActive(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QTemporaryDir dataDir;
    FakePrompts prompts;
    AppContext context{prompts, test::loopbackLink(), dataDir.path()};
};

TEST_F(IpFieldsTypedTest, EachDialogsFieldKeepsTheAddressTyped) {
    const TypedField fields[] = {
        {"CBootpEditDlg", "1028", [](AppContext& c) { return std::make_unique<CBootpEditDlg>(c); }},
        {"CBootpEditDlg", "1032", [](AppContext& c) { return std::make_unique<CBootpEditDlg>(c); }},
        {"CBootpEditDlg", "1033", [](AppContext& c) { return std::make_unique<CBootpEditDlg>(c); }},
        {"CIPClearDlg", "1042", [](AppContext& c) { return std::make_unique<CIPClearDlg>(c); }},
        {"CFindIPDlg", "1074", [](AppContext& c) { return std::make_unique<CFindIPDlg>(c); }},
        {"CWebPage", "1017", [](AppContext& c) { return std::make_unique<CWebPage>(c); }},
        {"CUtilPage", "1037", [](AppContext& c) { return std::make_unique<CUtilPage>(c); }},
        {"CommissionWindow", "commissionPoolFirst", [](AppContext& c) { return std::make_unique<CommissionWindow>(c); }},
        {"CommissionWindow", "commissionPoolLast", [](AppContext& c) { return std::make_unique<CommissionWindow>(c); }},
    };
    for (const TypedField& f : fields) {
        SCOPED_TRACE(std::string(f.owner) + " " + f.field);
        const std::unique_ptr<QWidget> window = f.make(context);
        showActive(*window);
        test::TypeIntoAddress(window.get(), f.field, QStringLiteral("192.168.1.10"));
        auto* address = window->findChild<IpAddressEdit*>(QString::fromLatin1(f.field));
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(address->address(), (Ipv4Octets{192, 168, 1, 10}));
    }
}

// The Utility page's hidden "Set" is its default button: Enter in the target field sets
// the target up (the log says so), as on the "Web Upload" page.
TEST_F(IpFieldsTypedTest, EnterInTheUtilityTargetRunsSet) {
    CUtilPage page(context);
    showActive(page);
    auto* log = page.findChild<QListWidget*>(QStringLiteral("1034"));
    const int before = log->count();
    test::TypeIntoAddress(&page, "1037", QStringLiteral("127.0.0.2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(log->count(), before + 1);
    EXPECT_EQ(log->item(before)->text(), QStringLiteral("Socket UDP/IP  inizializzato"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// Side by side on the Utility page, "History" is as tall as the two-line "Delete History".
TEST_F(IpFieldsTypedTest, UtilityHistoryButtonsAreOneHeight) {
    CUtilPage page(context);
    showActive(page);
    const auto* history = page.findChild<QPushButton*>(QStringLiteral("1039"));
    const auto* deleteHistory = page.findChild<QPushButton*>(QStringLiteral("1040"));
    ASSERT_TRUE(history && deleteHistory);
    EXPECT_EQ(history->height(), deleteHistory->height());
}

}  // namespace
}  // namespace tavo
