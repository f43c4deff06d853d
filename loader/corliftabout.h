#pragma once

#include <QDialog>

// The about box: program title, version and release dates.
class CorliftAbout : public QDialog
{
    Q_OBJECT
public:
    static constexpr int VersionMajor = 2;
    static constexpr int VersionMinor = 0;
    static constexpr int VersionRevision = 1;

    explicit CorliftAbout(QWidget* parent = nullptr);

    // "2.0.1", as `corlift --version` prints it.
    static QString version();
    // "Version 2.01": the minor version and the revision run together; the dotted form beside it, so
    // that the box and `--version` show the same.
    static QString versionText();
};
