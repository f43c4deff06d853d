#include "loader/corliftabout.h"
#include "loader/corlifter.h"
#include "serial/portmessagebox.h"
#include "serial/wait.h"
#include "settings/filelocations.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    useStrictEventDispatcher();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corlift"));
    // The port set-up's message boxes carry the program title.
    QApplication::setApplicationDisplayName(QStringLiteral("Corlift"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(CorliftAbout::VersionMajor)
                                            .arg(CorliftAbout::VersionMinor)
                                            .arg(CorliftAbout::VersionRevision));
    QApplication::setDesktopFileName(QStringLiteral("com.korvanes.Corlift"));

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Loads firmware into a Korvanes product's boot loader."));
    options.addHelpOption();
    options.addVersionOption();
    options.addOption(settingsDirOption());
    options.process(app);
    const std::optional<QString> setupIniPath = setupIniPathFor(options);
    if (!setupIniPath)
        return 2;

    CorliftState state;
    Corlifter window(state, *setupIniPath);
    window.link().setMessageBoxHook(showPortMessage);
    window.show();
    return QApplication::exec();
}
