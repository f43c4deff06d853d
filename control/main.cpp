#include "control/tevlinwindow.h"
#include "protocol/linkstate.h"
#include "serial/comform.h"
#include "serial/comwindow.h"
#include "settings/filelocations.h"

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
    options.process(app);

    LinkState state;
    ComForm link(state.ReplyBuffer);
    control::TevlinWindow window(state, link, SetupIniPath());
    ComWindow communication(link, &window);
    window.load();
    window.show();
    return QApplication::exec();
}
