#pragma once

#include <QIcon>

namespace tavo {

// The program's icon, drawn at start-up: a small device box with its status lights and
// network socket. Drawn rather than loaded, so the program carries no image files.
QIcon programIcon();

}  // namespace tavo
