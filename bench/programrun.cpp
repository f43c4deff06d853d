#include "bench/programrun.h"

#include "serial/wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

using namespace std::chrono_literals;

ProgramRun::ProgramRun(const QString& binary, const QString& directory, WindowWatch& windows)
    : m_path(QDir(directory).filePath(QFileInfo(binary).fileName())), m_windows(windows)
{
    if (!QFile::exists(m_path))
        QFile::copy(binary, m_path);
    m_process.setProgram(m_path);
    m_process.setWorkingDirectory(directory);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

ProgramRun::~ProgramRun()
{
    stop();
}

QString ProgramRun::iniPath() const
{
    return QFileInfo(m_path).dir().filePath(QStringLiteral("setup.ini"));
}

bool ProgramRun::start(const QStringList& environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QString& entry : environment)
        env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    m_process.setProcessEnvironment(env);
    m_stderr.clear();
    m_window = 0;
    m_started = Clock::now();
    m_process.start();
    return m_process.waitForStarted(5000);
}

std::optional<std::chrono::nanoseconds> ProgramRun::waitForWindow(std::chrono::milliseconds limit)
{
    const auto mapped = [this] { return m_windows.firstMappedSince(m_started); };
    if (waitUntil([&] { return mapped().has_value() || !isRunning(); }, nullptr, limit) != WaitResult::Met ||
        !mapped())
        return std::nullopt;
    m_window = mapped()->window;
    return mapped()->at - m_started;
}

std::optional<std::chrono::nanoseconds> ProgramRun::waitForFirstFrame(std::chrono::milliseconds limit)
{
    const auto painted = [this] {
        const auto mapped = m_windows.firstMappedSince(m_started);
        return mapped ? mapped->painted : std::nullopt;
    };
    if (waitUntil([&] { return painted().has_value() || !isRunning(); }, nullptr, limit) != WaitResult::Met ||
        !painted())
        return std::nullopt;
    m_window = m_windows.firstMappedSince(m_started)->window;
    return *painted() - m_started;
}

bool ProgramRun::type(const QStringList& keys)
{
    if (m_window == 0)
        return false;
    // Without a window manager nobody gives the window the keyboard; xdotool does, then types. The
    // event loop keeps running meanwhile, so that the peers see at once what the keys set off.
    const auto xdotool = [](const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"), arguments);
        return waitUntil([&] { return tool.state() == QProcess::NotRunning; }, nullptr, 5s) ==
                   WaitResult::Met &&
               tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    };
    const QString window = QString::number(m_window);
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}) &&
           xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} +
                   keys);
}

QByteArray ProgramRun::standardError()
{
    m_stderr += m_process.readAllStandardError();
    return m_stderr;
}

void ProgramRun::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    standardError();
}
