#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <chrono>

// ser2net on 127.0.0.1, started with a configuration of its own that offers serial devices (such
// as ampsim's pseudo-terminals) on free TCP ports: the network serial server of the tests and the
// benchmark.
class SerialServer
{
public:
    enum class Kind
    {
        Rfc2217,
        Tcp,
    };
    struct Bridge
    {
        Kind kind;
        QString device;
    };

    // The ser2net program, or empty when it is not installed.
    static QString program();
    // A TCP port on 127.0.0.1 that nothing listens on at the moment.
    static quint16 freePort();

    SerialServer() = default;
    ~SerialServer();
    SerialServer(const SerialServer&) = delete;
    SerialServer& operator=(const SerialServer&) = delete;

    // Starts the server and returns once every bridge listens (within `limit`); false, with
    // errorString(), when it did not.
    bool start(const QList<Bridge>& bridges, std::chrono::milliseconds limit = std::chrono::seconds(5));
    // "rfc2217://127.0.0.1:N" or "tcp://127.0.0.1:N" of bridge `index`.
    QString address(int index) const { return m_addresses.value(index); }
    QString errorString() const { return m_error; }
    // Ends the server at once, as a crash or a pulled network cable would.
    void kill();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QList<QString> m_addresses;
    QList<quint16> m_ports;
    QString m_error;
};
