#pragma once

#include <QPixmap>

namespace tavo {

// Bitmap 180 of the "Web Upload" page, beside the status group: a page of the web site
// travelling down into the device's flash. Drawn here, so the program carries no image
// files.
QPixmap uploadPicture();

}  // namespace tavo
