#include "widgets/warmup.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>
#include <QStandardPaths>
#include <QStringList>

#ifdef KORVANES_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace widgets {

void skipFutileBusLaunch(const QString& installedLauncher)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // libdbus's order: the address in the environment, the user's bus in the runtime directory,
    // then dbus-launch. An address it does not know fails at once, without a fork.
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QFileInfo::exists(QDir(runtimeDir).filePath(QStringLiteral("bus"))))
        return;
    if (QFileInfo(installedLauncher).isExecutable() ||
        !QStandardPaths::findExecutable(QStringLiteral("dbus-launch")).isEmpty())
        return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
#else
    Q_UNUSED(installedLauncher);
#endif
}

WarmUp::WarmUp()
{
    skipFutileBusLaunch();
#ifdef KORVANES_FONTCONFIG
    // Qt's font database asks fontconfig for the same configuration and then finds it loaded.
    m_thread = std::thread([] { FcInit(); });
#endif
}

WarmUp::~WarmUp()
{
    finish();
}

void WarmUp::afterApplication(FontList fonts)
{
    finish();
    m_thread = std::thread([fonts] {
        // Qt's font database takes its lock for the listing; text measured meanwhile waits for it.
        if (fonts == FontList::Listed)
            QFontDatabase::families();
        // The menu bar's extension button takes its icon from a PNG file, and a reader asks every
        // image format plugin whether it reads PNG before it uses Qt's own: the first image
        // loads all of them. Listing the formats loads them here.
        QImageReader::supportedImageFormats();
    });
}

void WarmUp::finish()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace widgets
