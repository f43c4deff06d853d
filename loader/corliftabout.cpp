#include "loader/corliftabout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString ProgramTitle = QStringLiteral("Corlift");
}

QString CorliftAbout::version()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

QString CorliftAbout::versionText()
{
    return QStringLiteral("Version %1.%2%3 (%4)")
        .arg(VersionMajor)
        .arg(VersionMinor)
        .arg(VersionRevision)
        .arg(version());
}

CorliftAbout::CorliftAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CorliftAbout"));
    setWindowTitle(QStringLiteral("About ") + ProgramTitle);

    auto* title = new QLabel(ProgramTitle, this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    auto* version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* description = new QLabel(QStringLiteral("Tool for upgrading firmware.\n\n"), this);
    description->setObjectName(QStringLiteral("lblDescription"));
    auto* released = new QLabel(QStringLiteral("Korvanes Audio, first released April 2005"), this);
    released->setObjectName(QStringLiteral("lblReleased"));
    auto* updated = new QLabel(QStringLiteral("Last update December 20. 2006"), this);
    updated->setObjectName(QStringLiteral("lblUpdated"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {title, version, description, released, updated})
        layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
