#include "control/tevlinwindow.h"

#include "common/numbers.h"
#include "control/ampabout.h"
#include "control/findamplifiersdialog.h"
#include "control/frontpanel.h"
#include "control/operatingactions.h"
#include "control/powerlamp.h"
#include "control/sevensegmentdisplay.h"
#include "control/showoperations.h"
#include "control/statusreply.h"
#include "control/tevlinform.h"
#include "serial/networkportdialog.h"
#include "serial/portmenu.h"
#include "settings/windowplacement.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsColorizeEffect>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>

namespace control {
namespace {

// The status bar's notice. Its room is two lines of whatever width the status bar gives it, so its
// size never depends on its text: a new notice (one comes while a wait goes unanswered) costs the
// window's layout nothing, and only the label itself is drawn anew.
class NoticeLabel : public QLabel
{
public:
    explicit NoticeLabel(QWidget* parent) : QLabel(parent)
    {
        setWordWrap(true);
        setText(QStringLiteral("\n"));
        m_size = QLabel::sizeHint();
        setFixedHeight(m_size.height());
        clear();
    }
    QSize sizeHint() const override { return m_size; }
    QSize minimumSizeHint() const override { return {0, m_size.height()}; }
    bool hasHeightForWidth() const override { return false; }

private:
    QSize m_size;
};

QString tenthsText(int tenths)
{
    return common::formatTenths(tenths);
}

QString balanceStepText(int step)
{
    return balanceText(step);
}

// The level rows of the form and the values they set, in the order of m_shown.
struct LevelWiring
{
    TevlinForm::LevelRow TevlinForm::*row;
    const LevelField* field;
    QString (*text)(int value);
};
const std::array<LevelWiring, 4> Levels{{
    {&TevlinForm::volume, &VolumeLevel, tenthsText},
    {&TevlinForm::defVolume, &DefVolumeLevel, tenthsText},
    {&TevlinForm::maxVolume, &MaxVolumeLevel, tenthsText},
    {&TevlinForm::balance, &BalanceLevel, balanceStepText},
}};
constexpr int BalanceRow = 3;
const QString Section = QStringLiteral("Tevlin");

QList<QRect> availableScreens()
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return screens;
}

} // namespace

TevlinWindow::TevlinWindow(LinkSession& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_ui(std::make_unique<TevlinForm>(this))
{
    setObjectName(QStringLiteral("Tevlin"));
    setWindowTitle(QStringLiteral("Korvanes Audio - Tevlin"));
    wireControls();
    wireMenus();

    connect(&m_session, &LinkSession::phaseChanged, this, &TevlinWindow::drawPhase);
    connect(&m_session, &LinkSession::replied, this, &TevlinWindow::drawReply);
    connect(&m_session, &LinkSession::wantedChanged, this, [this] {
        drawValues();
        drawPanel();
    });
    // A label rather than a status message: opening a menu would wipe a message, and a failure must
    // stay until the next action.
    // Room for two lines even while empty, and no more: the panel keeps its size (and the large
    // display is not drawn anew) whenever a notice comes, goes or wraps, and a long one cannot push
    // the window past the bottom of the screen. Every notice is written to fit two lines.
    auto* notice = new NoticeLabel(statusBar());
    notice->setObjectName(QStringLiteral("Notice"));
    statusBar()->addWidget(notice, 1);
    connect(&m_session, &LinkSession::notice, notice, &QLabel::setText);

    // Dark until the first reply: no labels, no balance, every operating control disabled.
    FrontPanel* front = m_ui->front;
    for (QLabel* label :
         {front->LblSource, front->LblIR, front->LblMS, front->LblPreset, front->ProductType, front->LblDisp})
        label->clear();
    m_ui->balance.label->hide();
    for (QWidget* w : m_ui->balance.controls())
        w->hide();
    drawPhase(m_session.phase());
    drawValues();

    // The keyboard starts on Connect, the first thing to do; the front panel before it is one
    // Shift+Tab away.
    m_ui->connectCancel->setFocus();
    if (const auto placement = savedWindowPlacement(Section, availableScreens(), m_session.setupIniPath())) {
        move(placement->topLeft());
        resize(placement->size());
    }
}

TevlinWindow::~TevlinWindow() = default;

void TevlinWindow::wireControls()
{
    TevlinForm& ui = *m_ui;
    connect(ui.connectCancel, &QPushButton::clicked, &m_session, &LinkSession::toggle);
    connect(ui.setupAmp, &QPushButton::clicked, &m_session, &LinkSession::openSetupDialog);
    // The power button's caption always follows the power state, so the state tells which way it goes.
    connect(ui.power, &QPushButton::clicked, this, [this] {
        m_session.changeWanted([this](OperatingState& s) { pressPower(s, m_session.state().LinkConnected); });
    });
    connect(ui.mute, &QPushButton::clicked, this, [this] {
        m_session.changeWanted([this](OperatingState& s) { pressMute(s, m_session.state().LinkConnected); });
    });
    for (int i = 0; i < int(Levels.size()); ++i) {
        TevlinForm::LevelRow* row = &(ui.*Levels[i].row);
        const LevelField* field = Levels[i].field;
        connect(row->up, &QPushButton::clicked, this, [this, field] {
            m_session.changeWanted([field](OperatingState& s) { stepLevel(s, *field, 1); });
        });
        connect(row->down, &QPushButton::clicked, this, [this, field] {
            m_session.changeWanted([field](OperatingState& s) { stepLevel(s, *field, -1); });
        });
        connect(row->set, &QPushButton::clicked, this, [this, i, row, field] {
            const QString text = row->text->text();
            // A value the box already shows is redrawn from the state, so a rejected text is replaced.
            m_shown[i].reset();
            m_session.changeWanted([&](OperatingState& s) { typeLevel(s, *field, text); });
        });
        connect(row->text, &QLineEdit::returnPressed, row->set, &QPushButton::click);
        // Only the user's moves count; the window sets the slider with its signals blocked. A move
        // the clamps undo (beyond the maximum volume) must put the slider back, so it is redrawn.
        connect(row->slider, &QSlider::valueChanged, this, [this, i, field](int value) {
            m_shown[i].reset();
            m_session.changeWanted([&](OperatingState& s) { slideLevel(s, *field, value); });
        });
    }
    for (int i = 0; i < int(ui.inputs.size()); ++i) {
        connect(ui.inputs[i], &QPushButton::clicked, this, [this, i] {
            const LinkState& link = m_session.state();
            m_session.changeWanted(
                [&](OperatingState& s) { selectInput(s, i + 1, link.LinkConnected, link.AmpModelCode); });
        });
    }
}

void TevlinWindow::wireMenus()
{
    TevlinForm& ui = *m_ui;
    connect(ui.exit, &QAction::triggered, this, &TevlinWindow::exitProgram);
    m_session.portMenu().setNetworkPortAsker(networkPortAsker(this));
    ui.comport->addActions(m_session.portMenu().actions());
    for (int index = 0; index < int(ui.speeds.size()); ++index)
        connect(ui.speeds[index], &QAction::triggered, this,
                [this, index] { m_session.selectComSpeed(index); });
    connect(&m_session, &LinkSession::comSpeedChanged, this, [this](int index) {
        for (int i = 0; i < int(m_ui->speeds.size()); ++i)
            m_ui->speeds[i]->setChecked(i == index);
    });
    connect(ui.comAdress, &QAction::triggered, this, &TevlinWindow::askAddress);
    connect(ui.findAmplifiers, &QAction::triggered, this, &TevlinWindow::findAmplifiers);
    connect(ui.about, &QAction::triggered, this, [this] {
        AmpAbout box(this);
        box.exec();
    });
}

void TevlinWindow::askAddress()
{
    // Cancel gives an empty answer, which keeps the address.
    m_session.setDeviceAddress(QInputDialog::getText(this, QStringLiteral("Network Address"),
                                                     QStringLiteral("Enter Amplifier Network address"),
                                                     QLineEdit::Normal, m_session.state().DeviceAddress));
}

void TevlinWindow::findAmplifiers()
{
    FindAmplifiersDialog dialog(m_session, this);
    if (dialog.exec() == QDialog::Accepted)
        m_session.setDeviceAddress(QString::number(dialog.chosenAddress()));
}

void TevlinWindow::exitProgram()
{
    if (isVisible() && !isMaximized() && !isFullScreen())
        saveWindowPlacement(Section, QRect(pos(), size()), m_session.setupIniPath());
    m_session.shutDown();
    qApp->quit();
}

void TevlinWindow::closeEvent(QCloseEvent* event)
{
    exitProgram();
    QMainWindow::closeEvent(event);
}

void TevlinWindow::drawPhase(LinkSession::Phase phase)
{
    const bool connected = phase == LinkSession::Phase::Connected;
    m_ui->connectCancel->setText(connectCaption(phase));
    m_ui->connectState->setText(connected ? QStringLiteral("Connected") : QStringLiteral("Not connected"));
    m_ui->power->setEnabled(connected);
    m_ui->setupAmp->setEnabled(connected);
    m_ui->setting->setEnabled(phase == LinkSession::Phase::Idle);
    drawPanel();
}

void TevlinWindow::drawReply(const StatusReply& reply)
{
    FrontPanel* front = m_ui->front;
    if (const auto caption = productTypeCaption(reply))
        front->ProductType->setText(*caption);
    front->LblDisp->setText(displayLabel(reply.display));
    front->LblIR->setText(irLabel(reply.ir));
    m_ui->maxVolume.slider->setEnabled(true);
    drawValues();
    drawPanel();
}

void TevlinWindow::drawValues()
{
    const OperatingState& op = m_session.operatingState();
    for (int i = 0; i < int(Levels.size()); ++i) {
        const int value = op.*Levels[i].field->value;
        if (m_shown[i] == value)
            continue;
        m_shown[i] = value;
        const TevlinForm::LevelRow& row = m_ui.get()->*Levels[i].row;
        const QSignalBlocker quiet(row.slider);
        row.slider->setValue(value);
        row.text->setText(Levels[i].text(value));
    }
}

void TevlinWindow::drawPanel()
{
    const OperatingState& op = m_session.operatingState();
    const bool stale = m_session.panelStale();
    // A stale panel still shows the amplifier's last values, greyed.
    const bool lit = m_session.panelLit() || stale;
    const bool on = op.powerIsOn() && lit;
    FrontPanel* front = m_ui->front;
    for (SevenSegmentDisplay* display : {front->Display, m_ui->smallDisplay}) {
        display->setVolume(op.volume);
        display->setMode(displayModeFor(op, lit));
    }
    front->Power->setLit(on);
    m_ui->power->setText(on ? QStringLiteral("Stand By") : QStringLiteral("On"));
    front->LblSource->setVisible(on);
    drawStale(stale);
    const std::optional<PanelLayout> layout =
        m_session.panelLit() ? arrangeForModel(m_session.state().AmpModelCode, op) : std::nullopt;
    if (!m_session.panelLit())
        setOperatingControlsEnabled(false);
    if (!layout) {
        describePanel();
        return;
    }
    m_ui->balance.label->setVisible(layout->balanceVisible);
    for (QWidget* w : m_ui->balance.controls()) {
        w->setVisible(layout->balanceVisible);
        w->setEnabled(layout->balanceEnabled);
    }
    for (int i = 0; i < int(m_ui->inputs.size()); ++i) {
        m_ui->inputs[i]->setText(layout->inputCaptions[i]);
        m_ui->inputs[i]->setEnabled(layout->inputEnabled[i]);
        // A button without a caption is no input of this model: a blank button would only puzzle.
        m_ui->inputs[i]->setVisible(!layout->inputCaptions[i].isEmpty());
    }
    for (int i = 0; i < BalanceRow; ++i) {
        for (QWidget* w : (m_ui.get()->*Levels[i].row).controls())
            w->setEnabled(layout->volumeControlsEnabled);
    }
    m_ui->mute->setEnabled(layout->volumeControlsEnabled);
    // The source label shows only "D2" or "3"; its accessible name says what that is.
    front->LblSource->setText(layout->sourceLabel);
    front->LblSource->setAccessibleName(tr("Source: %1").arg(layout->sourceLabel));
    front->LblPreset->setText(layout->presetLabel);
    front->LblMS->setText(layout->masterSlaveLabel);
    front->LblDisp->setVisible(layout->displayLabelShown);
    describePanel();
}

void TevlinWindow::drawStale(bool stale)
{
    // Greyed as a whole, so that nobody takes the last values for the amplifier's present ones.
    const bool greyed = m_ui->front->graphicsEffect() != nullptr;
    if (stale == greyed)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui->front, m_ui->smallDisplay}) {
        if (stale) {
            auto* grey = new QGraphicsColorizeEffect(w);
            // Grey through a dark tint: the panel stays dark and its values readable.
            grey->setColor(QColor(40, 40, 44));
            w->setGraphicsEffect(grey);
        } else {
            w->setGraphicsEffect(nullptr);
        }
    }
    m_ui->front->setToolTip(stale ? tr("The last values read before the link was lost") : QString());
}

void TevlinWindow::describePanel()
{
    // What the panel shows, in words, for whoever reaches it with the keyboard or a screen reader.
    FrontPanel* front = m_ui->front;
    QStringList parts;
    if (m_session.panelStale())
        parts << tr("Last values before the link was lost");
    if (!front->ProductType->text().isEmpty())
        parts << front->ProductType->text();
    parts << front->Display->accessibleName() << front->Power->accessibleName();
    for (const QLabel* label :
         {front->LblSource, front->LblPreset, front->LblMS, front->LblIR, front->LblDisp}) {
        if (label->isVisibleTo(front) && !label->text().isEmpty())
            parts << (label == front->LblSource ? label->accessibleName() : label->text());
    }
    const QString description = parts.join(QStringLiteral(", "));
    if (description != front->accessibleDescription())
        front->setAccessibleDescription(description);
}

void TevlinWindow::setOperatingControlsEnabled(bool enabled)
{
    for (const LevelWiring& level : Levels) {
        for (QWidget* w : (m_ui.get()->*level.row).controls())
            w->setEnabled(enabled);
    }
    for (QPushButton* b : m_ui->inputs)
        b->setEnabled(enabled);
    m_ui->mute->setEnabled(enabled);
}

} // namespace control
