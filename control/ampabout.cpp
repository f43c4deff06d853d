#include "control/ampabout.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace control {

QString AmpAbout::versionText(const QString& applicationVersion)
{
    const QVersionNumber version = QVersionNumber::fromString(applicationVersion);
    return QStringLiteral("Version %1.%2%3")
        .arg(version.majorVersion())
        .arg(version.minorVersion())
        .arg(version.microVersion());
}

QString AmpAbout::descriptionText()
{
    return QStringList{QStringLiteral("Tool for Amplifiers."),
                       QStringLiteral("The folowing are supported:"),
                       QStringLiteral("KMA 840 from version 16"),
                       QStringLiteral("Solstice mk.III and mk. IV from version 33"),
                       QStringLiteral("RX 900 from version 10"),
                       QStringLiteral("VX 900 from version 3.0")}
        .join(QStringLiteral("\r\n"));
}

AmpAbout::AmpAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AmpAbout"));
    const QString title = QGuiApplication::applicationDisplayName();
    setWindowTitle(QStringLiteral("About ") + title);

    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    auto* lblTitle = label("lblTitle", title);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    auto* lblVersion = label("lblVersion", versionText(QCoreApplication::applicationVersion()));
    // The label shows CR LF as plain line breaks.
    auto* lblDescription = label("lblDescription", descriptionText());
    auto* lblLine1 = label("lblLine1", QStringLiteral("Korvanes Audio, April 2005"));
    auto* lblLine2 = label("lblLine2", QStringLiteral("Last update December 20. 2006"));
    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    for (QLabel* l : {lblTitle, lblVersion, lblDescription, lblLine1, lblLine2})
        layout->addWidget(l);
    layout->addSpacing(8);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
}

} // namespace control
