#include "serial/comform.h"
#include "serial/commlog.h"
#include "serial/porterror.h"
#include "serial/portmap.h"

#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>
#include <unistd.h>

class TestHexText : public QObject
{
    Q_OBJECT
private slots:
    void readableHex_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readable");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("ack") << QByteArray::fromHex("02aa") << QStringLiteral("02 AA ");
        QTest::newRow("status request")
            << QByteArray::fromHex("050100c8ce") << QStringLiteral("05 01 00 C8 CE ");
        QTest::newRow("extremes") << QByteArray::fromHex("00ff80") << QStringLiteral("00 FF 80 ");
    }
    void readableHex()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readable);
        QCOMPARE(ComForm::HexStringToReadable(bytes), readable);
    }

    void hexTextToByte_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("ff") << "ff" << 255;
        QTest::newRow("FF") << "FF" << 255;
        QTest::newRow("0A") << "0A" << 10;
        QTest::newRow("one character") << "1" << 0;
        QTest::newRow("three characters") << "123" << 0;
        QTest::newRow("G1") << "G1" << 1;
        QTest::newRow("blank and sign") << " -" << 0;
    }
    void hexTextToByte()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(ComForm::ConvertHexStringToByte(text), value);
        // And back: two upper-case digits; a "digit" beyond 15 is a blank.
        if (QRegularExpression(QStringLiteral("^[0-9a-fA-F]{2}$")).match(text).hasMatch())
            QCOMPARE(ComForm::myDecToHexString(value), text.toUpper());
        QCOMPARE(ComForm::myDecToChar(16), QStringLiteral(" "));
    }

    void bannerLinesAreAll107Characters()
    {
        const QStringList banner = CommLog::banner(QDateTime(QDate(2026, 12, 5), QTime(18, 45, 0)));
        QCOMPARE(banner.size(), 6);
        for (const QString& line : banner)
            QCOMPARE(line.size(), 107);
        QCOMPARE(banner[0], QString(107, u'*'));
        QCOMPARE(banner[5], banner[0]);
        QCOMPARE(banner[2], banner[4]);
        QVERIFY(banner[1].startsWith(
            QStringLiteral("*   Logfile for serial comunication between PC and Korvanes products   ")));
        QCOMPARE(banner[3], QStringLiteral("*   Start time : 05.12.2026 18.45.00") + QString(70, u' ') +
                                QStringLiteral("*"));
        QCOMPARE(CommLog::timestamp(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
                 QStringLiteral("02.01.2026 03.04.05"));
    }

    // A refused open as the user hears of it. A device we may use but cannot open is held by
    // another program; one we may not use needs the dialout group.
    void portErrors_data()
    {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<QString>("device"); // "usable" and "forbidden": an existing file
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message"); // how it starts
        QTest::addColumn<QString>("words");
        using E = QSerialPort::SerialPortError;
        QTest::newRow("no device") << E::DeviceNotFoundError << "/dev/gone" << 8002
                                   << "Comm Port not available!"
                                   << "no such device";
        QTest::newRow("none mapped") << E::OpenError << "" << 8002 << "Comm Port not available!"
                                     << "no such device";
        QTest::newRow("open") << E::OpenError << "/dev/x" << 8005 << "Comm Port already open"
                              << "";
        QTest::newRow("not open") << E::NotOpenError << "/dev/x" << 8012 << "Comm Port not open"
                                  << "";
        QTest::newRow("in use") << E::PermissionError << "usable" << 8005 << "Comm Port already open"
                                << "in use by another program";
        QTest::newRow("forbidden") << E::PermissionError << "forbidden" << 8102
                                   << "Unknown Comm port problem - Error 8102\n\nYou may not use"
                                   << "permission denied (join the dialout group)";
        QTest::newRow("other") << E::ResourceError << "/dev/x" << 8106
                               << "Unknown Comm port problem - Error 8106"
                               << "";
    }
    void portErrors()
    {
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(QString, device);
        QFETCH(int, number);
        QFETCH(QString, message);
        QFETCH(QString, words);
        QTemporaryFile file;
        if (device == "usable" || device == "forbidden") {
            QVERIFY(file.open());
            if (device == "forbidden" && ::geteuid() == 0)
                QSKIP("root may use every device");
            if (device == "forbidden")
                QVERIFY(file.setPermissions({}));
            device = file.fileName();
        }
        const PortProblem problem = describePortError(error, device);
        QCOMPARE(problem.number, number);
        QVERIFY2(problem.message.startsWith(message), qPrintable(problem.message));
        QCOMPARE(problem.words, words);
    }

    void portMapPutsUsbFirstAndHonoursPins()
    {
        const QStringList ordered = PortMap::orderedDevices(
            {"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyUSB0"});
        QCOMPARE(ordered,
                 QStringList({"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS2", "/dev/ttyS10"}));

        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[2] = "/dev/pts/7";
        pins[3] = "/dev/ttyUSB0";
        const PortMap map({"/dev/ttyUSB0", "/dev/ttyS0"}, pins);
        QCOMPARE(map.device(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(map.device(2), QStringLiteral("/dev/pts/7"));
        QCOMPARE(map.device(3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(map.device(4), QString());
        QCOMPARE(map.device(0), QString());
        QCOMPARE(map.device(17), QString());
        QCOMPARE(map.menuCaption(2), QStringLiteral("COM2  (/dev/pts/7)"));
        QCOMPARE(map.menuCaption(4), QStringLiteral("COM4"));
    }
};

QTEST_GUILESS_MAIN(TestHexText)
#include "tst_hextext.moc"
