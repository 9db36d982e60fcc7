#pragma once

#include <QWidget>

#include "common/AppContext.h"

class QFrame;
class QLabel;

namespace tavo {

// The "Info" tab: pictures presenting the product and its maker on a white ground in a
// black frame; no input, sends nothing, changes nothing. The controls sit where the form
// puts them in dialog units, so they follow the page's font; each picture keeps its own
// size in pixels.
class CSysSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit CSysSetupPage(AppContext& context, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent* event) override;

private:
    QLabel* addPicture(const char* name, const QPixmap& pixmap);
    void placeControls();

    AppContext& m_context;
    QFrame* m_blackFrame = nullptr;
    QFrame* m_whiteRect = nullptr;
    QLabel* m_logo = nullptr;
    QLabel* m_contact = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_mascot = nullptr;
};

}  // namespace tavo
