#pragma once

#include "loader/corliftstate.h"
#include "loader/loadercontrols.h"
#include "loader/uploadjob.h"

#include <QObject>
#include <QString>
#include <chrono>

class ComForm;

// Corlift's flows: the file check's effect on the window, opening the port and waiting for the
// product's boot loader, the upload line by line, and the record of its outcome in setup.ini.
// The window only forwards clicks here and draws `controls()` whenever `controlsChanged` fires, and
// only the bar on `progressChanged`: while lines go out nothing else moves.
//
// The click handlers wait inside the event loop for the upload job: a second click (Close Comm
// Port, Cancel Upload) runs nested inside a running wait and ends it through the job.
class UploadRun : public QObject
{
    Q_OBJECT
public:
    UploadRun(CorliftState& state, ComForm& link, QString setupIniPath, QObject* parent = nullptr);

    const LoaderControls& controls() const { return m_controls; }
    // For the window's start-up, before anything was checked.
    void showStartTexts(const QString& fileName);

    // Checks the file at `path` (not empty; a cancelled dialog does not come here).
    void checkFile(const QString& path);
    void toggleCommport();
    // A file with a damaged record is sent only with `sendDamaged`: the window asks the user first.
    void toggleUpload(bool sendDamaged = false);
    // Upload would send a file with a damaged record: the window asks before it does.
    bool uploadNeedsConsent() const
    {
        return m_uploadPhase == UploadPhase::Idle && m_state.fileIsValid && m_state.damagedRecords > 0;
    }
    // After "Updated with success": waits for the next product's boot loader with the same file
    // and port, as Open Comm Port would.
    void nextUnit();
    // Ends whatever wait is running, as the program goes away.
    void requestStop() { m_job.stop(); }
    // The port chosen in the menu could not be stored in setup.ini: the notice says why.
    void portNotStored(const QString& failure);

    // Where the run is; the two buttons' captions follow from it, and a click means what the phase
    // says, never what a caption reads.
    enum class PortPhase
    {
        Closed, // "Open Comm Port"
        Open,   // "Close Comm Port": waiting for the boot loader, or ready
    };
    enum class UploadPhase
    {
        Idle,       // "Upload"
        Sending,    // "Cancel Upload": lines go out, or the confirmation is awaited
        Acknowledge // "Cancel Upload": an update failed; the click takes the window back
    };
    PortPhase portPhase() const { return m_portPhase; }
    UploadPhase uploadPhase() const { return m_uploadPhase; }

    bool isWaitingForBoot() const { return m_waitingForBoot; }
    // Lines are being sent, or the boot loader's confirmation is awaited.
    bool isUploading() const { return m_uploading; }

    // Tests shorten the wait for the boot loader's confirmation; the program keeps ConfirmLimit.
    void setConfirmLimit(std::chrono::milliseconds limit) { m_job.setConfirmLimit(limit); }

signals:
    void controlsChanged();
    // Only `controls().progress` changed.
    void progressChanged();
    // The upload is about to write its first line: the window shows what the click changed first.
    void sendingBegins();

private:
    template <typename Change> void change(Change&& apply);
    void setPhases(PortPhase port, UploadPhase upload);
    void setStatus(const QString& text);
    // The user acts again: what was said about the last attempt goes.
    void clearNotice();
    // Words beside a notice already shown, such as a record that could not be saved after a failure.
    void addNotice(const QString& text);
    void portLost();
    // Closes the port after the device went away while nothing was running, or after the wait for
    // the boot loader ended for that reason.
    void closeAfterDeviceGone();
    void showFailure(const QString& notice);
    void waitForBootLoader();
    void closePort();
    // Why an upload did not start; the status box shows it.
    enum class Refusal
    {
        None, // it ran, whatever its outcome
        FileNotReady,
        NotReadyForBoot,
        DamagedRecord,
    };
    static QString refusalText(Refusal refusal);
    Refusal upload();
    void showRecordWarning();
    // Records the outcome; a record that cannot be saved is said in the notice.
    void writeRecord(const char* status);
    void endAttempt();
    void endAfterCancelOrFailure();

    CorliftState& m_state;
    ComForm& m_link;
    QString m_setupIniPath;
    LoaderControls m_controls;
    UploadJob m_job;
    PortPhase m_portPhase = PortPhase::Closed;
    UploadPhase m_uploadPhase = UploadPhase::Idle;
    bool m_waitingForBoot = false;
    bool m_uploading = false;
};
