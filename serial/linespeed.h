#pragma once

#include <QtGlobal>
#include <array>
#include <optional>

// The line speeds the programs and the amplifiers use, by speed index (the Speed menu's order, the
// setup dialogs' link speed, "ComSpeed" in setup.ini holds the rate itself).
inline constexpr std::array<qint32, 3> SpeedBauds{9600, 57600, 115200};

constexpr std::optional<qint32> baudOfSpeedIndex(int index)
{
    if (index < 0 || index >= int(SpeedBauds.size()))
        return std::nullopt;
    return SpeedBauds[std::size_t(index)];
}

constexpr std::optional<int> speedIndexOfBaud(qint64 baud)
{
    for (std::size_t i = 0; i < SpeedBauds.size(); ++i) {
        if (SpeedBauds[i] == baud)
            return int(i);
    }
    return std::nullopt;
}
