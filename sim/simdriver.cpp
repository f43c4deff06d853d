#include "sim/simdriver.h"

#include "sim/ampsim.h"
#include "sim/pty.h"

namespace {

// A partial request older than this is dropped, as a unit's receive time-out would drop it.
constexpr std::chrono::milliseconds PartialRequestTimeout{250};
constexpr char ExtraByte = static_cast<char>(0xEE);

void invert(char& byte)
{
    byte = static_cast<char>(~byte);
}

// The reply's last byte made the low byte of the sum of those before it again.
void resum(QByteArray& reply)
{
    int sum = 0;
    for (qsizetype i = 0; i + 1 < reply.size(); ++i)
        sum += static_cast<unsigned char>(reply[i]);
    reply.back() = static_cast<char>(sum & 0xFF);
}

} // namespace

SimDriver::SimDriver(AmpSim& sim, Pty& pty, SimFaults faults, QObject* parent)
    : SimDriver(QList<AmpSim*>{&sim}, pty, faults, parent)
{}

SimDriver::SimDriver(QList<AmpSim*> sims, Pty& pty, SimFaults faults, QObject* parent)
    : QObject(parent), m_sims(std::move(sims)), m_pty(pty), m_faults(faults)
{
    m_clock.start();
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &SimDriver::sendDue);
    connect(&m_pty, &Pty::received, this, &SimDriver::receive);
}

SimDriver::~SimDriver() = default;

bool SimDriver::setLogFile(const QString& path)
{
    m_log.close();
    m_log.setFileName(path);
    return m_log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

QString SimDriver::hexLine(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

void SimDriver::receive(const QByteArray& bytes)
{
    if (m_hungUp)
        return;
    if (m_parser.hasPartial() && now() - m_lastByte > PartialRequestTimeout)
        m_parser.reset();
    m_lastByte = now();
    for (const QByteArray& packet : m_parser.feed(bytes))
        handle(packet);
}

void SimDriver::handle(const QByteArray& packet)
{
    if (m_hungUp)
        return;
    ++m_requests;
    if (m_log.isOpen()) {
        m_log.write(hexLine(packet).toLatin1() + '\n');
        m_log.flush();
    }
    emit requestReceived(packet);

    QByteArray reply;
    for (AmpSim* sim : m_sims) {
        if (!(reply = sim->handleRequest(packet)).isEmpty())
            break;
    }
    bool faulty = !m_faults.onlyCode ||
                  (packet.size() >= 4 && static_cast<unsigned char>(packet[3]) == *m_faults.onlyCode);
    if (faulty) {
        const int n = m_selected++;
        faulty = n >= m_faults.skip && (m_faults.times == 0 || n < m_faults.skip + m_faults.times);
    }
    if (faulty && m_faults.noReply)
        reply.clear();
    const bool last = m_faults.hangUpAfter > 0 && m_requests >= m_faults.hangUpAfter;
    schedule(reply, faulty, last);
}

void SimDriver::schedule(const QByteArray& reply, bool faulty, bool hangUpAfter)
{
    QByteArray bytes = reply;
    if (faulty && !bytes.isEmpty()) {
        if (m_faults.lengthByte >= 0) {
            bytes.front() = static_cast<char>(m_faults.lengthByte);
            resum(bytes);
        }
        if (m_faults.badChecksum)
            invert(bytes.back());
        if (m_faults.wrongBytePos > 0 && m_faults.wrongBytePos <= bytes.size())
            invert(bytes[m_faults.wrongBytePos - 1]);
        bytes.append(m_faults.extraBytes, ExtraByte);
    }

    // Replies leave in order: one never overtakes an earlier, delayed one.
    std::chrono::milliseconds due = now() + (faulty ? m_faults.delay : std::chrono::milliseconds(0));
    if (!m_queue.empty())
        due = std::max(due, m_queue.back().due);
    const int chunk = faulty && m_faults.chunkSize > 0 ? m_faults.chunkSize : static_cast<int>(bytes.size());
    for (qsizetype offset = 0; offset < bytes.size(); offset += chunk) {
        if (offset > 0)
            due += m_faults.chunkGap;
        m_queue.push_back({bytes.mid(offset, chunk), due});
    }
    if (faulty && m_faults.noiseBytes > 0 && !bytes.isEmpty()) {
        QByteArray noise(m_faults.noiseBytes, '\0');
        for (char& c : noise)
            c = static_cast<char>(m_noise.bounded(256));
        due += m_faults.noiseGap;
        m_queue.push_back({noise, due});
    }
    if (hangUpAfter)
        m_queue.push_back({{}, due, true});
    sendDue();
}

void SimDriver::sendDue()
{
    while (!m_queue.empty() && m_queue.front().due <= now()) {
        const Outgoing out = m_queue.front();
        m_queue.pop_front();
        if (out.hangUp) {
            m_queue.clear();
            m_hungUp = true;
            m_pty.hangUp();
            emit hungUp();
            return;
        }
        m_pty.write(out.bytes);
        emit replySent(out.bytes);
    }
    if (!m_queue.empty())
        m_sendTimer.start(std::max(std::chrono::milliseconds(0), m_queue.front().due - now()));
}
