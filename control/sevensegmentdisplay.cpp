#include "control/sevensegmentdisplay.h"

#include "common/numbers.h"
#include "common/timestamps.h"

#include <QAccessible>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace control {
namespace {

// Geometry in digit units: a digit cell is DigitWidth wide and 1 high.
constexpr qreal DigitWidth = 0.56;
constexpr qreal DigitSpacing = 0.24;
constexpr qreal Slant = 0.10; // the usual forward lean of display digits
constexpr qreal AspectWidth = 3 * DigitWidth + 2 * DigitSpacing + Slant;
constexpr qreal PaddingRatio = 0.16; // glass border around the digits, relative to the height
constexpr qreal UnitsWide = AspectWidth + 2 * PaddingRatio;
constexpr qreal UnitsHigh = 1 + 2 * PaddingRatio;
constexpr qreal Aspect = UnitsWide / UnitsHigh;

constexpr int DigitCount = 3;
constexpr int SegmentCount = 7;
constexpr int DotDigit = 1; // the point follows the units digit

struct SegmentStyle
{
    qreal thickness;
    qreal gap;
    bool glow;
};

SegmentStyle styleFor(SevenSegmentDisplay::DigitSize size)
{
    if (size == SevenSegmentDisplay::DigitSize::Big)
        return {0.105, 0.018, true};
    return {0.085, 0.016, false};
}

// A segment is a stretched hexagon between two points on one axis.
QPainterPath horizontalSegment(qreal x0, qreal x1, qreal y, qreal t)
{
    const qreal h = t / 2;
    QPainterPath path;
    path.moveTo(x0, y);
    path.lineTo(x0 + h, y - h);
    path.lineTo(x1 - h, y - h);
    path.lineTo(x1, y);
    path.lineTo(x1 - h, y + h);
    path.lineTo(x0 + h, y + h);
    path.closeSubpath();
    return path;
}

QPainterPath verticalSegment(qreal x, qreal y0, qreal y1, qreal t)
{
    const qreal h = t / 2;
    QPainterPath path;
    path.moveTo(x, y0);
    path.lineTo(x + h, y0 + h);
    path.lineTo(x + h, y1 - h);
    path.lineTo(x, y1);
    path.lineTo(x - h, y1 - h);
    path.lineTo(x - h, y0 + h);
    path.closeSubpath();
    return path;
}

// Segments a..g of one digit whose cell starts at x = 0, y = 0.
std::array<QPainterPath, SegmentCount> digitSegments(const SegmentStyle& style)
{
    const qreal t = style.thickness;
    const qreal g = style.gap;
    const qreal left = t / 2;
    const qreal right = DigitWidth - t / 2;
    const qreal top = t / 2;
    const qreal middle = 0.5;
    const qreal bottom = 1.0 - t / 2;
    return {
        horizontalSegment(left + g, right - g, top, t),    // a
        verticalSegment(right, top + g, middle - g, t),    // b
        verticalSegment(right, middle + g, bottom - g, t), // c
        horizontalSegment(left + g, right - g, bottom, t), // d
        verticalSegment(left, middle + g, bottom - g, t),  // e
        verticalSegment(left, top + g, middle - g, t),     // f
        horizontalSegment(left + g, right - g, middle, t), // g
    };
}

struct Picture
{
    std::array<quint8, DigitCount> segments{};
    bool dotLit = false;
};

Picture pictureFor(DisplayMode mode, int tenths)
{
    Picture picture;
    switch (mode) {
    case DisplayMode::Dark:
        break;
    case DisplayMode::Standby:
        picture.dotLit = true;
        break;
    case DisplayMode::Muted:
        picture.segments.fill(SevenSegmentDisplay::DashSegments);
        break;
    case DisplayMode::Volume: {
        const int value = std::clamp(tenths, 0, VolumeMax);
        picture.segments = {SevenSegmentDisplay::segmentsForDigit(value / 100),
                            SevenSegmentDisplay::segmentsForDigit(value % 100 / 10),
                            SevenSegmentDisplay::segmentsForDigit(value % 10)};
        picture.dotLit = true;
        break;
    }
    }
    return picture;
}

void paintGlass(QPainter& painter, const QRectF& rect, bool framed)
{
    const qreal radius = rect.height() * 0.08;
    if (framed) {
        // A bezel: a thin light edge above and a dark one below, as a recessed window looks.
        QLinearGradient bezel(rect.topLeft(), rect.bottomLeft());
        bezel.setColorAt(0, QColor(70, 70, 74));
        bezel.setColorAt(1, QColor(18, 18, 20));
        painter.setPen(Qt::NoPen);
        painter.setBrush(bezel);
        painter.drawRoundedRect(rect, radius, radius);
    }
    const qreal inset = framed ? std::max<qreal>(1.0, rect.height() * 0.025) : 0.0;
    const QRectF glass = rect.adjusted(inset, inset, -inset, -inset);
    QLinearGradient dark(glass.topLeft(), glass.bottomLeft());
    dark.setColorAt(0, QColor(22, 8, 8));
    dark.setColorAt(1, QColor(8, 4, 4));
    painter.setBrush(dark);
    painter.drawRoundedRect(glass, radius * 0.8, radius * 0.8);
}

// The glass catches the light from above; the reflection fades out towards the middle.
void paintReflection(QPainter& painter, const QRectF& rect)
{
    const QRectF upper(rect.topLeft(), QSizeF(rect.width(), rect.height() * 0.5));
    QLinearGradient shine(upper.topLeft(), upper.bottomLeft());
    shine.setColorAt(0, QColor(255, 255, 255, 26));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    const qreal radius = rect.height() * 0.06;
    painter.setClipRect(upper);
    painter.drawRoundedRect(rect, radius, radius);
    painter.setClipping(false);
}

void paintUnlit(QPainter& painter, const QPainterPath& path, QColor color)
{
    color.setAlpha(22);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(path);
}

// One stroke per ring over all lit segments together, so overlapping halos do not add up.
void paintGlow(QPainter& painter, const QPainterPath& lit, QColor color, qreal width)
{
    constexpr int Rings = 6;
    color.setAlpha(9);
    painter.setBrush(Qt::NoBrush);
    for (int ring = Rings; ring >= 1; --ring) {
        painter.setPen(QPen(color, width * ring / Rings * 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(lit);
    }
}

void paintLit(QPainter& painter, const QPainterPath& lit, const QColor& color)
{
    const QRectF box = lit.boundingRect();
    QLinearGradient body(box.topLeft(), box.bottomLeft());
    body.setColorAt(0, color.lighter(125));
    body.setColorAt(0.5, color);
    body.setColorAt(1, color.darker(110));
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    painter.drawPath(lit);
}

} // namespace

SevenSegmentDisplay::SevenSegmentDisplay(QWidget* parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleDescription(tr("Front panel volume display"));
    updateAccessibleText();
}

quint8 SevenSegmentDisplay::segmentsForDigit(int digit)
{
    // Bits a..g: 0 abcdef, 1 bc, 2 abdeg, 3 abcdg, 4 bcfg, 5 acdfg, 6 acdefg, 7 abc, 8 all, 9 abcdfg.
    static constexpr std::array<quint8, 10> Masks{0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    if (digit < 0 || digit > 9)
        return 0;
    return Masks[static_cast<std::size_t>(digit)];
}

void SevenSegmentDisplay::setMode(DisplayMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    updateAccessibleText();
    update();
}

void SevenSegmentDisplay::setVolume(int tenths)
{
    tenths = std::clamp(tenths, 0, VolumeMax);
    if (tenths == m_volume)
        return;
    m_volume = tenths;
    updateAccessibleText();
    if (m_mode == DisplayMode::Volume)
        update();
}

void SevenSegmentDisplay::setDigitSize(DigitSize size)
{
    if (size == m_digitSize)
        return;
    m_digitSize = size;
    updateGeometry();
    update();
}

void SevenSegmentDisplay::setSegmentColor(const QColor& color)
{
    if (color == m_segmentColor)
        return;
    m_segmentColor = color;
    update();
}

QSize SevenSegmentDisplay::sizeHint() const
{
    const int height = m_digitSize == DigitSize::Big ? 96 : 36;
    return {qRound(height * Aspect), height};
}

QSize SevenSegmentDisplay::minimumSizeHint() const
{
    constexpr int MinimumHeight = 24;
    return {qRound(MinimumHeight * Aspect), MinimumHeight};
}

int SevenSegmentDisplay::heightForWidth(int width) const
{
    return qRound(width / Aspect);
}

void SevenSegmentDisplay::paintEvent(QPaintEvent*)
{
    const common::TimestampScope stamp("segments");
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();
    const bool big = m_digitSize == DigitSize::Big;
    paintGlass(painter, area, big);

    // Fit the digits, with their padding, into the widget without distorting them.
    const qreal scale = std::min(area.width() / UnitsWide, area.height() / UnitsHigh);
    const QPointF origin(area.center().x() - scale * AspectWidth / 2, area.center().y() - scale / 2);

    const SegmentStyle style = styleFor(m_digitSize);
    const auto segments = digitSegments(style);
    const Picture picture = pictureFor(m_mode, m_volume);

    painter.save();
    painter.translate(origin);
    painter.scale(scale, scale);
    // Lean the digits forward around their baseline.
    painter.setTransform(QTransform(1, 0, -Slant, 1, Slant, 0), true);
    QPainterPath lit;
    QPainterPath unlit;
    for (int digit = 0; digit < DigitCount; ++digit) {
        const QPointF offset(digit * (DigitWidth + DigitSpacing), 0);
        for (int s = 0; s < SegmentCount; ++s) {
            const bool on = (picture.segments[static_cast<std::size_t>(digit)] >> s) & 1;
            (on ? lit : unlit).addPath(segments[static_cast<std::size_t>(s)].translated(offset));
        }
    }
    const qreal dotRadius = style.thickness * 0.62;
    const QPointF dotCentre((DotDigit + 1) * DigitWidth + DotDigit * DigitSpacing + DigitSpacing / 2,
                            1.0 - dotRadius);
    (picture.dotLit ? lit : unlit).addEllipse(dotCentre, dotRadius, dotRadius);

    paintUnlit(painter, unlit, m_segmentColor);
    if (style.glow && !lit.isEmpty())
        paintGlow(painter, lit, m_segmentColor, style.thickness);
    paintLit(painter, lit, m_segmentColor);
    painter.restore();

    if (big)
        paintReflection(painter, area.adjusted(2, 2, -2, -2));
}

void SevenSegmentDisplay::updateAccessibleText()
{
    QString text;
    switch (m_mode) {
    case DisplayMode::Dark:
        text = tr("Volume display off");
        break;
    case DisplayMode::Standby:
        text = tr("Amplifier in standby");
        break;
    case DisplayMode::Muted:
        text = tr("Volume muted");
        break;
    case DisplayMode::Volume:
        text = tr("Volume %1").arg(common::formatTenths(m_volume));
        break;
    }
    if (text == accessibleName())
        return;
    setAccessibleName(text);
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

} // namespace control
