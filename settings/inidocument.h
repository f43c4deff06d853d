#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// An INI file held as its lines, so that a change touches one line and leaves every other line
// (comments, blank lines, keys of other tools, line endings) exactly as it was.
//
// Text is handled as bytes (the file is in a single-byte code page). Names match without regard
// to ASCII case; blanks around names and values are not part of them.
class IniDocument
{
public:
    static IniDocument parse(const QByteArray& content);
    QByteArray serialize() const;

    std::optional<QByteArray> value(const QByteArray& section, const QByteArray& key) const;
    // Replaces the first occurrence of the key in the first section of that name; a new key goes
    // after the last key line of its section, a new section at the end of the file.
    void setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

    // What a name or value becomes before it is written, so that it can never end a line or a
    // section header early: CR, LF and NUL turn into blanks, and in a section name "]" into ")".
    // Reading applies the same treatment to the names asked for, so a write and its read agree.
    static QByteArray safeSectionName(const QByteArray& name);
    static QByteArray safeKeyName(const QByteArray& name);
    static QByteArray safeValue(const QByteArray& value);

private:
    struct Line
    {
        QByteArray text; // without its line ending
        QByteArray ending;
    };
    std::optional<qsizetype> findSection(const QByteArray& section) const;
    std::optional<qsizetype> findKey(qsizetype sectionLine, const QByteArray& key) const;
    qsizetype sectionEnd(qsizetype sectionLine) const;
    QByteArray newLineEnding() const;

    QList<Line> m_lines;
};
