#pragma once

#include <QDialog>

namespace control {

// "About Tevlin": version, title and the models the program supports.
class AmpAbout : public QDialog
{
    Q_OBJECT
public:
    explicit AmpAbout(QWidget* parent = nullptr);

    // "1.1.0" is shown as "Version 1.10": minor and revision run together.
    static QString versionText(const QString& applicationVersion);
    static QString descriptionText();
};

} // namespace control
