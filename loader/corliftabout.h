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

    // "Version 2.01": the minor version and the revision run together.
    static QString versionText();
};
