#include "serial/wait.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "cputime.h"

class TestWait : public QObject
{
    Q_OBJECT
private slots:
    void endsOnTheConditionOrOnCancel()
    {
        bool ready = false;
        bool cancel = false;
        QTimer::singleShot(20, [&] { ready = true; });
        QCOMPARE(waitUntil([&] { return ready; }, &cancel), WaitResult::Met);
        QTimer::singleShot(20, [&] { cancel = true; });
        QCOMPARE(waitUntil([] { return false; }, &cancel), WaitResult::Cancelled);
        // A reply and a cancel handled in the same pass: the cancel wins.
        cancel = false;
        ready = false;
        QTimer::singleShot(20, [&] {
            ready = true;
            cancel = true;
        });
        QCOMPARE(waitUntil([&] { return ready; }, &cancel), WaitResult::Cancelled);
    }

    void endsAtTheLimitOnAMonotonicClock()
    {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(waitUntil([] { return false; }, nullptr, std::chrono::milliseconds(150)),
                 WaitResult::TimedOut);
        QVERIFY(clock.elapsed() >= 150);
        QVERIFY(clock.elapsed() < 1000);
    }

    void sleepsWhileWaiting()
    {
        // A wait that nothing wakes must leave the core idle: well under 1% over half a second.
        const auto before = cpuTime();
        QElapsedTimer clock;
        clock.start();
        pauseFor(std::chrono::milliseconds(500));
        const auto used = cpuTime() - before;
        QVERIFY(clock.elapsed() >= 500);
        QVERIFY2(used < std::chrono::milliseconds(10), qPrintable(QString::number(used.count()) + " us"));
    }
};

QTEST_GUILESS_MAIN(TestWait)
#include "tst_wait.moc"
