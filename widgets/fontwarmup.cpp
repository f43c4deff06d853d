#include "widgets/fontwarmup.h"

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

void FontWarmUp::finish()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace widgets
