#include "IPPage.h"

namespace tavo {

CIPPage::CIPPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("IPPage"));
    setWindowTitle(QStringLiteral("Configurazione indirizzo IP"));
}

}  // namespace tavo
