#include "loader/pausetimer.h"

#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

namespace {

// `ms` milliseconds from now; negative is in the past.
QDeadlineTimer fromNow(qint64 ms)
{
    return QDeadlineTimer::current(Qt::PreciseTimer) + ms;
}

} // namespace

class TestPauseTimer : public QObject
{
    Q_OBJECT
private slots:
    // Pauses that fall due together are ended in one pass, the earliest deadline first, whatever the
    // order they were set in; none ends before its deadline, nor one deadline late.
    void endsDuePausesEarliestFirst()
    {
        const qint64 offsets[] = {-3, -7, 40, -5, 20};
        std::vector<std::unique_ptr<PauseTimer>> timers;
        std::vector<QDeadlineTimer> deadlines;
        std::vector<int> order;
        for (const qint64 offset : offsets) {
            const int index = int(timers.size());
            timers.push_back(std::make_unique<PauseTimer>());
            deadlines.push_back(fromNow(offset));
            connect(timers.back().get(), &PauseTimer::timeout, this, [&, index] {
                QVERIFY(deadlines[index].hasExpired());
                // Nor long after it: the 20 ms pause ends before the 40 ms one is due.
                if (index == 4)
                    QVERIFY(!deadlines[2].hasExpired());
                order.push_back(index);
            });
            timers.back()->start(deadlines.back());
        }
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), std::size(offsets), 2000);
        QCOMPARE(order, (std::vector<int>{1, 3, 0, 4, 2}));
    }

    // A handler may stop, move or delete any other pause, and start its own again.
    void handlersMayChangeOtherPauses()
    {
        auto first = std::make_unique<PauseTimer>();
        auto stopped = std::make_unique<PauseTimer>();
        auto moved = std::make_unique<PauseTimer>();
        auto deleted = std::make_unique<PauseTimer>();
        QStringList ended;
        QDeadlineTimer movedTo;
        connect(first.get(), &PauseTimer::timeout, this, [&] {
            ended << QStringLiteral("first");
            stopped->stop();
            movedTo = fromNow(30);
            moved->start(movedTo);
            deleted.reset();
            if (ended.size() == 1)
                first->start(fromNow(10));
        });
        connect(stopped.get(), &PauseTimer::timeout, this, [&] { ended << QStringLiteral("stopped"); });
        connect(moved.get(), &PauseTimer::timeout, this, [&] {
            QVERIFY(movedTo.hasExpired());
            ended << QStringLiteral("moved");
        });
        connect(deleted.get(), &PauseTimer::timeout, this, [&] { ended << QStringLiteral("deleted"); });
        first->start(fromNow(-4));
        for (PauseTimer* timer : {stopped.get(), moved.get(), deleted.get()})
            timer->start(fromNow(-2));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 3, 2000);
        QTest::qWait(60);
        QCOMPARE(ended, (QStringList{"first", "first", "moved"}));
    }

    // The clock learns how late the loop runs after it fires and wakes that much ahead of the next
    // deadline, so that pauses in a row do not add up the delay; yet no pause ends before its
    // deadline, even right after the loop was slow to run (and the clock learned a long lead).
    void wakesAheadButNeverEarly()
    {
        PauseTimer timer;
        QDeadlineTimer deadline = fromNow(5);
        int ends = 0;
        constexpr int SlowLoop = 20;
        constexpr int Pauses = 30;
        // A loop of its own: QTRY's waits sleep between passes, which would make wakes late.
        QEventLoop loop;
        connect(&timer, &PauseTimer::timeout, this, [&] {
            QVERIFY(deadline.hasExpired());
            if (++ends == Pauses) {
                loop.quit();
                return;
            }
            deadline = fromNow(5);
            timer.start(deadline);
            // The loop busy past the next wake: the wake runs some 2 ms late.
            if (ends < SlowLoop)
                QTimer::singleShot(0, this, [] { QThread::msleep(7); });
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        timer.start(deadline);
        loop.exec();
        QCOMPARE(ends, Pauses);
#ifdef Q_OS_LINUX
        QVERIFY(PauseTimer::wakeLead() > std::chrono::nanoseconds(0));
#endif
    }

    // A pause started again at once and already due still lets the event loop run between.
    void aPassAlwaysEnds()
    {
        PauseTimer timer;
        int ends = 0;
        int endsBeforeTheLoopRan = -1;
        connect(&timer, &PauseTimer::timeout, this, [&] {
            if (++ends == 1)
                QTimer::singleShot(0, this, [&] { endsBeforeTheLoopRan = ends; });
            if (ends < 50)
                timer.start(fromNow(-1));
        });
        timer.start(fromNow(-1));
        QTRY_VERIFY_WITH_TIMEOUT(ends == 50 && endsBeforeTheLoopRan >= 0, 2000);
        QVERIFY(endsBeforeTheLoopRan < 5);
    }
};

QTEST_GUILESS_MAIN(TestPauseTimer)
#include "tst_pausetimer.moc"
