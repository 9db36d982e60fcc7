#include "ProgramIcon.h"

namespace tavo {
namespace {
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

QPixmap picture(const char* name) { return QPixmap(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(name))); }
}  // namespace

QIcon programIcon() {
    QIcon icon;
    for (int size : kIconSizes) icon.addFile(QStringLiteral(":/pictures/icons/tavo-utility-%1.png").arg(size));
    return icon;
}

QPixmap mascotPicture() { return picture("mascot"); }
QPixmap logoPicture() { return picture("logo"); }
QPixmap contactPicture() { return picture("contact"); }
QPixmap namePicture() { return picture("name"); }

}  // namespace tavo
