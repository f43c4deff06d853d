#include "serial/comwindow.h"

#include "serial/comform.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLineEdit>
#include <QSignalBlocker>

ComWindow::ComWindow(ComForm& link, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_link(link), m_text1(new QLineEdit(this)), m_text2(new QLineEdit(this)),
      m_chkLog(new QCheckBox(QStringLiteral("Log to File"), this))
{
    setObjectName(QStringLiteral("ComForm"));
    setWindowTitle(QStringLiteral("Communication"));

    for (auto [box, name, tip] : {std::tuple{m_text1, "Text1", "Last packet sent"},
                                  std::tuple{m_text2, "Text2", "Last packet received"}}) {
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(QString::fromLatin1(tip));
        box->setReadOnly(true);
        box->setMinimumWidth(420);
    }
    m_chkLog->setObjectName(QStringLiteral("ChkLog"));
    m_chkLog->setToolTip(QStringLiteral("Write every packet to %1").arg(link.logFilePath()));

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Tx"), m_text1);
    layout->addRow(QStringLiteral("Rx"), m_text2);
    layout->addRow(m_chkLog);

    m_chkLog->setChecked(link.logChecked());
    // Hidden, the boxes are brought up to date when the window is shown: an upload sends a line
    // every few hundred milliseconds, and laying out text nobody sees costs more than sending it.
    connect(&link, &ComForm::txChanged, m_text1, [this] {
        if (isVisible())
            m_text1->setText(m_link.lastSent());
    });
    connect(&link, &ComForm::rxChanged, m_text2, [this] {
        if (isVisible())
            m_text2->setText(m_link.lastReceived());
    });
    // The box follows the link without running the handler again, which would start another log.
    connect(&link, &ComForm::logCheckedChanged, m_chkLog, [this](bool checked) {
        const QSignalBlocker quiet(m_chkLog);
        m_chkLog->setChecked(checked);
    });
    connect(m_chkLog, &QCheckBox::toggled, &link, &ComForm::setLogChecked);
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
    useFixedFont();
    show();
    raise();
}

void ComWindow::useFixedFont()
{
    // Finding the fixed font costs a few milliseconds, which the program's start need not pay for a
    // window that mostly stays hidden.
    if (m_fixedFont)
        return;
    m_fixedFont = true;
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_text1->setFont(fixed);
    m_text2->setFont(fixed);
}

void ComWindow::showEvent(QShowEvent* event)
{
    useFixedFont();
    m_text1->setText(m_link.lastSent());
    m_text2->setText(m_link.lastReceived());
    QWidget::showEvent(event);
}
