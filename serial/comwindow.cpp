#include "serial/comwindow.h"

#include "serial/comform.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLineEdit>

ComWindow::ComWindow(ComForm& link, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_link(link), m_text1(new QLineEdit(this)), m_text2(new QLineEdit(this)),
      m_chkLog(new QCheckBox(QStringLiteral("Log to File"), this))
{
    setObjectName(QStringLiteral("ComForm"));
    setWindowTitle(QStringLiteral("Communication"));

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (auto [box, name, label] : {std::tuple{m_text1, "Text1", "Last packet sent"},
                                    std::tuple{m_text2, "Text2", "Last packet received"}}) {
        box->setObjectName(QString::fromLatin1(name));
        box->setAccessibleName(QString::fromLatin1(label));
        box->setReadOnly(true);
        box->setFont(fixed);
        box->setMinimumWidth(420);
    }
    m_chkLog->setObjectName(QStringLiteral("ChkLog"));
    m_chkLog->setToolTip(QStringLiteral("Write every packet to %1").arg(link.LogFilePath()));

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Tx"), m_text1);
    layout->addRow(QStringLiteral("Rx"), m_text2);
    layout->addRow(m_chkLog);

    m_text1->setText(link.Text1());
    m_text2->setText(link.Text2());
    m_chkLog->setChecked(link.LogChecked());
    connect(&link, &ComForm::txTextChanged, m_text1, &QLineEdit::setText);
    connect(&link, &ComForm::rxTextChanged, m_text2, &QLineEdit::setText);
    connect(&link, &ComForm::logCheckedChanged, m_chkLog, &QCheckBox::setChecked);
    connect(m_chkLog, &QCheckBox::clicked, &link, &ComForm::ChkLog_Click);
    connect(&link, &ComForm::visibilityRequested, this, &ComWindow::applyVisibility);
    applyVisibility(link.isVisibleWindow());
}

void ComWindow::applyVisibility(bool visible)
{
    if (!visible) {
        hide();
        return;
    }
    move(0, 0);
    show();
    raise();
}
