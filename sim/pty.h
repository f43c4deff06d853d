#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;

// The controlling side of a pseudo-terminal: a program opens `devicePath()` as its serial port,
// and whatever it writes arrives here through `received`. Raw mode, no echo, no line editing.
class Pty : public QObject
{
    Q_OBJECT
public:
    explicit Pty(QObject* parent = nullptr);
    ~Pty() override;

    bool isOpen() const { return m_master >= 0; }
    QString devicePath() const { return m_devicePath; }
    QString errorString() const { return m_error; }

    bool write(const QByteArray& bytes);
    // The speed the program on the other end set its line to, in baud (0 when unknown).
    qint32 lineSpeed() const;
    // Closes both sides: the program on the other end sees its device go away.
    void hangUp();

signals:
    void received(const QByteArray& bytes);

private:
    void readAvailable();

    int m_master = -1;
    // Held open so that the controlling side keeps working while no program has the device open.
    int m_slave = -1;
    QString m_devicePath;
    QString m_error;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
