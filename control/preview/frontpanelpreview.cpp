// Draws the front panel's widgets in every state into PNG files: frontpanel_preview [directory]

#include "control/faceplate.h"
#include "control/powerlamp.h"
#include "control/sevensegmentdisplay.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QTextStream>
#include <QVBoxLayout>

using control::DisplayMode;
using control::Faceplate;
using control::PowerLamp;
using control::SevenSegmentDisplay;

namespace {

QLabel* engraved(const QString& text, QWidget* parent, int pixels = 11)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: #c8c8cc; font: %1px 'DejaVu Sans';").arg(pixels));
    return label;
}

QLabel* readout(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet("color: #ff8a3d; font: bold 13px 'DejaVu Sans Mono';");
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
    grid->addWidget(engraved(title, parent), row, 0);
    grid->addWidget(power, row, 1);
    grid->addWidget(display, row, 2);
    grid->addWidget(small, row, 3);
    grid->addWidget(engraved(display->accessibleName(), parent), row, 4);
}

// The front as the main window could arrange it: lamp, display, and the readouts beside it.
void buildFront(Faceplate& front)
{
    auto* row = new QHBoxLayout(&front);
    row->setContentsMargins(22, 16, 22, 16);
    row->setSpacing(22);

    auto* left = new QVBoxLayout;
    left->addWidget(engraved("KORVANES", &front, 18));
    left->addWidget(engraved("VX 900 vers. 30", &front));
    left->addStretch();
    auto* lampRow = new QHBoxLayout;
    auto* lamp = new PowerLamp(&front);
    lamp->setLit(true);
    lampRow->addWidget(lamp);
    lampRow->addWidget(engraved("POWER", &front));
    lampRow->addStretch();
    left->addLayout(lampRow);
    row->addLayout(left);

    auto* display = new SevenSegmentDisplay(&front);
    display->setMode(DisplayMode::Volume);
    display->setVolume(455);
    display->setFixedSize(300, 110);
    row->addWidget(display);

    auto* readouts = new QGridLayout;
    readouts->addWidget(engraved("SOURCE", &front), 0, 0);
    readouts->addWidget(readout("D2", &front), 0, 1);
    readouts->addWidget(readout("Preset: 2", &front), 1, 0, 1, 2);
    readouts->addWidget(readout("Master", &front), 2, 0);
    readouts->addWidget(readout("IR on", &front), 2, 1);
    readouts->addWidget(readout("Disp.: 3", &front), 3, 0, 1, 2);
    row->addLayout(readouts);
}

void save(QWidget& widget, const QString& path, qreal ratio)
{
    QPixmap pixmap(widget.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    widget.render(&pixmap);
    pixmap.save(path);
    QTextStream(stdout) << path << '\n';
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QDir directory(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath());

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
    save(sheet, directory.filePath("frontpanel-states.png"), 1.0);

    Faceplate front;
    buildFront(front);
    front.adjustSize();
    save(front, directory.filePath("frontpanel-front.png"), 1.0);
    save(front, directory.filePath("frontpanel-front-hidpi.png"), 2.0);

    SevenSegmentDisplay large;
    large.setMode(DisplayMode::Volume);
    large.setVolume(999);
    large.resize(640, 236);
    save(large, directory.filePath("frontpanel-large-hidpi.png"), 2.0);
    return 0;
}
