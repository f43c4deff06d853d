#include "sim/bootloader.h"

#include "sim/pty.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

struct BootProduct
{
    const char* key;
    // Spelled into the header record as ASCII.
    const char* signature;
};

constexpr BootProduct BootProducts[] = {
    {"rx900", "RX900"}, {"kma840", "KMA840"},    {"solsmk3", "SOLSMK3"},
    {"pl4", "PL-4"},    {"rx900plus", "RX900+"}, {"halcyon", "HALCYON"},
    {"adc", "ADC"},     {"mza", "MZA"},          {"qz", "QZ"},
};

const QByteArray Announcement = "...\r\n";
const QByteArray AnnouncementWithOk = "Boot OK ...\r\n";
const QByteArray Rejection = "Wrong signature\r\n";
const QByteArray Confirmation = "OK\r\n";
constexpr std::chrono::milliseconds QuietBeforeRestart{1000};

// An S0 record: byte count, address 0000, the signature and a zero byte, ones' complement checksum.
QByteArray headerRecord(const QByteArray& signature)
{
    QByteArray data = signature + '\0';
    const int count = 2 + data.size() + 1;
    int sum = count;
    for (const char c : data)
        sum += static_cast<unsigned char>(c);
    const auto hex = [](int byte) {
        return QByteArray::number(byte & 0xFF, 16).toUpper().rightJustified(2, '0');
    };
    return "S0" + hex(count) + "0000" + data.toHex().toUpper() + hex(~sum);
}

} // namespace

QStringList BootLoader::products()
{
    QStringList keys;
    for (const BootProduct& p : BootProducts)
        keys.append(QLatin1String(p.key));
    return keys;
}

QByteArray BootLoader::headerFor(const QString& product)
{
    for (const BootProduct& p : BootProducts) {
        if (product == QLatin1String(p.key))
            return headerRecord(p.signature);
    }
    return {};
}

QByteArray BootLoader::sampleFirmware(const QString& product, int lines)
{
    const QByteArray header = headerFor(product);
    if (header.isEmpty())
        return {};
    constexpr int BytesPerRecord = 32;
    const auto hex = [](int value, int digits) {
        return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
    };
    QByteArray file = header + "\r\n";
    for (int i = 0; i < lines; ++i) {
        const int address = (i * BytesPerRecord) & 0xFFFF;
        QByteArray data;
        for (int b = 0; b < BytesPerRecord; ++b)
            data += char((address + b * 7) & 0xFF);
        const int count = BytesPerRecord + 3;
        int sum = count + (address >> 8) + (address & 0xFF);
        for (const char c : data)
            sum += static_cast<unsigned char>(c);
        file +=
            "S1" + hex(count, 2) + hex(address, 4) + data.toHex().toUpper() + hex(~sum & 0xFF, 2) + "\r\n";
    }
    return file + "S9030000FC\r\n";
}

BootLoader::BootLoader(Pty& pty, BootLoaderOptions options, QObject* parent)
    : QObject(parent), m_pty(pty), m_options(std::move(options)), m_header(headerFor(m_options.product))
{
    connect(&m_pty, &Pty::received, this, &BootLoader::receive);
    if (!m_options.logPath.isEmpty()) {
        m_log.setFileName(m_options.logPath);
        if (!m_log.open(QIODevice::WriteOnly | QIODevice::Append))
            qWarning("ampsim: cannot write %s", qPrintable(m_options.logPath));
    }
    m_peek = ::open(m_pty.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);

    m_announceTimer.setInterval(m_options.announceInterval);
    connect(&m_announceTimer, &QTimer::timeout, this, &BootLoader::announce);
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(QuietBeforeRestart);
    connect(&m_quietTimer, &QTimer::timeout, this, &BootLoader::startOver);
    startOver();
}

BootLoader::~BootLoader()
{
    if (m_peek >= 0)
        ::close(m_peek);
}

void BootLoader::announce()
{
    int unread = 0;
    if (m_peek >= 0 && ::ioctl(m_peek, FIONREAD, &unread) == 0 && unread > 0)
        return;
    m_pty.write(m_options.announceOk ? AnnouncementWithOk : Announcement);
}

void BootLoader::startOver()
{
    m_phase = Phase::Announcing;
    m_pending.clear();
    m_lineInUpload = 0;
    if (m_options.announce) {
        announce();
        m_announceTimer.start();
    }
}

void BootLoader::receive(const QByteArray& bytes)
{
    if (m_log.isOpen()) {
        m_log.write(bytes);
        m_log.flush();
    }
    if (m_phase == Phase::Finished && m_quietTimer.isActive())
        m_quietTimer.start();
    if (m_phase == Phase::Announcing) {
        m_phase = Phase::Receiving;
        m_announceTimer.stop();
    }
    m_pending += bytes;
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        takeLine(std::move(line));
    }
}

void BootLoader::takeLine(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    else
        ++m_badLineEnds;
    m_lines.append(line);
    if (m_phase != Phase::Receiving)
        return;
    ++m_lineInUpload;
    emit lineReceived(m_lineInUpload, line);
    if (m_lineInUpload == m_options.hangUpAtLine) {
        finish();
        m_pty.hangUp();
        return;
    }

    if (m_lineInUpload == m_options.okAtLine)
        m_pty.write(Confirmation);
    const bool wrongHeader = m_lineInUpload == 1 && line != m_header;
    if (wrongHeader || m_lineInUpload == m_options.rejectAtLine) {
        m_rejections += m_options.answer ? 1 : 0;
        reply(Rejection);
        finish();
        m_quietTimer.start();
    } else if (line.startsWith("S9")) {
        finish();
        QTimer::singleShot(m_options.okDelay, this, [this] {
            m_confirmations += m_options.answer ? 1 : 0;
            reply(Confirmation);
            m_quietTimer.start();
        });
    }
}

void BootLoader::reply(const QByteArray& text)
{
    if (!m_options.answer)
        return;
    m_pty.write(text + QByteArray(m_options.replyPadding, m_options.paddingByte));
    emit answered(text);
}

void BootLoader::finish()
{
    m_phase = Phase::Finished;
}
