#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace tavo {

// A push button named by its control id. It does not become the default button when it
// takes the focus, so Enter goes to the dialog's own default button (or nowhere), never
// to whichever button was clicked last.
QPushButton* newButton(const QString& text, const char* id, QWidget* parent);

}  // namespace tavo
