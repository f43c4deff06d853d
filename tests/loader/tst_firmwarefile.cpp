#include "loader/firmwarefile.h"
#include "srecords.h"

#include <QTemporaryDir>
#include <QTest>

using loader::CheckOutcome;

class TestFirmwareFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString file(const QByteArray& content)
    {
        const QString path = m_dir.filePath(QStringLiteral("f%1.s19").arg(++m_files));
        if (!srec::writeFile(path, content))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void identifiesEachProduct_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("lastBootLine");
        QTest::newRow("RX900") << QByteArray("S0090000525839303000B3") << "RX900"
                               << "File for RX 900/VX 900 and file is ok"
                               << "Release both buttons and RX 900/VX 900 is in bootmode.";
        QTest::newRow("KMA840") << QByteArray("S00A00004B4D413834300080") << "KMA840"
                                << "File for KMA840 and file is ok"
                                << "Release both volumebuttons and KMA840 is in bootmode.";
        QTest::newRow("SOLSMK3") << QByteArray("S00B0000534F4C534D4B3300E8") << "Solstice Mk.III"
                                 << "File for Solstice Mk.III/Mk.IV and file is ok"
                                 << "Release both buttons and Solstice is in bootmode.";
        QTest::newRow("PL-4") << QByteArray("S0080000504C2D3400FA") << "PL-4"
                              << "File for PL-4 and file is ok"
                              << "Release both buttons and PL-4 is in bootmode.";
        QTest::newRow("RX900+") << QByteArray("S00A000052583930302B0087") << "RX900+"
                                << "File for RX 900/VX 900 and file is ok"
                                << "Release both buttons and RX 900/VX 900 is in bootmode.";
        QTest::newRow("HALCYON") << QByteArray("S00B000048414C43594F4E00E6") << "Halcyon"
                                 << "File for Halcyon and file is ok"
                                 << "Release both buttons and Halcyon is in bootmode.";
        QTest::newRow("ADC") << QByteArray("S00700004144430030") << "Solstice ADC"
                             << "File for Solstice ADC and file is ok"
                             << "Release both buttons, and the Solstice ADC will be in bootmode.";
        QTest::newRow("MZA") << QByteArray("S00700004D5A410010") << "MZA-2"
                             << "File for MZA-2 and file is ok"
                             << "Release both buttons, and the MZA-2 will be in bootmode.";
        QTest::newRow("QZ") << QByteArray("S0060000515A004E") << "TQ-6"
                            << "File for TQ-6 and file is ok"
                            << "Release the button, and the TQ-6 will be in bootmode.";
    }
    void identifiesEachProduct()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, name);
        QFETCH(QString, status);
        QFETCH(QString, lastBootLine);
        const auto result = loader::checkFirmwareFile(file(srec::firmware(header, 2)));
        QCOMPARE(result.outcome, CheckOutcome::Valid);
        QVERIFY(result.product);
        QCOMPARE(QString::fromLatin1(result.product->name), name);
        QCOMPARE(QString::fromLatin1(result.product->statusText), status);
        const QString boot = loader::bootModeText(*result.product);
        QVERIFY(boot.startsWith(QStringLiteral("\r\nBootmode:\r\n")));
        QVERIFY(boot.endsWith(lastBootLine + QStringLiteral("\r\n")));
        QCOMPARE(boot.count(QStringLiteral("\r\n")), 5);
    }

    void rejectsNearMisses_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("lower case hex") << srec::firmware("S0090000525839303000b3", 1);
        QTest::newRow("trailing blank") << srec::firmware("S0090000525839303000B3 ", 1);
        QTest::newRow("header on second line")
            << "S9030000FC\r\n" + srec::firmware("S0090000525839303000B3", 1);
    }
    void rejectsNearMisses()
    {
        QFETCH(QByteArray, content);
        const auto result = loader::checkFirmwareFile(file(content));
        QCOMPARE(result.outcome, CheckOutcome::NotValid);
    }

    void sumsUploadTotal_data()
    {
        const QByteArray header = "S0090000525839303000B3\r\n";
        const QByteArray thirteen(16, '\x55');
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("total");
        QTest::newRow("only S9") << header + srec::s9 << qint64(20);
        QTest::newRow("count 13 at 0000")
            << header + srec::s1(0x0000, thirteen) + "\r\n" + srec::s9 << qint64(36);
        QTest::newRow("count 13 at EF08")
            << header + srec::s1(0xEF08, thirteen) + "\r\n" + srec::s9 << qint64(20);
        QTest::newRow("count 13 at EEFF")
            << header + srec::s1(0xEEFF, thirteen) + "\r\n" + srec::s9 << qint64(36);
        QTest::newRow("lines after S9 not counted")
            << header + srec::s9 + "\r\n" + srec::s1(0, thirteen) + "\r\n"
            << qint64(20);
        QTest::newRow("longest possible record")
            << header + "S1FF0000" + QByteArray(2 * 0xFD, '0') + "\r\n" + srec::s9 << qint64(20 + 252);
    }
    void sumsUploadTotal()
    {
        QFETCH(QByteArray, content);
        QFETCH(qint64, total);
        const auto result = loader::checkFirmwareFile(file(content));
        QCOMPARE(result.outcome, CheckOutcome::Valid);
        QCOMPARE(result.uploadTotal, total);
    }

    void refusesWhatNoFirmwareCanBe_data()
    {
        const QByteArray header = "S0090000525839303000B3\r\n";
        const QByteArray record = srec::s1(0, QByteArray(16, '\x55')) + "\r\n";
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<CheckOutcome>("outcome");
        QTest::newRow("record one character too long")
            << header + "S1FF0000" + QByteArray(2 * 0xFD + 1, '0') + "\r\n" + srec::s9
            << CheckOutcome::LineTooLong;
        QTest::newRow("4 MB line after the end record")
            << header + srec::s9 + "\r\n" + QByteArray(4000000, 'A') << CheckOutcome::LineTooLong;
        QByteArray huge = header;
        while (huge.size() <= loader::MaxFirmwareFileSize)
            huge += record;
        QTest::newRow("larger than any firmware") << huge << CheckOutcome::FileTooLarge;
    }
    void refusesWhatNoFirmwareCanBe()
    {
        QFETCH(QByteArray, content);
        QFETCH(CheckOutcome, outcome);
        QCOMPARE(loader::checkFirmwareFile(file(content)).outcome, outcome);
    }

    // Every record is checked, beyond the first line and the byte counts; the first fault is named.
    void namesDamagedRecords_data()
    {
        QTest::addColumn<QByteArray>("record"); // the third line of a KMA840 file
        QTest::addColumn<QString>("fault");     // "" for a sound record
        QTest::newRow("sound S1") << srec::s1(0x1234, "\x01\x02") << "";
        QTest::newRow("sound S2, lower case") << QByteArray("S2050123450f82") << "";
        QTest::newRow("sound S3") << QByteArray("S30500000000FA") << "";
        QTest::newRow("checksum") << QByteArray("S1050000AA55FC")
                                  << "line 3: checksum FC, but the record's bytes give FB";
        QTest::newRow("odd hex digit")
            << QByteArray("S1050000AA5FB")
            << "line 3: an odd number of hex digits (11): one is missing or one too many";
        QTest::newRow("not hex") << QByteArray("S1050000AG55FB") << "line 3: character 10 is not a hex digit";
        QTest::newRow("trailing blank")
            << QByteArray("S1050000AA55FB ") << "line 3: character 15 is not a hex digit";
        QTest::newRow("count too short")
            << QByteArray("S1040000AA55FB") << "line 3: byte count 04 says 4 bytes follow, but 5 do";
        QTest::newRow("count too long")
            << QByteArray("S1060000AA55FB") << "line 3: byte count 06 says 6 bytes follow, but 5 do";
        QTest::newRow("count below address and checksum")
            << QByteArray("S502FFFF")
            << "line 3: byte count 02 is too small for this record type (at least 03)";
        QTest::newRow("type alone")
            << QByteArray("S9") << "line 3: byte count 00 is too small for this record type (at least 03)";
        QTest::newRow("no type") << QByteArray(":1000")
                                 << "line 3: not an S-record (it must start with S and the type digit)";
        QTest::newRow("S4") << QByteArray("S4030000FC") << "line 3: S4 is no record type";
    }
    void namesDamagedRecords()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, fault);
        // A blank line is no record: the line after it is still counted.
        const auto result = loader::checkFirmwareFile(
            file("S00A00004B4D413834300080\r\n\r\n" + record + "\r\n" + srec::s9 + "\r\n"));
        QCOMPARE(result.outcome, CheckOutcome::Valid);
        QCOMPARE(result.records.damaged, fault.isEmpty() ? 0 : 1);
        QCOMPARE(result.records.first.isEmpty() ? QString() : loader::describe(result.records.first.front()),
                 fault);
    }

    void reportsMissingAndUnreadableFiles()
    {
        QCOMPARE(loader::checkFirmwareFile(m_dir.filePath(QStringLiteral("nothing.s19"))).outcome,
                 CheckOutcome::NotFound);
        QCOMPARE(loader::checkFirmwareFile(m_dir.path()).outcome, CheckOutcome::NotFound);
        QCOMPARE(loader::checkFirmwareFile(QString()).outcome, CheckOutcome::NotFound);
        QCOMPARE(loader::checkFirmwareFile(file({})).outcome, CheckOutcome::Unreadable);
    }

    void guideTextEndsEachLineWithCrLf()
    {
        const QString guide = loader::guideText();
        QVERIFY(guide.startsWith(QStringLiteral("Upgrade steps\r\n1: Make sure that a serial cable")));
        QVERIFY(guide.endsWith(QStringLiteral("7: Wait for the product to Initialize.\r\n\r\n")));
        QCOMPARE(guide.count(QStringLiteral("\r\n")), 9);
        QCOMPARE(guide.count(u'\n'), 9);
    }
};

QTEST_APPLESS_MAIN(TestFirmwareFile)
#include "tst_firmwarefile.moc"
