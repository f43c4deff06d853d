#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <variant>

// A TCP connection to a network serial server, as NetworkTransport uses it. It lives in a module of
// its own ("korvanes-netport", on QTcpSocket), loaded with the first network port: Qt Network and
// the libraries it brings (Kerberos, the proxy resolver, compression) cost every start-up of a
// program that links them, and most runs never open a network port.
class TcpLink
{
public:
    enum class State
    {
        Unconnected,
        Connecting,
        Connected,
    };
    enum class Failure
    {
        Refused,
        HostNotFound,
        ClosedByServer,
        Other,
    };

    virtual ~TcpLink() = default;

    // Called from the event loop: bytes have arrived; the connection ended or failed.
    std::function<void()> onReadyRead;
    std::function<void()> onGone;

    // Small packets go out at once; the connection is made from the event loop.
    virtual void connectToHost(const QString& host, quint16 port) = 0;
    // Sends what is queued, then closes.
    virtual void disconnectFromHost() = 0;
    // Closes at once, dropping what is queued.
    virtual void abort() = 0;
    virtual State state() const = 0;
    // Why the last connection failed or ended, and the system's words for it.
    virtual Failure failure() const = 0;
    virtual QString errorString() const = 0;
    // Queues `bytes`; how many were taken, -1 on failure.
    virtual qint64 write(const QByteArray& bytes) = 0;
    // Hands what is queued to the system as far as it takes it now.
    virtual void flush() = 0;
    virtual qint64 bytesToWrite() const = 0;
    virtual QByteArray readAll() = 0;
};

// The module's entry points, and the version of this interface that both sides must have been built
// with: a module left from another build is refused, not called.
inline constexpr int TcpLinkVersion = 1;
inline constexpr char TcpLinkVersionSymbol[] = "korvanesTcpLinkVersion";
inline constexpr char TcpLinkMakerSymbol[] = "korvanesMakeTcpLink";

// A new connection, unconnected; or, when the module cannot be loaded, why, in words.
std::variant<std::unique_ptr<TcpLink>, QString> makeTcpLink();
