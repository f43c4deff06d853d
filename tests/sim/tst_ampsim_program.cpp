#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// ampsim run as a program, the way the end-to-end tests and a person use it.
namespace {

// ampsim started with some options, and a serial port open on the device it printed.
class Session
{
public:
    explicit Session(const QStringList& args)
    {
        m_process.setProgram(QStringLiteral(AMPSIM_PATH));
        m_process.setArguments(args);
        m_process.start();
    }
    ~Session()
    {
        m_port.close();
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    bool connect()
    {
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_process.canReadLine() && clock.elapsed() < 5000)
            m_process.waitForReadyRead(100);
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        m_port.setPortName(m_path);
        m_port.setBaudRate(QSerialPort::Baud9600);
        if (!m_port.open(QIODevice::ReadWrite))
            return false;
        QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] {
            const QByteArray bytes = m_port.readAll();
            pieces << bytes.size();
            received += bytes;
        });
        return true;
    }
    void send(const QByteArray& bytes)
    {
        m_port.write(bytes);
        m_port.flush();
    }

    QString path() const { return m_path; }
    QProcess& process() { return m_process; }

    QByteArray received;
    QList<qsizetype> pieces;

private:
    QProcess m_process;
    QSerialPort m_port;
    QString m_path;
};

const QByteArray Status = QByteArray::fromHex("050100C8CE");
const QByteArray Connect = QByteArray::fromHex("0501000107");

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TestAmpSimProgram : public QObject
{
    Q_OBJECT
private slots:
    void printsItsDeviceAndAnswersOnlyItsAddress()
    {
        Session sim({"--model", "solstice", "--address", "300", "--firmware-version", "33"});
        QVERIFY(sim.connect());
        QVERIFY(sim.path().startsWith("/dev/"));
        sim.send(Status); // address 1: not for this unit
        sim.send(QByteArray::fromHex("052C01C8FA"));
        QTRY_COMPARE(sim.received.size(), 25);
        QCOMPARE(sim.received.at(0), char(25));
        QCOMPARE(sim.received.at(22), char(33));
        QCOMPARE(sim.received.at(23), char(2));
    }

    // A name with line breaks and NULs, to try a setup dialog on a hostile amplifier.
    void servesTheNameItIsGiven()
    {
        Session sim({"--model", "rx900", "--name", "A]\\r\\n\\0\\x41\\\\"});
        QVERIFY(sim.connect());
        sim.send(QByteArray::fromHex("050100C5CB"));
        QTRY_COMPARE(sim.received.size(), 22);
        QCOMPARE(sim.received.mid(1, 20), QByteArray("A]\r\n\0A\\", 7) + QByteArray(13, ' '));
    }

    void logsEveryRequestAsHex()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("requests.log");
        Session sim({"--model", "rx900", "--log", log});
        QVERIFY(sim.connect());
        sim.send(Connect);
        sim.send(QByteArray::fromHex("07010070C70140"));
        sim.send(QByteArray::fromHex("050200C8CF"));
        QTRY_COMPARE(logLines(log),
                     (QStringList{"05 01 00 01 07", "07 01 00 70 C7 01 40", "05 02 00 C8 CF"}));
        QTRY_COMPARE(sim.received, QByteArray::fromHex("02AA02AA"));
    }

    // The reply fault options, on the handshake.
    void replyFaults_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("notBefore"); // ms
        QTest::addColumn<int>("pieces");    // reads it arrives in; 0: any
        const QByteArray ack = QByteArray::fromHex("02AA");
        QTest::newRow("wrong byte") << QStringList{"--wrong-byte", "2"} << Connect
                                    << QByteArray::fromHex("0255") << 0 << 0;
        QTest::newRow("extra bytes") << QStringList{"--extra", "3"} << Connect
                                     << QByteArray::fromHex("02AAEEEEEE") << 0 << 0;
        QTest::newRow("wrong byte past the end")
            << QStringList{"--wrong-byte", "9"} << Connect << ack << 0 << 0;
        QTest::newRow("faults for another code")
            << QStringList{"--fault-code", "C8", "--extra", "1"} << Connect << ack << 0 << 0;
        // Replies leave in order, so the status reply would have come first.
        QTest::newRow("no reply for the chosen code") << QStringList{"--no-reply", "--fault-code", "0xC8"}
                                                      << QByteArray(Status + Connect) << ack << 0 << 0;
        const QByteArray status = "1901C20100C201E703010104000000000000000006001201";
        QTest::newRow("checksum inverted")
            << QStringList{"--bad-checksum"} << Status << QByteArray::fromHex(status + "56") << 0 << 0;
        QTest::newRow("length byte, checksum matching")
            << QStringList{"--length-byte", "24", "--fault-code", "C8"} << Status
            << QByteArray::fromHex("18" + status.mid(2) + "A8") << 0 << 0;
        QTest::newRow("the second reply only")
            << QStringList{"--fault-after", "1", "--fault-times", "1", "--wrong-byte", "2"}
            << QByteArray(Connect + Connect + Connect) << QByteArray::fromHex("02AA025502AA") << 0 << 0;
        QTest::newRow("delayed") << QStringList{"--delay", "300"} << Connect << ack << 290 << 0;
        QTest::newRow("in chunks") << QStringList{"--chunk", "1", "--chunk-gap", "150"} << Connect << ack
                                   << 140 << 2;
    }
    void replyFaults()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, reply);
        QFETCH(int, notBefore);
        QFETCH(int, pieces);
        Session sim(QStringList{"--model", "kma840", "--address", "1"} + options);
        QVERIFY(sim.connect());
        QElapsedTimer clock;
        clock.start();
        sim.send(sent);
        QTRY_COMPARE(sim.received, reply);
        QVERIFY2(clock.elapsed() >= notBefore, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(pieces == 0 || sim.pieces.size() == pieces);
    }

    void lineNoiseFollowsEachReply()
    {
        Session sim({"--model", "kma840", "--noise", "6"});
        QVERIFY(sim.connect());
        sim.send(Connect);
        QTRY_COMPARE(sim.received.size(), 2 + 6);
        QCOMPARE(sim.received.left(2), QByteArray::fromHex("02AA"));
    }

    void hangsUpAfterSomeRequests()
    {
        Session sim({"--model", "generic21", "--hangup-after", "2"});
        QVERIFY(sim.connect());
        sim.send(Status);
        QTRY_COMPARE(sim.received.size(), 21);
        sim.send(Connect);
        QVERIFY(sim.process().waitForFinished(5000));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
    }

    void pointsTheProgramsAtItself_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("address");
        QTest::newRow("amplifier") << QStringList{"--model", "kma840", "--address", "7"} << "DevAdr=7\r\n";
        QTest::newRow("boot loader") << QStringList{"--boot", "rx900"} << "";
    }
    void pointsTheProgramsAtItself()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, address);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("setup.ini"));
        Session sim(options + QStringList{"--setup-ini", ini, "--com", "3"});
        QVERIFY(sim.connect());
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(file.readAll()),
                 "[ComSettings]\r\nCOM3=" + sim.path() + "\r\nComPort=3\r\n" + address);
    }

    void badOptionsAreRefused_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("no model") << QStringList{};
        QTest::newRow("unknown model") << QStringList{"--model", "vx1000"};
        QTest::newRow("address too big") << QStringList{"--model", "vx900", "--address", "65536"};
        QTest::newRow("fault code not hex") << QStringList{"--model", "vx900", "--fault-code", "ZZ"};
        QTest::newRow("length byte beyond a byte") << QStringList{"--model", "vx900", "--length-byte", "256"};
        QTest::newRow("unknown product") << QStringList{"--boot", "rx1000"};
        QTest::newRow("port beyond the menu") << QStringList{"--model", "vx900", "--com", "17"};
    }
    void badOptionsAreRefused()
    {
        QFETCH(QStringList, options);
        QProcess process;
        process.start(QStringLiteral(AMPSIM_PATH), options);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY(!process.readAllStandardError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAmpSimProgram)
#include "tst_ampsim_program.moc"
