#include "common/commandline.h"
#include "control/linksession.h"
#include "control/tevlincommand.h"
#include "control/tevlinwindow.h"
#include "protocol/linkstate.h"
#include "serial/comform.h"
#include "serial/comwindow.h"
#include "serial/portmenu.h"
#include "serial/portmessagebox.h"
#include "settings/filelocations.h"
#include "setup/configcommand.h"
#include "setup/setupdialogs.h"
#include "widgets/warmup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <memory>
#include <optional>

int main(int argc, char* argv[])
{
    const QStringList arguments = common::argumentsOf(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Controls a Korvanes amplifier over a serial line. Without --status, --set, --scan, "
                       "--backup, --restore or --diff it opens its window."));
    options.addHelpOption();
    options.addVersionOption();
    options.addOption(settingsDirOption());
    control::cli::addCommandLineOptions(options);
    setup::config::addOptions(options);
    // A run from a script needs no display, nor do --help, --version and wrong options.
    const bool configLine = setup::config::wanted(arguments);
    const bool commandLine = configLine || control::cli::wantsCommandLine(arguments);
    const bool windowless = commandLine || !options.parse(common::withoutQtOptions(arguments)) ||
                            !options.positionalArguments().isEmpty() ||
                            options.isSet(QStringLiteral("help")) ||
                            options.isSet(QStringLiteral("version")) || setup::config::strayOption(options) ||
                            std::holds_alternative<QString>(control::cli::readCommandOptions(options));
    std::optional<widgets::WarmUp> warmUp;
    if (!windowless)
        warmUp.emplace();
    std::unique_ptr<QCoreApplication> app = windowless ? std::make_unique<QCoreApplication>(argc, argv)
                                                       : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tevlin"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    QCoreApplication::setOrganizationName(QStringLiteral("Korvanes"));

    if (!common::processOptions(options, "tevlin", 0, common::QtWindowOptions::Taken))
        return common::ExitUsage;
    if (configLine) {
        const auto config = setup::config::readOptions(options);
        if (const QString* problem = std::get_if<QString>(&config)) {
            std::fprintf(stderr, "tevlin: %s\n", qPrintable(*problem));
            return common::ExitUsage;
        }
        const std::optional<QString> iniPath = setupIniPathFor(options);
        return iniPath ? setup::config::run(std::get<setup::config::Options>(config), *iniPath)
                       : common::ExitUsage;
    }
    if (const auto stray = setup::config::strayOption(options)) {
        std::fprintf(stderr, "tevlin: %s\n", qPrintable(*stray));
        return common::ExitUsage;
    }
    const auto command = control::cli::readCommandOptions(options);
    if (const QString* problem = std::get_if<QString>(&command)) {
        std::fprintf(stderr, "tevlin: %s\n", qPrintable(*problem));
        return common::ExitUsage;
    }
    const std::optional<QString> setupIniPath = setupIniPathFor(options);
    if (!setupIniPath)
        return common::ExitUsage;
    if (commandLine)
        return control::cli::runCommandLine(std::get<control::cli::CommandOptions>(command), *setupIniPath);

    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tevlin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korvanes.Tevlin"));
    if (warmUp)
        warmUp->afterApplication(widgets::WarmUp::FontList::Listed);
    control::LinkSession session(*setupIniPath);
    ComForm& link = session.link();
    link.setLogFilePath(logFilePath(*setupIniPath));
    link.setMessageBoxHook(showPortMessage);
    control::TevlinWindow window(session);
    setup::SetupDialogs setupDialogs(session, &window);
    ComWindow communication(link, &window);
    session.portMenu().probeAfterFirstPaint(&window);
    session.load();
    window.show();
    warmUp.reset();
    return QApplication::exec();
}
