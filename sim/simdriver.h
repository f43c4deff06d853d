#pragma once

#include "sim/requestparser.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>
#include <chrono>
#include <deque>
#include <optional>

class AmpSim;
class Pty;

// Ways to misbehave, for tests of the programs' patience and error paths.
struct SimFaults
{
    // Take requests (and log them) but never answer.
    bool noReply = false;
    // Pause before each reply.
    std::chrono::milliseconds delay{0};
    // Send replies in pieces of this many bytes (0: whole), `chunkGap` apart.
    int chunkSize = 0;
    std::chrono::milliseconds chunkGap{20};
    // Invert the reply byte at this 1-based position (0: none).
    int wrongBytePos = 0;
    // Invert each reply's last byte, its checksum.
    bool badChecksum = false;
    // Give each reply this length byte and a checksum that matches it, so that only the length is
    // wrong (-1: none).
    int lengthByte = -1;
    // Append this many bytes (0xEE) to each reply.
    int extraBytes = 0;
    // Line noise: this many random bytes (always the same ones) follow each reply, `noiseGap` after it.
    int noiseBytes = 0;
    std::chrono::milliseconds noiseGap{50};
    // Hang up the line once this many requests have been taken and answered (0: never).
    int hangUpAfter = 0;
    // Apply the reply faults above only to requests with this command code.
    std::optional<int> onlyCode;
    // Of the requests they would apply to, let this many pass first, then apply them to this many
    // (0: to all that follow).
    int skip = 0;
    int times = 0;
};

// Runs an AmpSim on the controlling side of a pseudo-terminal: cuts what arrives into requests, logs
// each as a line of hex bytes, and writes the replies back, faults applied.
class SimDriver : public QObject
{
    Q_OBJECT
public:
    SimDriver(AmpSim& sim, Pty& pty, SimFaults faults = {}, QObject* parent = nullptr);
    // Several units on one line: each request goes to all, and the one it addresses answers.
    SimDriver(QList<AmpSim*> sims, Pty& pty, SimFaults faults = {}, QObject* parent = nullptr);
    ~SimDriver() override;

    // Starts a new log at `path`, one line per request ("05 01 00 C8 CE"). False when it cannot.
    bool setLogFile(const QString& path);
    int requestCount() const { return m_requests; }

    // "05 01 00 C8 CE": two upper-case hex digits per byte, separated by blanks.
    static QString hexLine(const QByteArray& bytes);

signals:
    void requestReceived(const QByteArray& packet);
    void replySent(const QByteArray& bytes);
    void hungUp();

private:
    struct Outgoing
    {
        QByteArray bytes;
        std::chrono::milliseconds due;
        bool hangUp = false;
    };

    void receive(const QByteArray& bytes);
    void handle(const QByteArray& packet);
    void schedule(const QByteArray& reply, bool faulty, bool hangUpAfter);
    void sendDue();
    std::chrono::milliseconds now() const { return std::chrono::milliseconds(m_clock.elapsed()); }

    QList<AmpSim*> m_sims;
    Pty& m_pty;
    SimFaults m_faults;
    RequestParser m_parser;
    QFile m_log;
    QElapsedTimer m_clock;
    std::chrono::milliseconds m_lastByte{0};
    std::deque<Outgoing> m_queue;
    QTimer m_sendTimer;
    QRandomGenerator m_noise{1};
    int m_requests = 0;
    int m_selected = 0;
    bool m_hungUp = false;
};
