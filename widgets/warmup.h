#pragma once

#include <QString>
#include <thread>

namespace widgets {

// Without a session bus, libdbus "autolaunches" one: it forks the program to run dbus-launch, and
// Qt's accessibility bridge and menu bar ask for the bus while the first window is built. Where
// there is neither a bus to reach nor a dbus-launch to run (`installedLauncher`, where libdbus
// looks before the PATH), that fork can only fail; this tells libdbus so through its own
// environment variable. Anywhere else it leaves the environment as it is. Call it before any
// thread starts.
void skipFutileBusLaunch(const QString& installedLauncher = QStringLiteral("/usr/bin/dbus-launch"));

// Does on a second thread what a window's first frame would otherwise wait for. Made just before the
// QApplication, it skips a futile bus launch (above) and reads the system's font configuration while
// the program builds its application object; afterApplication() comes after that and before the first
// widget, and loads Qt's image format plugins (the menu bar's first icon waits for them) while the
// program builds its window. Its destructor waits for the thread, and must run before the QApplication
// goes.
class WarmUp
{
public:
    // Whether Qt's font database lists the system's fonts first, before the plugins: worth it
    // where the window measures much text before its menu bar is made.
    enum class FontList
    {
        Skipped,
        Listed
    };

    WarmUp();
    ~WarmUp();
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;

    void afterApplication(FontList fonts);

private:
    void finish();

    std::thread m_thread;
};

} // namespace widgets
