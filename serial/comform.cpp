#include "serial/comform.h"

#include "common/bytetext.h"
#include "serial/framers.h"
#include "serial/linespeed.h"
#include "serial/networktransport.h"
#include "serial/serialtransport.h"

ComForm::ComForm(QByteArray& replyBuffer, QObject* parent) : QObject(parent), m_replyBuffer(replyBuffer)
{
    connect(&m_monitor, &CommMonitor::visibilityRequested, this, &ComForm::visibilityRequested);
    connect(&m_monitor, &CommMonitor::txChanged, this, &ComForm::txChanged);
    connect(&m_monitor, &CommMonitor::rxChanged, this, &ComForm::rxChanged);
    connect(&m_monitor, &CommMonitor::logCheckedChanged, this, &ComForm::logCheckedChanged);
    setTransport(std::make_unique<SerialTransport>());
}

ComForm::~ComForm() = default;

void ComForm::setTransport(std::unique_ptr<Transport> transport)
{
    if (m_transport)
        m_transport->close();
    m_transport = std::move(transport);
    connect(m_transport.get(), &Transport::readyRead, this, &ComForm::receive);
    connect(m_transport.get(), &Transport::lost, this, &ComForm::portLost);
}

void ComForm::SetLogOn()
{
    if (!m_monitor.logChecked())
        m_monitor.setLogChecked(true);
}

void ComForm::ClearMScommInput()
{
    m_transport->discardInput();
    m_replyBuffer.clear();
}

void ComForm::SendMScommString(const QByteArray& str)
{
    if (!m_transport->write(str))
        return;
    m_monitor.showSentBytes(str);
}

QByteArray ComForm::GetMScommInBuffer()
{
    const int count = GetMScommInBufferCount();
    const QByteArray bytes = m_transport->readAll();
    m_monitor.showReceivedBytes(bytes.left(count));
    return bytes;
}

int ComForm::GetMScommInBufferCount() const
{
    return m_transport->isOpen() ? static_cast<int>(qMin<qint64>(m_transport->bytesAvailable(), 32767)) : 0;
}

void ComForm::CloseMScomm()
{
    m_transport->close();
}

bool ComForm::CheckMScomm() const
{
    return m_transport->isOpen();
}

bool ComForm::SetupMScomm(int comPort, int comSpeed)
{
    return setUp(Variant::Normal, comPort, comSpeed);
}

bool ComForm::SetupMScommForProduction(int comPort, int comSpeed)
{
    return setUp(Variant::Production, comPort, comSpeed);
}

bool ComForm::SetupMScommAsBinary(int comPort, int comSpeed)
{
    return setUp(Variant::Binary, comPort, comSpeed);
}

bool ComForm::portAvailable(int comPort, int comSpeed)
{
    // A network port is not tried: the server may serve one connection only, and a far host may
    // take seconds to answer. Its address is checked.
    if (const QString device = m_portMap.device(comPort); isNetworkAddress(device)) {
        const auto address = parseNetworkAddress(device);
        const QString* reason = std::get_if<QString>(&address);
        m_lastProblem = reason ? PortProblem{PortError::NoSuchPort, *reason, *reason} : PortProblem{};
        return !reason;
    }
    ClearMScommInput();
    CloseMScomm();
    const bool opened = SetupMScommForProduction(comPort, comSpeed);
    CloseMScomm();
    return opened;
}

bool ComForm::setUp(Variant variant, int comPort, int comSpeed)
{
    CloseMScomm();
    if (variant == Variant::Normal && (comPort <= 0 || comPort > PortMap::LastPort))
        return false;
    std::optional<qint32> baud = baudOfSpeedIndex(comSpeed);
    if (!baud && variant == Variant::Production)
        baud = 9600;
    const QString device = m_portMap.device(comPort);
    if (!m_transport->takes(device))
        setTransport(transportFor(device));
    if (m_transport->open(device, baud)) {
        m_lastProblem = {};
        return true;
    }
    m_lastProblem = m_transport->problem();
    if (variant != Variant::Production && m_messageBox)
        m_messageBox(m_lastProblem.message);
    return false;
}

QString ComForm::deviceDescription(int comPort) const
{
    const QString name = QStringLiteral("COM%1").arg(comPort);
    const QString device = m_portMap.device(comPort);
    return device.isEmpty() || device == name ? name : QStringLiteral("%1 (%2)").arg(device, name);
}

QString ComForm::openFailureText(int comPort) const
{
    if (m_portMap.device(comPort).isEmpty())
        return tr("COM%1 has no serial device: none is connected for it, and setup.ini pins none.")
            .arg(comPort);
    return tr("%1 could not be opened.").arg(deviceDescription(comPort));
}

void ComForm::receive()
{
    const QByteArray chunk = m_transport->readAll();
    const framers::Taken taken = m_loaderActive ? framers::takeLoaderText(m_replyBuffer, chunk)
                                                : framers::takeAmplifierBytes(m_replyBuffer, chunk);
    for (const QByteArray& bytes : taken.logged)
        m_monitor.showReceivedBytes(bytes);
    if (taken.notify)
        emit received();
}

QString ComForm::HexStringToReadable(const QByteArray& inputString)
{
    return CommMonitor::readableHex(inputString);
}

int ComForm::ConvertHexStringToByte(const QString& myInputStr)
{
    if (myInputStr.size() != 2)
        return 0;
    return common::hexDigitValue(myInputStr[0].unicode()) * 16 +
           common::hexDigitValue(myInputStr[1].unicode());
}

QString ComForm::myDecToHexString(int myInputVal)
{
    const int low = myInputVal & 15;
    const int high = (myInputVal - low) / 16;
    return myDecToChar(high) + myDecToChar(low);
}

QString ComForm::myDecToChar(int myInputChar)
{
    if (myInputChar >= 0 && myInputChar <= 9)
        return QString(QChar(u'0' + myInputChar));
    if (myInputChar >= 10 && myInputChar <= 15)
        return QString(QChar(u'A' + myInputChar - 10));
    return QStringLiteral(" ");
}
