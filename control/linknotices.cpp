#include "control/linknotices.h"

#include "protocol/models.h"
#include "serial/porterror.h"

#include <QCoreApplication>

namespace control {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("LinkNotices", text);
}

QString noAnswerLine(const LinkTarget& target, bool factory)
{
    // After a reset only the search helps: the factory speed may not be one the user knows.
    if (factory)
        return tr("No answer at the factory address %1, %2 baud: try Setting > Find amplifiers…")
            .arg(target.address)
            .arg(target.baud);
    return tr("No answer at address %1, %2 baud: check the speed, or try Setting > Find amplifiers…")
        .arg(target.address)
        .arg(target.baud);
}

} // namespace

QString linkMovedNotice(LinkMove move, const QString& address, qint32 baud)
{
    const QString now = tr("it now answers at address %1, %2 baud. Press Connect.").arg(address).arg(baud);
    return move == LinkMove::Reset ? tr("The amplifier was reset: %1").arg(now)
                                   : tr("The amplifier's Link ID or speed was changed: %1").arg(now);
}

QString waitingNotice(const QString& stopCaption, const LinkTarget& target, bool missed, bool factory)
{
    // Before an address was ever entered the setting holds "?", and requests go to address 0.
    const bool noAddress = target.address.isEmpty() || !target.address.front().isDigit();
    const QString below = missed      ? noAnswerLine(target, factory)
                          : noAddress ? tr("No address set, so address 0 is asked (Setting > Com Adress), "
                                           "%1 baud.")
                                            .arg(target.baud)
                                      : tr("Address %1, %2 baud.").arg(target.address).arg(target.baud);
    return tr("Waiting for the amplifier on %1 ... (\"%2\" stops waiting)\n%3")
        .arg(target.port, stopCaption, below);
}

QString noAnswerNotice(const LinkTarget& target, bool factory)
{
    return tr("The amplifier did not answer on %1.\n%2").arg(target.port, noAnswerLine(target, factory));
}

QString openFailedNotice(const QString& port, const PortProblem& problem, bool hasDevice)
{
    if (!hasDevice)
        return tr("%1 has no serial device: none is connected for it, and setup.ini pins none.").arg(port);
    // The serial layer's message may run over paragraphs; the status bar shows one.
    const QString why = problem.message.simplified();
    if (why.isEmpty())
        return tr("%1 could not be opened.").arg(port);
    return tr("%1 could not be opened: %2").arg(port, why);
}

QString noUsablePortNotice(const QString& why)
{
    return tr("%1. Connect has no port to open (Setting > Comport).").arg(why);
}

QString noSetupDialogNotice(int modelCode, bool replied)
{
    if (!replied)
        return tr("The amplifier has not reported its model yet. Press Setup again once the front panel "
                  "shows its type.");
    if (modelCode == ModelCode::Unknown)
        return tr("This amplifier does not report its model, so Tevlin has no setup dialog for it.");
    return tr("The amplifier reports model code %1, which Tevlin has no setup dialog for.").arg(modelCode);
}

} // namespace control
