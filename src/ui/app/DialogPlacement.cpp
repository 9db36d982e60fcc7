#include "DialogPlacement.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace tavo {
namespace {

QWidget* ownerOf(const QWidget& window) {
    if (QWidget* parent = window.parentWidget()) return parent->window();
    QWidget* active = QApplication::activeWindow();
    if (active && active != &window) return active;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != &window && top->isVisible() && !qobject_cast<QDialog*>(top)) return top;
    return nullptr;
}

// The frame the window system draws around a window, as the owner has it: a window not
// yet shown has none of its own to measure.
QMargins frameOf(const QWidget* owner) {
    if (owner == nullptr || !owner->isVisible()) return {};
    const QRect outer = owner->frameGeometry(), inner = owner->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

}  // namespace

void placeOverOwner(QWidget& window) {
    QWidget* owner = ownerOf(window);
    QScreen* screen = owner ? owner->screen() : window.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = frameOf(owner);
    const QSize room = area.size().shrunkBy(frame);
    if (window.width() > room.width() || window.height() > room.height())
        window.resize(window.size().boundedTo(room));
    const QSize outer = window.size().grownBy(frame);
    const QPoint centre = owner ? owner->frameGeometry().center() : area.center();
    // Moved in from the right and bottom edges first, so that a window wider or taller than
    // the screen (its minimum size) keeps its top left corner in sight.
    const int left = std::max(area.left(), std::min(centre.x() - outer.width() / 2, area.right() + 1 - outer.width()));
    const int top = std::max(area.top(), std::min(centre.y() - outer.height() / 2, area.bottom() + 1 - outer.height()));
    window.move(left, top);  // a window's position is its frame's
}

bool DialogPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow() && qobject_cast<QDialog*>(window)) {
            // The dialog's own show handling goes first (a message box takes its size
            // there, a viewer its columns), then the window is placed at that size.
            watched->event(event);
            placeOverOwner(*window);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavo
