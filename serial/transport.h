#pragma once

#include "serial/porterror.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

// What carries the bytes of a link: a local serial device, or a network serial server.
// Every line is 8 data bits, no parity, one stop bit; only the speed varies. The protocol, the
// framers and the log above it do not know which kind they talk to.
class Transport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether this kind of transport opens `device` (a device path, a network address).
    virtual bool takes(const QString& device) const
    {
        Q_UNUSED(device);
        return true;
    }
    // Opens `device` at `baud` (nothing: the speed it had), dropping anything queued from before.
    // On failure problem() says why.
    virtual bool open(const QString& device, std::optional<qint32> baud) = 0;
    virtual const PortProblem& problem() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString deviceName() const = 0;
    virtual qint32 baudRate() const = 0;

    // Hands all of `bytes` on towards the device before it returns; false when that failed.
    virtual bool write(const QByteArray& bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;
    // Drops what has arrived and not been read.
    virtual void discardInput() = 0;

signals:
    void readyRead();
    // The device went away (an unplugged adapter, a hung-up line); the transport has closed.
    void lost();
};
