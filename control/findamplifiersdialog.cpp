#include "control/findamplifiersdialog.h"

#include "control/linknotices.h"
#include "control/linksession.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace control {
FindAmplifiersDialog::FindAmplifiersDialog(LinkSession& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("FindAmplifiers"));
    setWindowTitle(tr("Find amplifiers"));
    m_state = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("SearchProgress"));
    m_progress->setRange(FirstAddress, LastAddress);
    m_state->setBuddy(m_progress);
    auto* listLabel = new QLabel(tr("&Amplifiers found:"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("AmplifiersFound"));
    listLabel->setBuddy(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_use = buttons->addButton(tr("&Use this address"), QDialogButtonBox::AcceptRole);
    m_use->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_state);
    layout->addWidget(m_progress);
    layout->addWidget(listLabel);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_use, &QPushButton::clicked, this, &FindAmplifiersDialog::choose);
    connect(m_list, &QListWidget::itemActivated, this, &FindAmplifiersDialog::choose);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_use->setEnabled(row >= 0); });

    m_scan = std::make_unique<AmplifierScan>(session.link().portMap(), session.state().ComPort,
                                             session.state().ComSpeed, session.setupIniPath(),
                                             AmplifierScan::DefaultWait);
    connect(m_scan.get(), &AmplifierScan::trying, this, [this](int address) {
        m_progress->setValue(address);
        m_state->setText(tryingText(address));
    });
    connect(m_scan.get(), &AmplifierScan::answered, this, &FindAmplifiersDialog::addFound);
    // The search starts once the dialog is up, so that it can be watched and cancelled.
    QTimer::singleShot(0, this, &FindAmplifiersDialog::search);
}

FindAmplifiersDialog::~FindAmplifiersDialog() = default;

void FindAmplifiersDialog::setAddresses(int from, int to)
{
    m_from = from;
    m_to = to;
    m_progress->setRange(from, to);
}

QString FindAmplifiersDialog::tryingText(int address) const
{
    return tr("Trying address %1 of %2 on %3 …")
        .arg(address)
        .arg(m_to)
        .arg(m_session.link().deviceDescription(m_session.state().ComPort));
}

void FindAmplifiersDialog::search()
{
    // Wide enough for every address tried from the start, so that the dialog keeps its width as
    // the numbers grow.
    int widest = 0;
    for (int address = m_from; address <= m_to; ++address)
        widest = std::max(widest, m_state->fontMetrics().horizontalAdvance(tryingText(address)));
    m_state->setMinimumWidth(widest);
    layout()->activate();
    if (!m_scan->run(m_from, m_to)) {
        const int port = m_session.state().ComPort;
        m_state->setWordWrap(true);
        m_state->setText(openFailedNotice(m_session.link().deviceDescription(port), m_scan->portProblem(),
                                          !m_session.link().portMap().device(port).isEmpty()));
        return;
    }
    if (m_scan->cancelled())
        return;
    m_progress->setValue(m_to);
    m_state->setText(m_scan->found().isEmpty()
                         ? tr("No amplifier answered at addresses %1 to %2.").arg(m_from).arg(m_to)
                         : tr("Done: choose an amplifier."));
}

void FindAmplifiersDialog::addFound(const AmplifierScan::Found& found)
{
    const QString what = found.reply     ? productTypeCaption(*found.reply).value_or(modelName(*found.reply))
                         : found.damaged ? tr("damaged status reply")
                                         : tr("no status reply");
    auto* item = new QListWidgetItem(tr("Address %1: %2").arg(found.address).arg(what), m_list);
    item->setData(Qt::UserRole, found.address);
    if (m_list->currentRow() < 0)
        m_list->setCurrentRow(0);
}

void FindAmplifiersDialog::choose()
{
    if (const QListWidgetItem* item = m_list->currentItem()) {
        m_chosen = item->data(Qt::UserRole).toInt();
        accept();
    }
}

void FindAmplifiersDialog::done(int result)
{
    // A search still running ends with the dialog.
    m_scan->cancel();
    QDialog::done(result);
}

} // namespace control
