#include "serial/commmonitor.h"

void CommMonitor::setVisible(bool visible)
{
    m_visible = visible;
    emit visibilityRequested(visible);
}

void CommMonitor::showSent(const QString& text)
{
    m_txText = text;
    emit txTextChanged(text);
    if (m_logChecked)
        m_log.append(text);
}

void CommMonitor::showReceived(const QString& text)
{
    m_rxText = text;
    emit rxTextChanged(text);
    if (m_logChecked)
        m_log.append(text);
}

void CommMonitor::setLogChecked(bool checked)
{
    // The box and the log never disagree; a repeated call must not start the log over.
    if (m_logChecked == checked)
        return;
    m_logChecked = checked;
    if (checked)
        m_log.start();
    emit logCheckedChanged(checked);
}
