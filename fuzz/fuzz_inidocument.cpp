// The INI document: whatever the bytes of the file, the names and the value, the text survives a
// round trip, and a write changes one key and creates nothing else.
#include "fuzzinput.h"
#include "settings/inidocument.h"

#include <QList>

namespace {

QString blanksTrimmed(QString text)
{
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}

struct Entry
{
    QString section;
    QString key;
};

// Every key line as a plain reading of the format sees it, in file order.
QList<Entry> entries(const QString& text)
{
    QList<Entry> found;
    QString section;
    QString line;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n') {
            line += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n')
            ++i;
        line = blanksTrimmed(line);
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'[') && line.contains(u']'))
            section = blanksTrimmed(line.mid(1, line.indexOf(u']') - 1));
        else if (equals > 0 && !line.startsWith(u';') && !line.startsWith(u'#'))
            found.append({section, blanksTrimmed(line.left(equals))});
        line.clear();
    }
    return found;
}

bool same(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const QString section = input.text();
    const QString key = input.text();
    const QString value = input.text();
    const QByteArray file = input.rest();

    const IniDocument before = IniDocument::parse(file);
    const QByteArray written = before.serialize();
    const QString text = IniDocument::decode(file);
    // Nothing is lost, Latin-1 files come back byte for byte, and a second round changes nothing.
    FUZZ_CHECK(IniDocument::decode(written) == text);
    FUZZ_CHECK(IniDocument::parse(written).serialize() == written);
    if (text == QString::fromLatin1(file))
        FUZZ_CHECK(written == file);

    IniDocument after = before;
    const bool set = after.setValue(section, key, value);
    FUZZ_CHECK(set == !IniDocument::safeKeyName(key).isEmpty());
    const IniDocument reread = IniDocument::parse(after.serialize());
    if (set)
        FUZZ_CHECK(reread.value(section, key) == IniDocument::safeValue(value));
    else
        FUZZ_CHECK(after.serialize() == written);

    // Apart from the key written, the same keys in the same order, each with its old value.
    // Names are compared as a lookup sees them.
    const auto isWrittenKey = [&](const Entry& e) {
        return set && same(IniDocument::safeSectionName(e.section), IniDocument::safeSectionName(section)) &&
               same(IniDocument::safeKeyName(e.key), IniDocument::safeKeyName(key));
    };
    QList<Entry> old = entries(IniDocument::decode(written));
    QList<Entry> now = entries(IniDocument::decode(after.serialize()));
    FUZZ_CHECK(now.size() - old.size() == 0 || now.size() - old.size() == 1);
    old.removeIf(isWrittenKey);
    now.removeIf(isWrittenKey);
    FUZZ_CHECK(old.size() == now.size());
    for (qsizetype i = 0; i < old.size(); ++i) {
        FUZZ_CHECK(old[i].section == now[i].section && old[i].key == now[i].key);
        FUZZ_CHECK(before.value(old[i].section, old[i].key) == reread.value(old[i].section, old[i].key));
    }
    return 0;
}
