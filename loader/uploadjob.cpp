#include "loader/uploadjob.h"

#include "common/numbers.h"
#include "common/timestamps.h"
#include "serial/comform.h"
#include "settings/inifilehandler.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>

UploadJob::UploadJob(CorliftState& state, ComForm& link, QObject* parent)
    : QObject(parent), m_state(state), m_link(link)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &UploadJob::pauseOver);
    connect(&m_link, &ComForm::received, this, &UploadJob::received);
    connect(&m_link, &ComForm::portLost, this, &UploadJob::portLost);
}

UploadJob::~UploadJob() = default;

int UploadJob::percent() const
{
    const qint64 sent = m_state.uploadSent;
    const qint64 total = m_state.uploadTotal;
    if (sent > total)
        return 100;
    return total > 0 ? static_cast<int>(common::roundHalfEven(double(sent) / double(total) * 100)) : 0;
}

void UploadJob::setStage(Stage stage)
{
    if (m_stage == stage)
        return;
    m_stage = stage;
    emit stageChanged(stage);
}

void UploadJob::waitForBootLoader()
{
    m_bootWait.reset();
    setStage(Stage::WaitingForBoot);
    received();
}

void UploadJob::received()
{
    if (m_stage == Stage::WaitingForBoot) {
        if (m_state.StopRequested)
            endBootWait(BootWait::Stopped);
        else if (m_state.ReplyBuffer.contains(Announcement))
            endBootWait(BootWait::Announced);
    } else if (m_stage == Stage::Confirming) {
        confirm();
    }
}

void UploadJob::endBootWait(BootWait result)
{
    m_bootWait = result;
    setStage(Stage::Idle);
    emit bootWaitEnded(result);
}

void UploadJob::stop()
{
    m_state.StopRequested = true;
    if (m_stage == Stage::WaitingForBoot)
        endBootWait(BootWait::Stopped);
    else if (m_stage == Stage::Confirming)
        confirm();
}

void UploadJob::portLost()
{
    // Stopped at once: nothing more can reach the product.
    if (m_stage == Stage::WaitingForBoot)
        endBootWait(BootWait::DeviceLost);
    else if (m_stage == Stage::Sending || m_stage == Stage::Confirming)
        finish(Outcome::DeviceLost);
}

void UploadJob::upload()
{
    m_outcome.reset();
    m_linesSent = 0;
    m_file.setFileName(m_state.firmwarePath);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_outcome = Outcome::FileUnreadable;
        emit finished(Outcome::FileUnreadable);
        return;
    }
    m_state.StopRequested = false;
    m_state.uploadSent = 0;
    setStage(Stage::Sending);
    sendNextLine();
}

void UploadJob::pauseOver()
{
    if (m_stage != Stage::Sending && m_stage != Stage::Confirming)
        return;
    // A timer may wake a little early; the pause lasts its full length all the same.
    if (!m_deadline.hasExpired()) {
        m_timer.start(std::chrono::ceil<std::chrono::milliseconds>(m_deadline.remainingTimeAsDuration()));
        return;
    }
    if (m_stage == Stage::Confirming) {
        // The limit for the confirmation; a cancel or the "OK" in the same pass still wins.
        confirm();
        if (m_stage == Stage::Confirming)
            finish(Outcome::TimedOut);
        return;
    }
    if (m_rejectedBeforeLine) {
        finish(Outcome::Rejected);
        return;
    }
    sendNextLine();
}

void UploadJob::sendNextLine()
{
    if (m_state.StopRequested) {
        finish(Outcome::Cancelled);
        return;
    }
    // A line too long for any record means the file changed since its check: send no more.
    const auto line = loader::readLine(m_file, loader::MaxRecordLength + 1);
    if (!line || line->size() > loader::MaxRecordLength) {
        setStage(Stage::Confirming);
        m_deadline = QDeadlineTimer(m_confirmLimit, Qt::PreciseTimer);
        m_timer.start(m_confirmLimit);
        confirm();
        return;
    }
    if (const auto record = loader::dataRecord(*line))
        m_state.uploadSent += std::max(record->dataBytes, 0);
    ++m_linesSent;
    // What arrives during the pause counts only after the next line: the product's answer to a line
    // is looked at once the line after it has gone out, as the window has always done.
    m_rejectedBeforeLine = m_state.ReplyBuffer.contains(Rejection);
    {
        const common::TimestampScope stamp("line");
        // The line and its CR LF in one write.
        m_link.SendMScommString(*line + "\r\n");
    }
    m_deadline = QDeadlineTimer(std::chrono::milliseconds(m_state.delayMs), Qt::PreciseTimer);
    m_timer.start(std::chrono::milliseconds(m_state.delayMs));
    emit lineSent(m_linesSent);
}

void UploadJob::confirm()
{
    // A cancel while waiting for the confirmation counts as a cancel, not as a failure.
    if (m_state.StopRequested)
        finish(Outcome::Cancelled);
    else if (m_state.ReplyBuffer.contains(Confirmation))
        finish(Outcome::Succeeded);
}

void UploadJob::finish(Outcome outcome)
{
    m_timer.stop();
    m_file.close();
    m_outcome = outcome;
    setStage(Stage::Idle);
    emit finished(outcome);
}

std::optional<const char*> recordStatus(UploadJob::Outcome outcome)
{
    switch (outcome) {
    case UploadJob::Outcome::Succeeded:
        return "Succes";
    case UploadJob::Outcome::Cancelled:
        return "Cancelled";
    case UploadJob::Outcome::TimedOut:
    case UploadJob::Outcome::DeviceLost:
        return "Failed";
    case UploadJob::Outcome::Rejected:
    case UploadJob::Outcome::FileUnreadable:
        break;
    }
    return std::nullopt;
}

IniWriteResult writeUploadRecord(const CorliftState& state, const char* status, const QString& setupIniPath)
{
    static const QString section = QStringLiteral("Corlifter");
    const QString time =
        QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("dd/MM/yyyy hh:mm"));
    const QString product = state.product ? QLatin1String(state.product->name) : QString();
    // One write: a record is never half the last upload's and half this one's.
    return WriteIniValues(section,
                   {{QStringLiteral("Product"), product},
                    {QStringLiteral("File name"), state.firmwarePath},
                    {QStringLiteral("Upload time"), time},
                    {QStringLiteral("Status"), QLatin1String(status)}},
                   setupIniPath);
}

int delayMsFrom(double ms)
{
    return static_cast<int>(
        std::clamp<double>(common::roundHalfEven(std::clamp(ms, -1e9, 1e9)), MinimumDelayMs, MaximumDelayMs));
}

int storedDelayMs(const QString& setupIniPath)
{
    return delayMsFrom(common::numericValue(ReadIniValue(QStringLiteral("Corlifter"), QStringLiteral("Delay"),
                                                         QStringLiteral("350"), setupIniPath)));
}
