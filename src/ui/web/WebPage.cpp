#include "WebPage.h"

namespace tavo {

CWebPage::CWebPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("WebPage"));
    setWindowTitle(QStringLiteral("Web Upload"));
}

}  // namespace tavo
