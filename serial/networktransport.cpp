#include "serial/networktransport.h"

#include "serial/serialtransport.h"
#include "serial/wait.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("NetworkTransport", text);
}

QString socketFailure(const TcpLink& link, const NetworkAddress& address)
{
    switch (link.failure()) {
    case TcpLink::Failure::Refused:
        return tr("%1 refused the connection: no serial server listens on port %2.")
            .arg(address.host)
            .arg(address.port);
    case TcpLink::Failure::HostNotFound:
        return tr("The host name %1 is not known.").arg(address.host);
    case TcpLink::Failure::ClosedByServer:
        return tr("%1 closed the connection at once (the port may be in use).").arg(address.host);
    case TcpLink::Failure::Other:
        break;
    }
    return tr("The connection to %1 failed: %2.").arg(address.host, link.errorString());
}

} // namespace

NetworkTransport::NetworkTransport(QObject* parent) : Transport(parent)
{
    m_closeSoon.setSingleShot(true);
    m_closeSoon.setInterval(0);
    connect(&m_closeSoon, &QTimer::timeout, this, &NetworkTransport::closeNow);
}

NetworkTransport::~NetworkTransport()
{
    m_open = false;
    m_link.reset();
}

bool NetworkTransport::open(const QString& device, std::optional<qint32> baud)
{
    m_open = false;
    m_input.clear();
    m_device = device.trimmed();
    const auto parsed = parseNetworkAddress(device);
    if (const QString* reason = std::get_if<QString>(&parsed)) {
        closeNow();
        return fail(*reason);
    }
    const NetworkAddress& address = std::get<NetworkAddress>(parsed);
    const bool same = m_closeSoon.isActive() && connected() && address.kind == m_address.kind &&
                      address.host == m_address.host && address.port == m_address.port;
    m_closeSoon.stop();
    m_address = address;
    // One limit for the whole opening: connection, negotiation and line settings together.
    m_deadline = QDeadlineTimer(ConnectLimit);
    if (!same && !connectTo(address))
        return false;
    const qint32 rate = baud.value_or(m_baud);
    if (telnetUsed() && !setLine(rate))
        return false;
    m_baud = rate;
    m_input.clear();
    m_open = true;
    m_problem = {};
    return true;
}

bool NetworkTransport::connectTo(const NetworkAddress& address)
{
    if (!m_link) {
        auto made = makeTcpLink();
        if (const QString* problem = std::get_if<QString>(&made))
            return fail(*problem);
        m_link = std::move(std::get<std::unique_ptr<TcpLink>>(made));
        m_link->onReadyRead = [this] { readSocket(true); };
        m_link->onGone = [this] { connectionGone(); };
    }
    m_link->abort();
    m_decoder = {};
    m_server = {};
    m_link->connectToHost(address.host, address.port);
    const bool settled = waitUntil([this] { return m_link->state() != TcpLink::State::Connecting; }, nullptr,
                                   remaining()) == WaitResult::Met;
    if (!settled) {
        m_link->abort();
        return fail(tr("%1 did not answer within %2 s.").arg(address.host).arg(ConnectLimit.count() / 1000));
    }
    if (!connected())
        return fail(socketFailure(*m_link, address));
    return !telnetUsed() || negotiate();
}

bool NetworkTransport::negotiate()
{
    m_link->write(telnet::openingNegotiation());
    if (!waitForServer([this] { return m_server.comPortAccepted || m_server.comPortRefused; },
                       tr("%1 did not take up RFC 2217 COM port control within %2 s; for a plain TCP port "
                          "use tcp://%1:%3.")
                           .arg(m_address.host)
                           .arg(ConnectLimit.count() / 1000)
                           .arg(m_address.port)))
        return false;
    if (!m_server.comPortAccepted) {
        return fail(
            tr("%1 refuses RFC 2217 COM port control on port %2; for a plain TCP port use tcp://%1:%2.")
                .arg(m_address.host)
                .arg(m_address.port));
    }
    return true;
}

bool NetworkTransport::setLine(qint32 baud)
{
    // The answer to the rate comes after the server has set the line: only then does the speed hold.
    // What arrived before it was on its way before the purge.
    const int answered = m_server.baudReplies;
    m_link->write(telnet::lineSettings(baud, true));
    m_link->flush();
    return waitForServer([this, answered] { return m_server.baudReplies > answered; },
                         tr("%1 did not confirm the line speed %2 within %3 s.")
                             .arg(m_address.host)
                             .arg(baud)
                             .arg(ConnectLimit.count() / 1000));
}

bool NetworkTransport::waitForServer(const std::function<bool()>& condition, const QString& timedOut)
{
    const WaitResult result = waitUntil([&] { return condition() || !connected(); }, nullptr, remaining());
    if (result == WaitResult::Met && connected())
        return true;
    return fail(connected() ? timedOut : socketFailure(*m_link, m_address));
}

std::chrono::milliseconds NetworkTransport::remaining() const
{
    return std::chrono::milliseconds(std::max<qint64>(m_deadline.remainingTime(), 0));
}

void NetworkTransport::close()
{
    m_open = false;
    m_input.clear();
    if (connected())
        m_closeSoon.start();
    else
        closeNow();
}

void NetworkTransport::closeNow()
{
    m_closeSoon.stop();
    if (connected())
        m_link->disconnectFromHost();
    else if (m_link)
        m_link->abort();
}

bool NetworkTransport::write(const QByteArray& bytes)
{
    if (!m_open)
        return false;
    const QByteArray wire = telnetUsed() ? telnet::escaped(bytes) : bytes;
    if (m_link->write(wire) != wire.size())
        return false;
    // Hand the bytes to the system now: a pause that follows starts when they are on their way.
    m_link->flush();
    if (m_link->bytesToWrite() > 0)
        waitUntil([this] { return !m_open || m_link->bytesToWrite() == 0; }, nullptr, ConnectLimit);
    return m_open && m_link->bytesToWrite() == 0;
}

void NetworkTransport::discardInput()
{
    readSocket(false);
    m_input.clear();
}

void NetworkTransport::readSocket(bool deliver)
{
    if (!m_link)
        return;
    const QByteArray bytes = m_link->readAll();
    if (bytes.isEmpty())
        return;
    QByteArray data;
    if (telnetUsed()) {
        telnet::decode(m_decoder, bytes, m_server);
        if (!m_server.answer.isEmpty())
            m_link->write(std::exchange(m_server.answer, QByteArray()));
        data = std::exchange(m_server.data, QByteArray());
    } else {
        data = bytes;
    }
    // Before the port is open (or after it closed) the bytes belong to nobody.
    if (!m_open || data.isEmpty())
        return;
    m_input += data;
    if (deliver)
        emit readyRead();
}

void NetworkTransport::connectionGone()
{
    if (connected() || !m_open)
        return;
    m_open = false;
    m_input.clear();
    m_link->abort();
    emit lost();
}

bool NetworkTransport::fail(const QString& reason)
{
    // The number and first line are those of a port that is not there; the reason follows.
    m_problem = {PortError::NoSuchPort,
                 describePortError(QSerialPort::DeviceNotFoundError, m_device).message +
                     QStringLiteral("\n\n") + m_device + QStringLiteral(": ") + reason,
                 reason};
    m_open = false;
    if (m_link)
        m_link->abort();
    return false;
}

std::unique_ptr<Transport> transportFor(const QString& device)
{
    if (isNetworkAddress(device))
        return std::make_unique<NetworkTransport>();
    return std::make_unique<SerialTransport>();
}
