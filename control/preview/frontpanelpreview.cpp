// Draws the front panel's widgets in every state into PNG files: frontpanel_preview [directory]

#include "control/powerlamp.h"
#include "control/sevensegmentdisplay.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTextStream>

using control::DisplayMode;
using control::PowerLamp;
using control::SevenSegmentDisplay;

namespace {

// A strip of brushed dark metal like an amplifier's front.
class Faceplate : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QLinearGradient metal(0, 0, 0, height());
        metal.setColorAt(0, QColor(58, 58, 62));
        metal.setColorAt(0.5, QColor(38, 38, 42));
        metal.setColorAt(1, QColor(26, 26, 29));
        painter.fillRect(rect(), metal);
        painter.setPen(QColor(255, 255, 255, 10));
        for (int y = 0; y < height(); y += 2)
            painter.drawLine(0, y, width(), y);
    }
};

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet("color: #c8c8c8; font: 11px 'DejaVu Sans';");
    return label;
}

void addState(QGridLayout* grid, int row, const QString& title, DisplayMode mode, int tenths, bool lamp,
              QWidget* parent)
{
    auto* display = new SevenSegmentDisplay(parent);
    display->setMode(mode);
    display->setVolume(tenths);
    display->setFixedSize(260, 96);
    auto* small = new SevenSegmentDisplay(parent);
    small->setDigitSize(SevenSegmentDisplay::DigitSize::Small);
    small->setMode(mode);
    small->setVolume(tenths);
    small->setFixedSize(84, 30);
    auto* power = new PowerLamp(parent);
    power->setLit(lamp);
    power->setFixedSize(30, 30);
    grid->addWidget(caption(title, parent), row, 0);
    grid->addWidget(power, row, 1);
    grid->addWidget(display, row, 2);
    grid->addWidget(small, row, 3);
    grid->addWidget(caption(display->accessibleName(), parent), row, 4);
}

void save(QWidget& widget, const QString& path, qreal ratio)
{
    QPixmap pixmap(widget.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    widget.render(&pixmap);
    pixmap.save(path);
    QTextStream(stdout) << path << '\n';
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString directory = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();

    Faceplate sheet;
    auto* grid = new QGridLayout(&sheet);
    grid->setContentsMargins(18, 18, 18, 18);
    grid->setHorizontalSpacing(16);
    addState(grid, 0, "volume 45.5", DisplayMode::Volume, 455, true, &sheet);
    addState(grid, 1, "volume 5.0", DisplayMode::Volume, 50, true, &sheet);
    addState(grid, 2, "muted", DisplayMode::Muted, 455, true, &sheet);
    addState(grid, 3, "standby", DisplayMode::Standby, 0, false, &sheet);
    addState(grid, 4, "not connected", DisplayMode::Dark, 0, false, &sheet);
    sheet.adjustSize();
    save(sheet, QDir(directory).filePath("frontpanel-states.png"), 1.0);

    SevenSegmentDisplay large;
    large.setMode(DisplayMode::Volume);
    large.setVolume(999);
    large.resize(640, 236);
    save(large, QDir(directory).filePath("frontpanel-large-hidpi.png"), 2.0);
    return 0;
}
