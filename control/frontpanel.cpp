#include "control/frontpanel.h"

#include "control/powerlamp.h"
#include "control/sevensegmentdisplay.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace control {
namespace {

// The panel's text in its own colour and size; the rest of the font follows the window's. Set as a
// font and a palette rather than a style sheet: the same pixels, without a style sheet's style
// polishing each label and resolving its font again, a large part of the window's first frame.
void letter(QLabel* label, const QColor& color, int pixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(pixels);
    if (bold)
        font.setBold(true);
    label->setFont(font);
    QPalette palette;
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QLabel* engraved(const QString& text, QWidget* parent, int pixels)
{
    auto* label = new QLabel(text, parent);
    letter(label, QColor(0xc8, 0xc8, 0xcc), pixels);
    return label;
}

QLabel* readout(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    letter(label, QColor(0xff, 0x8a, 0x3d), 13, true);
    label->setMinimumWidth(110);
    return label;
}

} // namespace

FrontPanel::FrontPanel(QWidget* parent)
    : Faceplate(parent), ProductType(engraved(QStringLiteral("Product type"), this, 12)),
      Power(new PowerLamp(this)), Display(new SevenSegmentDisplay(this)),
      LblSource(readout("LblSource", this)), LblPreset(readout("LblPreset", this)),
      LblMS(readout("LblMS", this)), LblIR(readout("LblIR", this)), LblDisp(readout("LblDisp", this))
{
    setObjectName(QStringLiteral("FrontPanel"));
    // A stop in the tab order, so that a keyboard or screen reader user can reach the readouts;
    // the window keeps its accessible description up to date with what the panel shows.
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Front panel"));
    ProductType->setObjectName(QStringLiteral("ProductType"));
    Power->setObjectName(QStringLiteral("PowerLamp"));
    Power->setFixedSize(26, 26);
    Display->setObjectName(QStringLiteral("VolumeDisplay"));
    Display->setMinimumSize(260, 96);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(22, 16, 22, 16);
    row->setSpacing(22);

    auto* left = new QVBoxLayout;
    left->addWidget(engraved(QStringLiteral("KORVANES"), this, 20));
    left->addWidget(ProductType);
    left->addStretch();
    auto* lampRow = new QHBoxLayout;
    lampRow->addWidget(Power);
    lampRow->addWidget(engraved(QStringLiteral("POWER"), this, 11));
    lampRow->addStretch();
    left->addLayout(lampRow);
    row->addLayout(left);

    row->addWidget(Display, 1);

    auto* readouts = new QGridLayout;
    readouts->setVerticalSpacing(6);
    readouts->addWidget(engraved(QStringLiteral("SOURCE"), this, 11), 0, 0);
    readouts->addWidget(LblSource, 0, 1);
    readouts->addWidget(LblPreset, 1, 0, 1, 2);
    readouts->addWidget(LblMS, 2, 0);
    readouts->addWidget(LblIR, 2, 1);
    readouts->addWidget(LblDisp, 3, 0, 1, 2);
    row->addLayout(readouts);
}

} // namespace control
