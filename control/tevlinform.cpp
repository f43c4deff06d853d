#include "control/tevlinform.h"

#include "control/frontpanel.h"
#include "control/linksession.h"
#include "control/sevensegmentdisplay.h"
#include "widgets/numerickeyfilter.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

namespace control {
namespace {

// A button keeps its caption as its accessible name; the tool tip explains it.
QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const QString& toolTip)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(toolTip);
    b->setAutoDefault(false);
    return b;
}

struct RowText
{
    const char* name;    // the suffix of the controls' names: LblVolume, SlideVolume, TextVolume
    const char* buttons; // the infix of the buttons' names: BtnVolUp, BtnVolDown, BtnVolSet
    const char* caption;
    const char* what; // for the symbol buttons and the typed box, which show no words
    const char* typeTip;
    const char* setTip;
    const char* slideTip;
};

TevlinForm::LevelRow levelRow(QGridLayout* grid, int line, const RowText& t, int maximum)
{
    QWidget* parent = grid->parentWidget();
    const QString name = QLatin1String(t.name);
    const QString buttons = QLatin1String(t.buttons);
    const QString what = QObject::tr(t.what);
    TevlinForm::LevelRow row{};
    row.label = new QLabel(QLatin1String(t.caption), parent);
    row.label->setObjectName(QStringLiteral("Lbl") + name);
    row.down = button(parent, QStringLiteral("Btn%1Down").arg(buttons), QStringLiteral("\u2212"),
                      QObject::tr("%1 down").arg(what));
    row.up = button(parent, QStringLiteral("Btn%1Up").arg(buttons), QStringLiteral("+"),
                    QObject::tr("%1 up").arg(what));
    for (QPushButton* b : {row.down, row.up}) {
        b->setAccessibleName(b->toolTip());
        b->setFixedWidth(32);
    }
    row.slider = new QSlider(Qt::Horizontal, parent);
    row.slider->setObjectName(QStringLiteral("Slide") + name);
    row.slider->setRange(0, maximum);
    row.slider->setToolTip(QLatin1String(t.slideTip));
    row.slider->setMinimumWidth(240);
    row.label->setBuddy(row.slider);
    row.text = new QLineEdit(parent);
    row.text->setObjectName(QStringLiteral("Text") + name);
    row.text->setToolTip(QLatin1String(t.typeTip));
    row.text->setAccessibleName(QObject::tr("%1, typed").arg(what));
    row.text->setFixedWidth(64);
    row.text->setAlignment(Qt::AlignRight);
    row.set = button(parent, QStringLiteral("Btn%1Set").arg(buttons), QStringLiteral("Set"),
                     QLatin1String(t.setTip));
    grid->addWidget(row.label, line, 0);
    int column = 1;
    for (QWidget* w : row.controls())
        grid->addWidget(w, line, column++);
    return row;
}

} // namespace

QList<QWidget*> TevlinForm::LevelRow::controls() const
{
    return {down, slider, up, text, set};
}

TevlinForm::TevlinForm(QMainWindow* window)
{
    auto* central = new QWidget(window);
    auto* column = new QVBoxLayout(central);
    column->setSpacing(10);

    front = new FrontPanel(central);
    column->addWidget(front);

    auto* frmComm = new QGroupBox(QObject::tr("Amplifier"), central);
    frmComm->setObjectName(QStringLiteral("FrmComm"));
    connectCancel =
        button(frmComm, QStringLiteral("BtnConnectCancel"), connectCaption(LinkSession::Phase::Idle),
               QStringLiteral("Connect/Cancel com to amplifier"));
    connectState = new QLabel(QStringLiteral("Not connected"), frmComm);
    connectState->setObjectName(QStringLiteral("LblConnect"));
    connectState->setMinimumWidth(100);
    power = button(frmComm, QStringLiteral("BtnPower"), QStringLiteral("On"),
                   QStringLiteral("Turn power on/off"));
    mute = button(frmComm, QStringLiteral("BtnMute"), QStringLiteral("Mute"), QStringLiteral("Mute/unmute"));
    setupAmp =
        button(frmComm, QStringLiteral("BtnSetupAmp"), QStringLiteral("Setup"), QStringLiteral("Edit setup"));
    auto* commRow = new QHBoxLayout(frmComm);
    commRow->addWidget(connectCancel);
    commRow->addWidget(connectState);
    commRow->addStretch();
    for (QWidget* w : {power, mute, setupAmp})
        commRow->addWidget(w);
    column->addWidget(frmComm);

    auto* levels = new QGroupBox(QObject::tr("Levels"), central);
    auto* grid = new QGridLayout(levels);
    grid->setColumnStretch(2, 1);
    volume = levelRow(
        grid, 0,
        {"Volume", "Vol", "Volume", QT_TR_NOOP("Volume"), "Type volume", "Set volume", "Adjust volume"},
        VolumeMax);
    defVolume = levelRow(grid, 1,
                         {"DefVolume", "DefVol", "Default volume", QT_TR_NOOP("Start-up volume"),
                          "Type start up volume", "Set start up volume", "Adjust volume at power up"},
                         VolumeMax);
    maxVolume = levelRow(grid, 2,
                         {"MaxVolume", "MaxVol", "Max. Volume", QT_TR_NOOP("Maximum volume"),
                          "Type maximum volume", "Set maximum volume", "Adjust volume maximum"},
                         VolumeMax);
    balance = levelRow(grid, 3,
                       {"Balance", "BalanceOne", "Balance", QT_TR_NOOP("Balance"), "Type balance",
                        "Set balance", "Adjust balance"},
                       BalanceMaxStep);
    balance.set->setObjectName(QStringLiteral("BtnBalanceSet"));
    balance.down->setAccessibleName(QObject::tr("Balance to the left"));
    balance.up->setAccessibleName(QObject::tr("Balance to the right"));
    balance.slider->setTickPosition(QSlider::TicksBelow);
    balance.slider->setPageStep(1);
    new widgets::NumericKeyFilter(balance.text, 1);

    // The small copy of the display beside the volume row, as on the amplifier's remote.
    smallDisplay = new SevenSegmentDisplay(levels);
    smallDisplay->setObjectName(QStringLiteral("SmallDisplay"));
    smallDisplay->setDigitSize(SevenSegmentDisplay::DigitSize::Small);
    smallDisplay->setFixedSize(84, 30);
    grid->addWidget(smallDisplay, 0, 6);
    column->addWidget(levels);

    auto* inputBox = new QGroupBox(QObject::tr("Inputs"), central);
    auto* inputRow = new QHBoxLayout(inputBox);
    for (int i = 0; i < InputButtonCount; ++i) {
        const bool analog = i < DigitalInputOffset;
        const int n = analog ? i + 1 : i + 1 - DigitalInputOffset;
        const QString caption = (analog ? QStringLiteral("A") : QStringLiteral("D")) + QString::number(n);
        const QString tip = analog ? QStringLiteral("Analog input channel %1").arg(n)
                                   : QStringLiteral("Digital input channel %1").arg(n);
        inputs[i] = button(inputBox, QStringLiteral("Btn") + caption, caption, tip);
        inputs[i]->setMinimumWidth(44);
        inputRow->addWidget(inputs[i]);
    }
    column->addWidget(inputBox);
    window->setCentralWidget(central);
    window->statusBar()->setObjectName(QStringLiteral("StatusBar"));

    QMenu* file = window->menuBar()->addMenu(QStringLiteral("&File"));
    exit = file->addAction(QStringLiteral("E&xit"));
    // Ctrl+Q on every platform: not every platform binds a standard key to quitting.
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    setting = window->menuBar()->addMenu(QStringLiteral("&Setting"));
    setting->setObjectName(QStringLiteral("Setting"));
    comport = setting->addMenu(QStringLiteral("Comport"));
    comport->setObjectName(QStringLiteral("MenuComport"));
    QMenu* speed = setting->addMenu(QStringLiteral("Speed"));
    const std::array<const char*, 3> speedNames = {"Speed_9600", "Speed_57600", "Speed_115000"};
    for (int index = 0; index < int(speeds.size()); ++index) {
        speeds[index] = speed->addAction(QString::number(SpeedBauds[index]));
        speeds[index]->setObjectName(QLatin1String(speedNames[index]));
        speeds[index]->setCheckable(true);
    }
    comAdress = setting->addAction(QStringLiteral("Com Adress"));
    comAdress->setObjectName(QStringLiteral("Com_Adress"));
    findAmplifiers = setting->addAction(QStringLiteral("Find amplifiers…"));
    findAmplifiers->setObjectName(QStringLiteral("FindAmplifiers"));
    QMenu* help = window->menuBar()->addMenu(QStringLiteral("&Help"));
    about = help->addAction(QStringLiteral("About"));
}

} // namespace control
