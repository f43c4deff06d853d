#include "settings/windowplacement.h"

#include "settings/inifilehandler.h"

#include <QStringList>
#include <array>

namespace {

const QString Key = QStringLiteral("Window");
constexpr int MinimumSide = 100;
constexpr int MaximumSide = 20000;
// A top edge this much on a screen is enough to grab it.
constexpr int GrabWidth = 40;

} // namespace

void saveWindowPlacement(const QString& section, const QRect& placement, const QString& setupIniPath)
{
    const QString value = QStringLiteral("%1,%2,%3,%4")
                              .arg(placement.x())
                              .arg(placement.y())
                              .arg(placement.width())
                              .arg(placement.height());
    if (ReadIniValue(section, Key, QString(), setupIniPath) == value)
        return;
    // The window is closing: there is nowhere left to say it but the program's error output.
    if (const IniWriteResult written = WriteIniValue(section, Key, value, setupIniPath); !written)
        qWarning("Where the window was is not kept: %s", qPrintable(written.failure));
}

std::optional<QRect> savedWindowPlacement(const QString& section, const QList<QRect>& screens,
                                          const QString& setupIniPath)
{
    const QStringList parts = ReadIniValue(section, Key, QString(), setupIniPath).split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    std::array<int, 4> numbers{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    const QRect placement(numbers[0], numbers[1], numbers[2], numbers[3]);
    if (placement.width() < MinimumSide || placement.height() < MinimumSide ||
        placement.width() > MaximumSide || placement.height() > MaximumSide)
        return std::nullopt;
    const QRect topEdge(placement.x(), placement.y(), placement.width(), 1);
    for (const QRect& screen : screens) {
        if (screen.intersected(topEdge).width() >= GrabWidth)
            return placement;
    }
    return std::nullopt;
}
