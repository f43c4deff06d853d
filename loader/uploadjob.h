#pragma once

#include "loader/corliftstate.h"
#include "loader/pausetimer.h"
#include "settings/inifilehandler.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <chrono>
#include <optional>
#include <string>

class ComForm;

// One product's boot handshake and upload on an open port, moved on by events (bytes received, the
// pause after a line, the limit for the confirmation) instead of nested waits, so that uploads on
// several ports can run side by side in one event loop. The loader window waits on it; the command
// line runs one per port.
//
// Each line of the checked bytes is sent as it is, then CR and LF, and followed by a pause of
// `delayMs` measured on the monotonic clock from the moment it was sent. At the end of each pause the
// job looks for a "Wrong signature" received before that line was sent, and for StopRequested. Only
// an "OK" received after the last line was sent confirms the upload.
class UploadJob : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds ConfirmLimit{5000};
    static constexpr const char* Announcement = "...";
    static constexpr const char* Rejection = "Wrong signature";
    static constexpr const char* Confirmation = "OK";

    enum class Stage
    {
        Idle,
        WaitingForBoot,
        Sending,
        Confirming,
    };
    enum class BootWait
    {
        Announced,
        Stopped,
        DeviceLost,
    };
    enum class Outcome
    {
        Succeeded,
        // The boot loader answered "Wrong signature"; nothing is recorded.
        Rejected,
        Cancelled,
        // No "OK" within the limit after the last line.
        TimedOut,
        // The serial device went away; nothing more could reach the product.
        DeviceLost,
        // No checked bytes are held; nothing was sent.
        FileUnreadable,
    };

    UploadJob(CorliftState& state, ComForm& link, QObject* parent = nullptr);
    ~UploadJob() override;

    Stage stage() const { return m_stage; }
    bool isBusy() const { return m_stage != Stage::Idle; }
    std::optional<BootWait> bootWait() const { return m_bootWait; }
    std::optional<Outcome> outcome() const { return m_outcome; }
    // Lines sent in the current or last upload.
    int linesSent() const { return m_linesSent; }
    // Progress 0..100 of the current or last upload, as the bar shows it.
    int percent() const;

    void setConfirmLimit(std::chrono::milliseconds limit) { m_confirmLimit = limit; }
    // With KORVANES_TIMESTAMPS set, each line is stamped "line<suffix>", and the sending, from the
    // first line to the end of the pause after the last (or to the outcome, if it comes first),
    // "upload<suffix>": the suffix tells side-by-side ports apart.
    void setStampSuffix(const QByteArray& suffix);

    // Whether what arrived after the last line confirms the upload: an "OK", but not inside the
    // product's `announcement` line, which a product restarted in boot mode sends again ("Boot OK
    // ..."), nor inside a piece of it: one cut at the front of the buffer, or still arriving.
    static bool confirms(const QByteArray& received, const QByteArray& announcement);

    // The port is open: waits until the boot loader announces itself (or stop()).
    void waitForBootLoader();
    // Sends `checkedBytes` of the state, then waits for the confirmation.
    void upload();
    // Sets StopRequested. A wait for the boot loader or the confirmation ends at once; lines stop
    // before the next one. Idle, the flag stays for whoever looks next.
    void stop();

signals:
    void bootWaitEnded(UploadJob::BootWait result);
    void lineSent(int line);
    void stageChanged(UploadJob::Stage stage);
    void finished(UploadJob::Outcome outcome);

private:
    void setStage(Stage stage);
    void received();
    void portLost();
    void pauseOver();
    void sendNextLine();
    void confirm();
    void endBootWait(BootWait result);
    void finish(Outcome outcome);
    void endUploadStamp();

    CorliftState& m_state;
    ComForm& m_link;
    Stage m_stage = Stage::Idle;
    std::optional<BootWait> m_bootWait;
    std::optional<Outcome> m_outcome;
    std::chrono::milliseconds m_confirmLimit = ConfirmLimit;
    QByteArray m_source;
    qsizetype m_sourceAt = 0;
    int m_linesSent = 0;
    bool m_rejectedBeforeLine = false;
    // The line that announced the boot loader, without its line end.
    QByteArray m_announcement;
    // The pause after a line, and the limit for the confirmation.
    PauseTimer m_pause;
    QDeadlineTimer m_deadline;
    QByteArray m_lineStamp = "line";
    QByteArray m_uploadStamp = "upload";
    // When the first line of the running upload went out; 0 before.
    long long m_uploadBegan = 0;
    // The lines' stamps, written with the upload's when the sending ends.
    std::string m_lineStamps;
};

// "Succes", "Failed" or "Cancelled" as the upload record says it; none for an upload that leaves no
// record (rejected, or nothing sent).
std::optional<const char*> recordStatus(UploadJob::Outcome outcome);

// Takes a file check into the state: its product, total, lines and bytes, or no valid file.
void takeCheck(CorliftState& state, const loader::CheckResult& result);
// Before an upload: the file at `firmwarePath` compared with the bytes checked. Empty when it is as it
// was; otherwise it is checked again and taken into the state (a valid file's new bytes are what the
// upload sends; `fileIsValid` says whether to send anything), and the words say so.
// Whether a damaged new content is sent follows `sendDamaged`, and the words say that too.
QString recheckBeforeUpload(CorliftState& state, bool sendDamaged = false);
// A file passed the check and, unless `sendDamaged`, has no damaged record.
inline bool maySend(const CorliftState& state, bool sendDamaged)
{
    return state.fileIsValid && (sendDamaged || state.damagedRecords == 0);
}

// setup.ini is Latin-1: "File name" holds a "?" for each character of the path outside it. This key
// beside it holds the path whole, as percent-encoded UTF-8.
inline constexpr const char* FileNameUtf8Key = "File name UTF-8";
QString percentEncodedPath(const QString& path);
// The firmware path of the upload record: that of the extra key where it still agrees with
// "File name" (it reads as "File name" once made Latin-1), else "File name" as it is, since another
// tool that edits "File name" leaves the extra key behind.
QString recordedFirmwarePath(const QString& fileName, const std::optional<QString>& fileNameUtf8);
// The same, read from setup.ini.
QString storedFirmwarePath(const QString& setupIniPath);

// The upload record (section Corlifter: Product, File name and the extra key, Upload time, Status),
// its time taken when it is made.
struct UploadRecord
{
    QList<std::pair<QString, QString>> values;
};
UploadRecord uploadRecord(const CorliftState& state, const char* status);
// Writes an upload record in one write; the second form makes it now.
IniWriteResult writeUploadRecord(const UploadRecord& record, const QString& setupIniPath);
IniWriteResult writeUploadRecord(const CorliftState& state, const char* status, const QString& setupIniPath);

// The pause per line: never below 150 ms, and held as a 16-bit number of milliseconds.
inline constexpr int MinimumDelayMs = 150;
inline constexpr int MaximumDelayMs = 32767;
int delayMsFrom(double ms);
// "Delay" of section Corlifter (default 350), as the pause per line.
int storedDelayMs(const QString& setupIniPath);
