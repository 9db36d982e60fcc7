#pragma once

#include <QObject>

class QWidget;

namespace tavo {

// Places a window centred over the window it belongs to (its parent's window, else the
// active window, else the screen) and wholly inside the screen's available area: moved in
// where it would overflow, made smaller only where it cannot fit.
void placeOverOwner(QWidget& window);

// Installed on the application: every dialog, viewer and message box (everything that is
// a QDialog, Qt's own among them) is placed by placeOverOwner as it is first shown, so
// that no dialog has to remember to do it.
class DialogPlacement final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tavo
