#include "ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace tavo {
namespace {
constexpr int kSizes[] = {16, 32, 48, 64};
const QColor kCase(0x1f, 0x4e, 0x8c);
const QColor kFace(0x2f, 0x6f, 0xc0);
const QColor kLightOn(0x4c, 0xd9, 0x64);
const QColor kLightAlt(0xff, 0xc1, 0x07);
const QColor kSocket(0x20, 0x20, 0x20);

// Everything is drawn on a 64 by 64 grid and scaled to the pixmap's size.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(QPen(kCase, 3));
    painter.setBrush(kFace);
    painter.drawRoundedRect(QRectF(4, 14, 56, 36), 6, 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLightOn);
    painter.drawEllipse(QRectF(11, 22, 8, 8));
    painter.setBrush(kLightAlt);
    painter.drawEllipse(QRectF(23, 22, 8, 8));
    // The network socket: a square opening with the latch notch below.
    painter.setBrush(kSocket);
    painter.drawRect(QRectF(38, 21, 16, 14));
    painter.drawRect(QRectF(42, 35, 8, 5));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(13, 38, 20, 3));
    return pixmap;
}
}  // namespace

QIcon programIcon() {
    QIcon icon;
    for (int size : kSizes) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace tavo
