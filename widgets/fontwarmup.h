#pragma once

#include <thread>

namespace widgets {

// Reads the system's font configuration on a second thread while the program builds its
// application object: the window's first text would otherwise wait for it, a large part of the
// time to the first frame. Made just before the QApplication; finish() (or the destructor) waits
// for it, and must come before the first widget measures text.
class FontWarmUp
{
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void finish();

private:
    std::thread m_thread;
};

} // namespace widgets
