#pragma once

#include <QWidget>

#include "app/AppContext.h"

namespace tavo {

// The "Info" tab: pictures presenting the product and its maker; no input, sends nothing.
class CSysSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit CSysSetupPage(AppContext& context, QWidget* parent = nullptr);

private:
    AppContext& m_context;
};

}  // namespace tavo
