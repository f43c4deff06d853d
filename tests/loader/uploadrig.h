#pragma once

#include "loader/uploadrun.h"
#include "serial/comform.h"
#include "serial/wait.h"
#include "settings/inifilehandler.h"
#include "sim/bootloader.h"
#include "sim/pty.h"
#include "srecords.h"
#include "watchdog.h"

#include <QTemporaryDir>
#include <QTimer>
#include <memory>

// A Corlift upload run wired to an in-process boot loader over a pseudo-terminal pinned as COM1.
struct UploadRig
{
    QTemporaryDir dir;
    Pty pty;
    std::unique_ptr<BootLoader> boot;
    CorliftState state;
    ComForm link{state.ReplyBuffer};
    UploadRun run{state, link, iniPath()};
    QStringList statuses;
    QList<int> progress;
    QStringList messages;
    Watchdog watchdog;

    explicit UploadRig(BootLoaderOptions options, int delayMs = 20,
                       std::chrono::milliseconds limit = std::chrono::seconds(5))
        : watchdog(limit)
    {
        boot = std::make_unique<BootLoader>(pty, std::move(options));
        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[1] = pty.devicePath();
        link.setPortMap(PortMap({}, pins));
        link.setMessageBoxHook([this](const QString& text) { messages.append(text); });
        link.setLogFilePath(dir.filePath(QStringLiteral("Log.txt")));
        link.SetCorliftActive();
        state.delayMs = delayMs;
        state.ComPort = 1;
        const auto record = [this] {
            const LoaderControls& c = run.controls();
            if (statuses.isEmpty() || statuses.last() != c.statusText)
                statuses.append(c.statusText);
            if (progress.isEmpty() || progress.last() != c.progress)
                progress.append(c.progress);
        };
        QObject::connect(&run, &UploadRun::controlsChanged, record);
        QObject::connect(&run, &UploadRun::progressChanged, record);
    }

    // Runs `action` once, from the event loop, as soon as the status box shows `status`: a click
    // made while the run waits inside its own click handler.
    void whenStatus(const QString& status, std::function<void()> action)
    {
        auto* once = new QObject(&run);
        QObject::connect(&run, &UploadRun::controlsChanged, once, [this, once, status, action] {
            if (run.controls().statusText != status)
                return;
            QTimer::singleShot(0, &run, action);
            once->deleteLater();
            QObject::disconnect(&run, nullptr, once, nullptr);
        });
    }

    // The buttons as a user sees them: "<Commport caption> on|off, <Upload caption> on|off,
    // Browse on|off, port menu on|off".
    QString buttons() const
    {
        const LoaderControls& c = run.controls();
        const auto on = [](bool enabled) { return enabled ? QStringLiteral("on") : QStringLiteral("off"); };
        return QStringLiteral("%1 %2, %3 %4, Browse %5, menu %6")
            .arg(c.commportCaption, on(c.commportEnabled), c.uploadCaption, on(c.uploadEnabled),
                 on(c.browseEnabled), on(c.portMenuEnabled));
    }
    // How an attempt ended: "<status> | <record in setup.ini, or no record> | port open|closed |
    // <buttons>".
    QString ended() const
    {
        const QString record = ini("Corlifter", "Status");
        return QStringList{run.controls().statusText, record.isEmpty() ? QStringLiteral("no record") : record,
                           link.CheckMScomm() ? QStringLiteral("port open") : QStringLiteral("port closed"),
                           buttons()}
            .join(QStringLiteral(" | "));
    }
    QString iniPath() const { return dir.filePath(QStringLiteral("setup.ini")); }
    QString ini(const char* section, const char* key) const
    {
        return ReadIniValue(QLatin1String(section), QLatin1String(key), QString(), iniPath());
    }
    QString firmwareFile(const QByteArray& content, const QString& name = QStringLiteral("fw.s19"))
    {
        const QString path = dir.filePath(name);
        srec::writeFile(path, content);
        return path;
    }
    // Checks `content` and opens the port; true once the boot loader announced itself.
    bool prepare(const QByteArray& content)
    {
        run.checkFile(firmwareFile(content));
        run.toggleCommport();
        return state.readyForBoot;
    }
};

// A test main with the application class the test needs.
#define CORLIFT_TEST_MAIN(TestClass, AppClass)                                                               \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        AppClass app(argc, argv);                                                                            \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
