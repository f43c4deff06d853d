#include "settings/inidocument.h"

namespace {

QByteArray trimmedBlanks(const QByteArray& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The name of a section header line "[name]", or nothing for other lines.
std::optional<QByteArray> headerName(const QByteArray& line)
{
    const QByteArray text = trimmedBlanks(line);
    if (!text.startsWith('['))
        return std::nullopt;
    const qsizetype close = text.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmedBlanks(text.mid(1, close - 1));
}

bool isComment(const QByteArray& text)
{
    return text.startsWith(';') || text.startsWith('#');
}

// Key and value of a "key=value" line, or nothing for other lines.
std::optional<std::pair<QByteArray, QByteArray>> keyValue(const QByteArray& line)
{
    const QByteArray text = trimmedBlanks(line);
    if (text.isEmpty() || isComment(text))
        return std::nullopt;
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return std::nullopt;
    return std::pair{trimmedBlanks(text.left(equals)), trimmedBlanks(text.mid(equals + 1))};
}

QByteArray replaced(QByteArray text, std::initializer_list<std::pair<char, char>> pairs)
{
    for (auto [from, to] : pairs)
        text.replace(from, to);
    return text;
}

} // namespace

IniDocument IniDocument::parse(const QByteArray& content)
{
    IniDocument document;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        Line line{content.mid(start, end - start), {}};
        if (end < content.size()) {
            const bool crlf = content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
            line.ending = content.mid(end, crlf ? 2 : 1);
        }
        start = end + line.ending.size();
        document.m_lines.append(line);
    }
    return document;
}

QByteArray IniDocument::serialize() const
{
    QByteArray content;
    for (const Line& line : m_lines)
        content += line.text + line.ending;
    return content;
}

QByteArray IniDocument::safeSectionName(const QByteArray& name)
{
    return trimmedBlanks(replaced(name, {{'\r', ' '}, {'\n', ' '}, {'\0', ' '}, {']', ')'}}));
}

QByteArray IniDocument::safeKeyName(const QByteArray& name)
{
    // A key must not look like a section header or a comment, nor carry its own "=".
    QByteArray safe = trimmedBlanks(replaced(name, {{'\r', ' '}, {'\n', ' '}, {'\0', ' '}, {'=', '-'}}));
    if (safe.startsWith('[') || isComment(safe))
        safe[0] = '_';
    return safe;
}

QByteArray IniDocument::safeValue(const QByteArray& value)
{
    return trimmedBlanks(replaced(value, {{'\r', ' '}, {'\n', ' '}, {'\0', ' '}}));
}

std::optional<qsizetype> IniDocument::findSection(const QByteArray& section) const
{
    const QByteArray wanted = safeSectionName(section);
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

std::optional<qsizetype> IniDocument::findKey(qsizetype sectionLine, const QByteArray& key) const
{
    const QByteArray wanted = safeKeyName(key);
    const qsizetype end = sectionEnd(sectionLine);
    for (qsizetype i = sectionLine + 1; i < end; ++i) {
        const auto pair = keyValue(m_lines[i].text);
        if (pair && sameName(pair->first, wanted))
            return i;
    }
    return std::nullopt;
}

std::optional<QByteArray> IniDocument::value(const QByteArray& section, const QByteArray& key) const
{
    const auto sectionLine = findSection(section);
    if (!sectionLine)
        return std::nullopt;
    const auto keyLine = findKey(*sectionLine, key);
    if (!keyLine)
        return std::nullopt;
    return keyValue(m_lines[*keyLine].text)->second;
}

QByteArray IniDocument::newLineEnding() const
{
    for (const Line& line : m_lines) {
        if (!line.ending.isEmpty())
            return line.ending;
    }
    return "\r\n";
}

void IniDocument::setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    const QByteArray ending = newLineEnding();
    const QByteArray text = safeKeyName(key) + '=' + safeValue(value);
    if (!m_lines.isEmpty() && m_lines.last().ending.isEmpty())
        m_lines.last().ending = ending;

    const auto sectionLine = findSection(section);
    if (!sectionLine) {
        m_lines.append({'[' + safeSectionName(section) + ']', ending});
        m_lines.append({text, ending});
        return;
    }
    if (const auto keyLine = findKey(*sectionLine, key)) {
        m_lines[*keyLine].text = text;
        return;
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
