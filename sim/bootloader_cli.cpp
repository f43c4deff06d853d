#include "sim/bootloader_cli.h"

#include "sim/bootloader.h"
#include "sim/pty.h"
#include "sim/setuppin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::optional<int> nonNegative(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

int runBootLoaderCli(const QStringList& arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString products = BootLoader::products().join(u'|');

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays a product's boot loader on a pseudo-terminal."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption boot(
        QStringLiteral("boot"),
        QStringLiteral(
            "The product: %1. Repeat it for several boot loaders at once, one pseudo-terminal each; "
            "their paths are printed one per line in the same order.")
            .arg(products),
        QStringLiteral("product"));
    const QCommandLineOption noAnnounce(QStringLiteral("no-announce"), QStringLiteral("Never send \"...\"."));
    const QCommandLineOption announceOk(QStringLiteral("announce-ok"),
                                        QStringLiteral("Announce with \"Boot OK ...\" instead of \"...\"."));
    const QCommandLineOption okAt(QStringLiteral("ok-at"),
                                  QStringLiteral("Send \"OK\" on line n (1-based), before the end record."),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption okDelay(
        QStringLiteral("ok-delay"),
        QStringLiteral("Answer \"OK\" this many milliseconds after the end record."), QStringLiteral("ms"),
        QStringLiteral("0"));
    const QCommandLineOption noAnswer(QStringLiteral("no-answer"),
                                      QStringLiteral("Never answer \"OK\" or \"Wrong signature\"."));
    const QCommandLineOption rejectAt(QStringLiteral("reject-at"),
                                      QStringLiteral("Answer \"Wrong signature\" on line n (1-based)."),
                                      QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption hangUpAt(
        QStringLiteral("hangup-at"),
        QStringLiteral("Go away (hang up the line) on receiving line n (1-based), as an unplugged product."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption replyPadding(
        QStringLiteral("reply-padding"),
        QStringLiteral(
            "Follow each answer with n '.' in the same write, longer than a receive buffer keeps."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption paddingByte(
        QStringLiteral("padding-byte"),
        QStringLiteral(
            "The byte of --reply-padding in hex (default 2E, '.'); FF tests a network port's escaping."),
        QStringLiteral("hex"), QStringLiteral("2E"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append every byte received to this file."),
                                 QStringLiteral("file"));
    const QCommandLineOption link(
        QStringLiteral("link"), QStringLiteral("Also reach the pseudo-terminal through this symbolic link."),
        QStringLiteral("path"));
    const QCommandLineOption makeFile(
        QStringList{QStringLiteral("make-file")},
        QStringLiteral("Write a made-up firmware file for the product and exit."), QStringLiteral("file"));
    const QCommandLineOption lines(QStringLiteral("lines"), QStringLiteral("Data records in --make-file."),
                                   QStringLiteral("n"), QStringLiteral("64"));
    const QCommandLineOption setupIni = setupIniOption();
    const QCommandLineOption com = comOption();
    parser.addOptions({boot, noAnnounce, announceOk, okAt, okDelay, noAnswer, rejectAt, hangUpAt,
                       replyPadding, paddingByte, log, link, makeFile, lines, setupIni, com});

    if (!parser.parse(QStringList{QStringLiteral("ampsim")} + arguments)) {
        err << "ampsim: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << Qt::endl;
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << "ampsim: " << parser.positionalArguments().constFirst() << ": unexpected argument; see --help"
            << Qt::endl;
        return 2;
    }

    QStringList bootProducts;
    for (const QString& product : parser.values(boot))
        bootProducts << product.toLower();
    BootLoaderOptions options;
    options.product = bootProducts.value(0);
    options.announce = !parser.isSet(noAnnounce);
    options.announceOk = parser.isSet(announceOk);
    options.answer = !parser.isSet(noAnswer);
    options.logPath = parser.value(log);
    const auto delay = nonNegative(parser.value(okDelay));
    const auto rejectLine = nonNegative(parser.value(rejectAt));
    const auto hangUpLine = nonNegative(parser.value(hangUpAt));
    const auto padding = nonNegative(parser.value(replyPadding));
    const auto okLine = nonNegative(parser.value(okAt));
    const bool known = std::all_of(bootProducts.begin(), bootProducts.end(), [](const QString& product) {
        return !BootLoader::headerFor(product).isEmpty();
    });
    if (bootProducts.isEmpty() || !known || !delay || !rejectLine || !hangUpLine || !padding || !okLine) {
        err << "ampsim: --boot needs one of " << products
            << "; --ok-delay, --ok-at, --reject-at, --hangup-at and --reply-padding take numbers 0 and up"
            << Qt::endl;
        return 2;
    }
    if (parser.isSet(makeFile)) {
        const auto count = nonNegative(parser.value(lines));
        QFile file(parser.value(makeFile));
        const QByteArray content = BootLoader::sampleFirmware(options.product, count.value_or(0));
        if (!count || !file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            err << "ampsim: cannot write " << file.fileName() << Qt::endl;
            return 1;
        }
        out << file.fileName() << Qt::endl;
        return 0;
    }
    options.okDelay = std::chrono::milliseconds(*delay);
    options.rejectAtLine = *rejectLine;
    options.hangUpAtLine = *hangUpLine;
    options.replyPadding = *padding;
    options.paddingByte = static_cast<char>(parser.value(paddingByte).toUInt(nullptr, 16));
    options.okAtLine = *okLine;

    if (bootProducts.size() > 1 && (parser.isSet(log) || parser.isSet(link))) {
        err << "ampsim: --log and --link go with one --boot" << Qt::endl;
        return 2;
    }
    // One pseudo-terminal per boot loader; the options apply to each.
    std::vector<std::unique_ptr<Pty>> ptys;
    for (qsizetype i = 0; i < bootProducts.size(); ++i) {
        ptys.push_back(std::make_unique<Pty>());
        if (!ptys.back()->isOpen()) {
            err << "ampsim: no pseudo-terminal: " << ptys.back()->errorString() << Qt::endl;
            return 1;
        }
    }
    Pty& pty = *ptys.front();
    const QString linkPath = parser.value(link);
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath);
        if (!QFile::link(pty.devicePath(), linkPath)) {
            err << "ampsim: cannot create the link " << linkPath << Qt::endl;
            return 1;
        }
    }

    const auto comPort = nonNegative(parser.value(com));
    if (parser.isSet(setupIni) &&
        (!comPort || *comPort < 1 || *comPort > 16 ||
         !pinInSetupIni(parser.value(setupIni), *comPort, pty.devicePath(), std::nullopt))) {
        err << "ampsim: cannot pin a port 1..16 in " << parser.value(setupIni) << Qt::endl;
        return 1;
    }

    std::vector<std::unique_ptr<BootLoader>> loaders;
    for (qsizetype i = 0; i < bootProducts.size(); ++i) {
        options.product = bootProducts[i];
        loaders.push_back(std::make_unique<BootLoader>(*ptys[i], options));
        BootLoader* loader = loaders.back().get();
        const QString device = ptys[i]->devicePath();
        QObject::connect(loader, &BootLoader::answered, [&err, loader, device](const QByteArray& reply) {
            err << "ampsim: " << device << ": " << loader->lines().size() << " lines received, answered "
                << reply.trimmed() << Qt::endl;
        });
        out << device << Qt::endl;
        err << "ampsim: boot loader of " << options.product << " on " << device << Qt::endl;
    }

    const int code = QCoreApplication::exec();
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    return code;
}
