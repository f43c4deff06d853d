#include "bench/networkmeasures.h"
#include "sim/ampsim.h"
#include "sim/bootloader.h"
#include "sim/pty.h"
#include "sim/simdriver.h"

#include "protocol/framing.h"
#include "serial/comform.h"
#include "serial/wait.h"
#include "sim/serialserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using namespace bench;

namespace {

constexpr int StatusRequest = 0xC8;
constexpr int Vx900StatusLength = 25;
constexpr int DelayMs = 150;
constexpr double UploadTimeGoal = 1.005;
const QString StatusMeasure = QStringLiteral("status round trip through ser2net (RFC 2217)");
const QString UploadMeasure = QStringLiteral("upload over RFC 2217");

// Status request to reply on `device` through ComForm, as Tevlin's poll takes it; the first round
// trip warms up and does not count.
std::optional<double> medianRoundTrip(const QString& device, int polls)
{
    QByteArray reply;
    ComForm link(reply);
    PortMap map;
    map.pin(1, device);
    link.setPortMap(map);
    if (!link.SetupMScommForProduction(1, 0))
        return std::nullopt;
    const QByteArray request = framing::framePacket(5, {1, 0}, StatusRequest).value();
    std::vector<double> times;
    for (int i = 0; i <= polls; ++i) {
        reply.clear();
        const auto start = Clock::now();
        link.SendMScommString(request);
        if (waitUntil([&] { return reply.size() >= Vx900StatusLength; }, nullptr, 2s) != WaitResult::Met)
            return std::nullopt;
        if (i > 0)
            times.push_back(ms(Clock::now() - start));
    }
    link.CloseMScomm();
    return median(times);
}

Row statusRoundTrip(int polls)
{
    Pty pty;
    AmpSim amplifier(AmpModel::Vx900);
    SimDriver driver(amplifier, pty);
    SerialServer server;
    if (!server.start({{SerialServer::Kind::Rfc2217, pty.devicePath()}}))
        return broken(StatusMeasure, server.errorString());
    const auto direct = medianRoundTrip(pty.devicePath(), polls);
    const auto network = medianRoundTrip(server.address(0), polls);
    if (!direct || !network)
        return broken(StatusMeasure, QStringLiteral("the amplifier did not answer"));
    const double ratio = *network / *direct;
    return {StatusMeasure + QStringLiteral(" / directly on the pseudo-terminal: %1 ms / %2 ms, median of %3 "
                                           "(no goal: the server's share)")
                                .arg(*network, 0, 'f', 3)
                                .arg(*direct, 0, 'f', 3)
                                .arg(polls),
            QString::number(ratio, 'f', 2) + u'x', Row::Outcome::Pass};
}

Row upload(const QString& binDir, int lines)
{
    Pty pty;
    BootLoaderOptions options;
    options.product = QStringLiteral("kma840");
    BootLoader loader(pty, options);
    std::vector<Clock::time_point> arrivals;
    QObject::connect(&loader, &BootLoader::lineReceived,
                     [&](int, const QByteArray&) { arrivals.push_back(Clock::now()); });
    SerialServer server;
    if (!server.start({{SerialServer::Kind::Rfc2217, pty.devicePath()}}))
        return broken(UploadMeasure, server.errorString());
    QTemporaryDir dir;
    const QString firmware = dir.filePath(QStringLiteral("firmware.s19"));
    QFile file(firmware);
    const QByteArray content = BootLoader::sampleFirmware(options.product, lines - 2);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return broken(UploadMeasure, QStringLiteral("cannot write %1").arg(firmware));
    file.close();

    QProcess corlift;
    corlift.start(QDir(binDir).filePath(QStringLiteral("corlift")),
                  {QStringLiteral("--flash"), firmware, QStringLiteral("--port"), server.address(0),
                   QStringLiteral("--delay"), QString::number(DelayMs), QStringLiteral("--settings-dir"),
                   dir.path()});
    const auto limit = std::chrono::milliseconds(DelayMs) * lines * 2 + 10s;
    if (waitUntil([&] { return corlift.state() == QProcess::NotRunning; }, nullptr, limit) !=
            WaitResult::Met ||
        corlift.exitCode() != 0 || arrivals.size() < 2)
        return broken(UploadMeasure, QStringLiteral("corlift --flash did not succeed: ") +
                                         QString::fromLocal8Bit(corlift.readAllStandardError()).trimmed());
    double shortest = ms(arrivals.back() - arrivals.front());
    for (std::size_t i = 1; i < arrivals.size(); ++i)
        shortest = std::min(shortest, ms(arrivals[i] - arrivals[i - 1]));
    const double pauses = double(arrivals.size() - 1);
    const double ratio = ms(arrivals.back() - arrivals.front()) / (pauses * DelayMs);
    return bench::row(
        UploadMeasure + QStringLiteral(": time / (lines x %1 ms), %2 lines as ampsim's boot loader received "
                                       "them through ser2net, shortest pause %3 ms (goal <= %4)")
                            .arg(DelayMs)
                            .arg(arrivals.size())
                            .arg(shortest, 0, 'f', 1)
                            .arg(UploadTimeGoal),
        QString::number(ratio, 'f', 4), ratio <= UploadTimeGoal);
}

} // namespace

std::vector<Row> networkPortRows(const QString& binDir, bool smoke)
{
    if (SerialServer::program().isEmpty())
        return {broken(StatusMeasure, QStringLiteral("ser2net is not installed")),
                broken(UploadMeasure, QStringLiteral("ser2net is not installed"))};
    return {statusRoundTrip(smoke ? 3 : 50), upload(binDir, smoke ? 4 : 102)};
}
