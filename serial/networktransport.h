#pragma once

#include "serial/networkaddress.h"
#include "serial/tcplink.h"
#include "serial/telnetcodec.h"
#include "serial/transport.h"

#include <QDeadlineTimer>
#include <QTimer>
#include <chrono>
#include <memory>

// A serial port behind a network serial server: "rfc2217://HOST:PORT" (telnet COM port control,
// the line set by us) or "tcp://HOST:PORT" (the bytes as they are). The connection itself is a
// TcpLink from the network module, loaded when the first network port opens.
//
// Closing keeps the connection until the event loop runs again: a port closed and opened again
// at once (a speed change, a sender that reopens the port) goes on over the same connection, and
// only the line settings are sent again. A server that serves one connection per port would
// otherwise turn the new one away while it still winds up the old.
class NetworkTransport : public Transport
{
    Q_OBJECT
public:
    // How long opening may take: the connection and, over RFC 2217, the negotiation and line settings.
    static constexpr std::chrono::milliseconds ConnectLimit{5000};

    explicit NetworkTransport(QObject* parent = nullptr);
    ~NetworkTransport() override;

    bool takes(const QString& device) const override { return isNetworkAddress(device); }
    bool open(const QString& device, std::optional<qint32> baud) override;
    const PortProblem& problem() const override { return m_problem; }
    void close() override;
    bool isOpen() const override { return m_open; }
    QString deviceName() const override { return m_device; }
    qint32 baudRate() const override { return m_baud; }
    bool write(const QByteArray& bytes) override;
    QByteArray readAll() override { return std::exchange(m_input, QByteArray()); }
    qint64 bytesAvailable() const override { return m_input.size(); }
    void discardInput() override;

private:
    bool connectTo(const NetworkAddress& address);
    bool negotiate();
    bool setLine(qint32 baud);
    // Waits until `condition` holds; false (and the connection ended) when the server closed it, or
    // after ConnectLimit with `timedOut` as the reason.
    bool waitForServer(const std::function<bool()>& condition, const QString& timedOut);
    void readSocket(bool deliver);
    void connectionGone();
    bool fail(const QString& reason);
    void closeNow();
    std::chrono::milliseconds remaining() const;
    bool telnetUsed() const { return m_address.kind == NetworkAddress::Kind::Rfc2217; }
    bool connected() const { return m_link && m_link->state() == TcpLink::State::Connected; }

    // Made with the first connection, from the network module.
    std::unique_ptr<TcpLink> m_link;
    QTimer m_closeSoon;
    QDeadlineTimer m_deadline;
    NetworkAddress m_address;
    QString m_device;
    qint32 m_baud = 9600;
    bool m_open = false;
    QByteArray m_input;
    telnet::DecoderState m_decoder;
    telnet::Decoded m_server; // what the server said so far; its data moves on to m_input
    PortProblem m_problem;
};

// The transport that opens `device`: a network one for a network address, a local one otherwise.
std::unique_ptr<Transport> transportFor(const QString& device);
