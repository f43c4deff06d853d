#include "common/commandline.h"

#include "common/exitcode.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace common {

void printLine(std::FILE* out, const QString& text)
{
    std::fputs(qPrintable(text + u'\n'), out);
    std::fflush(out);
}

bool isTerminal(std::FILE* stream)
{
#ifdef Q_OS_UNIX
    return ::isatty(::fileno(stream)) == 1;
#else
    Q_UNUSED(stream);
    return false;
#endif
}

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QStringList withoutQtOptions(const QStringList& arguments)
{
    static const QStringList withValue{
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowicon"),     QStringLiteral("icon"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("title"),
        QStringLiteral("display"),         QStringLiteral("name"),
        QStringLiteral("style"),           QStringLiteral("stylesheet"),
        QStringLiteral("session"),
    };
    static const QStringList alone{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                   QStringLiteral("nograb"), QStringLiteral("dograb"),
                                   QStringLiteral("testability")};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        // Qt takes "-platform" and "--platform" alike; its own options only before a "--".
        const QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2) : argument.mid(1);
        if (argument == QLatin1String("--")) {
            kept << arguments.mid(i);
            break;
        }
        if (i > 0 && argument.startsWith(u'-') && withValue.contains(name) && i + 1 < arguments.size())
            ++i;
        else if (i == 0 || !argument.startsWith(u'-') ||
                 !(alone.contains(name) || name.startsWith(QLatin1String("qmljsdebugger="))))
            kept << argument;
    }
    return kept;
}

bool processOptions(QCommandLineParser& options, const char* program, qsizetype bareArguments,
                    QtWindowOptions qt)
{
    const QStringList arguments = qt == QtWindowOptions::Taken
                                      ? withoutQtOptions(QCoreApplication::arguments())
                                      : QCoreApplication::arguments();
    if (!options.parse(arguments)) {
        usageError(program, options.errorText());
        return false;
    }
    options.process(arguments);
    const QStringList bare = options.positionalArguments();
    if (bare.size() > bareArguments) {
        usageError(program,
                   QStringLiteral("%1: unexpected argument; see --help").arg(bare.value(bareArguments)));
        return false;
    }
    return true;
}

int usageError(const char* program, const QString& problem)
{
    std::fprintf(stderr, "%s: %s\n", program, qPrintable(problem));
    std::fflush(stderr);
    return ExitUsage;
}

bool mentionsOption(const QStringList& arguments, const QStringList& names)
{
    for (const QString& argument : arguments) {
        for (const QString& name : names) {
            const QString option = QStringLiteral("--") + name;
            if (argument == option || argument.startsWith(option + u'='))
                return true;
        }
    }
    return false;
}

std::optional<int> numberIn(const QString& text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= lowest && value <= highest ? std::optional<int>(value) : std::nullopt;
}

} // namespace common
