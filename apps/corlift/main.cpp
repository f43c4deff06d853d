#include "common/commandline.h"
#include "loader/corliftabout.h"
#include "loader/corliftcommand.h"
#include "loader/corlifter.h"
#include "serial/portmessagebox.h"
#include "settings/filelocations.h"
#include "widgets/warmup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <memory>
#include <optional>

// A file name given alone is for the window.
constexpr qsizetype WindowFiles = 1;

int main(int argc, char* argv[])
{
    const QStringList arguments = common::argumentsOf(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Loads firmware into a Korvanes product's boot loader. Without --check or --flash it "
                       "opens its window, with FILE chosen and checked when one is named."));
    options.addHelpOption();
    options.addVersionOption();
    options.addOption(settingsDirOption());
    corlift::addCommandLineOptions(options);
    // A run from a script needs no display, nor do --help, --version and wrong options.
    const bool commandLine = corlift::wantsCommandLine(arguments);
    const bool windowless = commandLine || !options.parse(common::withoutQtOptions(arguments)) ||
                            options.positionalArguments().size() > WindowFiles ||
                            options.isSet(QStringLiteral("help")) ||
                            options.isSet(QStringLiteral("version")) ||
                            std::holds_alternative<QString>(corlift::readCommandOptions(options));
    std::optional<widgets::WarmUp> warmUp;
    if (!windowless)
        warmUp.emplace();
    std::unique_ptr<QCoreApplication> app = windowless ? std::make_unique<QCoreApplication>(argc, argv)
                                                       : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corlift"));
    QCoreApplication::setApplicationVersion(CorliftAbout::version());

    if (!common::processOptions(options, "corlift", WindowFiles, common::QtWindowOptions::Taken))
        return common::ExitUsage;
    const auto command = corlift::readCommandOptions(options);
    if (const QString* problem = std::get_if<QString>(&command)) {
        std::fprintf(stderr, "corlift: %s\n", qPrintable(*problem));
        return common::ExitUsage;
    }
    const std::optional<QString> setupIniPath = setupIniPathFor(options);
    if (!setupIniPath)
        return common::ExitUsage;
    if (commandLine)
        return corlift::runCommandLine(std::get<corlift::CommandOptions>(command), *setupIniPath);

    // The port set-up's message boxes carry the program title.
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Corlift"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korvanes.Corlift"));
    if (warmUp)
        warmUp->afterApplication(widgets::WarmUp::FontList::Skipped);
    CorliftState state;
    Corlifter window(state, *setupIniPath);
    window.link().setMessageBoxHook(showPortMessage);
    window.portMenu().probeAfterFirstPaint(&window);
    window.show();
    warmUp.reset();
    // `corlift FILE`, as a desktop opens a file: that file, checked, in place of the remembered one.
    window.openFile(std::get<corlift::CommandOptions>(command).file);
    return QApplication::exec();
}
