#include "settings/filelocations.h"
#include "settings/inifilehandler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// Permission bits do not stop root, so tests that need a read-only directory skip there.
bool permissionsApply()
{
    return ::geteuid() != 0;
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ini = m_dir->filePath(QStringLiteral("setup.ini"));
    }

    void missingKeyWritesItsDefaultBack()
    {
        QCOMPARE(ReadIniValue("Tevlin", "UpdateSpeed", "3500", m_ini), QStringLiteral("3500"));
        QCOMPARE(readFile(m_ini), QByteArray("[Tevlin]\r\nUpdateSpeed=3500\r\n"));
        QCOMPARE(ReadIniValue("Tevlin", "UpdateSpeed", "9999", m_ini), QStringLiteral("3500"));
    }

    void emptyValueIsReplacedByTheDefault()
    {
        // An empty default writes nothing back.
        writeFile(m_ini, "[ComSettings]\r\nDevAdr=\r\nComPort=3\r\n");
        QCOMPARE(ReadIniValue("ComSettings", "DevAdr", "", m_ini), QString());
        QCOMPARE(ReadIniValue("Corlifter", "File name", "", m_ini), QString());
        QCOMPARE(ReadIniValue("ComSettings", "DevAdr", "?", m_ini), QStringLiteral("?"));
        QCOMPARE(readFile(m_ini), QByteArray("[ComSettings]\r\nDevAdr=?\r\nComPort=3\r\n"));
    }

    void namesMatchWithoutCase()
    {
        writeFile(m_ini, "[comsettings]\nCOMPORT=7\n");
        QCOMPARE(ReadIniValue("ComSettings", "ComPort", "1", m_ini), QStringLiteral("7"));
        QVERIFY(WriteIniValue("COMSETTINGS", "comport", "8", m_ini));
        QCOMPARE(readFile(m_ini), QByteArray("[comsettings]\ncomport=8\n"));
    }

    void longValuesAreCutTo254()
    {
        const QString value(300, u'x');
        QVERIFY(WriteIniValue("Amp", "Name", value, m_ini));
        QCOMPARE(ReadIniValue("Amp", "Name", "", m_ini), value.left(254));
    }

    void keysWithBlanksAndCommaValuesStayAsTheyAre()
    {
        QVERIFY(WriteIniValue("Corlifter", "File name", "/home/tech/fw v2.s19", m_ini));
        QVERIFY(WriteIniValue("Living Room", "Input 1 Sens", "55,0", m_ini));
        QCOMPARE(readFile(m_ini), QByteArray("[Corlifter]\r\nFile name=/home/tech/fw v2.s19\r\n"
                                             "[Living Room]\r\nInput 1 Sens=55,0\r\n"));
        QCOMPARE(ReadIniValue("living room", "input 1 sens", "", m_ini), QStringLiteral("55,0"));
    }

    void foreignLinesArePreservedByteForByte()
    {
        const QByteArray before = "; written by another tool\r\n"
                                  "[ComSettings]\r\n"
                                  "ComPort = 2\r\n"
                                  "OtherTool=\"quoted, value\"\r\n"
                                  "\r\n"
                                  "# trailing comment\r\n"
                                  "[Tevlin]\n"
                                  "Debug=0\n"
                                  "garbage line without equals\n"
                                  "caf\xe9=\xff\xfe";
        writeFile(m_ini, before);
        QVERIFY(WriteIniValue("ComSettings", "ComSpeed", "9600", m_ini));
        QVERIFY(WriteIniValue("Tevlin", "Debug", "86", m_ini));
        QVERIFY(WriteIniValue("Corlifter", "Delay", "350", m_ini));
        const QByteArray after = "; written by another tool\r\n"
                                 "[ComSettings]\r\n"
                                 "ComPort = 2\r\n"
                                 "OtherTool=\"quoted, value\"\r\n"
                                 "ComSpeed=9600\r\n"
                                 "\r\n"
                                 "# trailing comment\r\n"
                                 "[Tevlin]\n"
                                 "Debug=86\n"
                                 "garbage line without equals\n"
                                 "caf\xe9=\xff\xfe\r\n"
                                 "[Corlifter]\r\n"
                                 "Delay=350\r\n";
        QCOMPARE(readFile(m_ini), after);
        QCOMPARE(ReadIniValue("ComSettings", "ComPort", "1", m_ini), QStringLiteral("2"));
        QCOMPARE(ReadIniValue("Tevlin", QString::fromLatin1("caf\xe9"), "", m_ini),
                 QString::fromLatin1("\xff\xfe"));
    }

    void hostileNamesNeverTouchOtherKeys_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("value");
        QTest::newRow("LF in section") << "Amp\n[Tevlin]\nDebug=86"
                                       << "1";
        QTest::newRow("CR in section") << "Amp\r[Tevlin]\rDebug=86"
                                       << "1";
        QTest::newRow("bracket in section") << "Amp]\r\nDebug=86\r\n[x"
                                            << "1";
        QTest::newRow("close bracket only") << "Tevlin]Debug"
                                            << "86";
        QTest::newRow("LF in value") << "Amp"
                                     << "1\n[Tevlin]\nDebug=86";
        QTest::newRow("CR LF in value") << "Amp"
                                        << "1\r\nDebug=86";
        QTest::newRow("NUL in value") << "Amp" << QStringLiteral("1") + QChar(0) + "\nDebug=86";
    }
    void hostileNamesNeverTouchOtherKeys()
    {
        QFETCH(QString, section);
        QFETCH(QString, value);
        writeFile(m_ini, "[Tevlin]\r\nDebug=0\r\n");
        QVERIFY(WriteIniValue(section, "Name", value, m_ini));
        QCOMPARE(ReadIniValue("Tevlin", "Debug", "0", m_ini), QStringLiteral("0"));
        // Every line of the file is either the original two, one header, or one key line.
        const QList<QByteArray> lines = readFile(m_ini).split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[2].startsWith('[') && lines[2].endsWith("]\r"));
        QCOMPARE(lines[2].count(']'), 1);
        QVERIFY(lines[3].startsWith("Name="));
        // What was written reads back under the same names.
        QVERIFY(!ReadIniValue(section, "Name", "", m_ini).isEmpty());
    }

    void hostileKeysStayOnTheirLine()
    {
        QVERIFY(WriteIniValue("Amp", "[Tevlin]", "1", m_ini));
        QVERIFY(WriteIniValue("Amp", "a=b", "2", m_ini));
        QCOMPARE(readFile(m_ini), QByteArray("[Amp]\r\n_Tevlin]=1\r\na-b=2\r\n"));
        QCOMPARE(ReadIniValue("Amp", "a=b", "", m_ini), QStringLiteral("2"));
    }

    void readOnlyDirectoryReturnsDefaultsAndFalse()
    {
        // Nothing can be created in /proc, not even by root.
        const QString readOnly = QStringLiteral("/proc/setup.ini");
        QVERIFY(!WriteIniValue("Tevlin", "UpdateSpeed", "3500", readOnly));
        QCOMPARE(ReadIniValue("Tevlin", "UpdateSpeed", "3500", readOnly), QStringLiteral("3500"));
        if (!permissionsApply())
            return;
        writeFile(m_ini, "[Tevlin]\r\nDebug=86\r\n");
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(!WriteIniValue("Tevlin", "UpdateSpeed", "3500", m_ini));
        QCOMPARE(ReadIniValue("Tevlin", "Debug", "0", m_ini), QStringLiteral("86"));
        QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(readFile(m_ini), QByteArray("[Tevlin]\r\nDebug=86\r\n"));
    }

    void failedWriteLeavesTheOldFileIntact()
    {
        // A file-size limit below the new content stands for a full disk: the write fails
        // part way, and the old file must be untouched.
        const QByteArray old = "[Tevlin]\r\nDebug=86\r\n";
        writeFile(m_ini, old);
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 24;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool written = WriteIniValue("Tevlin", "UpdateSpeed", "3500", m_ini);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY(!written);
        QCOMPARE(readFile(m_ini), old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"setup.ini"});
    }

    void devicesAndHugeFilesAreNotLoaded()
    {
        QCOMPARE(ReadIniValue("Tevlin", "Debug", "", QStringLiteral("/dev/zero")), QString());
        QVERIFY(!WriteIniValue("Tevlin", "Debug", "0", QStringLiteral("/dev/full")));
    }

    void dataDirectoryFallsBackWhenTheProgramDirectoryIsReadOnly()
    {
        const QString user = m_dir->filePath(QStringLiteral("user/korvanes"));
        QCOMPARE(dataDirectoryFor(m_dir->path(), user), m_dir->path());
        QCOMPARE(dataDirectoryFor(QStringLiteral("/proc"), user), user);
        QVERIFY(QDir(user).exists());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
