#pragma once

#include <QWidget>

#include "app/AppContext.h"

namespace tavo {

// The "Utility" tab, shown on demand: flash reads and clears, register reads and writes on one device.
class CUtilPage : public QWidget {
    Q_OBJECT
public:
    explicit CUtilPage(AppContext& context, QWidget* parent = nullptr);

private:
    AppContext& m_context;
};

}  // namespace tavo
