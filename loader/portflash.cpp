#include "loader/portflash.h"

PortFlash::PortFlash(PortChoice port, const CorliftState& checked, Settings settings, QString setupIniPath,
                     QThreadPool& records, QObject* parent)
    : QObject(parent), m_port(std::move(port)), m_state(checked), m_settings(settings),
      m_setupIniPath(std::move(setupIniPath)), m_records(records), m_link(m_state.ReplyBuffer),
      m_job(m_state, m_link)
{
    m_state.ReplyBuffer.clear();
    m_state.ComPort = m_port.number;
    m_state.ComSpeed = 0;
    m_link.setPortMap(m_port.portMap());
    m_link.SetCorliftActive();
    m_job.setConfirmLimit(m_settings.confirmLimit);
    m_job.setStampSuffix(':' + m_port.label.toUtf8());
    m_bootTimer.setSingleShot(true);
    connect(&m_bootTimer, &QTimer::timeout, this, [this] {
        m_bootTimedOut = true;
        m_job.stop();
    });
    connect(&m_job, &UploadJob::bootWaitEnded, this, &PortFlash::bootWaitEnded);
    connect(&m_job, &UploadJob::finished, this, &PortFlash::uploadFinished);
    connect(&m_job, &UploadJob::lineSent, this, &PortFlash::changed);
    connect(&m_job, &UploadJob::stageChanged, this, [this](UploadJob::Stage stage) {
        if (stage == UploadJob::Stage::Confirming)
            setStage(Stage::Confirming);
    });
}

PortFlash::~PortFlash()
{
    // A record still being written reports to this port.
    m_records.waitForDone();
}

const char* PortFlash::outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Success:
        return "success";
    case Outcome::Rejected:
        return "rejected";
    case Outcome::Failed:
        return "failed";
    case Outcome::Cancelled:
        return "cancelled";
    case Outcome::NoBootLoader:
        return "no-boot-loader";
    case Outcome::PortError:
        return "port-error";
    case Outcome::FileError:
        return "file-error";
    case Outcome::Stopped:
        break;
    }
    return "stopped";
}

const char* PortFlash::stageName(Stage stage)
{
    switch (stage) {
    case Stage::Waiting:
        return "waiting";
    case Stage::Uploading:
        return "uploading";
    case Stage::Confirming:
        return "confirming";
    case Stage::Done:
        return "done";
    case Stage::Finished:
        break;
    }
    return "finished";
}

void PortFlash::setStage(Stage stage)
{
    m_stage = stage;
    emit changed();
}

void PortFlash::start()
{
    waitForUnit();
}

void PortFlash::waitForUnit()
{
    ++m_unit;
    m_outcome.reset();
    m_detail.clear();
    m_recordFailure.clear();
    m_state.StopRequested = false;
    m_state.readyForBoot = false;
    m_state.ReplyBuffer.clear();
    if (!m_link.SetupMScomm(m_state.ComPort, m_state.ComSpeed)) {
        m_portOpened = false;
        m_detail = m_link.lastProblem().line();
        endUnit(Outcome::PortError);
        return;
    }
    setStage(Stage::Waiting);
    if (m_settings.bootTimeout)
        m_bootTimer.start(*m_settings.bootTimeout);
    m_job.waitForBootLoader();
}

void PortFlash::interrupt()
{
    m_interrupted = true;
    if (m_job.isBusy())
        m_job.stop();
}

void PortFlash::bootWaitEnded(UploadJob::BootWait result)
{
    m_bootTimer.stop();
    switch (result) {
    case UploadJob::BootWait::Announced:
        if (const QString changed = recheckBeforeUpload(m_state, m_settings.sendDamaged);
            !changed.isEmpty()) {
            emit warning(QStringLiteral("%1: %2").arg(m_port.label, changed));
            if (!maySend(m_state, m_settings.sendDamaged)) {
                m_detail = changed;
                endUnit(Outcome::FileError);
                return;
            }
        }
        m_state.readyForBoot = true;
        setStage(Stage::Uploading);
        m_job.upload();
        return;
    case UploadJob::BootWait::DeviceLost:
        m_detail = tr("the serial device went away");
        endUnit(Outcome::Failed);
        return;
    case UploadJob::BootWait::Stopped:
        break;
    }
    if (m_bootTimedOut) {
        m_detail = tr("no boot loader announced itself within %1 s").arg(m_settings.bootTimeout->count());
        endUnit(Outcome::NoBootLoader);
    } else {
        endUnit(Outcome::Stopped);
    }
}

void PortFlash::uploadFinished(UploadJob::Outcome result)
{
    const auto status = recordStatus(result);
    if (!status) {
        recordWritten(result, {});
        return;
    }
    // A write waits for the disk, and for another program's lock up to a second; the other ports'
    // lines go out meanwhile. The unit ends once its record is written, or said to be lost.
    m_records.start([this, result, record = uploadRecord(m_state, *status), path = m_setupIniPath] {
        const IniWriteResult written = writeUploadRecord(record, path);
        QMetaObject::invokeMethod(this, [this, result, written] { recordWritten(result, written); });
    });
}

void PortFlash::recordWritten(UploadJob::Outcome result, const IniWriteResult& written)
{
    if (!written) {
        m_recordFailure = written.failure;
        ++m_recordsLost;
        emit warning(
            tr("%1: the record of this upload was not written: %2").arg(m_port.label, written.failure));
    }
    switch (result) {
    case UploadJob::Outcome::Succeeded:
        endUnit(Outcome::Success);
        return;
    case UploadJob::Outcome::Rejected:
        m_detail = tr("the product answered \"%1\": this file is not for it").arg(UploadJob::Rejection);
        endUnit(Outcome::Rejected);
        return;
    case UploadJob::Outcome::Cancelled:
        endUnit(Outcome::Cancelled);
        return;
    case UploadJob::Outcome::TimedOut:
        m_detail = tr("no \"%1\" within %2 s after the last line")
                       .arg(QLatin1String(UploadJob::Confirmation))
                       .arg(m_settings.confirmLimit.count() / 1000.0);
        endUnit(Outcome::Failed);
        return;
    case UploadJob::Outcome::DeviceLost:
        m_detail = tr("the serial device went away during the update");
        endUnit(Outcome::Failed);
        return;
    case UploadJob::Outcome::FileUnreadable:
        m_detail = tr("no checked content of %1 to send").arg(m_state.firmwarePath);
        endUnit(Outcome::FileError);
        return;
    }
}

void PortFlash::endUnit(Outcome outcome)
{
    m_link.CloseMScomm();
    m_state.readyForBoot = false;
    m_outcome = outcome;
    if (outcome == Outcome::Success)
        ++m_flashed;
    else if (outcome != Outcome::Stopped)
        ++m_failed;
    setStage(Stage::Done);
    // In a loop a failed product does not stop the bench: the next one may be fine. What cannot
    // change by itself (the port, the file, no boot loader in time) ends it.
    const bool next = m_settings.loop && !m_interrupted &&
                      (outcome == Outcome::Success || outcome == Outcome::Rejected ||
                       outcome == Outcome::Failed || outcome == Outcome::Cancelled);
    if (next) {
        // The next unit's wait begins once this report is out.
        QTimer::singleShot(0, this, &PortFlash::waitForUnit);
        return;
    }
    setStage(Stage::Finished);
}
