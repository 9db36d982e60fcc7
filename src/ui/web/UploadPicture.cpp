#include "UploadPicture.h"

#include <QPainter>
#include <QPainterPath>

namespace tavo {
namespace {
constexpr int kWidth = 64;
constexpr int kHeight = 72;
const QColor kPage(0xf4, 0xf6, 0xfa);
const QColor kPageEdge(0x5a, 0x6b, 0x80);
const QColor kText(0x9a, 0xa8, 0xba);
const QColor kArrow(0x2f, 0x9e, 0x44);
const QColor kChip(0x2b, 0x2b, 0x2b);
const QColor kPins(0xc8, 0xa2, 0x3c);
}  // namespace

QPixmap uploadPicture() {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // The page, with its folded corner and lines of text.
    QPainterPath page;
    page.moveTo(14, 2);
    page.lineTo(42, 2);
    page.lineTo(50, 10);
    page.lineTo(50, 30);
    page.lineTo(14, 30);
    page.closeSubpath();
    painter.setPen(QPen(kPageEdge, 1.5));
    painter.setBrush(kPage);
    painter.drawPath(page);
    painter.drawLine(QPointF(42, 2), QPointF(42, 10));
    painter.drawLine(QPointF(42, 10), QPointF(50, 10));
    painter.setPen(QPen(kText, 2));
    for (int y = 12; y <= 24; y += 6) painter.drawLine(QPointF(19, y), QPointF(y == 12 ? 38 : 45, y));
    // The arrow down into the chip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(kArrow);
    painter.drawRect(QRectF(28, 32, 8, 10));
    painter.drawPolygon(QPolygonF({QPointF(22, 42), QPointF(42, 42), QPointF(32, 51)}));
    // The flash chip with its pins.
    painter.setBrush(kPins);
    for (int x = 14; x <= 46; x += 8) {
        painter.drawRect(QRectF(x, 52, 4, 3));
        painter.drawRect(QRectF(x, 68, 4, 3));
    }
    painter.setBrush(kChip);
    painter.drawRoundedRect(QRectF(10, 55, 44, 13), 2, 2);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(13, 58, 3, 3));
    return pixmap;
}

}  // namespace tavo
