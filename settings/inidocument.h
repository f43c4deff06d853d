#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// An INI file held as its lines, so that a change touches one line and leaves every other line
// (comments, blank lines, keys of other tools, line endings) as it was.
//
// The file is Latin-1, the single-byte code page the maker's other tools read and write. Each line
// is read as what it is: UTF-8 when it holds valid multi-byte UTF-8 (as earlier versions of ours
// wrote text outside Latin-1), else Latin-1, so a file that another tool has mixed reads without
// mojibake. Lines are written as Latin-1; a character that Latin-1 cannot hold is written as "?"
// (see the safe names below); only a line this document did not change, and that Latin-1 cannot
// hold, keeps its UTF-8. A file of Latin-1 text therefore comes back byte for byte. Names match
// without regard to case; blanks around names and values are not part of them.
class IniDocument
{
public:
    static IniDocument parse(const QByteArray& fileContent);
    QByteArray serialize() const;

    // The file's text line by line as above, and back.
    static QString decode(const QByteArray& fileContent);
    static QByteArray encode(const QString& text);

    std::optional<QString> value(const QString& section, const QString& key) const;
    // The sections' names in the order they appear.
    QStringList sections() const;
    // Replaces the first occurrence of the key in the first section of that name; a new key goes
    // after the last key line of its section, a new section at the end of the file. False, and
    // nothing changed, for a key that is blank once made safe: it could never be read back.
    bool setValue(const QString& section, const QString& key, const QString& value);
    // setValue() of each pair in order, the section looked up once. False, and nothing changed, when
    // one of the keys is blank.
    bool setValues(const QString& section, const QList<std::pair<QString, QString>>& values);

    // What a name or value becomes before it is written, so that it can never end a line or a
    // section header early: CR, LF and NUL turn into blanks, and in a section name "]" into ")";
    // a character outside Latin-1 turns into "?".
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
