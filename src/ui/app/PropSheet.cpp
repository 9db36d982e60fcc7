#include "PropSheet.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "AboutDlg.h"
#include "AppTexts.h"
#include "ProgramIcon.h"
#include "bootp/BootpLogDlg.h"
#include "bootp/BootpTexts.h"
#include "commission/CommissionTexts.h"
#include "commission/CommissionWindow.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tavo {
namespace {
#ifdef Q_OS_WIN
// Where the six items go in the native system menu (after Maximize, before Close).
constexpr int kSystemMenuFirst = 5;
constexpr int kUtilityItemPosition = kSystemMenuFirst + 1;
#endif
constexpr int kPageCountWithUtility = 4;
constexpr int kPageCountWithoutUtility = 3;
}  // namespace

CPropSheet::CPropSheet(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_context(context),
      m_tabs(new QTabWidget(this)),
      m_pageIP(context),
      m_pageWeb(context),
      m_pageUtil(context),
      m_pageInfo(context) {
    setObjectName(QStringLiteral("PropSheet"));
    setWindowTitle(apptexts::kSheetCaption);
    setWindowIcon(programIcon());
    m_tabs->setObjectName(QStringLiteral("sheetTabs"));
    // Every tab stays in sight: the sheet is as wide as its tab row needs.
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setElideMode(Qt::ElideNone);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    // All four pages go in first, so that the fixed size fits the largest of them;
    // the Utility rule then takes the Utility page out again.
    for (QWidget* page : {static_cast<QWidget*>(&m_pageIP), static_cast<QWidget*>(&m_pageWeb),
                          static_cast<QWidget*>(&m_pageInfo), static_cast<QWidget*>(&m_pageUtil)})
        m_tabs->addTab(page, page->windowTitle());
    m_bootpLog = new CBootpLogDlg(m_pageIP, this);
    buildMenu();
    setFixedSize(sizeHint());
    applyUtilityRule();
    insertSystemMenuItems();
}

// The pages, members declared after the tab widget's pointer, are destroyed first and
// leave the tab widget on their own; the tab widget goes with the QWidget base.
CPropSheet::~CPropSheet() = default;

void CPropSheet::buildMenu() {
    m_actUtility = new QAction(apptexts::kUtilityItem, this);
    m_actUtility->setObjectName(QStringLiteral("IDM_UTILITY"));
    m_actUtility->setCheckable(true);
    // The check mark follows the page, never the click: ToggleUtilityPage sets it.
    connect(m_actUtility, &QAction::triggered, this, [this] { ToggleUtilityPage(); });
    m_actAbout = new QAction(apptexts::kAboutItem, this);
    m_actAbout->setObjectName(QStringLiteral("IDM_ABOUTBOX"));
    connect(m_actAbout, &QAction::triggered, this, &CPropSheet::showAbout);
    m_actBootpLog = new QAction(kBootpLogTitle, this);
    m_actBootpLog->setObjectName(QStringLiteral("IDM_BOOTPLOG"));
    connect(m_actBootpLog, &QAction::triggered, this, &CPropSheet::showBootpLog);
    m_actCommission = new QAction(commissiontexts::kTitle, this);
    m_actCommission->setObjectName(QStringLiteral("IDM_COMMISSION"));
    connect(m_actCommission, &QAction::triggered, this, &CPropSheet::showCommissionWindow);

    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("sheetMenu"));
    menu->addAction(m_actUtility);
    menu->addAction(m_actBootpLog);
    menu->addAction(m_actCommission);
    menu->addSeparator();
    menu->addAction(m_actAbout);
    m_menuButton = new QToolButton(m_tabs);
    m_menuButton->setObjectName(QStringLiteral("sheetMenuButton"));
    m_menuButton->setArrowType(Qt::DownArrow);
    // The arrow says it all; the style's own menu mark beside it would be a second one.
    m_menuButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    m_menuButton->setAutoRaise(true);
    m_menuButton->setToolTip(apptexts::kMenuTip);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setMenu(menu);
    m_tabs->setCornerWidget(m_menuButton, Qt::TopRightCorner);
}

void CPropSheet::applyUtilityRule() {
    const int count = m_tabs->count();
    if (!m_bUtilityShown && count == kPageCountWithUtility)
        m_tabs->removeTab(m_tabs->indexOf(&m_pageUtil));
    else if (count == kPageCountWithoutUtility && m_bUtilityShown)
        m_tabs->addTab(&m_pageUtil, m_pageUtil.windowTitle());
}

void CPropSheet::ToggleUtilityPage() {
    m_bUtilityShown = !m_bUtilityShown;
    m_actUtility->setChecked(m_bUtilityShown);
    checkSystemMenuItem(m_bUtilityShown);
    applyUtilityRule();
    // The operator asked for the page: it comes to the front.
    if (m_bUtilityShown) m_tabs->setCurrentWidget(&m_pageUtil);
}

void CPropSheet::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CPropSheet::showBootpLog() {
    m_bootpLog->show();
    m_bootpLog->raise();
    m_bootpLog->activateWindow();
}

void CPropSheet::showCommissionWindow() {
    // A child of the sheet, so that the placement centres it over the sheet.
    if (!m_commission) m_commission = new CommissionWindow(m_context, this);
    m_commission->show();
    m_commission->raise();
    m_commission->activateWindow();
}

void CPropSheet::closeEvent(QCloseEvent* event) {
    // The program ends with the sheet: a running line is stopped only when the operator
    // agrees, as at the line's own window.
    if (m_commission && !m_commission->mayClose()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

#ifdef Q_OS_WIN
// The same four items as the window menu, in the native system menu, and the menu
// button is not needed there.
void CPropSheet::insertSystemMenuItems() {
    m_menuButton->hide();
    m_tabs->setCornerWidget(nullptr, Qt::TopRightCorner);
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (!menu) return;
    const QString& utility = apptexts::kUtilityItem;
    const QString& about = apptexts::kAboutItem;
    const QString& bootpLog = kBootpLogTitle;
    const QString& commission = commissiontexts::kTitle;
    InsertMenuW(menu, kSystemMenuFirst, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuW(menu, kUtilityItemPosition, MF_BYPOSITION | MF_STRING, IDM_UTILITY,
                reinterpret_cast<LPCWSTR>(utility.utf16()));
    InsertMenuW(menu, kUtilityItemPosition + 1, MF_BYPOSITION | MF_STRING, IDM_BOOTPLOG,
                reinterpret_cast<LPCWSTR>(bootpLog.utf16()));
    InsertMenuW(menu, kUtilityItemPosition + 2, MF_BYPOSITION | MF_STRING, IDM_COMMISSION,
                reinterpret_cast<LPCWSTR>(commission.utf16()));
    InsertMenuW(menu, kSystemMenuFirst + 4, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuW(menu, kSystemMenuFirst + 5, MF_BYPOSITION | MF_STRING, IDM_ABOUTBOX,
                reinterpret_cast<LPCWSTR>(about.utf16()));
}

void CPropSheet::checkSystemMenuItem(bool checked) {
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu) CheckMenuItem(menu, kUtilityItemPosition, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool CPropSheet::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND) {
        // The low four bits of a system command belong to the system.
        if ((msg->wParam & 0xFFF0) == IDM_ABOUTBOX) {
            showAbout();
            *result = 0;
            return true;
        }
        if ((msg->wParam & 0xFFF0) == IDM_BOOTPLOG) {
            showBootpLog();
            *result = 0;
            return true;
        }
        if ((msg->wParam & 0xFFF0) == IDM_COMMISSION) {
            showCommissionWindow();
            *result = 0;
            return true;
        }
        if (msg->wParam == IDM_UTILITY) {
            ToggleUtilityPage();
            *result = 0;
            return true;
        }
    }
    return QWidget::nativeEvent(eventType, message, result);
}
#else
// Without a native system menu the window menu behind the corner button serves.
void CPropSheet::insertSystemMenuItems() {}
void CPropSheet::checkSystemMenuItem(bool) {}
#endif

}  // namespace tavo
