#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <cstdio>

class PortFlash;

// What a command-line flash prints while it runs: on a terminal one progress bar per port, redrawn
// in place; with --json one JSON object per line and event (port, unit, stage, line, total,
// outcome); otherwise (a log, a pipe) one line per stage and outcome, and while lines are sent one
// per tenth of the file, each with the percentage and the time since the upload began.
class FlashReport : public QObject
{
    Q_OBJECT
public:
    enum class Style
    {
        Bars,
        Json,
        Lines,
    };

    FlashReport(Style style, std::FILE* out, QObject* parent = nullptr);

    void watch(const QList<PortFlash*>& ports);
    // The tally per port (flashed, failed) once every port has finished.
    void summary();

    // One JSON object of a port's state, as --json prints it; `record` says why the unit's record
    // could not be written to setup.ini.
    static QByteArray jsonLine(const PortFlash& port);
    // "COM3  [#########-----------]  45%  line 120/300  uploading", `width` characters of bar.
    static QString barLine(const PortFlash& port, int labelWidth, int width = 30);
    // "COM3: unit 1 uploading  40%  line 120/300  12.3 s", as a log gets it; `elapsedMs` < 0 while
    // nothing was sent.
    static QString logLine(const PortFlash& port, qint64 elapsedMs);

private:
    void portChanged(PortFlash* port);
    void drawBars();
    void write(const QByteArray& text);

    Style m_style;
    std::FILE* m_out;
    QList<PortFlash*> m_ports;
    QStringList m_drawn;
    // Per port, since its unit's first line was sent (Lines only).
    QList<QElapsedTimer> m_uploadClocks;
    // Per port, the unit, stage and tenth of the upload last logged (Lines only).
    QList<std::array<int, 3>> m_logged;
    int m_labelWidth = 0;
    bool m_barsShown = false;
};
