#include "widgets/warmup.h"

#include <QFontDatabase>
#include <QImageReader>
#include <QStringList>

#ifdef KORVANES_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace widgets {

WarmUp::WarmUp()
{
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
