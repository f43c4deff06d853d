#include "control/faceplate.h"

#include "common/timestamps.h"

#include <QPainter>

namespace control {

Faceplate::Faceplate(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(false);
}

void Faceplate::paintEvent(QPaintEvent*)
{
    const common::TimestampScope stamp("faceplate");
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = 6;
    QLinearGradient metal(plate.topLeft(), plate.bottomLeft());
    metal.setColorAt(0, QColor(62, 62, 66));
    metal.setColorAt(0.5, QColor(40, 40, 44));
    metal.setColorAt(1, QColor(26, 26, 29));
    painter.setPen(QPen(QColor(90, 90, 96), 1));
    painter.setBrush(metal);
    painter.drawRoundedRect(plate, radius, radius);

    // Fine horizontal brushing, kept faint so that text on the plate stays readable.
    // Each line fills one row of pixels exactly: filled as a rectangle it looks the same as a
    // smoothed line and costs a fraction of one.
    painter.setClipRect(plate.adjusted(1, 1, -1, -1));
    const QColor brushing(255, 255, 255, 9);
    for (int y = 1; y < height(); y += 2)
        painter.fillRect(QRect(0, y, width(), 1), brushing);

    if (hasFocus()) {
        painter.setClipping(false);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(120, 190, 255), 3));
        painter.drawRoundedRect(plate.adjusted(2, 2, -2, -2), radius - 1, radius - 1);
    }
}

} // namespace control
