#include "widgets/fontwarmup.h"

#include <QFontDatabase>
#include <QStringList>

#ifdef KORVANES_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace widgets {

FontWarmUp::FontWarmUp()
{
#ifdef KORVANES_FONTCONFIG
    // Qt's font database asks fontconfig for the same configuration and then finds it loaded.
    m_thread = std::thread([] { FcInit(); });
#endif
}

FontWarmUp::~FontWarmUp()
{
    finish();
}

void FontWarmUp::listFonts()
{
    finish();
    // Qt's font database takes its lock for the listing; text measured meanwhile waits for it.
    m_thread = std::thread([] { QFontDatabase::families(); });
}

void FontWarmUp::finish()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace widgets
