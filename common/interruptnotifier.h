#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// Turns Ctrl+C (SIGINT), SIGTERM and a closed terminal (SIGHUP) into a signal of the event loop, so
// that a command-line run can close its ports and record what it stopped. The handler only writes a byte to a
// pipe that the event loop watches; nothing spins. A second Ctrl+C ends the program at once, as usual.
class InterruptNotifier : public QObject
{
    Q_OBJECT
public:
    explicit InterruptNotifier(QObject* parent = nullptr);
    ~InterruptNotifier() override;

signals:
    void interrupted();

private:
    void readPipe();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
