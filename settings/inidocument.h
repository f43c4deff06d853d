#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// An INI file held as its lines, so that a change touches one line and leaves every other line
// (comments, blank lines, keys of other tools, line endings) as it was.
//
// The file's bytes are read as UTF-8 when they are valid UTF-8, else as Latin-1 (the single-byte
// code page the maker's other tools write); they are written as Latin-1 when every character
// fits, else as UTF-8. A file of Latin-1 text therefore comes back byte for byte, and text that
// Latin-1 cannot hold is never lost. Names match without regard to case; blanks around names and
// values are not part of them.
class IniDocument
{
public:
    static IniDocument parse(const QByteArray& fileContent);
    QByteArray serialize() const;

    static QString decode(const QByteArray& fileContent);
    static QByteArray encode(const QString& text);

    std::optional<QString> value(const QString& section, const QString& key) const;
    // Replaces the first occurrence of the key in the first section of that name; a new key goes
    // after the last key line of its section, a new section at the end of the file. False, and
    // nothing changed, for a key that is blank once made safe: it could never be read back.
    bool setValue(const QString& section, const QString& key, const QString& value);

    // What a name or value becomes before it is written, so that it can never end a line or a
    // section header early: CR, LF and NUL turn into blanks, and in a section name "]" into ")".
    // Reading applies the same treatment to the names asked for, so a write and its read agree.
    static QString safeSectionName(const QString& name);
    static QString safeKeyName(const QString& name);
    static QString safeValue(const QString& value);

private:
    struct Line
    {
        QString text; // without its line ending
        QString ending;
    };
    std::optional<qsizetype> findSection(const QString& section) const;
    std::optional<qsizetype> findKey(qsizetype sectionLine, const QString& key) const;
    qsizetype sectionEnd(qsizetype sectionLine) const;
    QString newLineEnding() const;

    QList<Line> m_lines;
};
