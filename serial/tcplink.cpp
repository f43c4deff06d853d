#include "serial/tcplink.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TcpLink", text);
}

const QString ModuleName = QStringLiteral("korvanes-netport");

// Where the module may be: a folder named by KORVANES_MODULE_DIR (the tests use it), the program's
// own folder (the build tree, Windows), and the folder it is installed to beside the programs.
QStringList moduleFolders()
{
    QStringList folders;
    const QString named = qEnvironmentVariable("KORVANES_MODULE_DIR");
    if (!named.isEmpty())
        folders << named;
    const QDir programs(QCoreApplication::applicationDirPath());
    folders << programs.path();
#ifdef KORVANES_MODULE_DIR_FROM_PROGRAMS
    folders << QDir::cleanPath(programs.filePath(QStringLiteral(KORVANES_MODULE_DIR_FROM_PROGRAMS)));
#endif
    return folders;
}

using Maker = TcpLink* (*)();
using Version = int (*)();

// The module's maker, or why there is none.
struct Loaded
{
    Maker maker = nullptr;
    QString problem;
};

Loaded load()
{
    QStringList reasons;
    for (const QString& folder : moduleFolders()) {
        // The module stays loaded when `library` goes: connections made by it may still live.
        QLibrary library(QDir(folder).filePath(ModuleName));
        if (!library.load()) {
            reasons << library.errorString();
            continue;
        }
        const auto version = reinterpret_cast<Version>(library.resolve(TcpLinkVersionSymbol));
        const auto make = reinterpret_cast<Maker>(library.resolve(TcpLinkMakerSymbol));
        if (version && make && version() == TcpLinkVersion)
            return {make, {}};
        reasons << tr("%1 is from another version of the program").arg(library.fileName());
        library.unload();
    }
    return {nullptr, tr("Network ports need the module %1, which could not be loaded: %2.")
                         .arg(ModuleName, reasons.join(QStringLiteral("; ")))};
}

} // namespace

std::variant<std::unique_ptr<TcpLink>, QString> makeTcpLink()
{
    // Looked for once: the first network port decides for the whole run.
    static const Loaded loaded = load();
    if (!loaded.maker)
        return loaded.problem;
    return std::unique_ptr<TcpLink>(loaded.maker());
}
