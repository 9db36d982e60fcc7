#pragma once

#include <QWidget>

#include "app/AppContext.h"

namespace tavo {

// The first tab, "Configurazione indirizzo IP": the device table, the BootP server and
// the address commands.
class CIPPage : public QWidget {
    Q_OBJECT
public:
    explicit CIPPage(AppContext& context, QWidget* parent = nullptr);

private:
    AppContext& m_context;
};

}  // namespace tavo
