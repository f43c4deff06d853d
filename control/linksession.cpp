#include "control/linksession.h"

#include "common/numbers.h"
#include "control/reconcile.h"
#include "control/statusreply.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "serial/comform.h"
#include "serial/portmenu.h"
#include "serial/wait.h"
#include "settings/debugmode.h"
#include "settings/inifilehandler.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>
#include <limits>

namespace control {
namespace {

const QString ComSettings = QStringLiteral("ComSettings");
constexpr int MinimumPollInterval = 1500;
// After this long without the reply, the status bar says that the program is still waiting.
constexpr std::chrono::seconds SlowReplyNotice{3};
// After this many poll intervals without the reply, it says what to check.
constexpr int MissedPollsBeforeHint = 3;
// The port is a byte: a stored 300 selects COM1 and is written back as 256.
constexpr PortMenu::StoredRange StoredPortRange{-1, 256};

} // namespace

QString connectCaption(LinkSession::Phase phase)
{
    switch (phase) {
    case LinkSession::Phase::Idle:
        return QStringLiteral("Connect");
    case LinkSession::Phase::Connecting:
        return QStringLiteral("Cancel");
    case LinkSession::Phase::Connected:
        break;
    }
    return QStringLiteral("Discon");
}

LinkSession::LinkSession(QString setupIniPath, QObject* parent)
    : QObject(parent), m_setupIniPath(std::move(setupIniPath))
{
    connect(&m_update, &QTimer::timeout, this, &LinkSession::tick);
    connect(&m_link, &ComForm::portLost, this, &LinkSession::portLost);
}

LinkSession::~LinkSession()
{
    // A wait further down the stack must not outlive the session it reports to.
    m_state.LinkCancelRequested = true;
    // The menu works on the port, which goes before the session's children do.
    delete m_ports;
}

PortMenu& LinkSession::portMenu()
{
    if (!m_ports) {
        m_ports = new PortMenu(m_link, m_state.ComPort, m_setupIniPath, StoredPortRange, this);
        connect(m_ports, &PortMenu::notStored, this,
                [this](const QString& failure) { reportUnsaved({failure}); });
    }
    return *m_ports;
}

void LinkSession::useLinkSettings(int comPort, int speedIndex, const QString& address)
{
    m_state.ComPort = comPort;
    m_state.ComSpeed = speedIndex;
    m_state.DeviceAddress = address;
    m_factoryLink = false;
}

void LinkSession::clearReply()
{
    m_state.ReplyBuffer.clear();
}

void LinkSession::load()
{
    m_state.LinkConnected = false;
    m_state.AmpFirmwareVersion = 0;
    m_state.AmpModelCode = 0;
    m_state.AdoptAmpState = true;
    m_op = OperatingState{};
    m_panelLit = false;
    m_panelStale = false;
    setPhase(Phase::Idle);
    emit wantedChanged();

    m_state.DeviceAddress =
        ReadIniValue(ComSettings, QStringLiteral("DevAdr"), QStringLiteral("?"), m_setupIniPath);
    portMenu().selectStored();
    const double speed = common::numericValue(
        ReadIniValue(ComSettings, QStringLiteral("ComSpeed"), QStringLiteral("9600"), m_setupIniPath));
    const bool aRate = speed == std::floor(speed) && std::abs(speed) < 1e9;
    selectComSpeed(aRate ? speedIndexOfBaud(qint64(speed)).value_or(0) : 0);
    portMenu().probeSoon(m_state.ComSpeed);

    const double interval = common::numericValue(ReadIniValue(
        QStringLiteral("Tevlin"), QStringLiteral("UpdateSpeed"), QStringLiteral("3500"), m_setupIniPath));
    m_pollInterval = static_cast<int>(std::clamp<long long>(
        common::roundHalfEven(interval), MinimumPollInterval, std::numeric_limits<int>::max()));
    m_update.setInterval(m_pollInterval);
    // The ticks fall on whole intervals from here on. The timer itself runs only while there is a link
    // to poll: a tick without one does nothing, and would only wake the program.
    m_ticksSince.start();

    m_link.SetVisibility(debugModeOn(m_setupIniPath));
}

void LinkSession::setNotice(const QString& text, NoticeKind kind)
{
    m_notice = text;
    m_noticeKind = kind;
    emit notice(text);
}

void LinkSession::clearFailureNotice()
{
    if (m_noticeKind == NoticeKind::Failure && !m_notice.isEmpty())
        setNotice(QString(), NoticeKind::Progress);
}

void LinkSession::setPhase(Phase phase)
{
    m_phase = phase;
    emit phaseChanged(phase);
}

void LinkSession::selectComSpeed(int index)
{
    if (index < 0 || index >= int(SpeedBauds.size()))
        index = 0;
    clearFailureNotice();
    m_factoryLink = false;
    m_state.ComSpeed = index;
    emit comSpeedChanged(index);
    reportUnsaved(WriteIniValue(ComSettings, QStringLiteral("ComSpeed"), QString::number(SpeedBauds[index]),
                                m_setupIniPath));
}

QString LinkSession::unsavedText(const IniWriteResult& written)
{
    return tr("Not stored, so it will not be kept for the next start: %1.").arg(written.failure);
}

void LinkSession::reportUnsaved(const IniWriteResult& written)
{
    if (!written)
        setNotice(unsavedText(written), NoticeKind::Failure);
}

LinkTarget LinkSession::linkTarget() const
{
    return {m_link.deviceDescription(m_state.ComPort), m_state.DeviceAddress,
            baudOfSpeedIndex(m_state.ComSpeed).value_or(SpeedBauds[0])};
}

std::chrono::milliseconds LinkSession::noAnswerHint() const
{
    // The interval is not set before load() (the command line and the search never load).
    const std::chrono::milliseconds poll{std::max(m_pollInterval, MinimumPollInterval)};
    return m_noAnswerHint.value_or(MissedPollsBeforeHint * poll);
}

void LinkSession::setDeviceAddress(const QString& answer)
{
    if (answer.isEmpty())
        return;
    m_factoryLink = false;
    m_state.DeviceAddress = answer;
    // Only the leading number is stored (and sent): "12ab" is 12, "seven" is 0. Say what was taken.
    const QString stored = QString::number(common::numericValue(answer), 'g', 15);
    reportUnsaved(WriteIniValue(ComSettings, QStringLiteral("DevAdr"), stored, m_setupIniPath));
    if (!framing::addressValue(answer))
        setNotice(
            tr("No amplifier can have the network address \"%1\"; choose one from 0 to 65535.").arg(answer),
            NoticeKind::Failure);
    else if (stored != answer.trimmed())
        setNotice(tr("The network address \"%1\" is taken as %2.").arg(answer, stored), NoticeKind::Failure);
    else
        setNotice(tr("Network address %1.").arg(stored), NoticeKind::Failure);
}

void LinkSession::openSetupDialog()
{
    // The dialog borrows the link while it is open; a poll waiting for its reply must finish first.
    if (m_polling) {
        m_setupPending = true;
        return;
    }
    if (!m_leased)
        emit setupRequested(m_state.AmpModelCode);
}

LinkLease LinkSession::lease()
{
    return LinkLease(*this);
}

void LinkSession::endLease(const std::optional<LinkValues>& changed)
{
    m_leased = false;
    if (changed)
        applyLinkChange(*changed);
}

LinkLease::LinkLease(LinkSession& session) : m_session(session)
{
    m_session.m_leased = true;
}

LinkLease::~LinkLease()
{
    end(std::nullopt);
}

void LinkLease::end(const std::optional<LinkValues>& changed)
{
    if (std::exchange(m_ended, true))
        return;
    m_session.endLease(changed);
}

RSfunctions::Result LinkLease::SendCommand(int index, int data1, int data2, int data3)
{
    const RSfunctions::Result result = m_session.sendCommand(index, data1, data2, data3);
    // The wait is over, so the flag the drop raises for waits would only end the next poll.
    if (RSfunctions::gaveUp(result) && m_session.phase() != LinkSession::Phase::Idle)
        m_session.dropAfterWait();
    return result;
}

RSfunctions::Result LinkSession::sendCommand(int index, int data1, int data2, int data3)
{
    const RSfunctions::Result result = m_rs.SendCommand(index, data1, data2, data3);
    if (RSfunctions::gaveUp(result)) {
        m_state.LinkCancelRequested = false;
        m_link.CloseMScomm();
        m_state.LinkConnected = false;
        m_state.AdoptAmpState = true;
    }
    return result;
}

RSfunctions::Result LinkSession::sendLong(int code, int length, const QList<int>& data, bool wait)
{
    const RSfunctions::Result result = m_rs.sendLong(code, length, data, wait);
    if (RSfunctions::gaveUp(result))
        m_state.LinkCancelRequested = false;
    return result;
}

void LinkSession::dropAfterWait()
{
    drop();
    m_state.LinkCancelRequested = false;
}

bool LinkSession::sendReopened(const QByteArray& packet)
{
    clearReply();
    m_link.ClearMScommInput();
    m_link.CloseMScomm();
    if (!m_link.SetupMScomm(m_state.ComPort, m_state.ComSpeed)) {
        drop();
        return false;
    }
    m_link.SendMScommString(packet);
    return true;
}

void LinkSession::shutDown()
{
    // A wait on the stack would keep the program alive; cancelling it lets the quit go through.
    m_state.LinkCancelRequested = true;
    m_state.LinkConnected = false;
}

void LinkSession::changeWanted(const std::function<void(OperatingState&)>& apply)
{
    apply(m_op);
    emit wantedChanged();
}

bool LinkSession::waitForAmplifier(const std::function<bool()>& condition)
{
    const LinkTarget target = linkTarget();
    bool missed = false;
    const auto sayWaiting = [this, &target, &missed] {
        setNotice(waitingNotice(connectCaption(m_phase), target, missed, m_factoryLink),
                  NoticeKind::Progress);
    };
    QTimer slow;
    slow.setSingleShot(true);
    connect(&slow, &QTimer::timeout, this, sayWaiting);
    QTimer hint;
    hint.setSingleShot(true);
    connect(&hint, &QTimer::timeout, this, [&missed, &sayWaiting] {
        missed = true;
        sayWaiting();
    });
    slow.start(SlowReplyNotice);
    hint.start(noAnswerHint());
    const WaitResult result = waitUntil(condition, &m_state.LinkCancelRequested);
    // What went wrong meanwhile (the device went away) stays; the word that it was waiting goes.
    // What to check stays after a wait that nothing answered, until the user acts on the link.
    if (m_noticeKind == NoticeKind::Progress) {
        if (missed && result != WaitResult::Met)
            setNotice(noAnswerNotice(target, m_factoryLink), NoticeKind::Failure);
        else
            setNotice(QString(), NoticeKind::Progress);
    }
    return result == WaitResult::Met;
}

void LinkSession::toggle()
{
    clearFailureNotice();
    if (m_panelStale) {
        m_panelStale = false;
        emit wantedChanged();
    }
    if (m_phase != Phase::Idle) {
        drop();
        return;
    }
    setPhase(Phase::Connecting);
    if (m_link.CheckMScomm() || m_state.LinkConnected)
        return;
    m_state.LinkCancelRequested = false;
    clearReply();

    // The window's port menu maps the ports; a probe it put off runs now (the command line has none).
    if (m_ports) {
        m_ports->finishProbe();
        // A menu that found no usable port looks once more (an adapter may have been plugged in
        // since); if it still finds none, Connect says so rather than fail on a port it knows.
        if (!m_ports->noUsablePort().isEmpty())
            m_ports->probe(m_state.ComSpeed);
        if (const QString why = m_ports->noUsablePort(); !why.isEmpty()) {
            drop();
            setNotice(noUsablePortNotice(why), NoticeKind::Failure);
            return;
        }
    }
    if (!m_link.SetupMScomm(m_state.ComPort, m_state.ComSpeed)) {
        // The port told the user why; nothing can answer on a closed port, so go back to Idle
        // instead of waiting for a reply that cannot come. The status bar names the port and says
        // why in the serial layer's words.
        drop();
        setNotice(openFailedNotice(m_link.deviceDescription(m_state.ComPort), m_link.lastProblem(),
                                   !m_link.portMap().device(m_state.ComPort).isEmpty()),
                  NoticeKind::Failure);
        return;
    }
    if (m_rs.SendShortCommand(Command::ConnectRequest) == RSfunctions::Result::Rejected) {
        dropUnsendableAddress();
        return;
    }
    setNotice(tr("Connecting to the amplifier at address %1 ...").arg(m_state.DeviceAddress),
              NoticeKind::Progress);
    if (!waitForAmplifier([this] { return m_state.ReplyBuffer.size() == framing::AckSize; })) {
        m_state.LinkCancelRequested = false;
        m_link.CloseMScomm();
        m_state.LinkConnected = false;
        linkGone();
        return;
    }
    if (!framing::isAcknowledgement(m_state.ReplyBuffer)) {
        // The port stays open until the user presses Cancel, as the caption says.
        m_state.LinkConnected = false;
        setNotice(tr("The amplifier did not acknowledge; press Cancel to start again."), NoticeKind::Failure);
        return;
    }
    clearReply();
    m_state.LinkConnected = true;
    m_factoryLink = false;
    resumeTicks();
    setPhase(Phase::Connected);
}

void LinkSession::resumeTicks()
{
    // The command line and the search poll by themselves; their session has no timer.
    if (!m_ticksSince.isValid() || m_update.isActive())
        return;
    // The next tick comes when it would have come had the timer run all along.
    const qint64 into = m_ticksSince.elapsed() % m_pollInterval;
    m_update.start(static_cast<int>(m_pollInterval - into));
}

void LinkSession::drop()
{
    m_state.LinkCancelRequested = true;
    m_link.CloseMScomm();
    m_state.LinkConnected = false;
    m_state.AdoptAmpState = true;
    m_panelLit = false;
    setPhase(Phase::Idle);
}

void LinkSession::linkGone()
{
    // A wait given up without the user's click (the program ends) leaves the link down all the same.
    m_panelLit = false;
    if (m_phase != Phase::Idle)
        setPhase(Phase::Idle);
}

void LinkSession::dropUnsendableAddress()
{
    // Nothing went out, so no reply can come: waiting would wait for ever.
    drop();
    setNotice(tr("No amplifier can have the network address \"%1\"; choose one from 0 to 65535 (Setting, "
                 "Com Adress).")
                  .arg(m_state.DeviceAddress),
              NoticeKind::Failure);
}

void LinkSession::portLost()
{
    if (m_phase == Phase::Idle)
        return;
    // The panel keeps what it showed last, marked stale, so that the user still sees it.
    m_panelStale = m_panelLit;
    drop();
    setNotice(tr("The serial device %1 went away; the link is closed.")
                  .arg(m_link.deviceDescription(m_state.ComPort)),
              NoticeKind::Failure);
}

void LinkSession::applyLinkChange(const LinkValues& values)
{
    // The amplifier no longer answers at the old address or speed. The link is dropped whatever its
    // phase: a toggle would start a handshake on a link that is down.
    drop();
    m_state.DeviceAddress = QString::number(values.DevAdr);
    const int speed = values.ComSpe >= 0 && values.ComSpe < int(SpeedBauds.size()) ? values.ComSpe : 0;
    m_state.ComSpeed = speed;
    m_factoryLink = values.move == LinkMove::Reset;
    emit comSpeedChanged(speed);
    // Address and speed in one write: a later start never finds the new address with the old speed.
    const IniWriteResult written =
        WriteIniValues(ComSettings,
                       {{QStringLiteral("DevAdr"), m_state.DeviceAddress},
                        {QStringLiteral("ComSpeed"), QString::number(SpeedBauds[speed])}},
                       m_setupIniPath);
    // The link went down without a click: say why, and what to do next.
    QString said = linkMovedNotice(values.move, m_state.DeviceAddress, SpeedBauds[speed]);
    if (!written)
        said += u'\n' + unsavedText(written);
    setNotice(said, NoticeKind::Failure);
}

void LinkSession::tick()
{
    if (!m_state.LinkConnected) {
        // Asleep until the next connect.
        m_update.stop();
        return;
    }
    // The first tick after a connect came at the rest of an interval.
    if (m_update.interval() != m_pollInterval)
        m_update.setInterval(m_pollInterval);
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
        if (m_phase == Phase::Connected)
            openSetupDialog();
    }
}

void LinkSession::poll()
{
    if (!m_state.LinkConnected || m_leased)
        return;

    clearReply();
    if (m_rs.SendShortCommand(Command::StatusRequest) == RSfunctions::Result::Rejected) {
        dropUnsendableAddress();
        return;
    }
    const bool answered = waitForAmplifier([this] {
        return !m_state.ReplyBuffer.isEmpty() &&
               m_state.ReplyBuffer.size() >= expectedStatusReplyLength(m_state.ReplyBuffer);
    });
    if (!answered) {
        m_state.LinkCancelRequested = false;
        m_link.CloseMScomm();
        m_state.LinkConnected = false;
        m_state.AdoptAmpState = true;
        linkGone();
        return;
    }
    const std::optional<StatusReply> reply = decodeStatusReply(m_state.ReplyBuffer);
    if (!reply) {
        // Its values could be anything: shown, adopted or corrected against, they would reach the
        // amplifier as settings nobody chose. The next poll asks again.
        clearReply();
        setNotice(tr("The amplifier's status reply was damaged; it was not used."), NoticeKind::Progress);
        emit replyDamaged();
        return;
    }
    m_state.AmpModelCode = static_cast<std::uint8_t>(reply->modelCode);
    m_state.AmpFirmwareVersion = static_cast<std::int16_t>(reply->firmwareVersion);

    const PollOutcome outcome = reconcileStatus(m_op, *reply, m_state.AdoptAmpState);
    // Stored before anything is sent: a click during an acknowledgement wait below marks a new
    // request that the next poll will see.
    m_op = outcome.state;
    clearReply();
    m_state.AdoptAmpState = false;
    m_panelLit = true;
    emit replied(*reply);

    for (const Correction& correction : outcome.corrections) {
        sendCommand(correction.command, correction.data[0], correction.data[1], correction.data[2]);
        if (!m_state.LinkConnected) {
            linkGone();
            break;
        }
    }
}

} // namespace control
