#include "SysSetupPage.h"

namespace tavo {

CSysSetupPage::CSysSetupPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("SysSetupPage"));
    setWindowTitle(QStringLiteral("Info"));
}

}  // namespace tavo
