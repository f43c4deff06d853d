#include "serial/serialtransport.h"

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

SerialTransport::SerialTransport(QObject* parent) : Transport(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Transport::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::portError);
}

bool SerialTransport::open(const QString& device, std::optional<qint32> baud)
{
    close();
    m_port.setPortName(device);
    if (baud)
        m_port.setBaudRate(*baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    if (!device.isEmpty() && m_port.open(QIODevice::ReadWrite)) {
        // The queues can only be emptied on an open port: anything left from before is dropped.
        m_port.clear(QSerialPort::AllDirections);
        m_problem = {};
        return true;
    }
    m_problem = describePortError(m_port.error(), device);
    m_port.clearError();
    close();
    return false;
}

void SerialTransport::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialTransport::write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return false;
    qsizetype handed = 0;
#ifdef Q_OS_UNIX
    // Straight to the driver while nothing waits in the port's own buffer: QSerialPort would switch
    // its write notifier on and off for each write, and each switch wakes the event loop once more.
    // What the driver does not take at once, or a failure, goes the port's way, which reports it.
    if (m_port.bytesToWrite() == 0) {
        ssize_t written;
        do
            written = ::write(m_port.handle(), bytes.constData(), static_cast<size_t>(bytes.size()));
        while (written < 0 && errno == EINTR);
        handed = std::max<qsizetype>(written, 0);
    }
#endif
    if (handed == bytes.size())
        return true;
    const qsizetype rest = bytes.size() - handed;
    if (m_port.write(bytes.constData() + handed, rest) != rest)
        return false;
    // Hand the bytes to the driver now: a caller may pause without serving the port's notifiers.
    // A second flush finds everything written and stops the port's write notifier, which would
    // otherwise wake the event loop once more just to learn that nothing is left to write.
    m_port.flush();
    m_port.flush();
    return true;
}

QByteArray SerialTransport::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void SerialTransport::discardInput()
{
    if (m_port.isOpen()) {
        m_port.clear(QSerialPort::Input);
        m_port.readAll();
    }
}

void SerialTransport::portError(QSerialPort::SerialPortError error)
{
    // An unplugged adapter shows as a resource error; a hung-up terminal reads end-of-file, which
    // shows as a read error that repeats for as long as the port stays open.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !m_port.isOpen())
        return;
    m_port.clearError();
    m_port.close();
    emit lost();
}
