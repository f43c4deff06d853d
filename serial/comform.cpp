#include "serial/comform.h"

#include "common/bytetext.h"

namespace {

// The receive handler keeps ReplyBuffer below this length.
constexpr qsizetype ReplyBufferLimit = 80;

struct LineFormat
{
    qint32 baud;
};

// Speed index to line format; every format is 8 data bits, no parity, 1 stop bit.
std::optional<LineFormat> lineFormat(int comSpeed)
{
    switch (comSpeed) {
    case 0:
        return LineFormat{9600};
    case 1:
        return LineFormat{57600};
    case 2:
        return LineFormat{115200};
    default:
        return std::nullopt;
    }
}

} // namespace

ComForm::ComForm(QByteArray& replyBuffer, QObject* parent)
    : QObject(parent), m_replyBuffer(replyBuffer), m_log(QString())
{
    connect(&m_port, &QSerialPort::readyRead, this, &ComForm::receive);
    connect(&m_port, &QSerialPort::errorOccurred, this, &ComForm::portError);
}

ComForm::~ComForm() = default;

void ComForm::SetVisibility(bool level)
{
    m_visible = level;
    emit visibilityRequested(level);
}

void ComForm::SetLogOn()
{
    if (!m_logChecked)
        setLogChecked(true);
}

void ComForm::setLogChecked(bool checked)
{
    // The box and the log never disagree; a repeated call must not start the log over.
    if (m_logChecked == checked)
        return;
    m_logChecked = checked;
    m_logEnabled = checked;
    if (checked)
        m_log.start();
    emit logCheckedChanged(checked);
}

void ComForm::WriteOut(const QString& str)
{
    m_txText = str;
    emit txTextChanged(str);
    if (m_logEnabled)
        m_log.append(str);
}

void ComForm::WriteIn(const QString& str)
{
    m_rxText = str;
    emit rxTextChanged(str);
    if (m_logEnabled)
        m_log.append(str);
}

void ComForm::ClearMScommInput()
{
    if (m_port.isOpen()) {
        m_port.clear(QSerialPort::Input);
        m_port.readAll();
    }
    m_replyBuffer.clear();
}

void ComForm::SendMScommString(const QByteArray& str)
{
    if (!m_port.isOpen() || m_port.write(str) != str.size())
        return;
    // Hand the bytes to the driver now: a caller may pause without serving the port's notifiers.
    // A second flush finds everything written and stops the port's write notifier, which would
    // otherwise wake the event loop once more just to learn that nothing is left to write.
    m_port.flush();
    m_port.flush();
    WriteOut(QStringLiteral("TX: ") + HexStringToReadable(str));
}

QByteArray ComForm::GetMScommInBuffer()
{
    const int count = GetMScommInBufferCount();
    const QByteArray bytes = m_port.isOpen() ? m_port.readAll() : QByteArray();
    WriteIn(QStringLiteral("RX: ") + HexStringToReadable(bytes.left(count)));
    return bytes;
}

int ComForm::GetMScommInBufferCount() const
{
    return m_port.isOpen() ? static_cast<int>(qMin<qint64>(m_port.bytesAvailable(), 32767)) : 0;
}

void ComForm::CloseMScomm()
{
    if (m_port.isOpen())
        m_port.close();
}

bool ComForm::CheckMScomm() const
{
    return m_port.isOpen();
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

    const QString device = m_portMap.device(comPort);
    m_port.setPortName(device);
    if (const auto format = lineFormat(comSpeed))
        m_port.setBaudRate(format->baud);
    else if (variant == Variant::Production)
        m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    m_binaryInput = variant == Variant::Binary;

    if (!device.isEmpty() && m_port.open(QIODevice::ReadWrite)) {
        // The queues can only be emptied on an open port: anything left from before is dropped.
        m_port.clear(QSerialPort::AllDirections);
        m_lastProblem = {};
        return true;
    }

    m_lastProblem = describePortError(m_port.error(), device);
    m_port.clearError();
    CloseMScomm();
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
    const QByteArray chunk = m_port.readAll();
    if (!m_loaderActive) {
        m_replyBuffer += chunk;
        // The first byte of every amplifier reply is its total length.
        if (!m_replyBuffer.isEmpty() &&
            m_replyBuffer.size() >= static_cast<unsigned char>(m_replyBuffer.front())) {
            WriteIn(QStringLiteral("RX: ") + HexStringToReadable(m_replyBuffer));
        }
        if (m_replyBuffer.size() > ReplyBufferLimit) {
            WriteIn(QStringLiteral("RX: ") + HexStringToReadable(m_replyBuffer));
            m_replyBuffer.clear();
        }
        emit received();
        return;
    }

    // A boot loader talks in text lines ("OK", "Wrong signature"): nothing received may be lost
    // before the loader has looked at it, so a long buffer keeps its most recent part, and the
    // newest piece stays whole however long it is ("OK" followed by a long banner).
    if (chunk.isEmpty())
        return;
    if (m_replyBuffer.size() > ReplyBufferLimit)
        m_replyBuffer = m_replyBuffer.right(ReplyBufferLimit);
    m_replyBuffer += chunk;
    WriteIn(QStringLiteral("RX: ") + HexStringToReadable(m_replyBuffer));
    emit received();
}

void ComForm::portError(QSerialPort::SerialPortError error)
{
    // An unplugged adapter shows as a resource error; a hung-up terminal reads end-of-file, which
    // shows as a read error that repeats for as long as the port stays open.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !m_port.isOpen())
        return;
    m_port.clearError();
    m_port.close();
    emit portLost();
}

QString ComForm::HexStringToReadable(const QByteArray& inputString)
{
    // Every packet sent and received passes here: no string per byte.
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    QString readable(inputString.size() * 3, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(readable.data());
    for (const char c : inputString) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = Digits[byte >> 4];
        *out++ = Digits[byte & 15];
        *out++ = u' ';
    }
    return readable;
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
