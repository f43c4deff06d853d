#include "common/commandline.h"

#include <QCoreApplication>

namespace common {

void printLine(std::FILE* out, const QString& text)
{
    std::fputs(qPrintable(text + u'\n'), out);
    std::fflush(out);
}

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool processOptions(QCommandLineParser& options, const char* program)
{
    if (!options.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s: %s\n", program, qPrintable(options.errorText()));
        return false;
    }
    options.process(QCoreApplication::arguments());
    return true;
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
