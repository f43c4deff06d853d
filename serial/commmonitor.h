#pragma once

#include "serial/commlog.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

// What the "Communication" window shows and Log.txt keeps: the last packet each way, the "Log to
// File" switch, and whether the window is wanted.
class CommMonitor : public QObject
{
    Q_OBJECT
public:
    explicit CommMonitor(QObject* parent = nullptr) : QObject(parent), m_log(QString()) {}

    void setLogFilePath(const QString& path) { m_log = CommLog(path); }
    QString logFilePath() const { return m_log.path(); }

    void setVisible(bool visible);
    bool isVisible() const { return m_visible; }

    // A line for the "Tx" or "Rx" box, logged when the log is on.
    void showSent(const QString& text);
    void showReceived(const QString& text);
    // A packet for the "Tx" or "Rx" box as "TX: 02 AA " or "RX: 02 AA ", logged when the log is on.
    // Its text is made only when it is logged or asked for: an upload sends a line every few hundred
    // milliseconds, mostly with nobody looking.
    void showSentBytes(const QByteArray& bytes);
    void showReceivedBytes(const QByteArray& bytes);
    QString lastSent() const { return m_tx.text(); }
    QString lastReceived() const { return m_rx.text(); }

    // "02 AA " for the bytes 0x02 0xAA: two upper-case hex digits and a blank per byte, after `prefix`.
    static QString readableHex(QByteArrayView bytes, QLatin1String prefix = {});

    // The "Log to File" check box; checking it starts a new log.
    bool logChecked() const { return m_logChecked; }
    void setLogChecked(bool checked);

signals:
    void visibilityRequested(bool visible);
    // lastSent() or lastReceived() has changed.
    void txChanged();
    void rxChanged();
    void logCheckedChanged(bool checked);

private:
    // What a box shows: a text, or a packet and the prefix its text begins with.
    struct Shown
    {
        QString text() const { return prefix.isEmpty() ? plain : readableHex(packet, prefix); }
        void setText(const QString& text);
        void setPacket(QLatin1String packetPrefix, const QByteArray& bytes);

        QString plain;
        QLatin1String prefix;
        QByteArray packet;
    };

    CommLog m_log;
    Shown m_tx;
    Shown m_rx;
    bool m_logChecked = false;
    bool m_visible = false;
};
