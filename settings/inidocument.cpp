#include "settings/inidocument.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

QString trimmedBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The name of a section header line "[name]", or nothing for other lines.
std::optional<QString> headerName(const QString& line)
{
    // Most lines are keys: tell them without a copy.
    const auto first =
        std::find_if(line.begin(), line.end(), [](QChar c) { return c != u' ' && c != u'\t'; });
    if (first == line.end() || *first != u'[')
        return std::nullopt;
    const QString text = trimmedBlanks(line);
    const qsizetype close = text.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimmedBlanks(text.mid(1, close - 1));
}

bool isComment(const QString& text)
{
    return text.startsWith(u';') || text.startsWith(u'#');
}

// Key and value of a "key=value" line, or nothing for other lines.
std::optional<std::pair<QString, QString>> keyValue(const QString& line)
{
    const QString text = trimmedBlanks(line);
    if (text.isEmpty() || isComment(text))
        return std::nullopt;
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return std::nullopt;
    return std::pair{trimmedBlanks(text.left(equals)), trimmedBlanks(text.mid(equals + 1))};
}

QString replaced(QString text, std::initializer_list<std::pair<char16_t, char16_t>> pairs)
{
    for (auto [from, to] : pairs)
        text.replace(QChar(from), QChar(to));
    return text;
}

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// One line's bytes: UTF-8 when they hold a multi-byte sequence and are valid UTF-8 (an earlier
// version of ours wrote such lines), else Latin-1 (the maker's other tools). Each line on its own,
// as another tool may have added Latin-1 lines to a file of UTF-8 ones.
QString decodeLine(QByteArrayView bytes)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii) {
        // A byte order mark stays a character, so that a file that had one keeps it.
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder.decode(bytes);
        if (!decoder.hasError())
            return text;
    }
    return QString::fromLatin1(bytes);
}

// Latin-1, unless the text cannot be (a line of UTF-8 we did not change) or its Latin-1 bytes would
// read back as other text (the rare "Ã©"): such a line stays UTF-8, so that it reads back as it is.
QByteArray encodeLine(QStringView text)
{
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1();
    const bool fits = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    if (fits) {
        QByteArray latin1 = text.toLatin1();
        if (decodeLine(latin1) == text)
            return latin1;
    }
    return text.toUtf8();
}

// Code points that Latin-1 cannot hold become one "?" each, as they go to the amplifier.
QString latin1Only(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const char32_t codePoint : text.toUcs4())
        result += codePoint <= 0xFF ? QChar(char16_t(codePoint)) : QChar(u'?');
    return result;
}

} // namespace

QString IniDocument::decode(const QByteArray& fileContent)
{
    QString text;
    qsizetype start = 0;
    while (start < fileContent.size()) {
        qsizetype end = start;
        while (end < fileContent.size() && fileContent[end] != '\r' && fileContent[end] != '\n')
            ++end;
        text += decodeLine(QByteArrayView(fileContent).sliced(start, end - start));
        while (end < fileContent.size() && (fileContent[end] == '\r' || fileContent[end] == '\n'))
            text += QChar::fromLatin1(fileContent[end++]);
        start = end;
    }
    return text;
}

QByteArray IniDocument::encode(const QString& text)
{
    QByteArray bytes;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isLineBreak(text[end]))
            ++end;
        bytes += encodeLine(QStringView(text).sliced(start, end - start));
        while (end < text.size() && isLineBreak(text[end]))
            bytes += char(text[end++].unicode());
        start = end;
    }
    return bytes;
}

IniDocument IniDocument::parse(const QByteArray& fileContent)
{
    // Line by line as decode() reads them: no byte but CR and LF decodes to a line break.
    IniDocument document;
    const QByteArrayView content(fileContent);
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        Line line{decodeLine(content.sliced(start, end - start)), {}};
        if (end < content.size()) {
            const bool crlf = content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
            line.ending = QString::fromLatin1(content.sliced(end, crlf ? 2 : 1));
        }
        start = end + line.ending.size();
        document.m_lines.append(line);
    }
    return document;
}

QByteArray IniDocument::serialize() const
{
    // As encode() of the whole text: no line's text holds a line break.
    QByteArray bytes;
    for (const Line& line : m_lines) {
        bytes += encodeLine(line.text);
        bytes += line.ending.toLatin1();
    }
    return bytes;
}

QString IniDocument::safeSectionName(const QString& name)
{
    return trimmedBlanks(
        replaced(latin1Only(name), {{u'\r', u' '}, {u'\n', u' '}, {u'\0', u' '}, {u']', u')'}}));
}

QString IniDocument::safeKeyName(const QString& name)
{
    // A key must not look like a section header or a comment, nor carry its own "=".
    QString safe = trimmedBlanks(
        replaced(latin1Only(name), {{u'\r', u' '}, {u'\n', u' '}, {u'\0', u' '}, {u'=', u'-'}}));
    if (safe.startsWith(u'[') || isComment(safe))
        safe[0] = u'_';
    return safe;
}

QString IniDocument::safeValue(const QString& value)
{
    return trimmedBlanks(replaced(latin1Only(value), {{u'\r', u' '}, {u'\n', u' '}, {u'\0', u' '}}));
}

std::optional<qsizetype> IniDocument::findSection(const QString& section) const
{
    const QString wanted = safeSectionName(section);
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto name = headerName(m_lines[i].text);
        if (name && sameName(*name, wanted))
            return i;
    }
    return std::nullopt;
}

qsizetype IniDocument::sectionEnd(qsizetype sectionLine) const
{
    qsizetype i = sectionLine + 1;
    while (i < m_lines.size() && !headerName(m_lines[i].text))
        ++i;
    return i;
}

std::optional<qsizetype> IniDocument::findKey(qsizetype sectionLine, const QString& key) const
{
    const QString wanted = safeKeyName(key);
    const qsizetype end = sectionEnd(sectionLine);
    for (qsizetype i = sectionLine + 1; i < end; ++i) {
        const auto pair = keyValue(m_lines[i].text);
        if (pair && sameName(pair->first, wanted))
            return i;
    }
    return std::nullopt;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    if (safeKeyName(key).isEmpty())
        return std::nullopt;
    const auto sectionLine = findSection(section);
    if (!sectionLine)
        return std::nullopt;
    const auto keyLine = findKey(*sectionLine, key);
    if (!keyLine)
        return std::nullopt;
    return keyValue(m_lines[*keyLine].text)->second;
}

QStringList IniDocument::sections() const
{
    QStringList names;
    for (const Line& line : m_lines) {
        if (const auto name = headerName(line.text))
            names << *name;
    }
    return names;
}

QString IniDocument::newLineEnding() const
{
    for (const Line& line : m_lines) {
        if (!line.ending.isEmpty())
            return line.ending;
    }
    return QStringLiteral("\r\n");
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    return setValues(section, {{key, value}});
}

bool IniDocument::setValues(const QString& section, const QList<std::pair<QString, QString>>& values)
{
    for (const auto& [key, value] : values) {
        if (safeKeyName(key).isEmpty())
            return false;
    }
    const QString ending = newLineEnding();
    if (!m_lines.isEmpty() && m_lines.last().ending.isEmpty())
        m_lines.last().ending = ending;

    // Keys go in after the section line: its position stays.
    std::optional<qsizetype> sectionLine = findSection(section);
    for (const auto& [key, value] : values) {
        const QString text = safeKeyName(key) + u'=' + safeValue(value);
        if (!sectionLine) {
            m_lines.append({u'[' + safeSectionName(section) + u']', ending});
            sectionLine = m_lines.size() - 1;
            m_lines.append({text, ending});
            continue;
        }
        if (const auto keyLine = findKey(*sectionLine, key)) {
            m_lines[*keyLine].text = text;
            continue;
        }
        // After the section's last key, so that blank lines or comments that end it stay below.
        qsizetype insertAt = *sectionLine + 1;
        const qsizetype end = sectionEnd(*sectionLine);
        for (qsizetype i = *sectionLine + 1; i < end; ++i) {
            if (keyValue(m_lines[i].text))
                insertAt = i + 1;
        }
        m_lines.insert(insertAt, {text, ending});
    }
    return true;
}
