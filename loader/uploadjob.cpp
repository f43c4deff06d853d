#include "loader/uploadjob.h"

#include "common/numbers.h"
#include "common/timestamps.h"
#include "serial/comform.h"
#include "settings/inifilehandler.h"

#include <QDateTime>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>

namespace {

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\r') || line.endsWith('\n'))
        line.chop(1);
    return line;
}

} // namespace

UploadJob::UploadJob(CorliftState& state, ComForm& link, QObject* parent)
    : QObject(parent), m_state(state), m_link(link)
{
    connect(&m_pause, &PauseTimer::timeout, this, &UploadJob::pauseOver);
    connect(&m_link, &ComForm::received, this, &UploadJob::received);
    connect(&m_link, &ComForm::portLost, this, &UploadJob::portLost);
}

UploadJob::~UploadJob() = default;

void UploadJob::setStampSuffix(const QByteArray& suffix)
{
    // A stamp's name is one word.
    QByteArray word = suffix;
    word.replace(' ', '_');
    m_lineStamp = "line" + word;
    m_uploadStamp = "upload" + word;
}

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
        else if (const qsizetype at = m_state.ReplyBuffer.indexOf(Announcement); at >= 0) {
            const QByteArray& text = m_state.ReplyBuffer;
            const qsizetype start = text.lastIndexOf('\n', at) + 1;
            const qsizetype end = text.indexOf('\n', at);
            m_announcement = withoutLineEnd(text.mid(start, end < 0 ? -1 : end + 1 - start));
            endBootWait(BootWait::Announced);
        }
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
    // The bytes as checked, held for the whole upload: a new check cannot change what is being sent.
    m_source = m_state.checkedBytes;
    m_sourceAt = 0;
    if (m_source.isEmpty()) {
        m_outcome = Outcome::FileUnreadable;
        emit finished(Outcome::FileUnreadable);
        return;
    }
    m_state.StopRequested = false;
    m_state.uploadSent = 0;
    // The announcement ("Boot OK ..." on some products) answers nothing of this upload.
    m_state.ReplyBuffer.clear();
    setStage(Stage::Sending);
    sendNextLine();
}

void UploadJob::pauseOver()
{
    if (m_stage != Stage::Sending && m_stage != Stage::Confirming)
        return;
    // A timer may wake a little early; the pause lasts its full length all the same.
    if (!m_deadline.hasExpired()) {
        m_pause.start(m_deadline);
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
    const auto line = loader::nextLine(m_source, m_sourceAt);
    if (!line) {
        endUploadStamp();
        setStage(Stage::Confirming);
        m_deadline = QDeadlineTimer(m_confirmLimit, Qt::PreciseTimer);
        m_pause.start(m_deadline);
        confirm();
        return;
    }
    if (const auto record = loader::dataRecord(*line))
        m_state.uploadSent += std::max(record->dataBytes, 0);
    ++m_linesSent;
    // What arrives during the pause counts only after the next line: the product's answer to a line
    // is looked at once the line after it has gone out, as the window has always done.
    m_rejectedBeforeLine = m_state.ReplyBuffer.contains(Rejection);
    // Only what comes after the last line can confirm it: an "OK" before says nothing of the file.
    if (m_sourceAt >= m_source.size())
        m_state.ReplyBuffer.clear();
    // The line and its CR LF in one write.
    QByteArray bytes;
    bytes.reserve(line->size() + 2);
    bytes.append(*line).append("\r\n");
    const long long began = common::timestampsOn() ? common::timestampNow() : 0;
    if (m_linesSent == 1)
        m_uploadBegan = began;
    m_link.SendMScommString(bytes);
    if (began != 0)
        common::appendSpan(m_lineStamps, m_lineStamp.constData(), began, common::timestampNow());
    m_deadline = QDeadlineTimer(std::chrono::milliseconds(m_state.delayMs), Qt::PreciseTimer);
    m_pause.start(m_deadline);
    emit lineSent(m_linesSent);
}

void UploadJob::confirm()
{
    // A cancel while waiting for the confirmation counts as a cancel, not as a failure.
    if (m_state.StopRequested)
        finish(Outcome::Cancelled);
    else if (confirms(m_state.ReplyBuffer, m_announcement))
        finish(Outcome::Succeeded);
}

bool UploadJob::confirms(const QByteArray& received, const QByteArray& announcement)
{
    const QList<QByteArray> lines = received.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = withoutLineEnd(lines[i]);
        if (!line.contains(Confirmation) || line == announcement)
            continue;
        const bool cutAtFront = i == 0 && announcement.endsWith(line);
        const bool stillArriving = i == lines.size() - 1 && announcement.startsWith(line);
        if (!cutAtFront && !stillArriving)
            return true;
    }
    return false;
}

void UploadJob::endUploadStamp()
{
    if (m_uploadBegan == 0)
        return;
    common::appendSpan(m_lineStamps, m_uploadStamp.constData(), m_uploadBegan, common::timestampNow());
    common::writeStamps(m_lineStamps);
    m_lineStamps.clear();
    m_uploadBegan = 0;
}

void UploadJob::finish(Outcome outcome)
{
    endUploadStamp();
    m_pause.stop();
    m_source.clear();
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

UploadRecord uploadRecord(const CorliftState& state, const char* status)
{
    const QString time =
        QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("dd/MM/yyyy hh:mm"));
    const QString product = state.product ? QLatin1String(state.product->name) : QString();
    return {{{QStringLiteral("Product"), product},
             {QStringLiteral("File name"), state.firmwarePath},
             {QLatin1String(FileNameUtf8Key), percentEncodedPath(state.firmwarePath)},
             {QStringLiteral("Upload time"), time},
             {QStringLiteral("Status"), QLatin1String(status)}}};
}

IniWriteResult writeUploadRecord(const UploadRecord& record, const QString& setupIniPath)
{
    // One write: a record is never half the last upload's and half this one's.
    return WriteIniValues(QStringLiteral("Corlifter"), record.values, setupIniPath);
}

IniWriteResult writeUploadRecord(const CorliftState& state, const char* status, const QString& setupIniPath)
{
    return writeUploadRecord(uploadRecord(state, status), setupIniPath);
}

void takeCheck(CorliftState& state, const loader::CheckResult& result)
{
    const bool valid = result.outcome == loader::CheckOutcome::Valid;
    state.fileIsValid = valid;
    state.product = valid ? result.product : nullptr;
    state.uploadTotal = valid ? result.uploadTotal : 0;
    state.firmwareLines = valid ? result.lines : 0;
    state.checkedBytes = valid ? result.content : QByteArray();
    state.bootModeText = valid ? loader::bootModeText(*result.product) : QString();
    state.damagedRecords = valid ? result.records.damaged : 0;
    state.damagedRecord =
        state.damagedRecords > 0 ? loader::describe(result.records.first.front()) : QString();
}

QString recheckBeforeUpload(CorliftState& state, bool sendDamaged)
{
    const auto again = loader::recheckFirmwareFile(state.firmwarePath, state.checkedBytes);
    if (!again)
        return {};
    takeCheck(state, *again);
    return loader::recheckText(state.firmwarePath, *again, sendDamaged);
}

QString percentEncodedPath(const QString& path)
{
    // Printable ASCII stays readable; blanks are encoded too, since a value's ends are trimmed.
    QByteArray text;
    for (const char c : path.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > ' ' && byte < 0x7F && byte != '%')
            text += c;
        else
            text += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
    }
    return QString::fromLatin1(text);
}

QString recordedFirmwarePath(const QString& fileName, const std::optional<QString>& fileNameUtf8)
{
    if (!fileNameUtf8)
        return fileName;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString path = utf8(QByteArray::fromPercentEncoding(fileNameUtf8->toLatin1()));
    if (utf8.hasError())
        return fileName;
    // A character outside Latin-1 is one "?" in "File name", or one per UTF-16 unit where the writer
    // went by those.
    QString perCharacter;
    for (const char32_t c : path.toUcs4())
        perCharacter += c <= 0xFF ? QChar(c) : u'?';
    QString perUnit = path;
    for (QChar& c : perUnit) {
        if (c.unicode() > 0xFF)
            c = u'?';
    }
    return perCharacter == fileName || perUnit == fileName ? path : fileName;
}

QString storedFirmwarePath(const QString& setupIniPath)
{
    static const QString section = QStringLiteral("Corlifter");
    return recordedFirmwarePath(
        StoredIniValue(section, QStringLiteral("File name"), setupIniPath).value_or(QString()),
        StoredIniValue(section, QLatin1String(FileNameUtf8Key), setupIniPath));
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
