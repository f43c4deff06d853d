#include "bench/savemeasures.h"

#include "settings/inifilehandler.h"
#include "setup/setupcodec.h"
#include "setup/setupstore.h"
#include "setup/vx900model.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>

using Clock = std::chrono::steady_clock;

namespace {

constexpr double SaveGoalMs = 20.0;
constexpr int SavedAmplifiers = 50;
const QString Measure = QStringLiteral("Save to PC");

QString amplifierName(int n)
{
    return QStringLiteral("Amplifier %1").arg(n, 2, 10, QChar(u'0'));
}

} // namespace

Row saveToPcRow(bool smoke)
{
    // The per-user folder the programs fall back to ($XDG_CONFIG_HOME), not a memory file system:
    // the figure is mostly the disk's flush.
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!QDir().mkpath(configDir))
        return {Measure, QStringLiteral("not measured: cannot make ") + configDir, Row::Outcome::Broken};
    QTemporaryDir dir(configDir + QStringLiteral("/korvanes-bench-XXXXXX"));
    if (!dir.isValid())
        return {Measure, QStringLiteral("not measured: no temporary folder in ") + configDir,
                Row::Outcome::Broken};
    const QString ini = dir.filePath(QStringLiteral("setup.ini"));

    const setup::ModelSpec& spec = vx900::Spec;
    setup::Controls controls = setup::controlsFor(spec, setup::emptyValues(spec));
    const setup::Values values = setup::emptyValues(spec);
    const qsizetype keys = setup::savedSection(spec, controls, values).pairs.size();
    for (int n = 1; n <= SavedAmplifiers; ++n) {
        controls[spec.nameField].text = amplifierName(n);
        if (!setup::saveToPc(spec, controls, values, ini))
            return {Measure, QStringLiteral("not measured: cannot write ") + ini, Row::Outcome::Broken};
    }

    // One amplifier saved again and again, a value changed each time so that the file must change;
    // back to back, so that no read of the file is left to reuse.
    controls[spec.nameField].text = amplifierName(SavedAmplifiers / 2);
    std::vector<double> times;
    const int saves = smoke ? 3 : 21;
    for (int i = 0; i < saves; ++i) {
        controls[vx900::DefVol].text = QString::number(10 + i % 2);
        const Clock::time_point start = Clock::now();
        const IniWriteResult saved = setup::saveToPc(spec, controls, values, ini);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!saved)
            return bench::broken(Measure, saved.failure);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    return bench::row(
        Measure + QStringLiteral(" of the VX 900's %1 keys into a setup.ini of %2 saved amplifiers (%3 "
                                 "bytes) in %4, median of %5 (fastest %6 ms, slowest %7 ms; goal <= %8 ms)")
                      .arg(keys)
                      .arg(SavedAmplifiers)
                      .arg(QFileInfo(ini).size())
                      .arg(configDir)
                      .arg(saves)
                      .arg(times.front(), 0, 'f', 1)
                      .arg(times.back(), 0, 'f', 1)
                      .arg(SaveGoalMs),
        QStringLiteral("%1 ms").arg(median, 0, 'f', 1), median <= SaveGoalMs);
}
