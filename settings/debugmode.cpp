#include "settings/debugmode.h"

#include "common/numbers.h"
#include "settings/inifilehandler.h"

namespace {
constexpr int DebugModeValue = 86;
}

bool debugModeOn(const QString& setupIniPath)
{
    return common::equalsAsNumber(
        ReadIniValue(QStringLiteral("Tevlin"), QStringLiteral("Debug"), QStringLiteral("0"), setupIniPath),
        DebugModeValue);
}
