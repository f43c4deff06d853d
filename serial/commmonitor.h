#pragma once

#include "serial/commlog.h"

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
    QString lastSent() const { return m_txText; }
    QString lastReceived() const { return m_rxText; }

    // The "Log to File" check box; checking it starts a new log.
    bool logChecked() const { return m_logChecked; }
    void setLogChecked(bool checked);

signals:
    void visibilityRequested(bool visible);
    void txTextChanged(const QString& text);
    void rxTextChanged(const QString& text);
    void logCheckedChanged(bool checked);

private:
    CommLog m_log;
    QString m_txText;
    QString m_rxText;
    bool m_logChecked = false;
    bool m_visible = false;
};
