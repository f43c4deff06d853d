#include "bench/scanmeasures.h"
#include "sim/ampsim.h"
#include "sim/pty.h"
#include "sim/simdriver.h"

#include "serial/wait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr double ScanGoalSeconds = 20.0;
// What every amplifier on the line takes to answer: the slowest the scan must still find.
constexpr std::chrono::milliseconds ReplyDelay{50};
const QString Measure = QStringLiteral("tevlin --scan");

Row broken(const QString& why)
{
    return bench::broken(Measure, why);
}

} // namespace

Row scanRow(const QString& binDir, bool smoke)
{
    const int last = smoke ? 12 : 255;
    const QList<int> addresses = smoke ? QList<int>{2, 12} : QList<int>{2, 100, 255};
    Pty pty;
    if (!pty.isOpen())
        return broken(QStringLiteral("no pseudo-terminal"));
    std::vector<std::unique_ptr<AmpSim>> amplifiers;
    QList<AmpSim*> line;
    for (const int address : addresses) {
        amplifiers.push_back(std::make_unique<AmpSim>(AmpModel::Vx900, address));
        line << amplifiers.back().get();
    }
    SimFaults late;
    late.delay = ReplyDelay;
    SimDriver driver(line, pty, late);

    QTemporaryDir dir;
    QProcess tevlin;
    QElapsedTimer clock;
    clock.start();
    tevlin.start(QDir(binDir).filePath(QStringLiteral("tevlin")),
                 {QStringLiteral("--scan"), QStringLiteral("--port"), pty.devicePath(),
                  QStringLiteral("--speed"), QStringLiteral("9600"), QStringLiteral("--to"),
                  QString::number(last), QStringLiteral("--json"), QStringLiteral("--settings-dir"),
                  dir.path()});
    if (waitUntil([&] { return tevlin.state() == QProcess::NotRunning; }, nullptr, 120s) != WaitResult::Met) {
        tevlin.kill();
        tevlin.waitForFinished(2000);
        return broken(QStringLiteral("tevlin --scan did not end within 2 minutes"));
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    QList<int> found;
    for (const QByteArray& text : tevlin.readAllStandardOutput().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(text).object();
        if (object.contains(QStringLiteral("model")))
            found << object.value(QStringLiteral("address")).toInt();
    }
    if (tevlin.exitStatus() != QProcess::NormalExit || tevlin.exitCode() > 1)
        return broken(QStringLiteral("tevlin --scan failed (exit %1): %2")
                          .arg(tevlin.exitCode())
                          .arg(QString::fromLocal8Bit(tevlin.readAllStandardError()).trimmed()));
    // A missed amplifier fails the goal as a slow scan does.
    QStringList missed;
    for (const int address : addresses) {
        if (!found.contains(address))
            missed << QString::number(address);
    }
    const QString misses =
        missed.isEmpty() ? QString() : QStringLiteral(", MISSED %1").arg(missed.join(u','));
    return bench::row(
        Measure + QStringLiteral(" of addresses 1 to %1 at 9600 baud, the default wait, %2 amplifiers "
                                 "that answer after %3 ms, all to be found (goal <= %4 s)%5")
                      .arg(last)
                      .arg(addresses.size())
                      .arg(ReplyDelay.count())
                      .arg(ScanGoalSeconds)
                      .arg(misses),
        QStringLiteral("%1 s").arg(seconds, 0, 'f', 2), seconds <= ScanGoalSeconds && missed.isEmpty());
}
