#include "UtilPage.h"

namespace tavo {

CUtilPage::CUtilPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("UtilPage"));
    setWindowTitle(QStringLiteral("Utility"));
}

}  // namespace tavo
