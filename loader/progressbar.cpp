#include "loader/progressbar.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    // Every pixel is painted here.
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (parent)
        parent->installEventFilter(this);
}

bool ProgressBar::eventFilter(QObject* watched, QEvent* event)
{
    // Qt paints the frame around the bar under each of its steps, although the bar covers that
    // part whole; a frame with a title costs more to paint than the bar.
    return event->type() == QEvent::Paint && watched == parent() && isVisible() &&
           geometry().contains(static_cast<QPaintEvent*>(event)->rect());
}

void ProgressBar::paintEvent(QPaintEvent*)
{
    // Square edges on whole pixels: smoothed curves cost more than all the rest of a step.
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QPalette& colours = palette();
    QPainter painter(this);
    painter.setPen(colours.color(group, QPalette::Mid));
    painter.setBrush(colours.color(group, QPalette::Base));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int span = maximum() - minimum();
    const double done = span > 0 ? std::clamp(double(value() - minimum()) / span, 0.0, 1.0) : 0.0;
    const QRect inside = rect().adjusted(2, 2, -2, -2);
    QRect chunk = inside;
    chunk.setWidth(static_cast<int>(inside.width() * done + 0.5));
    if (chunk.width() > 0)
        painter.fillRect(chunk, colours.color(group, QPalette::Highlight));

    if (!isTextVisible())
        return;
    // The text in the bar's colour over the filled part, in the text colour over the rest.
    const QString label = text();
    if (m_label.text() != label || m_labelFont != font()) {
        m_label.setText(label);
        m_label.setTextFormat(Qt::PlainText);
        m_labelFont = font();
        m_label.prepare(QTransform(), m_labelFont);
    }
    const QSizeF size = m_label.size();
    const QPointF at(rect().x() + (rect().width() - size.width()) / 2,
                     rect().y() + (rect().height() - size.height()) / 2);
    painter.setClipRect(chunk);
    painter.setPen(colours.color(group, QPalette::HighlightedText));
    painter.drawStaticText(at, m_label);
    painter.setClipRegion(QRegion(rect()).subtracted(chunk));
    painter.setPen(colours.color(group, QPalette::Text));
    painter.drawStaticText(at, m_label);
}
