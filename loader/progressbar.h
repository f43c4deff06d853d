#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QProgressBar>
#include <QRawFont>
#include <QStaticText>
#include <optional>

// Corlift's progress bar: a QProgressBar (value, text and accessibility as usual) that paints itself
// plainly. The platform styles draw gradients, stripes and smoothed edges at every step, which costs
// more than the upload itself, which otherwise only sleeps between lines. The colours come from the
// palette, so a red Highlight shows a failure as before.
class ProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    // Takes `value` and repaints, when the event loop next runs, only what it changes: the end of the
    // filled part and the text. QProgressBar::setValue repaints all of the bar at once.
    void showValue(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect inside() const { return rect().adjusted(2, 2, -2, -2); }
    // The filled part of inside() for `value`.
    QRect chunk(int value) const;
    // Lays out text() unless it is the label already laid out; whether it did.
    bool prepareLabel();
    // Where the label laid out is drawn, and the area it covers, a pixel or two wider for its
    // smoothed edges.
    QPointF labelAt() const;
    QRect labelArea() const;

    // Lays a label of digits and percent signs out from m_glyphs; false for any other text.
    bool layOutFromGlyphs(const QString& label);

    // The text laid out once for each value: shaping it anew cost more than the rest of a step.
    QString m_labelText;
    QFont m_labelFont;
    QSizeF m_labelSize;
    // A percentage, the usual label, is drawn from glyphs looked up once for the font: laying even
    // "47%" out took longer than all the rest of the step. Any other label takes the static text.
    struct Glyph
    {
        quint32 index;
        qreal advance;
    };
    QRawFont m_rawFont;
    QHash<char16_t, Glyph> m_glyphs;
    std::optional<QGlyphRun> m_run;
    QStaticText m_label;
};
