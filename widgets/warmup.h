#pragma once

#include <thread>

namespace widgets {

// Does on a second thread what a window's first frame would otherwise wait for. Made just before the
// QApplication, it reads the system's font configuration while the program builds its application
// object; afterApplication() comes after that and before the first widget, and loads Qt's image
// format plugins (the menu bar's first icon waits for them) while the program builds its window.
// Its destructor waits for the thread, and must run before the QApplication goes.
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
