#include "control/tevlinwindow.h"

#include "common/numbers.h"
#include "control/ampabout.h"
#include "control/frontpanel.h"
#include "control/numerickeyfilter.h"
#include "control/operatingactions.h"
#include "control/panellayout.h"
#include "control/powerlamp.h"
#include "control/reconcile.h"
#include "control/sevensegmentdisplay.h"
#include "control/showoperations.h"
#include "control/statusreply.h"
#include "protocol/commandtable.h"
#include "serial/comform.h"
#include "serial/portmap.h"
#include "serial/wait.h"
#include "settings/debugmode.h"
#include "settings/inifilehandler.h"

#include <QActionGroup>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>
#include <limits>

namespace control {
namespace {

const QString ComSettings = QStringLiteral("ComSettings");
const QString TevlinSection = QStringLiteral("Tevlin");
const QString CaptionConnect = QStringLiteral("Connect");
const QString CaptionCancel = QStringLiteral("Cancel");
const QString CaptionDiscon = QStringLiteral("Discon");
const QString CaptionOn = QStringLiteral("On");
const QString CaptionStandBy = QStringLiteral("Stand By");

constexpr int MinimumPollInterval = 1500;
constexpr int HandshakeReplyLength = 2;
constexpr char AckFirst = 0x02;
constexpr char AckSecond = char(0xAA);
// After this long without the reply, the status bar says that the program is still waiting.
constexpr std::chrono::seconds SlowReplyNotice{3};

constexpr std::array<int, 3> SpeedBauds = {9600, 57600, 115200};

int commandFor(Correction::Kind kind)
{
    using K = Correction::Kind;
    switch (kind) {
    case K::SetPowerState:
        return Command::SetPowerState;
    case K::SwitchOn:
        return Command::SwitchOn;
    case K::SwitchToStandby:
        return Command::SwitchToStandby;
    case K::SetVolume:
        return Command::SetVolume;
    case K::SetDefaultVolume:
        return Command::SetDefaultVolume;
    case K::SetMaxVolume:
        return Command::SetMaxVolume;
    case K::SetMute:
        return Command::SetMute;
    case K::MuteOn:
        return Command::MuteOn;
    case K::MuteOff:
        return Command::MuteOff;
    case K::SetBalance:
        return Command::SetBalance;
    case K::SetInput:
        return Command::SetInput;
    case K::SetAnalogInput:
        return Command::SetAnalogInput;
    case K::SetDigitalInput:
        return Command::SetDigitalInput;
    }
    return 0;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& toolTip,
                    const QString& accessibleName = {})
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(toolTip);
    b->setAccessibleName(accessibleName.isEmpty() ? toolTip : accessibleName);
    b->setAutoDefault(false);
    return b;
}

QString captionWithoutMnemonic(const QPushButton* b)
{
    QString text = b->text();
    return text.remove(u'&');
}

} // namespace

TevlinWindow::TevlinWindow(LinkState& state, ComForm& link, QString setupIniPath, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_link(link), m_rs(state, link),
      m_setupIniPath(std::move(setupIniPath))
{
    setObjectName(QStringLiteral("Tevlin"));
    setWindowTitle(QStringLiteral("Korvanes Audio - Tevlin"));
    m_hooks.askAddress = [this](const QString& current) {
        return QInputDialog::getText(this, QStringLiteral("Network Address"),
                                     QStringLiteral("Enter Amplifier Network address"), QLineEdit::Normal,
                                     current);
    };
    m_hooks.openSetup = [this](int) {
        QMessageBox::information(this, QGuiApplication::applicationDisplayName(),
                                 tr("The setup dialog for this amplifier is not yet available."));
    };
    m_hooks.setupLinkValues = [](int) { return std::optional<SetupLinkValues>(); };

    buildControls();
    buildMenus();
    connectControls();
    connect(&m_update, &QTimer::timeout, this, &TevlinWindow::Update_Timer);
    connect(&m_link, &ComForm::portLost, this, &TevlinWindow::portLost);
}

TevlinWindow::~TevlinWindow()
{
    // A wait further down the stack must not outlive the window it reports to.
    m_state.LinkCancelRequested = true;
}

void TevlinWindow::setHooks(Hooks hooks)
{
    if (hooks.askAddress)
        m_hooks.askAddress = std::move(hooks.askAddress);
    if (hooks.openSetup)
        m_hooks.openSetup = std::move(hooks.openSetup);
    if (hooks.setupLinkValues)
        m_hooks.setupLinkValues = std::move(hooks.setupLinkValues);
}

void TevlinWindow::buildControls()
{
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setSpacing(10);

    m_front = new FrontPanel(central);
    column->addWidget(m_front);

    auto* FrmComm = new QGroupBox(tr("Amplifier"), central);
    FrmComm->setObjectName(QStringLiteral("FrmComm"));
    m_btnConnectCancel =
        button(FrmComm, "BtnConnectCancel", CaptionConnect, QStringLiteral("Connect/Cancel com to amplifier"),
               tr("Connect or disconnect"));
    m_lblConnect = new QLabel(QStringLiteral("Not connected"), FrmComm);
    m_lblConnect->setObjectName(QStringLiteral("LblConnect"));
    m_lblConnect->setAccessibleName(tr("Connection state"));
    m_lblConnect->setMinimumWidth(100);
    m_btnPower = button(FrmComm, "BtnPower", CaptionOn, QStringLiteral("Turn power on/off"), tr("Power"));
    m_btnMute = button(FrmComm, "BtnMute", QStringLiteral("Mute"), QStringLiteral("Mute/unmute"));
    m_btnSetupAmp = button(FrmComm, "BtnSetupAmp", QStringLiteral("Setup"), QStringLiteral("Edit setup"),
                           tr("Amplifier setup"));
    auto* commRow = new QHBoxLayout(FrmComm);
    commRow->addWidget(m_btnConnectCancel);
    commRow->addWidget(m_lblConnect);
    commRow->addStretch();
    commRow->addWidget(m_btnPower);
    commRow->addWidget(m_btnMute);
    commRow->addWidget(m_btnSetupAmp);
    column->addWidget(FrmComm);

    auto* levels = new QGroupBox(tr("Levels"), central);
    auto* grid = new QGridLayout(levels);
    grid->setColumnStretch(2, 1);
    const auto makeRow = [&](VolumeRow& row, int line, const char* prefix, const QString& caption,
                             const QString& what, const QString& typeTip, const QString& setTip,
                             const QString& slideTip, int maximum) {
        const QString p = QString::fromLatin1(prefix);
        row.label = new QLabel(caption, levels);
        row.label->setObjectName(QStringLiteral("Lbl") + p);
        row.down = button(levels, "", QStringLiteral("\u2212"), tr("%1 down").arg(what));
        row.up = button(levels, "", QStringLiteral("+"), tr("%1 up").arg(what));
        row.slider = new QSlider(Qt::Horizontal, levels);
        row.slider->setObjectName(QStringLiteral("Slide") + p);
        row.slider->setRange(0, maximum);
        row.slider->setToolTip(slideTip);
        row.slider->setAccessibleName(what);
        row.slider->setMinimumWidth(240);
        row.text = new QLineEdit(levels);
        row.text->setObjectName(QStringLiteral("Text") + p);
        row.text->setToolTip(typeTip);
        row.text->setAccessibleName(tr("%1, typed").arg(what));
        row.text->setFixedWidth(64);
        row.text->setAlignment(Qt::AlignRight);
        row.set = button(levels, "", QStringLiteral("Set"), setTip);
        row.label->setBuddy(row.slider);
        for (QPushButton* b : {row.down, row.up})
            b->setFixedWidth(32);
        grid->addWidget(row.label, line, 0);
        grid->addWidget(row.down, line, 1);
        grid->addWidget(row.slider, line, 2);
        grid->addWidget(row.up, line, 3);
        grid->addWidget(row.text, line, 4);
        grid->addWidget(row.set, line, 5);
    };
    makeRow(m_volume, 0, "Volume", QStringLiteral("Volume"), tr("Volume"), QStringLiteral("Type volume"),
            QStringLiteral("Set volume"), QStringLiteral("Adjust volume"), VolumeMax);
    makeRow(m_defVolume, 1, "DefVolume", QStringLiteral("Default volume"), tr("Start-up volume"),
            QStringLiteral("Type start up volume"), QStringLiteral("Set start up volume"),
            QStringLiteral("Adjust volume at power up"), VolumeMax);
    makeRow(m_maxVolume, 2, "MaxVolume", QStringLiteral("Max. Volume"), tr("Maximum volume"),
            QStringLiteral("Type maximum volume"), QStringLiteral("Set maximum volume"),
            QStringLiteral("Adjust volume maximum"), VolumeMax);
    makeRow(m_balance, 3, "Balance", QStringLiteral("Balance"), tr("Balance"), QStringLiteral("Type balance"),
            QStringLiteral("Set balance"), QStringLiteral("Adjust balance"), BalanceMaxStep);
    const auto name = [](QPushButton* b, const char* n) { b->setObjectName(QString::fromLatin1(n)); };
    name(m_volume.down, "BtnVolDown");
    name(m_volume.up, "BtnVolUp");
    name(m_volume.set, "BtnVolSet");
    name(m_defVolume.down, "BtnDefVolDown");
    name(m_defVolume.up, "BtnDefVolUp");
    name(m_defVolume.set, "BtnDefVolSet");
    name(m_maxVolume.down, "BtnMaxVolDown");
    name(m_maxVolume.up, "BtnMaxVolUp");
    name(m_maxVolume.set, "BtnMaxVolSet");
    name(m_balance.down, "BtnBalanceOneDown");
    name(m_balance.up, "BtnBalanceOneUp");
    name(m_balance.set, "BtnBalanceSet");
    m_balance.down->setAccessibleName(tr("Balance to the left"));
    m_balance.up->setAccessibleName(tr("Balance to the right"));
    m_balance.slider->setTickPosition(QSlider::TicksBelow);
    m_balance.slider->setPageStep(1);
    new NumericKeyFilter(m_balance.text, 1);

    // The small copy of the display beside the volume row, as on the amplifier's remote.
    m_smallDisplay = new SevenSegmentDisplay(levels);
    m_smallDisplay->setObjectName(QStringLiteral("SmallDisplay"));
    m_smallDisplay->setDigitSize(SevenSegmentDisplay::DigitSize::Small);
    m_smallDisplay->setFixedSize(84, 30);
    grid->addWidget(m_smallDisplay, 0, 6);
    column->addWidget(levels);

    auto* inputs = new QGroupBox(tr("Inputs"), central);
    auto* inputRow = new QHBoxLayout(inputs);
    for (int i = 0; i < 9; ++i) {
        const bool analog = i < 4;
        const int n = analog ? i + 1 : i - 3;
        const QString caption = (analog ? QStringLiteral("A") : QStringLiteral("D")) + QString::number(n);
        const QString tip = analog ? QStringLiteral("Analog input channel %1").arg(n)
                                   : QStringLiteral("Digital input channel %1").arg(n);
        m_inputs[i] = button(inputs, "", caption, tip);
        m_inputs[i]->setObjectName(QStringLiteral("Btn") + caption);
        m_inputs[i]->setMinimumWidth(44);
        inputRow->addWidget(m_inputs[i]);
    }
    column->addWidget(inputs);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    resetDisplay();
}

void TevlinWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &TevlinWindow::exitProgram);

    m_setting = menuBar()->addMenu(QStringLiteral("&Setting"));
    m_setting->setObjectName(QStringLiteral("Setting"));
    QMenu* comport = m_setting->addMenu(QStringLiteral("Comport"));
    comport->setObjectName(QStringLiteral("MenuComport"));
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        QAction* action = comport->addAction(QStringLiteral("&COM%1").arg(port));
        action->setObjectName(QStringLiteral("COM%1").arg(port));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, port] { SelectComPort(port); });
        m_comActions[port] = action;
    }
    QMenu* speed = m_setting->addMenu(QStringLiteral("Speed"));
    const std::array<const char*, 3> speedNames = {"Speed_9600", "Speed_57600", "Speed_115000"};
    for (int index = 0; index < 3; ++index) {
        QAction* action = speed->addAction(QString::number(SpeedBauds[index]));
        action->setObjectName(QString::fromLatin1(speedNames[index]));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, index] { SelectComSpeed(index); });
        m_speedActions[index] = action;
    }
    m_comAdress = m_setting->addAction(QStringLiteral("Com Adress"));
    m_comAdress->setObjectName(QStringLiteral("Com_Adress"));
    connect(m_comAdress, &QAction::triggered, this, &TevlinWindow::Com_Adress_Click);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* about = help->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, [this] {
        AmpAbout box(this);
        box.exec();
    });
}

void TevlinWindow::connectControls()
{
    connect(m_btnConnectCancel, &QPushButton::clicked, this, &TevlinWindow::ConnectOrDisconnect);
    connect(m_btnSetupAmp, &QPushButton::clicked, this, &TevlinWindow::BtnSetupAmp_Click);
    // The power button's caption always follows PowerState, so the state tells which way it goes.
    connect(m_btnPower, &QPushButton::clicked, this,
            [this] { act([&](OperatingState& s) { pressPower(s, m_state.LinkConnected); }); });
    connect(m_btnMute, &QPushButton::clicked, this,
            [this] { act([&](OperatingState& s) { pressMute(s, m_state.LinkConnected); }); });

    struct Wiring
    {
        VolumeRow* row;
        void (*step)(OperatingState&, int);
        void (*slide)(OperatingState&, int);
        void (*typed)(OperatingState&, QStringView);
    };
    for (const Wiring& w : {Wiring{&m_volume, stepVolume, slideVolume, setVolumeFromText},
                            Wiring{&m_defVolume, stepDefVolume, slideDefVolume, setDefVolumeFromText},
                            Wiring{&m_maxVolume, stepMaxVolume, slideMaxVolume, setMaxVolumeFromText},
                            Wiring{&m_balance, stepBalance, slideBalance, setBalanceFromText}}) {
        VolumeRow* row = w.row;
        connect(row->up, &QPushButton::clicked, this,
                [this, w] { act([&](OperatingState& s) { w.step(s, 1); }); });
        connect(row->down, &QPushButton::clicked, this,
                [this, w] { act([&](OperatingState& s) { w.step(s, -1); }); });
        connect(row->set, &QPushButton::clicked, this, [this, w, row] {
            const QString text = row->text->text();
            // A value the box already shows is redrawn from the state, so a rejected text is replaced.
            row->shownValue.reset();
            act([&](OperatingState& s) { w.typed(s, text); });
        });
        connect(row->text, &QLineEdit::returnPressed, row->set, &QPushButton::click);
        // Only the user's moves count; the window sets the slider with its signals blocked. A move
        // the clamps undo (beyond the maximum volume) must put the slider back, so it is redrawn.
        connect(row->slider, &QSlider::valueChanged, this, [this, w, row](int value) {
            row->shownValue.reset();
            act([&](OperatingState& s) { w.slide(s, value); });
        });
    }
    for (int i = 0; i < int(m_inputs.size()); ++i) {
        connect(m_inputs[i], &QPushButton::clicked, this, [this, i] {
            act([&](OperatingState& s) {
                SelectInput(s, i + 1, m_state.LinkConnected, m_state.AmpModelCode);
            });
        });
    }
}

void TevlinWindow::exitProgram()
{
    // A wait on the stack would keep the program alive; cancelling it lets the quit go through.
    m_state.LinkCancelRequested = true;
    m_state.LinkConnected = false;
    qApp->quit();
}

void TevlinWindow::closeEvent(QCloseEvent* event)
{
    exitProgram();
    QMainWindow::closeEvent(event);
}

void TevlinWindow::load()
{
    resetDisplay();
    ShowNotConnected();
    m_state.SetupDialogOpen = false;
    m_state.LinkSettingsChanged = false;
    m_state.LinkConnected = false;
    m_state.AmpFirmwareVersion = 0;
    m_state.AmpModelCode = 0;
    m_state.AdoptAmpState = true;
    m_op = OperatingState{};
    m_balance.slider->blockSignals(true);
    m_balance.slider->setValue(BalanceCentre);
    m_balance.slider->blockSignals(false);
    showValues();

    m_state.DeviceAddress =
        ReadIniValue(ComSettings, QStringLiteral("DevAdr"), QStringLiteral("?"), m_setupIniPath);
    const double port = common::numericValue(
        ReadIniValue(ComSettings, QStringLiteral("ComPort"), QStringLiteral("1"), m_setupIniPath));
    // A number in the file converts to a port number the way a byte conversion does: halves to even.
    SelectComPort(static_cast<int>(common::roundHalfEven(std::clamp<double>(port, -1, 256))));
    const double speed = common::numericValue(
        ReadIniValue(ComSettings, QStringLiteral("ComSpeed"), QStringLiteral("9600"), m_setupIniPath));
    SelectComSpeed(speed == 115200 ? 2 : speed == 57600 ? 1 : 0);

    m_link.setPortMap(PortMap::fromSystem(m_setupIniPath));
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n) {
        m_comActions[n]->setText(QStringLiteral("&") + m_link.portMap().menuCaption(n));
        m_comActions[n]->setVisible(ComPortAvailable(n));
    }

    const double interval = common::numericValue(
        ReadIniValue(TevlinSection, QStringLiteral("UpdateSpeed"), QStringLiteral("3500"), m_setupIniPath));
    const long long rounded = common::roundHalfEven(interval);
    m_update.setInterval(static_cast<int>(
        std::clamp<long long>(rounded, MinimumPollInterval, std::numeric_limits<int>::max())));
    m_update.start();

    m_link.SetVisibility(debugModeOn(m_setupIniPath));
}

void TevlinWindow::SelectComPort(int port)
{
    m_state.ComPort = (port <= 0 || port > PortMap::LastPort) ? 1 : port;
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n)
        m_comActions[n]->setChecked(n == m_state.ComPort);
    WriteIniValue(ComSettings, QStringLiteral("ComPort"), QString::number(port), m_setupIniPath);
}

bool TevlinWindow::ComPortAvailable(int port)
{
    return m_link.portAvailable(port, m_state.ComSpeed);
}

void TevlinWindow::SelectComSpeed(int index)
{
    if (index < 0 || index > 2)
        index = 0;
    m_state.ComSpeed = index;
    for (int i = 0; i < 3; ++i)
        m_speedActions[i]->setChecked(i == index);
    WriteIniValue(ComSettings, QStringLiteral("ComSpeed"), QString::number(SpeedBauds[index]),
                  m_setupIniPath);
}

void TevlinWindow::Com_Adress_Click()
{
    const QString kept = m_state.DeviceAddress;
    const QString answer = m_hooks.askAddress(kept);
    if (answer.isEmpty()) {
        m_state.DeviceAddress = kept;
        return;
    }
    m_state.DeviceAddress = answer;
    WriteIniValue(ComSettings, QStringLiteral("DevAdr"),
                  QString::number(common::numericValue(answer), 'g', 15), m_setupIniPath);
}

void TevlinWindow::BtnSetupAmp_Click()
{
    // The dialog owns the link while it is open; a poll waiting for its reply must finish first.
    if (m_polling) {
        m_setupPending = true;
        return;
    }
    m_state.SetupDialogOpen = true;
    m_hooks.openSetup(m_state.AmpModelCode);
    m_state.SetupDialogOpen = false;
}

void TevlinWindow::ShowConnected()
{
    m_lblConnect->setText(QStringLiteral("Connected"));
}

void TevlinWindow::ShowNotConnected()
{
    m_lblConnect->setText(QStringLiteral("Not connected"));
}

bool TevlinWindow::waitForAmplifier(const std::function<bool()>& condition)
{
    QTimer notice;
    notice.setSingleShot(true);
    connect(&notice, &QTimer::timeout, this, [this] {
        statusBar()->showMessage(tr("Waiting for the amplifier ... (\"%1\" stops waiting)")
                                     .arg(captionWithoutMnemonic(m_btnConnectCancel)));
    });
    notice.start(SlowReplyNotice);
    const WaitResult result = waitUntil(condition, &m_state.LinkCancelRequested);
    statusBar()->clearMessage();
    return result == WaitResult::Met;
}

void TevlinWindow::ConnectOrDisconnect()
{
    if (captionWithoutMnemonic(m_btnConnectCancel) != CaptionConnect) {
        disconnectLink();
        return;
    }
    m_btnConnectCancel->setText(CaptionCancel);
    if (m_link.CheckMScomm() || m_state.LinkConnected)
        return;
    m_setting->setEnabled(false);
    m_state.LinkCancelRequested = false;
    m_state.ReplyBuffer.clear();

    if (!m_link.SetupMScomm(m_state.ComPort, m_state.ComSpeed)) {
        // The port told the user why; nothing can answer on a closed port, so go back to Idle
        // instead of waiting for a reply that cannot come.
        disconnectLink();
        return;
    }
    if (m_rs.SendShortCommand(Command::ConnectRequest) == RSfunctions::Result::Rejected) {
        dropUnsendableAddress();
        return;
    }
    statusBar()->showMessage(tr("Connecting to the amplifier at address %1 ...").arg(m_state.DeviceAddress));
    if (!waitForAmplifier([this] { return m_state.ReplyBuffer.size() == HandshakeReplyLength; })) {
        m_state.LinkCancelRequested = false;
        m_link.CloseMScomm();
        m_state.LinkConnected = false;
        return;
    }
    if (m_state.ReplyBuffer[0] != AckFirst || m_state.ReplyBuffer[1] != AckSecond) {
        m_state.LinkConnected = false;
        ShowNotConnected();
        statusBar()->showMessage(tr("The amplifier did not acknowledge; press Cancel to start again."));
        return;
    }
    m_state.ReplyBuffer.clear();
    m_state.LinkConnected = true;
    ShowConnected();
    m_btnPower->setEnabled(true);
    m_btnSetupAmp->setEnabled(true);
    m_btnConnectCancel->setText(CaptionDiscon);
}

void TevlinWindow::disconnectLink()
{
    m_btnConnectCancel->setText(CaptionConnect);
    m_btnSetupAmp->setEnabled(false);
    m_setting->setEnabled(true);
    setOperatingControlsEnabled(false);
    m_btnPower->setEnabled(false);
    m_state.LinkCancelRequested = true;
    m_link.CloseMScomm();
    m_state.LinkConnected = false;
    m_state.AdoptAmpState = true;
    ShowNotConnected();
    m_panelLit = false;
    showPanel();
}

void TevlinWindow::dropUnsendableAddress()
{
    // Nothing went out, so no reply can come: waiting would wait for ever.
    disconnectLink();
    statusBar()->showMessage(tr("No amplifier can have the network address \"%1\"; choose one from 0 to "
                                "65535 (Setting, Com Adress).")
                                 .arg(m_state.DeviceAddress));
}

void TevlinWindow::portLost()
{
    if (captionWithoutMnemonic(m_btnConnectCancel) == CaptionConnect)
        return;
    disconnectLink();
    statusBar()->showMessage(tr("The serial device went away; the link is closed."));
}

void TevlinWindow::readBackLinkSettings()
{
    ConnectOrDisconnect();
    m_state.LinkSettingsChanged = false;
    const std::optional<SetupLinkValues> values = m_hooks.setupLinkValues(m_state.AmpModelCode);
    if (!values)
        return;
    m_state.DeviceAddress = QString::number(values->DevAdr);
    WriteIniValue(ComSettings, QStringLiteral("DevAdr"), m_state.DeviceAddress, m_setupIniPath);
    SelectComSpeed(values->ComSpe);
}

void TevlinWindow::Update_Timer()
{
    // The timer keeps running while a poll waits; a tick must not start a second poll inside it.
    if (m_polling)
        return;
    {
        QScopedValueRollback guard(m_polling, true);
        poll();
    }
    // A setup dialog asked for during the poll opens now that the link is free.
    if (m_setupPending) {
        m_setupPending = false;
        if (m_btnSetupAmp->isEnabled())
            BtnSetupAmp_Click();
    }
}

void TevlinWindow::poll()
{
    if (m_state.LinkSettingsChanged && !m_state.SetupDialogOpen)
        readBackLinkSettings();
    if (!m_state.LinkConnected || m_state.SetupDialogOpen)
        return;

    m_state.ReplyBuffer.clear();
    if (m_rs.SendShortCommand(Command::StatusRequest) == RSfunctions::Result::Rejected) {
        dropUnsendableAddress();
        return;
    }
    const bool replied = waitForAmplifier([this] {
        return !m_state.ReplyBuffer.isEmpty() &&
               m_state.ReplyBuffer.size() >= expectedStatusReplyLength(m_state.ReplyBuffer);
    });
    if (!replied) {
        m_state.LinkCancelRequested = false;
        m_link.CloseMScomm();
        m_state.LinkConnected = false;
        m_state.AdoptAmpState = true;
        return;
    }
    const std::optional<StatusReply> reply = decodeStatusReply(m_state.ReplyBuffer);
    if (!reply)
        return;
    identify(*reply);

    PollOutcome outcome = reconcileStatus(m_op, *reply, m_state.AdoptAmpState);
    // Stored before anything is sent: a click during an acknowledgement wait below marks a new
    // request that the next poll will see.
    m_op = outcome.state;
    m_state.ReplyBuffer.clear();
    m_state.AdoptAmpState = false;
    m_panelLit = true;
    m_front->LblDisp->setText(displayLabel(reply->display));
    m_front->LblIR->setText(irLabel(reply->ir));
    m_maxVolume.slider->setEnabled(true);
    if (isKnownModel(m_state.AmpModelCode))
        m_btnSetupAmp->setEnabled(true);
    showValues();
    showPanel();

    for (const Correction& correction : outcome.corrections) {
        const auto result = m_rs.SendCommand(commandFor(correction.kind), correction.data[0],
                                             correction.data[1], correction.data[2]);
        if (result == RSfunctions::Result::Cancelled || !m_state.LinkConnected)
            break;
    }
}

void TevlinWindow::identify(const StatusReply& reply)
{
    m_state.AmpModelCode = static_cast<std::uint8_t>(reply.modelCode);
    m_state.AmpFirmwareVersion = static_cast<std::int16_t>(reply.firmwareVersion);
    if (const auto caption = productTypeCaption(reply))
        m_front->ProductType->setText(*caption);
}

void TevlinWindow::act(const std::function<void(OperatingState&)>& action)
{
    action(m_op);
    showValues();
    showPanel();
}

void TevlinWindow::showValues()
{
    const auto show = [](VolumeRow& row, int value, const QString& text) {
        if (row.shownValue == value)
            return;
        row.shownValue = value;
        row.slider->blockSignals(true);
        row.slider->setValue(value);
        row.slider->blockSignals(false);
        row.text->setText(text);
    };
    show(m_volume, m_op.Volume, common::formatTenths(m_op.Volume));
    show(m_defVolume, m_op.DefVolume, common::formatTenths(m_op.DefVolume));
    show(m_maxVolume, m_op.MaxVolume, common::formatTenths(m_op.MaxVolume));
    show(m_balance, m_op.BalanceIndex, balanceText(m_op.BalanceIndex));
}

void TevlinWindow::showPanel()
{
    const bool on = m_op.powerIsOn();
    const bool lit = m_panelLit && m_state.LinkConnected;
    const DisplayMode mode = displayModeFor(m_op, lit);
    for (SevenSegmentDisplay* display : {m_front->Display, m_smallDisplay}) {
        display->setVolume(m_op.Volume);
        display->setMode(mode);
    }
    m_front->Power->setLit(lit && on);
    m_btnPower->setText(on && lit ? CaptionStandBy : CaptionOn);
    m_front->LblSource->setVisible(on && lit);
    if (!lit) {
        setOperatingControlsEnabled(false);
        return;
    }
    if (const std::optional<PanelLayout> layout = arrangeForModel(m_state.AmpModelCode, m_op)) {
        setBalanceVisible(layout->balanceVisible);
        setRowEnabled(m_balance, layout->balanceEnabled);
        for (int i = 0; i < int(m_inputs.size()); ++i) {
            m_inputs[i]->setText(layout->inputCaptions[i]);
            m_inputs[i]->setEnabled(layout->inputEnabled[i]);
        }
        for (VolumeRow* row : {&m_volume, &m_defVolume, &m_maxVolume})
            setRowEnabled(*row, layout->volumeControlsEnabled);
        m_btnMute->setEnabled(layout->volumeControlsEnabled);
        m_front->LblSource->setText(layout->sourceLabel);
        m_front->LblPreset->setText(layout->presetLabel);
        m_front->LblMS->setText(layout->masterSlaveLabel);
        m_front->LblDisp->setVisible(layout->displayLabelShown);
    }
}

QList<QWidget*> TevlinWindow::VolumeRow::controls() const
{
    return {down, slider, up, text, set};
}

void TevlinWindow::setRowEnabled(VolumeRow& row, bool enabled)
{
    for (QWidget* w : row.controls())
        w->setEnabled(enabled);
}

void TevlinWindow::setOperatingControlsEnabled(bool enabled)
{
    for (VolumeRow* row : {&m_volume, &m_defVolume, &m_maxVolume, &m_balance})
        setRowEnabled(*row, enabled);
    for (QPushButton* b : m_inputs)
        b->setEnabled(enabled);
    m_btnMute->setEnabled(enabled);
}

void TevlinWindow::setBalanceVisible(bool visible)
{
    m_balance.label->setVisible(visible);
    for (QWidget* w : m_balance.controls())
        w->setVisible(visible);
}

void TevlinWindow::resetDisplay()
{
    m_panelLit = false;
    setOperatingControlsEnabled(false);
    setBalanceVisible(false);
    m_btnPower->setText(CaptionOn);
    m_btnPower->setEnabled(false);
    m_btnSetupAmp->setEnabled(false);
    for (QLabel* label : {m_front->LblSource, m_front->LblIR, m_front->LblMS, m_front->LblPreset,
                          m_front->ProductType, m_front->LblDisp})
        label->clear();
    showPanel();
}

} // namespace control
