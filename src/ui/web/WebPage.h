#pragma once

#include <QWidget>

#include "app/AppContext.h"

namespace tavo {

// The second tab, "Web Upload": builds a project file from a folder of web files and uploads it into a device.
class CWebPage : public QWidget {
    Q_OBJECT
public:
    explicit CWebPage(AppContext& context, QWidget* parent = nullptr);

private:
    AppContext& m_context;
};

}  // namespace tavo
