// Measures Tevlin and Corlift against ampsim on an X server ($DISPLAY) and prints one line per
// measure, ending in its figure and PASS or FAIL against the goal. scripts/bench runs it.
#include "bench/measures.h"
#include "bench/windowwatch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

constexpr int ExitAllPass = 0;
constexpr int ExitSomeFail = 1;
constexpr int ExitBroken = 2;

// A smoke run only proves that each measure can be taken: its figures are not judged.
const char* outcomeText(Row::Outcome outcome, bool smoke)
{
    if (smoke && outcome != Row::Outcome::Broken)
        return "taken";
    switch (outcome) {
    case Row::Outcome::Pass:
        return "PASS";
    case Row::Outcome::Fail:
        return "FAIL";
    case Row::Outcome::Broken:
        break;
    }
    return "BROKEN";
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvanes-bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs Tevlin, Corlift and a bare Qt window on the X server in $DISPLAY, with ampsim's amplifier and "
        "boot loader as their peers, and prints each measure with PASS or FAIL.\n"
        "Exit status: 0 all passed, 1 some failed, 2 a measure could not be taken (with --smoke: 0 unless "
        "one "
        "could not be taken)."));
    parser.addHelpOption();
    const QCommandLineOption smoke(
        QStringLiteral("smoke"),
        QStringLiteral("Only show, within seconds, that every measure can still be taken."));
    const QCommandLineOption bin(QStringLiteral("bin"),
                                 QStringLiteral("Where the programs are (default: beside this one)."),
                                 QStringLiteral("dir"), QCoreApplication::applicationDirPath());
    const QCommandLineOption only(
        QStringLiteral("only"),
        QStringLiteral("Only one group of measures: %1.").arg(Bench::Groups.join(QStringLiteral(", "))),
        QStringLiteral("group"));
    parser.addOptions({smoke, bin, only});
    parser.process(app);
    if (parser.isSet(only) && !Bench::Groups.contains(parser.value(only))) {
        QTextStream(stderr) << "korvanes-bench: --only takes one of "
                            << Bench::Groups.join(QStringLiteral(", ")) << Qt::endl;
        return ExitBroken;
    }

    QTextStream out(stdout);
    WindowWatch windows;
    if (!windows.isConnected()) {
        out << "korvanes-bench: no X server in DISPLAY" << Qt::endl;
        return ExitBroken;
    }
    if (!windows.seesPaints()) {
        out << "korvanes-bench: the X server in DISPLAY does not report drawing (no Damage extension)"
            << Qt::endl;
        return ExitBroken;
    }
    Bench bench({QDir(parser.value(bin)).absolutePath(), parser.isSet(smoke), parser.value(only)}, windows);
    QString error;
    if (!bench.prepare(error)) {
        out << "korvanes-bench: " << error << Qt::endl;
        return ExitBroken;
    }

    int status = ExitAllPass;
    for (const Row& row : bench.run()) {
        out << row.measure << ": " << row.figure << ' ' << outcomeText(row.outcome, parser.isSet(smoke))
            << Qt::endl;
        if (row.outcome == Row::Outcome::Broken)
            status = ExitBroken;
        else if (row.outcome == Row::Outcome::Fail && status == ExitAllPass && !parser.isSet(smoke))
            status = ExitSomeFail;
    }
    return status;
}
