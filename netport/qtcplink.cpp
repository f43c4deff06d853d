// The network module: a TcpLink on QTcpSocket. Only this module links Qt Network.
#include "serial/tcplink.h"

#include <QTcpSocket>
#include <QtGlobal>

namespace {

class QtTcpLink final : public TcpLink
{
public:
    QtTcpLink()
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] {
            if (onReadyRead)
                onReadyRead();
        });
        const auto gone = [this] {
            if (onGone)
                onGone();
        };
        QObject::connect(&m_socket, &QTcpSocket::disconnected, &m_socket, gone);
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket, gone);
        // A request of six bytes must not wait for the one before's acknowledgement.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }

    ~QtTcpLink() override
    {
        // No callback from a socket that is going away.
        QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
        m_socket.abort();
    }

    void connectToHost(const QString& host, quint16 port) override { m_socket.connectToHost(host, port); }
    void disconnectFromHost() override { m_socket.disconnectFromHost(); }
    void abort() override { m_socket.abort(); }

    State state() const override
    {
        switch (m_socket.state()) {
        case QAbstractSocket::ConnectedState:
            return State::Connected;
        case QAbstractSocket::UnconnectedState:
            return State::Unconnected;
        default:
            return State::Connecting;
        }
    }

    Failure failure() const override
    {
        switch (m_socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return Failure::Refused;
        case QAbstractSocket::HostNotFoundError:
            return Failure::HostNotFound;
        case QAbstractSocket::RemoteHostClosedError:
            return Failure::ClosedByServer;
        default:
            return Failure::Other;
        }
    }

    QString errorString() const override { return m_socket.errorString(); }
    qint64 write(const QByteArray& bytes) override { return m_socket.write(bytes); }
    void flush() override { m_socket.flush(); }
    qint64 bytesToWrite() const override { return m_socket.bytesToWrite(); }
    QByteArray readAll() override { return m_socket.readAll(); }

private:
    QTcpSocket m_socket;
};

} // namespace

extern "C" Q_DECL_EXPORT int korvanesTcpLinkVersion()
{
    return TcpLinkVersion;
}

extern "C" Q_DECL_EXPORT TcpLink* korvanesMakeTcpLink()
{
    return new QtTcpLink;
}
