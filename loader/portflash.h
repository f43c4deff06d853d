#pragma once

#include "loader/corliftstate.h"
#include "loader/uploadjob.h"
#include "serial/comform.h"
#include "serial/portchoice.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <optional>

// Flashes the products on one port from the command line, as the window's Open Comm Port and Upload
// would: opens the port, waits for the boot loader, uploads, records the outcome in setup.ini and
// closes the port. With `loop` it then waits for the next product on the same port, until
// interrupted. Several run side by side in one event loop.
class PortFlash : public QObject
{
    Q_OBJECT
public:
    enum class Stage
    {
        Waiting,   // for the boot loader
        Uploading, // lines are sent
        Confirming,
        Done,     // this unit is over; `outcome` says how
        Finished, // nothing more on this port
    };
    // How a unit ended.
    enum class Outcome
    {
        Success,
        Rejected,
        Failed,       // no confirmation in time, or the device went away
        Cancelled,    // interrupted during the upload
        NoBootLoader, // none announced itself within the boot time-out
        PortError,    // the port did not open
        FileError,    // the file could not be read for sending
        Stopped,      // interrupted while waiting for a boot loader: nothing was sent
    };
    struct Settings
    {
        bool loop = false;
        std::optional<std::chrono::seconds> bootTimeout;
        std::chrono::milliseconds confirmLimit = UploadJob::ConfirmLimit;
        // A file with damaged records is sent as it is (the run was told to); otherwise one that
        // becomes damaged between units is not sent.
        bool sendDamaged = false;
    };

    // `checked` holds the file check, the pause per line and the product; each port keeps its own
    // copy, with its own ReplyBuffer. The upload records are written on `records`, one thread that
    // all ports share, one after another in the order the units ended, off the thread that sends.
    PortFlash(PortChoice port, const CorliftState& checked, Settings settings, QString setupIniPath,
              QThreadPool& records, QObject* parent = nullptr);
    ~PortFlash() override;

    void start();
    // Ctrl+C: an upload stops before its next line and is recorded as cancelled; a wait ends.
    void interrupt();

    const PortChoice& port() const { return m_port; }
    Stage stage() const { return m_stage; }
    std::optional<Outcome> outcome() const { return m_outcome; }
    // Why the last unit failed, in words, when the outcome alone does not say it.
    const QString& detail() const { return m_detail; }
    // Why the last unit's record could not be written to setup.ini; empty when it was (or none was due).
    const QString& recordFailure() const { return m_recordFailure; }
    // Units whose record could not be written.
    int recordsLost() const { return m_recordsLost; }
    // Lines of the file as last checked, the header included.
    int totalLines() const { return m_state.firmwareLines; }
    // The unit on this port, counted from 1: the one waited for, being flashed, or just done.
    int unit() const { return m_unit; }
    int flashed() const { return m_flashed; }
    int failed() const { return m_failed; }
    // Of the unit being flashed, or just done; 0 while waiting for it.
    int linesSent() const { return m_stage == Stage::Waiting ? 0 : m_job.linesSent(); }
    int percent() const
    {
        // The total adds 20 that no line sends: a finished update would stop short of 100.
        if (m_outcome == Outcome::Success)
            return 100;
        return m_stage == Stage::Waiting ? 0 : m_job.percent();
    }
    bool portOpened() const { return m_portOpened; }

    static const char* outcomeName(Outcome outcome);
    static const char* stageName(Stage stage);

signals:
    // The stage, the line or the outcome changed.
    void changed();
    // Something the person at the bench must know beside the progress (the file changed since its
    // check, a record not written), in words that name the port.
    void warning(const QString& text);

private:
    void waitForUnit();
    void bootWaitEnded(UploadJob::BootWait result);
    void uploadFinished(UploadJob::Outcome result);
    void recordWritten(UploadJob::Outcome result, const IniWriteResult& written);
    void endUnit(Outcome outcome);
    void setStage(Stage stage);

    PortChoice m_port;
    CorliftState m_state;
    Settings m_settings;
    QString m_setupIniPath;
    QThreadPool& m_records;
    ComForm m_link;
    UploadJob m_job;
    QTimer m_bootTimer;
    Stage m_stage = Stage::Waiting;
    std::optional<Outcome> m_outcome;
    QString m_detail;
    QString m_recordFailure;
    int m_recordsLost = 0;
    int m_unit = 0;
    int m_flashed = 0;
    int m_failed = 0;
    bool m_interrupted = false;
    bool m_bootTimedOut = false;
    bool m_portOpened = true;
};
