#include "control/sevensegmentdisplay.h"

#include "common/numbers.h"
#include "common/timestamps.h"

#include <QAccessible>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QThreadPool>
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

// The shading spans everything lit on the display, `box`.
void paintLit(QPainter& painter, const QPainterPath& lit, const QColor& color, const QRectF& box)
{
    QLinearGradient body(box.topLeft(), box.bottomLeft());
    body.setColorAt(0, color.lighter(125));
    body.setColorAt(0.5, color);
    body.setColorAt(1, color.darker(110));
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    painter.drawPath(lit);
}

// From digit units to a widget of `area`: scaled and moved, then leant forward around the baseline.
QTransform digitsTransform(const QRectF& area)
{
    // Fit the digits, with their padding, into the widget without distorting them.
    const qreal scale = std::min(area.width() / UnitsWide, area.height() / UnitsHigh);
    const QPointF origin(area.center().x() - scale * AspectWidth / 2, area.center().y() - scale / 2);
    QTransform transform;
    transform.translate(origin.x(), origin.y());
    transform.scale(scale, scale);
    return QTransform(1, 0, -Slant, 1, Slant, 0) * transform;
}

QPointF dotCentre(const SegmentStyle& style)
{
    return {(DotDigit + 1) * DigitWidth + DotDigit * DigitSpacing + DigitSpacing / 2,
            1.0 - style.thickness * 0.62};
}

qreal dotRadius(const SegmentStyle& style)
{
    return style.thickness * 0.62;
}

// The lit and unlit segments of the digit at `place` (the point goes with the units).
std::pair<QPainterPath, QPainterPath> placePaths(const Picture& picture, int place, const SegmentStyle& style)
{
    const auto segments = digitSegments(style);
    const QPointF offset(place * (DigitWidth + DigitSpacing), 0);
    QPainterPath lit;
    QPainterPath unlit;
    for (int s = 0; s < SegmentCount; ++s) {
        const bool on = (picture.segments[static_cast<std::size_t>(place)] >> s) & 1;
        (on ? lit : unlit).addPath(segments[static_cast<std::size_t>(s)].translated(offset));
    }
    if (place == DotDigit) {
        const qreal r = dotRadius(style);
        (picture.dotLit ? lit : unlit).addEllipse(dotCentre(style), r, r);
    }
    return {lit, unlit};
}

// Each digit owns a band of the display, from the middle of the gap on its left to the middle of
// the gap on its right, where the point sits. Only the point's glow reaches past its digit's band,
// into the tenths'; so the tenths draw the point's glow too, and one glow never adds to another.
qreal bandLeft(int place)
{
    return place == 0 ? -1.0 : place * (DigitWidth + DigitSpacing) - DigitSpacing / 2;
}

qreal bandRight(int place)
{
    return place == DigitCount - 1 ? AspectWidth + 1 : bandLeft(place + 1);
}

bool nextToDot(int place)
{
    return place == DotDigit || place == DotDigit + 1;
}

// What glows in the band of `place`.
QPainterPath glowing(const Picture& picture, int place, const SegmentStyle& style)
{
    QPainterPath lit = placePaths(picture, place, style).first;
    if (place == DotDigit + 1 && picture.dotLit) {
        const qreal r = dotRadius(style);
        lit.addEllipse(dotCentre(style), r, r);
    }
    return lit;
}

// A digit's pictures stay the same whatever else the display shows, except for the point beside
// it and for the lit parts' shading, which spans everything lit.
struct DigitKey
{
    int place;
    quint8 segments;
    bool dotLit;
    qreal shadeTop;
    qreal shadeBottom;
    bool operator==(const DigitKey&) const = default;
};

size_t qHash(const DigitKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.place, key.segments, key.dotLit, key.shadeTop, key.shadeBottom);
}

// A picture of part of the widget and where it goes. An image rather than a pixmap, so that it can
// be drawn on any thread.
struct Placed
{
    QPointF at;
    QImage picture;
};

// The part of the widget that `rect` covers after `transform`, drawn by `paint` with that
// transform on a transparent picture. The picture lies on whole device pixels, so what is drawn
// lands exactly where it would land drawn directly.
template <typename Paint>
Placed drawnPart(const QRectF& rect, const QTransform& transform, QSize widget, qreal ratio, Paint&& paint)
{
    const QRectF onWidget = transform.mapRect(rect).adjusted(-2, -2, 2, 2);
    const QRect device = QRectF(onWidget.topLeft() * ratio, onWidget.bottomRight() * ratio).toAlignedRect() &
                         QRect(QPoint(0, 0), (QSizeF(widget) * ratio).toSize());
    if (device.isEmpty())
        return {};
    Placed part{QPointF(device.topLeft()) / ratio,
                QImage(device.size(), QImage::Format_ARGB32_Premultiplied)};
    part.picture.setDevicePixelRatio(ratio);
    part.picture.fill(Qt::transparent);
    QPainter painter(&part.picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-part.at);
    painter.setTransform(transform, true);
    paint(painter);
    return part;
}

qsizetype bytesOf(const Placed& part)
{
    return part.picture.sizeInBytes();
}

// The digit at `place` alone, as the whole display would draw it: its unlit segments, the glow in
// its band and its lit segments, shaded over `shade`.
Placed drawnDigit(const Picture& picture, int place, const SegmentStyle& style, const QColor& color,
                  const QRectF& shade, QSize widget, qreal ratio)
{
    // The glow reaches this far beyond the lit segments (half the widest ring).
    const qreal reach = style.glow ? style.thickness * 1.1 : 0.0;
    const qreal left = place * (DigitWidth + DigitSpacing);
    const qreal right = place == DotDigit ? dotCentre(style).x() + dotRadius(style) : left + DigitWidth;
    const QRectF cell(QPointF(std::max(bandLeft(place), left - reach), -reach),
                      QPointF(std::max(std::min(bandRight(place), right + reach), right), 1 + reach));
    const auto paths = placePaths(picture, place, style);
    const QPainterPath& lit = paths.first;
    const QPainterPath& unlit = paths.second;
    const QPainterPath glow = glowing(picture, place, style);
    return drawnPart(cell, digitsTransform(QRectF(QPointF(0, 0), widget)), widget, ratio, [&](QPainter& p) {
        paintUnlit(p, unlit, color);
        if (style.glow && !glow.isEmpty()) {
            p.save();
            p.setClipRect(QRectF(QPointF(bandLeft(place), -1), QPointF(bandRight(place), 2)));
            paintGlow(p, glow, color, style.thickness);
            p.restore();
        }
        paintLit(p, lit, color, shade);
    });
}

} // namespace

struct SevenSegmentDisplay::Layers
{
    // Every digit in every place would take several megabytes on a large display; beyond this,
    // the pictures are drawn anew.
    static constexpr qsizetype MaxBytes = 4 * 1024 * 1024;

    QSize size;
    qreal ratio;
    QColor color;
    DigitSize digitSize;
    Placed glass;
    Placed reflection;
    QHash<DigitKey, Placed> digits;
    qsizetype digitBytes = 0;

    bool fit(const SevenSegmentDisplay& display, qreal targetRatio) const
    {
        return size == display.size() && ratio == targetRatio && color == display.m_segmentColor &&
               digitSize == display.m_digitSize;
    }

    // The glass (and its reflection) of a display of `size`. Touches no widget, so it may run on
    // any thread.
    static std::unique_ptr<Layers> drawn(QSize size, qreal ratio, const QColor& color, DigitSize digitSize)
    {
        const bool big = digitSize == DigitSize::Big;
        const QRectF area(QPointF(0, 0), size);
        auto layers = std::make_unique<Layers>(Layers{size, ratio, color, digitSize, {}, {}, {}});
        layers->glass = drawnPart(area, {}, size, ratio, [&](QPainter& p) { paintGlass(p, area, big); });
        if (big) {
            // The reflection lies on the upper half.
            const QRectF glass = area.adjusted(2, 2, -2, -2);
            layers->reflection = drawnPart(QRectF(glass.topLeft(), QSizeF(glass.width(), glass.height() / 2)),
                                           {}, size, ratio, [&](QPainter& p) { paintReflection(p, glass); });
        }
        return layers;
    }

    // The three digits of `picture` in the order they are laid over one another (the units, which
    // carry the point, come last: the tenths' glow reaches the point, and every glow goes under
    // every lit segment), drawing those not kept yet.
    std::array<DigitKey, DigitCount> digitsFor(const Picture& picture)
    {
        const SegmentStyle style = styleFor(digitSize);
        QPainterPath everythingLit;
        for (int place = 0; place < DigitCount; ++place)
            everythingLit.addPath(placePaths(picture, place, style).first);
        const QRectF shade = everythingLit.boundingRect();

        if (digitBytes > MaxBytes) {
            digits.clear();
            digitBytes = 0;
        }
        constexpr std::array<int, DigitCount> Places{0, DotDigit + 1, DotDigit};
        std::array<DigitKey, DigitCount> keys{};
        for (std::size_t i = 0; i < Places.size(); ++i) {
            const int place = Places[i];
            keys[i] = {place, picture.segments[static_cast<std::size_t>(place)],
                       nextToDot(place) && picture.dotLit, shade.top(), shade.bottom()};
            if (digits.contains(keys[i]))
                continue;
            const Placed digit = drawnDigit(picture, place, style, color, shade, size, ratio);
            digitBytes += bytesOf(digit);
            digits.insert(keys[i], digit);
        }
        return keys;
    }
};

SevenSegmentDisplay::SevenSegmentDisplay(QWidget* parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleDescription(tr("Front panel volume display"));
    updateAccessibleText();
}

SevenSegmentDisplay::~SevenSegmentDisplay() = default;

void SevenSegmentDisplay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_layers || m_prepared.valid())
        return;
    // The layout has given the display its size; the window's first frame is still some way off
    // (the window is mapped, the X server asks for its contents, the widgets before this one paint).
    // The pictures for this size are drawn meanwhile on a second thread; the first paint takes
    // them if the size still holds, or draws as always. The thread is one of Qt's global pool: Qt
    // splits a large fill among that pool's threads unless it is drawn on one of them, and on a
    // thread of its own the display's fills went back and forth between threads some 250 times
    // while the window was being shown.
    auto drawing = std::make_shared<std::packaged_task<std::unique_ptr<Layers>()>>(
        [size = size(), ratio = devicePixelRatioF(), color = m_segmentColor, digitSize = m_digitSize,
         picture = pictureFor(m_mode, m_volume)] {
            auto layers = Layers::drawn(size, ratio, color, digitSize);
            layers->digitsFor(picture);
            return layers;
        });
    m_prepared = drawing->get_future();
    QThreadPool::globalInstance()->start([drawing] { (*drawing)(); });
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
    // The pixel ratio of what is painted on, which may be an image rather than the screen.
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    if (m_prepared.valid()) {
        // Drawn since the display was shown: waits at most for the rest of what it would draw here.
        std::unique_ptr<Layers> prepared = m_prepared.get();
        if (!m_layers && prepared->fit(*this, ratio))
            m_layers = std::move(prepared);
    }
    if (!m_layers || !m_layers->fit(*this, ratio))
        m_layers = Layers::drawn(size(), ratio, m_segmentColor, m_digitSize);

    const std::array<DigitKey, DigitCount> keys = m_layers->digitsFor(pictureFor(m_mode, m_volume));
    painter.drawImage(m_layers->glass.at, m_layers->glass.picture);
    for (const DigitKey& key : keys) {
        const Placed& digit = m_layers->digits[key];
        painter.drawImage(digit.at, digit.picture);
    }
    if (m_digitSize == DigitSize::Big)
        painter.drawImage(m_layers->reflection.at, m_layers->reflection.picture);
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
