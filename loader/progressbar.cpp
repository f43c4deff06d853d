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

QRect ProgressBar::chunk(int value) const
{
    const int span = maximum() - minimum();
    const double done = span > 0 ? std::clamp(double(value - minimum()) / span, 0.0, 1.0) : 0.0;
    QRect filled = inside();
    filled.setWidth(static_cast<int>(filled.width() * done + 0.5));
    return filled;
}

bool ProgressBar::prepareLabel()
{
    const QString label = text();
    if (m_labelText == label && m_labelFont == font())
        return false;
    if (m_labelFont != font() || !m_rawFont.isValid()) {
        m_rawFont = QRawFont::fromFont(font());
        m_glyphs.clear();
    }
    m_labelText = label;
    m_labelFont = font();
    if (layOutFromGlyphs(label))
        return true;
    m_run.reset();
    m_label.setText(label);
    m_label.setTextFormat(Qt::PlainText);
    m_label.prepare(QTransform(), m_labelFont);
    m_labelSize = m_label.size();
    return true;
}

bool ProgressBar::layOutFromGlyphs(const QString& label)
{
    QList<quint32> indexes;
    QList<QPointF> positions;
    qreal x = 0;
    for (const QChar c : label) {
        if ((c < u'0' || c > u'9') && c != u'%')
            return false;
        auto glyph = m_glyphs.constFind(c.unicode());
        if (glyph == m_glyphs.cend()) {
            const QList<quint32> found = m_rawFont.glyphIndexesForString(QString(c));
            if (found.size() != 1 || found.front() == 0)
                return false;
            glyph = m_glyphs.insert(c.unicode(),
                                    {found.front(), m_rawFont.advancesForGlyphIndexes(found).front().x()});
        }
        indexes.append(glyph->index);
        positions.append(QPointF(x, m_rawFont.ascent()));
        x += glyph->advance;
    }
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    m_run = run;
    m_labelSize = QSizeF(x, m_rawFont.ascent() + m_rawFont.descent());
    return true;
}

QPointF ProgressBar::labelAt() const
{
    const QSizeF size = m_labelSize;
    return {rect().x() + (rect().width() - size.width()) / 2,
            rect().y() + (rect().height() - size.height()) / 2};
}

QRect ProgressBar::labelArea() const
{
    constexpr qreal Edge = 2;
    return QRectF(labelAt(), m_labelSize).adjusted(-Edge, -Edge, Edge, Edge).toAlignedRect();
}

void ProgressBar::showValue(int value)
{
    if (value == this->value())
        return;
    const QRect before = chunk(this->value());
    // Updates are held only around setValue, whose repaint would take the whole bar; whoever held
    // them before still does.
    const bool held = testAttribute(Qt::WA_UpdatesDisabled);
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setValue(value);
    setAttribute(Qt::WA_UpdatesDisabled, held);
    if (held)
        return;
    const QRect after = chunk(this->value());
    QRegion changed(QRect(QPoint(std::min(before.right(), after.right()) + 1, before.top()),
                          QPoint(std::max(before.right(), after.right()), before.bottom())));
    if (isTextVisible()) {
        // The label that was drawn, and the new one, laid out here once for the paint.
        changed += labelArea();
        if (prepareLabel())
            changed += labelArea();
    }
    update(changed);
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

    const QRect filled = chunk(value());
    if (filled.width() > 0)
        painter.fillRect(filled, colours.color(group, QPalette::Highlight));

    if (!isTextVisible())
        return;
    // The text in the bar's colour over the filled part, in the text colour over the rest.
    prepareLabel();
    const QPointF at = labelAt();
    const auto drawLabel = [&] {
        if (m_run)
            painter.drawGlyphRun(at, *m_run);
        else
            painter.drawStaticText(at, m_label);
    };
    painter.setClipRect(filled);
    painter.setPen(colours.color(group, QPalette::HighlightedText));
    drawLabel();
    painter.setClipRegion(QRegion(rect()).subtracted(filled));
    painter.setPen(colours.color(group, QPalette::Text));
    drawLabel();
}
