#pragma once

#include <thread>

namespace widgets {

// Reads the system's font configuration on a second thread while the program builds its
// application object: the window's first text would otherwise wait for it, a large part of the
// time to the first frame. Made just before the QApplication; listFonts() comes after it and before
// the first widget measures text. finish() (or the destructor) waits for the thread, and must come
// before the QApplication goes.
class FontWarmUp
{
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // Once the configuration is read, Qt's font database lists the system's fonts on the same
    // thread while the program builds its first objects; the first text waits for the list.
    void listFonts();
    void finish();

private:
    std::thread m_thread;
};

} // namespace widgets
