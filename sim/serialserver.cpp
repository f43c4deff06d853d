#include "sim/serialserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

namespace {

// Whether something listens on 127.0.0.1:`port`, read from the kernel's table: a test connection
// would take the server's only connection to the device and could make the next one wait.
bool listening(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // "sl local_address rem_address st …"; state 0A is LISTEN.
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A")
            return true;
    }
    return false;
}

} // namespace

QString SerialServer::program()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(QStringLiteral("ser2net"), {QStringLiteral("/usr/sbin")});
}

quint16 SerialServer::freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

SerialServer::~SerialServer()
{
    kill();
}

bool SerialServer::start(const QList<Bridge>& bridges, std::chrono::milliseconds limit)
{
    if (program().isEmpty()) {
        m_error = QStringLiteral("ser2net is not installed");
        return false;
    }
    QByteArray config;
    for (const Bridge& bridge : bridges) {
        const quint16 port = freePort();
        const bool rfc2217 = bridge.kind == Kind::Rfc2217;
        config += "connection: &port" + QByteArray::number(port) +
                  "\n  accepter: " + (rfc2217 ? "telnet(rfc2217),tcp," : "tcp,") + "127.0.0.1," +
                  QByteArray::number(port) + "\n  connector: serialdev," + bridge.device.toLocal8Bit() +
                  ",9600n81,local\n";
        m_ports << port;
        m_addresses << QStringLiteral("%1://127.0.0.1:%2").arg(rfc2217 ? "rfc2217" : "tcp").arg(port);
    }
    QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        m_error = QStringLiteral("cannot write %1").arg(file.fileName());
        return false;
    }
    file.close();
    // In the foreground, without UUCP locks, its pid file in our own directory.
    m_process.start(program(),
                    {QStringLiteral("-c"), file.fileName(), QStringLiteral("-n"), QStringLiteral("-u"),
                     QStringLiteral("-P"), m_dir.filePath(QStringLiteral("ser2net.pid"))});
    if (!m_process.waitForStarted(int(limit.count()))) {
        m_error = m_process.errorString();
        return false;
    }
    // ser2net says nothing when it is ready; the kernel's table shows when it listens.
    const QDeadlineTimer deadline(limit);
    while (!std::all_of(m_ports.begin(), m_ports.end(), listening)) {
        if (deadline.hasExpired() || m_process.waitForFinished(20)) {
            m_error = QStringLiteral("ser2net did not listen: ") +
                      QString::fromLocal8Bit(m_process.readAllStandardError());
            kill();
            return false;
        }
    }
    return true;
}

void SerialServer::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(2000);
}
