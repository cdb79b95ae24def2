#include "groups/ui/group_icons.h"

#include <QPainter>
#include <QPainterPath>

namespace pelquor {

namespace {

QPixmap canvas(int size = 16) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

void folder_shape(QPainter& p, const QColor& fill) {
    p.setPen(QPen(fill.darker(160), 1));
    p.setBrush(fill);
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(6.5, 3.5);
    path.lineTo(8, 5);
    path.lineTo(14.5, 5);
    path.lineTo(14.5, 13.5);
    path.lineTo(1.5, 13.5);
    path.closeSubpath();
    p.drawPath(path);
}

} // namespace

QPixmap tree_picture(int image_index) {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image_index) {
    case 1: { // group, instant recording: a logger with a clock hand
        p.setPen(QPen(QColor(20, 70, 140), 1.2));
        p.setBrush(QColor(80, 150, 230));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(Qt::white, 1.6));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
        break;
    }
    case 2: { // group, night recording: a moon
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 110));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(QColor(250, 220, 90));
        QPainterPath moon;
        moon.addEllipse(QRectF(4, 3.5, 8.5, 8.5));
        QPainterPath bite;
        bite.addEllipse(QRectF(6.5, 2.5, 8, 8));
        p.drawPath(moon.subtracted(bite));
        break;
    }
    default:
        folder_shape(p, QColor(240, 200, 90));
        break;
    }
    return pm;
}

QIcon tree_icon(int image_index, int selected_index) {
    QIcon icon;
    icon.addPixmap(tree_picture(image_index), QIcon::Normal);
    icon.addPixmap(tree_picture(selected_index == 1 ? 1 : image_index), QIcon::Selected);
    return icon;
}

QIcon position_icon(bool has_position) {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QColor c = has_position ? QColor(30, 160, 60) : QColor(150, 150, 150);
    p.setPen(QPen(c.darker(150), 1));
    p.setBrush(c);
    QPainterPath pin;
    pin.moveTo(8, 15);
    pin.cubicTo(3, 9, 2.5, 7, 2.5, 6);
    pin.arcTo(QRectF(2.5, 0.5, 11, 11), 180, -180);
    pin.cubicTo(13.5, 7, 13, 9, 8, 15);
    p.drawPath(pin);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(6, 4, 4, 4));
    return QIcon(pm);
}

QPixmap radio_picture() {
    QPixmap pm = canvas(20);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 40, 40), 1.6));
    p.setBrush(Qt::NoBrush);
    for (int r : {3, 6, 9})
        p.drawArc(QRectF(10 - r, 10 - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
    p.setBrush(QColor(200, 40, 40));
    p.drawEllipse(QRectF(8, 8, 4, 4));
    p.drawLine(QPointF(10, 12), QPointF(10, 19));
    return pm;
}

} // namespace pelquor
