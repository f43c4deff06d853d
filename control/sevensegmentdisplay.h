#pragma once

#include "control/showoperations.h"

#include <QColor>
#include <QWidget>
#include <future>
#include <memory>

namespace control {

// The amplifier's three-digit volume display (tens, units, tenths with the decimal point between
// units and tenths), drawn as vector paths so it stays sharp at any size and pixel ratio. Unlit
// segments stay faintly visible behind the glass, as on the real front panel. What it draws is
// kept as pictures per size, so a new value only puts pictures together.
class SevenSegmentDisplay : public QWidget
{
    Q_OBJECT
public:
    enum class DigitSize
    {
        Big,   // the front panel's display: bold segments with a glow
        Small, // the small copy beside the controls: thinner segments, no glass
    };

    explicit SevenSegmentDisplay(QWidget* parent = nullptr);
    ~SevenSegmentDisplay() override;

    // Each setter repaints only when the shown picture changes.
    void setMode(DisplayMode mode);
    void setVolume(int tenths); // 0..999; other values are drawn clamped
    void setDigitSize(DigitSize size);
    void setSegmentColor(const QColor& color);

    DisplayMode mode() const { return m_mode; }
    int volume() const { return m_volume; }
    DigitSize digitSize() const { return m_digitSize; }

    // Segments lit for a digit 0..9, bit 0 = top (a) through bit 6 = middle (g); bit 7 is unused.
    static quint8 segmentsForDigit(int digit);
    static constexpr quint8 DashSegments = 1 << 6;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Layers;
    void updateAccessibleText();

    DisplayMode m_mode = DisplayMode::Dark;
    int m_volume = 0;
    DigitSize m_digitSize = DigitSize::Big;
    QColor m_segmentColor{255, 62, 24};
    // The glass and each digit as drawn before, for the current size: a change of the value draws
    // a few pictures instead of the glow's wide smoothed strokes.
    std::unique_ptr<Layers> m_layers;
    // The pictures for the size the display had when first shown, drawn on a second thread.
    std::future<std::unique_ptr<Layers>> m_prepared;
};

} // namespace control
