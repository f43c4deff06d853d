#include "loader/flashreport.h"

#include "loader/portflash.h"

#include <QJsonDocument>
#include <QJsonObject>

FlashReport::FlashReport(Style style, std::FILE* out, QObject* parent)
    : QObject(parent), m_style(style), m_out(out)
{}

void FlashReport::watch(const QList<PortFlash*>& ports)
{
    m_ports = ports;
    m_drawn = QStringList(ports.size(), QString());
    m_uploadClocks = QList<QElapsedTimer>(ports.size());
    m_logged = QList<std::array<int, 3>>(ports.size(), {-1, -1, -1});
    for (PortFlash* port : ports) {
        m_labelWidth = std::max<int>(m_labelWidth, static_cast<int>(port->port().label.size()));
        connect(port, &PortFlash::changed, this, [this, port] { portChanged(port); });
    }
}

QByteArray FlashReport::jsonLine(const PortFlash& port)
{
    QJsonObject object{
        {QStringLiteral("port"), port.port().label},
        {QStringLiteral("unit"), port.unit()},
        {QStringLiteral("stage"), QLatin1String(PortFlash::stageName(port.stage()))},
        {QStringLiteral("line"), port.linesSent()},
        {QStringLiteral("total"), port.totalLines()},
        {QStringLiteral("outcome"), port.outcome()
                                        ? QJsonValue(QLatin1String(PortFlash::outcomeName(*port.outcome())))
                                        : QJsonValue(QJsonValue::Null)},
    };
    if (!port.detail().isEmpty())
        object.insert(QStringLiteral("detail"), port.detail());
    if (!port.recordFailure().isEmpty())
        object.insert(QStringLiteral("record"), port.recordFailure());
    if (port.stage() == PortFlash::Stage::Finished) {
        object.insert(QStringLiteral("flashed"), port.flashed());
        object.insert(QStringLiteral("failed"), port.failed());
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QString FlashReport::barLine(const PortFlash& port, int labelWidth, int width)
{
    const int percent = port.percent();
    const int filled = percent * width / 100;
    QString state = QLatin1String(PortFlash::stageName(port.stage()));
    if (port.stage() == PortFlash::Stage::Waiting)
        state = QStringLiteral("waiting for the boot loader");
    else if (port.outcome() && port.stage() >= PortFlash::Stage::Done)
        state = QLatin1String(PortFlash::outcomeName(*port.outcome()));
    QString line = QStringLiteral("%1  [%2%3] %4%  line %5/%6  %7")
                       .arg(port.port().label, -labelWidth)
                       .arg(QString(filled, u'#'), QString(width - filled, u'-'))
                       .arg(percent, 3)
                       .arg(port.linesSent())
                       .arg(port.totalLines())
                       .arg(state);
    if (port.flashed() + port.failed() > 0)
        line += QStringLiteral("  (flashed %1, failed %2)").arg(port.flashed()).arg(port.failed());
    return line;
}

void FlashReport::write(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), m_out);
    std::fflush(m_out);
}

void FlashReport::portChanged(PortFlash* port)
{
    switch (m_style) {
    case Style::Json:
        write(jsonLine(*port));
        return;
    case Style::Bars:
        drawBars();
        return;
    case Style::Lines:
        break;
    }
    // Without a terminal a line per stage, and per tenth of the upload: a log is not a progress bar.
    // The end of a port follows the end of its last unit, which said it all.
    const qsizetype index = m_ports.indexOf(port);
    if (index < 0 || (port->stage() == PortFlash::Stage::Finished && port->outcome()))
        return;
    QElapsedTimer& clock = m_uploadClocks[index];
    if (port->stage() == PortFlash::Stage::Waiting)
        clock.invalidate();
    else if (port->stage() == PortFlash::Stage::Uploading && !clock.isValid())
        clock.start();
    // Printed when the stage or the tenth changes, not with every line: the test costs no string.
    const std::array<int, 3> step{port->unit(), static_cast<int>(port->stage()),
                                  port->stage() == PortFlash::Stage::Uploading ? port->percent() / 10 : 0};
    if (m_logged[index] == step)
        return;
    m_logged[index] = step;
    write(logLine(*port, clock.isValid() ? clock.elapsed() : -1).toLocal8Bit() + '\n');
}

QString FlashReport::logLine(const PortFlash& port, qint64 elapsedMs)
{
    QString text = QStringLiteral("%1: unit %2 %3")
                       .arg(port.port().label)
                       .arg(port.unit())
                       .arg(QLatin1String(PortFlash::stageName(port.stage())));
    if (port.stage() >= PortFlash::Stage::Done && port.outcome()) {
        text += QStringLiteral(", %1").arg(QLatin1String(PortFlash::outcomeName(*port.outcome())));
        if (!port.detail().isEmpty())
            text += QStringLiteral(" (%1)").arg(port.detail());
    }
    if (elapsedMs >= 0)
        text += QStringLiteral("  %1%  line %2/%3  %4 s")
                    .arg(port.percent(), 3)
                    .arg(port.linesSent())
                    .arg(port.totalLines())
                    .arg(static_cast<double>(elapsedMs) / 1000.0, 0, 'f', 1);
    return text;
}

void FlashReport::drawBars()
{
    QStringList lines;
    for (const PortFlash* port : m_ports)
        lines << barLine(*port, m_labelWidth);
    if (lines == m_drawn)
        return;
    QByteArray text;
    // Back to the first bar, then each line anew.
    if (m_barsShown && m_ports.size() > 0)
        text += "\x1b[" + QByteArray::number(m_ports.size()) + 'A';
    for (const QString& line : lines)
        text += "\r\x1b[K" + line.toLocal8Bit() + '\n';
    m_drawn = lines;
    m_barsShown = true;
    write(text);
}

void FlashReport::summary()
{
    if (m_style == Style::Json)
        return;
    QByteArray text;
    for (const PortFlash* port : m_ports) {
        text += QStringLiteral("%1: flashed %2, failed %3")
                    .arg(port->port().label)
                    .arg(port->flashed())
                    .arg(port->failed())
                    .toLocal8Bit();
        if (port->outcome() && *port->outcome() != PortFlash::Outcome::Success &&
            *port->outcome() != PortFlash::Outcome::Stopped) {
            text += QStringLiteral("; last: %1")
                        .arg(QLatin1String(PortFlash::outcomeName(*port->outcome())))
                        .toLocal8Bit();
            if (!port->detail().isEmpty())
                text += " (" + port->detail().toLocal8Bit() + ')';
        }
        if (port->recordsLost() > 0)
            text += QStringLiteral("; records not written to setup.ini: %1")
                        .arg(port->recordsLost())
                        .toLocal8Bit();
        text += '\n';
    }
    write(text);
}
