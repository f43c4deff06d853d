#include "loader/uploadrun.h"

#include "serial/comform.h"
#include "serial/wait.h"
#include "settings/debugmode.h"

#include <QScopedValueRollback>

UploadRun::UploadRun(CorliftState& state, ComForm& link, QString setupIniPath, QObject* parent)
    : QObject(parent), m_state(state), m_link(link), m_setupIniPath(std::move(setupIniPath)),
      m_job(state, link)
{
    connect(&m_link, &ComForm::portLost, this, &UploadRun::portLost);
}

template <typename Change> void UploadRun::change(Change&& apply)
{
    const LoaderControls before = m_controls;
    apply(m_controls);
    if (!(before == m_controls))
        emit controlsChanged();
}

void UploadRun::setPhases(PortPhase port, UploadPhase upload)
{
    m_portPhase = port;
    m_uploadPhase = upload;
    change([&](LoaderControls& c) {
        c.commportCaption = QLatin1String(port == PortPhase::Open ? CaptionClosePort : CaptionOpenPort);
        c.uploadCaption = QLatin1String(upload == UploadPhase::Idle ? CaptionUpload : CaptionCancelUpload);
    });
}

void UploadRun::setStatus(const QString& text)
{
    change([&](LoaderControls& c) { c.statusText = text; });
}

void UploadRun::clearNotice()
{
    change([](LoaderControls& c) {
        c.notice.clear();
        c.progressFailed = false;
        c.nextUnitEnabled = false;
    });
}

void UploadRun::nextUnit()
{
    if (!m_controls.nextUnitEnabled)
        return;
    // The file and the port stay as they were; only the product changes.
    change([](LoaderControls& c) { c.commportEnabled = true; });
    toggleCommport();
}

void UploadRun::showFailure(const QString& notice)
{
    change([&](LoaderControls& c) {
        c.notice = notice;
        c.progressFailed = true;
    });
}

void UploadRun::portLost()
{
    // A running wait or upload ends through the job, which says what happened.
    if (m_waitingForBoot || m_uploading)
        return;
    closeAfterDeviceGone();
}

void UploadRun::closeAfterDeviceGone()
{
    m_state.readyForBoot = false;
    closePort();
    change([&](LoaderControls& c) {
        c.statusText = QStringLiteral("Port closed");
        c.notice = tr("The serial device %1 went away; the port is closed.")
                       .arg(m_link.deviceDescription(m_state.ComPort));
        c.uploadEnabled = false;
        c.browseEnabled = true;
        c.progress = 0;
        c.progressEnabled = false;
    });
}

void UploadRun::showStartTexts(const QString& fileName)
{
    change([&](LoaderControls& c) {
        c.guideText = loader::guideText();
        c.statusText.clear();
        c.fileName = fileName;
        c.progress = 0;
    });
}

void UploadRun::checkFile(const QString& path)
{
    clearNotice();
    m_state.firmwarePath.clear();

    const loader::CheckResult result = loader::checkFirmwareFile(path);
    if (result.outcome == loader::CheckOutcome::NotFound) {
        m_state.fileIsValid = false;
        m_state.product = nullptr;
        m_state.checkedBytes.clear();
        setStatus(loader::checkStatusText(result));
        showRecordWarning();
        return;
    }
    m_state.firmwarePath = path;
    // An unreadable or damaged file is reported like any other file that is no product's
    // firmware: leaving the previous file's "file is ok" on screen would invite an upload.
    takeCheck(m_state, result);
    const bool valid = m_state.fileIsValid;
    const QString status = loader::checkStatusText(result);
    change([&](LoaderControls& c) {
        c.commportEnabled = valid;
        c.statusText = status;
        c.guideText = loader::guideText() + m_state.bootModeText;
        c.fileName = path;
    });
    showRecordWarning();
}

void UploadRun::showRecordWarning()
{
    QString warning;
    if (m_state.fileIsValid && m_state.damagedRecords > 0) {
        warning = tr("Damaged record, %1").arg(m_state.damagedRecord);
        if (m_state.damagedRecords > 1)
            warning += tr(" (%1 damaged records)").arg(m_state.damagedRecords);
    }
    change([&](LoaderControls& c) { c.recordWarning = warning; });
}

void UploadRun::closePort()
{
    m_link.CloseMScomm();
    setPhases(PortPhase::Closed, m_uploadPhase);
}

void UploadRun::toggleCommport()
{
    clearNotice();
    if (m_portPhase == PortPhase::Closed) {
        m_state.readyForBoot = false;
        const bool keepStatus = debugModeOn(m_setupIniPath);
        const LoaderControls before = m_controls;
        change([&](LoaderControls& c) {
            c.uploadEnabled = true;
            c.browseEnabled = false;
            if (!keepStatus)
                c.statusText.clear();
        });
        m_state.StopRequested = false;
        m_state.ReplyBuffer.clear();
        if (!m_link.SetupMScomm(m_state.ComPort, m_state.ComSpeed)) {
            // The link has told the user why. Nothing is open or waiting: Upload has nothing to do,
            // and Browse must stay usable, or a machine without a working port could not change the file.
            change([&](LoaderControls& c) {
                c.uploadEnabled = before.uploadEnabled;
                c.browseEnabled = before.browseEnabled;
                c.notice = m_link.openFailureText(m_state.ComPort);
            });
            return;
        }
        setPhases(PortPhase::Open, m_uploadPhase);
        setStatus(QStringLiteral("Waiting for response..."));
        waitForBootLoader();
        return;
    }

    m_state.readyForBoot = false;
    change([](LoaderControls& c) {
        c.uploadEnabled = false;
        c.browseEnabled = true;
        c.progress = 0;
        c.progressEnabled = false;
    });
    m_job.stop();
    // A running wait for the boot loader ends and closes the port itself.
    if (!m_waitingForBoot) {
        m_state.StopRequested = false;
        closePort();
        setStatus(QStringLiteral("Port closed"));
    }
}

void UploadRun::waitForBootLoader()
{
    m_waitingForBoot = true;
    m_job.waitForBootLoader();
    waitUntil([this] { return !m_job.isBusy(); });
    m_waitingForBoot = false;

    if (m_job.bootWait() != UploadJob::BootWait::Announced) {
        m_state.StopRequested = false;
        if (m_job.bootWait() == UploadJob::BootWait::DeviceLost) {
            closeAfterDeviceGone();
            return;
        }
        closePort();
        setStatus(QStringLiteral("Port closed"));
        return;
    }
    m_state.readyForBoot = true;
    change([](LoaderControls& c) {
        c.statusText = QStringLiteral("Korvanes Corlift - Waiting for firmware upload...");
        c.progress = 0;
        c.progressEnabled = true;
    });
}

void UploadRun::toggleUpload(bool sendDamaged)
{
    clearNotice();
    if (m_uploadPhase != UploadPhase::Idle) {
        setPhases(m_portPhase, UploadPhase::Idle);
        change([](LoaderControls& c) {
            c.progress = 0;
            c.progressEnabled = false;
            c.uploadEnabled = false;
            c.commportEnabled = true;
        });
        m_job.stop();
        return;
    }

    const LoaderControls before = m_controls;
    setPhases(m_portPhase, UploadPhase::Sending);
    change([](LoaderControls& c) {
        c.commportEnabled = false;
        c.browseEnabled = false;
        c.portMenuEnabled = false;
        c.statusText = QStringLiteral("Updating - Please wait...");
    });

    const Refusal refusal = !m_state.fileIsValid             ? Refusal::FileNotReady
                            : !maySend(m_state, sendDamaged) ? Refusal::DamagedRecord
                            : !m_state.readyForBoot          ? Refusal::NotReadyForBoot
                                                             : upload();
    if (refusal == Refusal::None)
        return;
    // Nothing was sent: the window goes back to where it was, so that an open port can still be
    // closed and a port still waiting for its boot loader does not offer Browse.
    setPhases(m_portPhase, UploadPhase::Idle);
    change([&](LoaderControls& c) {
        c.statusText = refusalText(refusal);
        c.commportEnabled = before.commportEnabled;
        c.browseEnabled = before.browseEnabled;
        c.portMenuEnabled = before.portMenuEnabled;
    });
}

QString UploadRun::refusalText(Refusal refusal)
{
    switch (refusal) {
    case Refusal::None:
        break;
    case Refusal::FileNotReady:
        return QStringLiteral("File not ready or wrong type");
    case Refusal::NotReadyForBoot:
        return QStringLiteral("Not ready for boot");
    case Refusal::DamagedRecord:
        return QStringLiteral("Damaged record - nothing sent");
    }
    return QString();
}

UploadRun::Refusal UploadRun::upload()
{
    if (const QString changed = recheckBeforeUpload(m_state); !changed.isEmpty()) {
        change([&](LoaderControls& c) {
            c.notice = changed;
            c.guideText = loader::guideText() + m_state.bootModeText;
        });
        showRecordWarning();
        if (!m_state.fileIsValid)
            return Refusal::FileNotReady;
        // The user agreed to send the damaged records seen, not those of a new content.
        if (!maySend(m_state, false))
            return Refusal::DamagedRecord;
    }
    change([](LoaderControls& c) { c.progressEnabled = true; });
    // The percentage moves with nearly every line; nothing else does while they go out.
    QMetaObject::Connection progress = connect(&m_job, &UploadJob::lineSent, this, [this] {
        if (const int percent = m_job.percent(); percent != m_controls.progress) {
            m_controls.progress = percent;
            emit progressChanged();
        }
    });
    {
        // Only the sending and the wait count: the window asks before closing during them.
        QScopedValueRollback uploading(m_uploading, true);
        emit sendingBegins();
        m_job.upload();
        waitUntil([this] { return !m_job.isBusy(); });
    }
    disconnect(progress);
    switch (m_job.outcome().value_or(UploadJob::Outcome::FileUnreadable)) {
    case UploadJob::Outcome::FileUnreadable:
        return Refusal::FileNotReady;
    case UploadJob::Outcome::Rejected:
        m_state.ReplyBuffer.clear();
        closePort();
        change([](LoaderControls& c) {
            c.statusText = QStringLiteral("Wrong File - Port closed");
            c.browseEnabled = true;
            c.portMenuEnabled = true;
        });
        showFailure(tr("The product rejected this file. Press Cancel Upload, choose the firmware for "
                       "this product, then Open Comm Port again."));
        break;
    case UploadJob::Outcome::DeviceLost:
        m_state.StopRequested = false;
        setStatus(QStringLiteral("Update Failed"));
        endAfterCancelOrFailure();
        showFailure(tr("The serial device %1 went away during the update; the product stays in boot mode. "
                       "Connect it again, press Cancel Upload, then Open Comm Port again.")
                        .arg(m_link.deviceDescription(m_state.ComPort)));
        writeRecord("Failed");
        break;
    case UploadJob::Outcome::Succeeded:
        change([](LoaderControls& c) {
            c.statusText = QStringLiteral("Updated with success - Port closed");
            c.uploadEnabled = false;
            // The total adds 20 that no line sends, so the bar would stop short of a finished update.
            c.progress = 100;
            c.nextUnitEnabled = true;
        });
        writeRecord("Succes");
        m_state.readyForBoot = false;
        closePort();
        endAttempt();
        break;
    case UploadJob::Outcome::Cancelled:
        m_state.StopRequested = false;
        setStatus(QStringLiteral("Update cancelled"));
        writeRecord("Cancelled");
        endAfterCancelOrFailure();
        break;
    case UploadJob::Outcome::TimedOut:
        setStatus(QStringLiteral("Update Failed"));
        endAfterCancelOrFailure();
        showFailure(tr("Press Cancel Upload, check the boot mode, then Open Comm Port again."));
        writeRecord("Failed");
        break;
    }
    // After a failure "Cancel Upload" stays, as the way back to a window ready for the next try.
    if (m_uploadPhase == UploadPhase::Sending)
        setPhases(m_portPhase, UploadPhase::Acknowledge);
    return Refusal::None;
}

void UploadRun::writeRecord(const char* status)
{
    if (const IniWriteResult written = writeUploadRecord(m_state, status, m_setupIniPath); !written)
        addNotice(tr("The record of this update was not saved: %1.").arg(written.failure));
}

void UploadRun::portNotStored(const QString& failure)
{
    addNotice(tr("The chosen port will not be remembered: %1.").arg(failure));
}

void UploadRun::addNotice(const QString& text)
{
    change([&](LoaderControls& c) { c.notice = c.notice.isEmpty() ? text : c.notice + u' ' + text; });
}

void UploadRun::endAttempt()
{
    setPhases(m_portPhase, UploadPhase::Idle);
    change([](LoaderControls& c) {
        c.browseEnabled = true;
        c.portMenuEnabled = true;
    });
}

void UploadRun::endAfterCancelOrFailure()
{
    closePort();
    change([](LoaderControls& c) {
        c.statusText = QStringLiteral("Port closed");
        c.browseEnabled = true;
        c.portMenuEnabled = true;
    });
}
