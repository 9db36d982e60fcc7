#pragma once

#include <QIcon>
#include <QPixmap>

namespace tavo {

// The program's icon: the product mascot on a square, at the sizes the window system
// asks for (window, task bar, About box). Rendered from src/ui/pictures/mascot.svg.
QIcon programIcon();

// The pictures of the "Info" tab, each at its own size in pixels.
QPixmap mascotPicture();   // 100 x 120, the same figure as the icon
QPixmap logoPicture();     // 303 x 82, the maker's logo
QPixmap contactPicture();  // 253 x 60, the maker's contact details
QPixmap namePicture();     // 194 x 58, the program's name and version

}  // namespace tavo
