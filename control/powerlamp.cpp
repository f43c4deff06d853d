#include "control/powerlamp.h"

#include <QAccessible>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

namespace control {

PowerLamp::PowerLamp(QWidget* parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleDescription(tr("Power lamp"));
    updateAccessibleText();
}

void PowerLamp::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    updateAccessibleText();
    update();
}

void PowerLamp::setLampColor(const QColor& color)
{
    if (color == m_lampColor)
        return;
    m_lampColor = color;
    update();
}

void PowerLamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const QPointF centre = QRectF(rect()).center();
    const qreal outer = side / 2;
    const qreal lens = outer * 0.62;

    if (m_lit) {
        // The glow spills over the metal ring.
        QRadialGradient halo(centre, outer);
        QColor glow = m_lampColor;
        glow.setAlpha(110);
        halo.setColorAt(0.45, glow);
        glow.setAlpha(0);
        halo.setColorAt(1.0, glow);
        painter.setPen(Qt::NoPen);
        painter.setBrush(halo);
        painter.drawEllipse(centre, outer, outer);
    }

    // Chrome bezel: light from above.
    const qreal ring = lens * 1.28;
    QLinearGradient metal(centre.x(), centre.y() - ring, centre.x(), centre.y() + ring);
    metal.setColorAt(0, QColor(200, 200, 205));
    metal.setColorAt(0.5, QColor(90, 90, 96));
    metal.setColorAt(1, QColor(30, 30, 34));
    painter.setPen(Qt::NoPen);
    painter.setBrush(metal);
    painter.drawEllipse(centre, ring, ring);

    QRadialGradient body(centre - QPointF(lens * 0.25, lens * 0.3), lens * 1.3);
    if (m_lit) {
        body.setColorAt(0, m_lampColor.lighter(170));
        body.setColorAt(0.5, m_lampColor);
        body.setColorAt(1, m_lampColor.darker(200));
    } else {
        body.setColorAt(0, m_lampColor.darker(450));
        body.setColorAt(1, QColor(6, 10, 8));
    }
    painter.setBrush(body);
    painter.drawEllipse(centre, lens, lens);

    // The reflection of the room on the lens.
    QRadialGradient shine(centre - QPointF(lens * 0.35, lens * 0.4), lens * 0.55);
    shine.setColorAt(0, QColor(255, 255, 255, m_lit ? 190 : 90));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setBrush(shine);
    painter.drawEllipse(centre, lens, lens);
}

void PowerLamp::updateAccessibleText()
{
    setAccessibleName(m_lit ? tr("Power on") : tr("Power off"));
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

} // namespace control
