#include "loader/uploadrun.h"

#include "common/numbers.h"
#include "common/timestamps.h"
#include "serial/comform.h"
#include "serial/wait.h"
#include "settings/debugmode.h"
#include "settings/inifilehandler.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QScopedValueRollback>

namespace {

const QString Section = QStringLiteral("Corlifter");

} // namespace

UploadRun::UploadRun(CorliftState& state, ComForm& link, QString setupIniPath, QObject* parent)
    : QObject(parent), m_state(state), m_link(link), m_setupIniPath(std::move(setupIniPath))
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

void UploadRun::setStatus(const QString& text)
{
    change([&](LoaderControls& c) { c.statusText = text; });
}

void UploadRun::clearNotice()
{
    change([](LoaderControls& c) {
        c.notice.clear();
        c.progressFailed = false;
    });
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
    m_deviceGone = true;
    // A running wait or upload sees the flag and says what happened.
    m_state.StopRequested = true;
    if (m_waitingForBoot || m_uploading)
        return;
    m_state.StopRequested = false;
    closeAfterDeviceGone();
}

void UploadRun::closeAfterDeviceGone()
{
    m_deviceGone = false;
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
    m_state.fileIsValid = false;
    m_state.firmwarePath.clear();
    m_state.product = nullptr;

    const loader::CheckResult result = loader::checkFirmwareFile(path);
    if (result.outcome == loader::CheckOutcome::NotFound) {
        setStatus(QLatin1String(loader::StatusFileNotFound));
        return;
    }
    m_state.firmwarePath = path;
    // An unreadable or damaged file is reported like any other file that is no product's
    // firmware: leaving the previous file's "file is ok" on screen would invite an upload.
    const bool valid = result.outcome == loader::CheckOutcome::Valid;
    if (valid) {
        m_state.fileIsValid = true;
        m_state.product = result.product;
        m_state.uploadTotal = result.uploadTotal;
        m_state.bootModeText = loader::bootModeText(*result.product);
    } else {
        m_state.bootModeText.clear();
    }
    QString status =
        valid ? QLatin1String(result.product->statusText) : QLatin1String(loader::StatusFileNotValid);
    if (result.outcome == loader::CheckOutcome::LineTooLong)
        status += QStringLiteral(" (a line is longer than any S-record can be)");
    else if (result.outcome == loader::CheckOutcome::FileTooLarge)
        status += QStringLiteral(" (the file is larger than any firmware can be)");
    change([&](LoaderControls& c) {
        c.commportEnabled = valid;
        c.statusText = status;
        c.guideText = loader::guideText() + m_state.bootModeText;
        c.fileName = path;
    });
}

void UploadRun::closePort()
{
    m_link.CloseMScomm();
    change([](LoaderControls& c) { c.commportCaption = QLatin1String(CaptionOpenPort); });
}

void UploadRun::toggleCommport()
{
    clearNotice();
    if (m_controls.commportCaption == QLatin1String(CaptionOpenPort)) {
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
        change([](LoaderControls& c) {
            c.commportCaption = QLatin1String(CaptionClosePort);
            c.statusText = QStringLiteral("Waiting for response...");
        });
        waitForBootLoader();
        return;
    }

    m_state.readyForBoot = false;
    m_state.StopRequested = true;
    change([](LoaderControls& c) {
        c.uploadEnabled = false;
        c.browseEnabled = true;
        c.progress = 0;
        c.progressEnabled = false;
    });
    // A running wait for the boot loader sees the flag and closes the port itself.
    if (!m_waitingForBoot) {
        m_state.StopRequested = false;
        closePort();
        setStatus(QStringLiteral("Port closed"));
    }
}

void UploadRun::waitForBootLoader()
{
    m_waitingForBoot = true;
    waitUntil([this] { return m_state.StopRequested || m_state.ReplyBuffer.contains(Announcement); });
    m_waitingForBoot = false;

    if (m_state.StopRequested) {
        m_state.StopRequested = false;
        if (m_deviceGone) {
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

void UploadRun::toggleUpload()
{
    clearNotice();
    if (m_controls.uploadCaption == QLatin1String(CaptionCancelUpload)) {
        change([](LoaderControls& c) {
            c.uploadCaption = QLatin1String(CaptionUpload);
            c.progress = 0;
            c.progressEnabled = false;
            c.uploadEnabled = false;
            c.commportEnabled = true;
        });
        m_state.StopRequested = true;
        return;
    }

    const LoaderControls before = m_controls;
    change([](LoaderControls& c) {
        c.uploadCaption = QLatin1String(CaptionCancelUpload);
        c.commportEnabled = false;
        c.browseEnabled = false;
        c.portMenuEnabled = false;
        c.statusText = QStringLiteral("Updating - Please wait...");
    });

    const Refusal refusal = !m_state.fileIsValid    ? Refusal::FileNotReady
                            : !m_state.readyForBoot ? Refusal::NotReadyForBoot
                                                    : upload();
    if (refusal == Refusal::None)
        return;
    // Nothing was sent: the window goes back to where it was, so that an open port can still be
    // closed and a port still waiting for its boot loader does not offer Browse.
    change([&](LoaderControls& c) {
        c.statusText = refusalText(refusal);
        c.uploadCaption = QLatin1String(CaptionUpload);
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
    }
    return QString();
}

UploadRun::Refusal UploadRun::upload()
{
    change([](LoaderControls& c) { c.progressEnabled = true; });
    QFile file(m_state.firmwarePath);
    if (!file.open(QIODevice::ReadOnly))
        return Refusal::FileNotReady;
    m_state.StopRequested = false;
    m_state.uploadSent = 0;

    WaitResult confirmation = WaitResult::Cancelled;
    bool rejected = false;
    {
        // Only the sending and the wait count: the window asks before closing during them.
        QScopedValueRollback uploading(m_uploading, true);
        rejected = !sendLines(file);
        if (!rejected && !m_state.StopRequested) {
            // A cancel while waiting for the confirmation counts as a cancel, not as a failure.
            confirmation = waitUntil([this] { return m_state.ReplyBuffer.contains(Confirmation); },
                                     &m_state.StopRequested, m_confirmLimit);
        }
    }
    file.close();
    if (rejected) {
        m_state.ReplyBuffer.clear();
        closePort();
        change([](LoaderControls& c) {
            c.statusText = QStringLiteral("Wrong File - Port closed");
            c.browseEnabled = true;
            c.portMenuEnabled = true;
        });
        showFailure(tr("The product rejected this file. Press Cancel Upload, choose the firmware for "
                       "this product, then Open Comm Port again."));
        return Refusal::None;
    }
    if (m_deviceGone) {
        // Stopped at once: nothing more could reach the product.
        m_deviceGone = false;
        m_state.StopRequested = false;
        setStatus(QStringLiteral("Update Failed"));
        writeRecord("Failed");
        endAfterCancelOrFailure();
        showFailure(tr("The serial device %1 went away during the update; the product stays in boot mode. "
                       "Connect it again, press Cancel Upload, then Open Comm Port again.")
                        .arg(m_link.deviceDescription(m_state.ComPort)));
        return Refusal::None;
    }
    switch (confirmation) {
    case WaitResult::Met:
        change([](LoaderControls& c) {
            c.statusText = QStringLiteral("Updated with success - Port closed");
            c.uploadEnabled = false;
            // The total adds 20 that no line sends, so the bar would stop short of a finished update.
            c.progress = 100;
        });
        writeRecord("Succes");
        m_state.readyForBoot = false;
        closePort();
        endAttempt();
        break;
    case WaitResult::Cancelled:
        m_state.StopRequested = false;
        setStatus(QStringLiteral("Update cancelled"));
        writeRecord("Cancelled");
        endAfterCancelOrFailure();
        break;
    case WaitResult::TimedOut:
        setStatus(QStringLiteral("Update Failed"));
        writeRecord("Failed");
        endAfterCancelOrFailure();
        showFailure(tr("Press Cancel Upload, check the boot mode, then Open Comm Port again."));
        break;
    }
    return Refusal::None;
}

bool UploadRun::sendLines(QFile& file)
{
    using namespace std::chrono;
    static const QByteArray cr(1, '\r');
    static const QByteArray lf(1, '\n');
    for (;;) {
        // Received text reaches ReplyBuffer here, and a click on Cancel Upload is handled here.
        QCoreApplication::processEvents();
        if (m_state.StopRequested)
            return true;
        // A line too long for any record means the file changed since its check: send no more.
        const auto line = loader::readLine(file, loader::MaxRecordLength + 1);
        if (!line || line->size() > loader::MaxRecordLength)
            return true;
        if (const auto record = loader::dataRecord(*line))
            m_state.uploadSent += std::max(record->dataBytes, 0);
        const qint64 sent = m_state.uploadSent;
        const qint64 total = m_state.uploadTotal;
        const int progress = sent > total ? 100
                             : total > 0
                                 ? static_cast<int>(common::roundHalfEven(double(sent) / double(total) * 100))
                                 : 0;
        change([&](LoaderControls& c) { c.progress = progress; });

        {
            const common::TimestampScope stamp("line");
            m_link.SendMScommString(*line);
            m_link.SendMScommString(cr);
            m_link.SendMScommString(lf);
        }
        // The boot loader takes its time per line; meanwhile neither clicks nor received data are
        // handled, but the window still repaints.
        pauseFor(milliseconds(m_state.delayMs),
                 QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);

        if (m_state.ReplyBuffer.contains(Rejection))
            return false;
    }
}

void UploadRun::writeRecord(const char* status)
{
    const QString time =
        QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("dd/MM/yyyy hh:mm"));
    const QString product = m_state.product ? QLatin1String(m_state.product->name) : QString();
    // One write: a record is never half the last upload's and half this one's.
    WriteIniValues(Section,
                   {{QStringLiteral("Product"), product},
                    {QStringLiteral("File name"), m_state.firmwarePath},
                    {QStringLiteral("Upload time"), time},
                    {QStringLiteral("Status"), QLatin1String(status)}},
                   m_setupIniPath);
}

void UploadRun::endAttempt()
{
    change([](LoaderControls& c) {
        c.uploadCaption = QLatin1String(CaptionUpload);
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
