#include "NewButton.h"

#include <QPushButton>

namespace tavo {

QPushButton* newButton(const QString& text, const char* id, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(id));
    button->setAutoDefault(false);
    return button;
}

}  // namespace tavo
