#include "control/linksession.h"
#include "control/tevlinwindow.h"
#include "protocol/linkstate.h"
#include "serial/comform.h"
#include "serial/comwindow.h"
#include "serial/portmessagebox.h"
#include "settings/filelocations.h"
#include "setup/setupdialogs.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tevlin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tevlin"));
    QApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    QApplication::setOrganizationName(QStringLiteral("Korvanes"));
    QApplication::setDesktopFileName(QStringLiteral("com.korvanes.Tevlin"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Controls a Korvanes amplifier over a serial line."));
    options.addHelpOption();
    options.addVersionOption();
    options.addOption(settingsDirOption());
    options.process(app);
    const std::optional<QString> setupIniPath = setupIniPathFor(options);
    if (!setupIniPath)
        return 2;

    LinkState state;
    ComForm link(state.ReplyBuffer);
    link.setLogFilePath(logFilePath(*setupIniPath));
    link.setMessageBoxHook(showPortMessage);
    control::LinkSession session(state, link, *setupIniPath);
    control::TevlinWindow window(session);
    setup::SetupDialogs setupDialogs(session, &window);
    ComWindow communication(link, &window);
    session.load();
    window.show();
    return QApplication::exec();
}
