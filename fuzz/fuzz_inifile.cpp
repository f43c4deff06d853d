// ReadIniValue and WriteIniValue on a real file: what is written reads back (cut to 254
// characters), a read with a default stores it, a refused write changes nothing, and no
// temporary or lock file is left behind.
#include "fuzzinput.h"
#include "settings/inidocument.h"
#include "settings/inifilehandler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("setup.ini"));
    FuzzInput input(data, size);
    const QString section = input.text();
    const QString key = input.text();
    const QString value = input.text(255);
    const QString defaultValue = input.text();
    {
        QFile file(ini);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(input.rest());
    }
    const bool keyUsable = !IniDocument::safeKeyName(key).isEmpty();
    const auto stored = [&] { return ReadIniValue(section, key, QString(), ini); };
    // Cut to 254 characters, or 253 where the 254th would be half of a pair.
    const auto readsBackAs = [&](const QString& text) {
        const QString full = IniDocument::safeValue(text);
        const QString got = stored();
        return full.startsWith(got) && got.size() >= qMin(full.size(), 253) && got.size() <= 254;
    };

    const QByteArray untouched = contentOf(ini);
    const QString old = stored();
    const QString read = ReadIniValue(section, key, defaultValue, ini);
    if (!old.isEmpty()) {
        FUZZ_CHECK(read == old && old.size() <= 254);
    } else {
        FUZZ_CHECK(read == defaultValue);
        if (keyUsable)
            FUZZ_CHECK(readsBackAs(defaultValue));
        else
            FUZZ_CHECK(contentOf(ini) == untouched);
    }

    const QByteArray beforeWrite = contentOf(ini);
    const bool written = bool(WriteIniValue(section, key, value, ini));
    FUZZ_CHECK(written == keyUsable);
    if (written)
        FUZZ_CHECK(readsBackAs(value));
    else
        FUZZ_CHECK(contentOf(ini) == beforeWrite);
    FUZZ_CHECK(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) ==
               QStringList{QStringLiteral("setup.ini")});
    return 0;
}
