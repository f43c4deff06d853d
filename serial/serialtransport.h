#pragma once

#include "serial/networkaddress.h"
#include "serial/transport.h"

#include <QSerialPort>

// A local serial device through QSerialPort.
class SerialTransport : public Transport
{
    Q_OBJECT
public:
    explicit SerialTransport(QObject* parent = nullptr);

    bool takes(const QString& device) const override { return !isNetworkAddress(device); }
    bool open(const QString& device, std::optional<qint32> baud) override;
    const PortProblem& problem() const override { return m_problem; }
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    QString deviceName() const override { return m_port.portName(); }
    qint32 baudRate() const override { return m_port.baudRate(); }
    bool write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    void discardInput() override;

private:
    void portError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    PortProblem m_problem;
};
