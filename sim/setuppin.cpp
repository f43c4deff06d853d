#include "sim/setuppin.h"

#include "settings/inifilehandler.h"

bool pinInSetupIni(const QString& setupIniPath, int com, const QString& device, std::optional<int> address)
{
    const QString section = QStringLiteral("ComSettings");
    QList<std::pair<QString, QString>> values{{QStringLiteral("COM%1").arg(com), device},
                                              {QStringLiteral("ComPort"), QString::number(com)}};
    if (address)
        values.append({QStringLiteral("DevAdr"), QString::number(*address)});
    return bool(WriteIniValues(section, values, setupIniPath));
}

QCommandLineOption setupIniOption()
{
    return QCommandLineOption(
        QStringLiteral("setup-ini"),
        QStringLiteral("Point the programs that use this setup.ini at the unit: pin the "
                       "port of --com to its device and select that port (and, for an "
                       "amplifier, enter its network address)."),
        QStringLiteral("file"));
}

QCommandLineOption comOption()
{
    return QCommandLineOption(QStringLiteral("com"),
                              QStringLiteral("The port number 1..16 that --setup-ini pins (default 1)."),
                              QStringLiteral("n"), QStringLiteral("1"));
}
