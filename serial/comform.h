#pragma once

#include "serial/commmonitor.h"
#include "serial/porterror.h"
#include "serial/portmap.h"
#include "serial/transport.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The one object through which a program uses the serial line: opens and probes ports, sends
// bytes, collects what arrives in the program's ReplyBuffer, and logs the traffic. The bytes travel
// over a transport (a local serial device unless another is set), arrive through a framer (the
// amplifier's frames or a boot loader's text) and are shown and logged by the monitor.
//
// Bytes are held as QByteArray; where they are shown, every byte is one character.
class ComForm : public QObject
{
    Q_OBJECT
public:
    // Shows a port message to the user (OK button only, program title as caption). Each program's main
    // sets it; without one a failed open is only reported by its result.
    using MessageBoxHook = std::function<void(const QString& text)>;

    // `replyBuffer` belongs to the program's link state and outlives this object. Nothing is logged
    // until setLogFilePath() names the file.
    explicit ComForm(QByteArray& replyBuffer, QObject* parent = nullptr);
    ~ComForm() override;

    // Replaces the transport (closing the old one); the link keeps its port map and monitor.
    void setTransport(std::unique_ptr<Transport> transport);
    void setPortMap(const PortMap& map) { m_portMap = map; }
    const PortMap& portMap() const { return m_portMap; }
    void setMessageBoxHook(MessageBoxHook hook) { m_messageBox = std::move(hook); }
    void setLogFilePath(const QString& path) { m_monitor.setLogFilePath(path); }
    QString logFilePath() const { return m_monitor.logFilePath(); }

    void SetVisibility(bool level) { m_monitor.setVisible(level); }
    bool isVisibleWindow() const { return m_monitor.isVisible(); }
    void SetLogOn();
    void SetCorliftActive() { m_loaderActive = true; }
    bool loaderActive() const { return m_loaderActive; }

    void WriteOut(const QString& str) { m_monitor.showSent(str); }
    void WriteIn(const QString& str) { m_monitor.showReceived(str); }
    // What the "Tx" and "Rx" boxes show.
    QString lastSent() const { return m_monitor.lastSent(); }
    QString lastReceived() const { return m_monitor.lastReceived(); }

    // The "Log to File" check box; checking it starts a new log.
    bool logChecked() const { return m_monitor.logChecked(); }
    void setLogChecked(bool checked) { m_monitor.setLogChecked(checked); }
    bool logEnabled() const { return m_monitor.logChecked(); }

    void ClearMScommInput();
    void SendMScommString(const QByteArray& str);
    QByteArray GetMScommInBuffer();
    int GetMScommInBufferCount() const;
    void CloseMScomm();
    bool CheckMScomm() const;

    bool SetupMScomm(int comPort, int comSpeed);
    bool SetupMScommForProduction(int comPort, int comSpeed);
    bool SetupMScommAsBinary(int comPort, int comSpeed);
    // Whether port `comPort` can be opened at `comSpeed`, tried silently; the port is closed after.
    bool portAvailable(int comPort, int comSpeed);
    // Why the last set-up failed; number 0 after one that succeeded.
    const PortProblem& lastProblem() const { return m_lastProblem; }
    // "/dev/ttyUSB0 (COM3)", or "COM3" where the number has no device or is the device's name.
    QString deviceDescription(int comPort) const;
    // For the status bar after a failed set-up: the port, its device, and that it did not open.
    QString openFailureText(int comPort) const;

    // "02 AA " for the bytes 0x02 0xAA: two upper-case hex digits and a blank per byte.
    static QString HexStringToReadable(const QByteArray& inputString);
    // Two hex digits to their byte; any other length gives 0, a character that is no hex digit counts 0.
    static int ConvertHexStringToByte(const QString& myInputStr);
    static QString myDecToHexString(int myInputVal);
    static QString myDecToChar(int myInputChar);

    // What the port is set to, for the Communication window and tests.
    QString portName() const { return m_transport->deviceName(); }
    qint32 baudRate() const { return m_transport->baudRate(); }

signals:
    void visibilityRequested(bool visible);
    // lastSent() or lastReceived() has changed.
    void txChanged();
    void rxChanged();
    void logCheckedChanged(bool checked);
    // The device went away (an unplugged adapter); the port has been closed.
    void portLost();
    // Bytes arrived and ReplyBuffer holds them; a flow that waits without a nested loop looks then.
    void received();

private:
    enum class Variant
    {
        Normal,
        Production,
        Binary,
    };
    bool setUp(Variant variant, int comPort, int comSpeed);
    void receive();

    QByteArray& m_replyBuffer;
    std::unique_ptr<Transport> m_transport;
    CommMonitor m_monitor;
    PortMap m_portMap;
    PortProblem m_lastProblem;
    MessageBoxHook m_messageBox;
    bool m_loaderActive = false;
};
