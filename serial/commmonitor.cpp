#include "serial/commmonitor.h"

namespace {
const QLatin1String SentPrefix("TX: ");
const QLatin1String ReceivedPrefix("RX: ");
} // namespace

void CommMonitor::Shown::setText(const QString& text)
{
    plain = text;
    prefix = {};
    packet.clear();
}

void CommMonitor::Shown::setPacket(QLatin1String packetPrefix, const QByteArray& bytes)
{
    plain.clear();
    prefix = packetPrefix;
    packet = bytes;
}

QString CommMonitor::readableHex(QByteArrayView bytes, QLatin1String prefix)
{
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    QString readable(prefix.size() + bytes.size() * 3, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(readable.data());
    for (const char c : prefix)
        *out++ = static_cast<unsigned char>(c);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = Digits[byte >> 4];
        *out++ = Digits[byte & 15];
        *out++ = u' ';
    }
    return readable;
}

void CommMonitor::setVisible(bool visible)
{
    m_visible = visible;
    emit visibilityRequested(visible);
}

void CommMonitor::showSent(const QString& text)
{
    m_tx.setText(text);
    emit txChanged();
    if (m_logChecked)
        m_log.append(text);
}

void CommMonitor::showReceived(const QString& text)
{
    m_rx.setText(text);
    emit rxChanged();
    if (m_logChecked)
        m_log.append(text);
}

void CommMonitor::showSentBytes(const QByteArray& bytes)
{
    m_tx.setPacket(SentPrefix, bytes);
    emit txChanged();
    if (m_logChecked)
        m_log.append(m_tx.text());
}

void CommMonitor::showReceivedBytes(const QByteArray& bytes)
{
    m_rx.setPacket(ReceivedPrefix, bytes);
    emit rxChanged();
    if (m_logChecked)
        m_log.append(m_rx.text());
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
