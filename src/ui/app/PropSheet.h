#pragma once

#include <QWidget>

#include "common/AppContext.h"
#include "SysSetupPage.h"
#include "bootp/IPPage.h"
#include "maintenance/UtilPage.h"
#include "web/WebPage.h"

class QAction;
class QMenu;
class QTabWidget;
class QToolButton;

namespace tavo {

class CBootpLogDlg;
class CommissionWindow;

// The main window: the tabs of the four pages, and the window menu with "Utilità"
// (shows or hides the Utility tab, always as the last tab), the item of the BootP
// server's request log, the item of the commissioning line's window and the About item.
// On Windows the items sit in the native system menu; elsewhere in a menu behind a
// button in the tab bar's corner. Closing the sheet emits closed(); the program ends
// its run on it. While the commissioning line runs, the close asks first whether to stop
// it, as closing the line's window does.
class CPropSheet : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDM_ABOUTBOX = 16;
    static constexpr int IDM_UTILITY = 1073;
    static constexpr int IDM_BOOTPLOG = 0x440;  // low four bits clear: they belong to the system
    static constexpr int IDM_COMMISSION = 0x450;

    explicit CPropSheet(AppContext& context, QWidget* parent = nullptr);
    ~CPropSheet() override;

    // Switches the Utility tab on or off and keeps the "Utilità" check mark in step.
    void ToggleUtilityPage();
    bool isUtilityShown() const { return m_bUtilityShown; }
    // Shows the About box modally over the sheet.
    void showAbout();
    // Shows the BootP request log (modeless) and brings it to the front.
    void showBootpLog();
    // Shows the commissioning line's window (modeless, one per program: made on the
    // first call, shown again afterwards) and brings it to the front.
    void showCommissionWindow();
    // The commissioning line's window, or nothing before it was first shown.
    CommissionWindow* commissionWindow() const { return m_commission; }

    QTabWidget* tabs() const { return m_tabs; }
    QAction* utilityAction() const { return m_actUtility; }
    QAction* aboutAction() const { return m_actAbout; }
    QAction* bootpLogAction() const { return m_actBootpLog; }
    QAction* commissionAction() const { return m_actCommission; }
    CIPPage& ipPage() { return m_pageIP; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void buildMenu();
    void applyUtilityRule();
    void insertSystemMenuItems();
    void checkSystemMenuItem(bool checked);

    AppContext& m_context;
    QTabWidget* m_tabs;  // child; constructed before the pages are added to it
    CIPPage m_pageIP;
    CWebPage m_pageWeb;
    CUtilPage m_pageUtil;
    CSysSetupPage m_pageInfo;
    bool m_bUtilityShown = false;
    QAction* m_actUtility = nullptr;
    QAction* m_actAbout = nullptr;
    QAction* m_actBootpLog = nullptr;
    QAction* m_actCommission = nullptr;
    CBootpLogDlg* m_bootpLog = nullptr;  // child; records from the start
    CommissionWindow* m_commission = nullptr;  // child; made when first asked for
    QToolButton* m_menuButton = nullptr;
};

}  // namespace tavo
