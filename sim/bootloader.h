#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>

class Pty;

struct BootLoaderOptions
{
    // rx900, kma840, solsmk3, pl4, rx900plus, halcyon, adc, mza or qz.
    QString product;
    bool announce = true;
    // Announces itself with "Boot OK ..." instead of "...", as some products do: an "OK" that
    // confirms nothing.
    bool announceOk = false;
    std::chrono::milliseconds announceInterval{250};
    // Pause between the end record and the confirmation.
    std::chrono::milliseconds okDelay{0};
    // False: neither rejects nor confirms anything.
    bool answer = true;
    // Says "OK" on receiving this line (1-based), before the end record; 0 never. Not an answer:
    // it comes even when `answer` is false.
    int okAtLine = 0;
    // Rejects the file on receiving this line (1-based) even when it is good; 0 never.
    int rejectAtLine = 0;
    // Goes away (hangs up the line) on receiving this line, as an unplugged product would; 0 never.
    int hangUpAtLine = 0;
    // Follows each answer with this many padding bytes ('.' unless set) in the same write: a reply
    // longer than a program's receive buffer keeps.
    int replyPadding = 0;
    char paddingByte = '.';
    // Every byte received is appended here, so the file holds the lines exactly as they came.
    QString logPath;
};

// A product's boot loader on the controlling side of a pseudo-terminal. It announces itself with
// "..." until the first byte arrives, takes text lines ended by CR LF, rejects a file whose first
// line is not its product's header with "Wrong signature", and confirms the end record (S9) with
// "OK". After answering it starts over, as a product restarted in boot mode would.
//
// The controlling side cannot see the program open the device, so the announcement is repeated;
// an announcement nobody has read yet is not repeated, and the program's port set-up discards it,
// so a freshly opened port sees one "..." within one interval.
class BootLoader : public QObject
{
    Q_OBJECT
public:
    static QStringList products();
    // The S0 record that opens a firmware file of `product`; empty for an unknown product.
    static QByteArray headerFor(const QString& product);
    // A made-up firmware file for `product`: its header, `lines` data records of 32 bytes from
    // address 0, and an end record, with CR LF line ends. Empty for an unknown product.
    static QByteArray sampleFirmware(const QString& product, int lines);

    BootLoader(Pty& pty, BootLoaderOptions options, QObject* parent = nullptr);
    ~BootLoader() override;

    bool isValid() const { return !m_header.isEmpty(); }
    // Every line received, without its line end.
    const QList<QByteArray>& lines() const { return m_lines; }
    // Lines that did not end in CR LF.
    int badLineEnds() const { return m_badLineEnds; }
    int confirmations() const { return m_confirmations; }
    int rejections() const { return m_rejections; }

signals:
    void lineReceived(int number, const QByteArray& line);
    void answered(const QByteArray& reply);

private:
    enum class Phase
    {
        Announcing,
        Receiving,
        // Answered; what still arrives of this upload is ignored until the line falls silent.
        Finished,
    };

    void receive(const QByteArray& bytes);
    void takeLine(QByteArray line);
    void reply(const QByteArray& text);
    void finish();
    void startOver();
    void announce();

    Pty& m_pty;
    BootLoaderOptions m_options;
    QByteArray m_header;
    Phase m_phase = Phase::Announcing;
    QByteArray m_pending;
    int m_lineInUpload = 0;
    QList<QByteArray> m_lines;
    int m_badLineEnds = 0;
    int m_confirmations = 0;
    int m_rejections = 0;
    QTimer m_announceTimer;
    QTimer m_quietTimer;
    QFile m_log;
    // A descriptor of the device side, only to see whether an announcement is still unread.
    int m_peek = -1;
};
