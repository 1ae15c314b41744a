#include "app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vidmorph {

QPixmap AppIconPixmap(int ASize) {
    QPixmap pixmap(ASize, ASize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(ASize / 256.0, ASize / 256.0);  // drawn on a 256 x 256 canvas

    // Background: a rounded square, blue to violet.
    QLinearGradient background(0, 0, 256, 256);
    background.setColorAt(0, QColor(0x3b, 0x82, 0xf6));
    background.setColorAt(1, QColor(0x7c, 0x3a, 0xed));
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);

    // A film frame with perforations and a play triangle.
    const QColor dark(0x1e, 0x3a, 0x8a);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(32, 56, 156, 124), 14, 14);
    p.setBrush(dark);
    for (int i = 0; i < 5; ++i) {
        p.drawRoundedRect(QRectF(44 + i * 28, 66, 18, 16), 4, 4);
        p.drawRoundedRect(QRectF(44 + i * 28, 154, 18, 16), 4, 4);
    }
    p.setBrush(QColor(0x3b, 0x82, 0xf6));
    p.drawPolygon(QPolygonF({QPointF(90, 96), QPointF(90, 140), QPointF(130, 118)}));

    // An orange disc with a white arrow: the conversion.
    p.setPen(QPen(Qt::white, 8));
    p.setBrush(QColor(0xf5, 0x9e, 0x0b));
    p.drawEllipse(QPointF(184, 184), 50, 50);
    p.setPen(QPen(Qt::white, 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(158, 184), QPointF(206, 184));
    QPainterPath head;
    head.moveTo(188, 164);
    head.lineTo(208, 184);
    head.lineTo(188, 204);
    p.drawPath(head);
    return pixmap;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppIconPixmap(size));
    return icon;
}

}  // namespace vidmorph
