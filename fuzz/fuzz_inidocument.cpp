// The INI document: whatever the bytes of the file, the names and the value, the text survives a
// round trip, and a write changes one line (or adds its key, or its section and key) and nothing
// else, exactly where the format's rules put it.
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

bool same(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One line as a plain reading of the format sees it.
struct Line
{
    QString text;
    QString ending;
    std::optional<QString> header() const
    {
        const QString t = blanksTrimmed(text);
        if (!t.startsWith(u'[') || !t.contains(u']'))
            return std::nullopt;
        return blanksTrimmed(t.mid(1, t.indexOf(u']') - 1));
    }
    std::optional<QString> key() const
    {
        const QString t = blanksTrimmed(text);
        if (t.indexOf(u'=') <= 0 || t.startsWith(u';') || t.startsWith(u'#'))
            return std::nullopt;
        return blanksTrimmed(t.left(t.indexOf(u'=')));
    }
};

QList<Line> linesOf(const QString& text)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const qsizetype endingLength =
            text.mid(end, 2) == QStringLiteral("\r\n") ? 2 : (end < text.size() ? 1 : 0);
        lines.append({text.mid(start, end - start), text.mid(end, endingLength)});
        start = end + endingLength;
    }
    return lines;
}

// The text after writing: the key's first line in the first section of that name replaced, else a
// line after the section's last key (or its header), else the section and the key at the end.
QString expectedAfterWrite(const QString& before, const QString& section, const QString& key,
                           const QString& value)
{
    QList<Line> lines = linesOf(before);
    QString ending = QStringLiteral("\r\n");
    for (const Line& line : lines) {
        if (!line.ending.isEmpty()) {
            ending = line.ending;
            break;
        }
    }
    if (!lines.isEmpty() && lines.last().ending.isEmpty())
        lines.last().ending = ending;
    const Line written{IniDocument::safeKeyName(key) + u'=' + IniDocument::safeValue(value), ending};
    qsizetype header = 0;
    while (header < lines.size() &&
           !(lines[header].header() && same(*lines[header].header(), IniDocument::safeSectionName(section))))
        ++header;
    if (header == lines.size()) {
        lines.append({u'[' + IniDocument::safeSectionName(section) + u']', ending});
        lines.append(written);
    } else {
        qsizetype insertAt = header + 1;
        qsizetype i = header + 1;
        for (; i < lines.size() && !lines[i].header(); ++i) {
            if (lines[i].key() && same(*lines[i].key(), IniDocument::safeKeyName(key)))
                break;
            if (lines[i].key())
                insertAt = i + 1;
        }
        if (i < lines.size() && !lines[i].header())
            lines[i].text = written.text;
        else
            lines.insert(insertAt, written);
    }
    QString text;
    for (const Line& line : lines)
        text += line.text + line.ending;
    return text;
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
    // A key that is blank once made safe could never be read back: it is refused.
    FUZZ_CHECK(set == !IniDocument::safeKeyName(key).isEmpty());
    const QString afterText = IniDocument::decode(after.serialize());
    FUZZ_CHECK(afterText == (set ? expectedAfterWrite(text, section, key, value) : text));
    const IniDocument reread = IniDocument::parse(after.serialize());
    if (set)
        FUZZ_CHECK(reread.value(section, key) == IniDocument::safeValue(value));

    // Every other key reads as before, names matched without regard to case.
    QString current;
    for (const Line& line : linesOf(text)) {
        if (line.header())
            current = *line.header();
        else if (line.key() &&
                 !(set &&
                   same(IniDocument::safeSectionName(current), IniDocument::safeSectionName(section)) &&
                   same(IniDocument::safeKeyName(*line.key()), IniDocument::safeKeyName(key))))
            FUZZ_CHECK(before.value(current, *line.key()) == reread.value(current, *line.key()));
    }
    return 0;
}
