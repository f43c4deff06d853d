#include "settings/filelocations.h"
#include "settings/inifilehandler.h"
#include "settings/windowplacement.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
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

constexpr int WriterKeys = 150;

// One of the writers of twoProcessesWritingAtOnceLoseNothing.
int writeKeys(const QString& ini, const QString& prefix)
{
    for (int i = 0; i < WriterKeys; ++i) {
        if (!WriteIniValue("Shared", prefix + QString::number(i), QString::number(i), ini))
            return 1;
    }
    return 0;
}

// Takes the lock of `ini`, says so, and keeps it until killed, as a hung program would.
int holdLock(const QString& ini)
{
    QLockFile lock(ini + QStringLiteral(".lock"));
    if (!lock.tryLock(1000))
        return 1;
    std::fputs("locked\n", stdout);
    std::fflush(stdout);
    ::pause();
    return 0;
}

// Moves the file's modification time an hour back, as if it had been written long ago.
void backdate(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
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

    // Whatever another program does to the file between two reads, the second read sees it, also
    // right after the first read, when the file's time stamp may not have moved yet; a key it
    // removed is written back with its default.
    void readsSeeEditsByOthers_data()
    {
        QTest::addColumn<bool>("settled"); // last changed long before the first read
        QTest::addColumn<QByteArray>("edit");
        QTest::addColumn<QByteArray>("after"); // the file the edit leaves
        QTest::addColumn<QString>("read");
        QTest::addColumn<QByteArray>("file"); // after the second read
        const QByteArray two = "[A]\r\nk=2\r\n";
        QTest::newRow("same size, in place") << true << QByteArray("in place") << two << "2" << two;
        QTest::newRow("same size, in place, at once") << false << QByteArray("in place") << two << "2" << two;
        QTest::newRow("longer, in place") << true << QByteArray("in place") << QByteArray("[A]\r\nk=22\r\n")
                                          << "22" << QByteArray("[A]\r\nk=22\r\n");
        QTest::newRow("replaced") << true << QByteArray("rename") << two << "2" << two;
        QTest::newRow("key removed") << true << QByteArray("in place") << QByteArray("[A]\r\nj=1\r\n") << "d"
                                     << QByteArray("[A]\r\nj=1\r\nk=d\r\n");
        QTest::newRow("file removed")
            << true << QByteArray("remove") << QByteArray() << "d" << QByteArray("[A]\r\nk=d\r\n");
    }
    void readsSeeEditsByOthers()
    {
        QFETCH(bool, settled);
        QFETCH(QByteArray, edit);
        QFETCH(QByteArray, after);
        QFETCH(QString, read);
        QFETCH(QByteArray, file);
        writeFile(m_ini, "[A]\r\nk=1\r\n");
        if (settled)
            backdate(m_ini);
        QCOMPARE(ReadIniValue("A", "k", "d", m_ini), QStringLiteral("1"));
        if (edit == "remove") {
            QVERIFY(QFile::remove(m_ini));
        } else if (edit == "rename") {
            QSaveFile replacement(m_ini);
            QVERIFY(replacement.open(QIODevice::WriteOnly));
            replacement.write(after);
            QVERIFY(replacement.commit());
        } else {
            writeFile(m_ini, after);
        }
        QCOMPARE(ReadIniValue("A", "k", "d", m_ini), read);
        QCOMPARE(readFile(m_ini), file);
    }

    void unchangedFileIsNotRewritten()
    {
        const QByteArray content = "[A]\r\nk=1\r\n[B]\r\n";
        writeFile(m_ini, content);
        backdate(m_ini);
        const QDateTime before = QFileInfo(m_ini).lastModified();
        QVERIFY(WriteIniValue("A", "k", "1", m_ini));
        QVERIFY(WriteIniValues("a", {{"k", " 1"}}, m_ini));
        QCOMPARE(ReadIniValue("A", "k", "2", m_ini), QStringLiteral("1"));
        QCOMPARE(QFileInfo(m_ini).lastModified(), before);
        QCOMPARE(readFile(m_ini), content);
        QVERIFY(WriteIniValues("B", {{"x", "1"}, {"y", "2"}, {"x", "3"}}, m_ini));
        QCOMPARE(readFile(m_ini), content + "x=3\r\ny=2\r\n");
    }

    // Placement, case, escaping and foreign lines of any file are in the INI document fuzz target.
    void blankKeysAreRefused()
    {
        // Blank once made safe, such a key could never be read back; each read would add a line.
        QVERIFY(!WriteIniValue("Amp", " \r\n", "3", m_ini));
        QCOMPARE(ReadIniValue("Amp", "", "4", m_ini), QStringLiteral("4"));
        QVERIFY(!QFile::exists(m_ini));
    }

    void eachLineIsReadAsItIsAndWrittenAsLatin1_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("Latin-1 stays Latin-1")
            << QByteArray("[A]\r\nx=\xe9\r\n") << "A"
            << "caf\u00e9" << QByteArray("[A]\r\nx=\xe9\r\nk=caf\xe9\r\n") << "caf\u00e9";
        QTest::newRow("outside Latin-1 is ?, one per character")
            << QByteArray("[A]\r\nx=\xe9\r\n") << "A"
            << "/home/\u0438\u0432\u0430\u043d/\U0001F3B5.s19"
            << QByteArray("[A]\r\nx=\xe9\r\nk=/home/\?\?\?\?/\?.s19\r\n") << "/home/\?\?\?\?/\?.s19";
        // An earlier version's UTF-8 lines, and a Latin-1 line added by another tool.
        QTest::newRow("mixed file reads without mojibake, written back as Latin-1")
            << QByteArray("[B\xc3\xbchne]\r\nName=B\xc3\xbchne\r\nInput 1 name=K\xfc"
                          "che\r\n")
            << "B\u00fchne"
            << "K\u00fcche"
            << QByteArray("[B\xfchne]\r\nName=B\xfchne\r\nInput 1 name=K\xfc"
                          "che\r\nk=K\xfc"
                          "che\r\n")
            << "K\u00fcche";
        QTest::newRow("a UTF-8 line Latin-1 cannot hold is kept")
            << QByteArray("[\xd0\x90]\r\nk=1\r\n[B]\r\nx=\xc3\xa9\r\n") << "B"
            << "2" << QByteArray("[\xd0\x90]\r\nk=1\r\n[B]\r\nx=\xe9\r\nk=2\r\n") << "2";
        QTest::newRow("Latin-1 that would read as UTF-8 stays UTF-8")
            << QByteArray() << "A"
            << "\u00c3\u00a9" << QByteArray("[A]\r\nk=\xc3\x83\xc2\xa9\r\n") << "\u00c3\u00a9";
    }
    void eachLineIsReadAsItIsAndWrittenAsLatin1()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        QFETCH(QString, readBack);
        writeFile(m_ini, before);
        QVERIFY(WriteIniValue(section, "k", value, m_ini));
        QCOMPARE(readFile(m_ini), after);
        QCOMPARE(ReadIniValue(section, "k", "", m_ini), readBack);
    }

    void oversizedFileIsNeverCut()
    {
        const QByteArray content =
            "[Tevlin]\r\nDebug=86\r\n" + QByteArray(4 * 1024 * 1024 - 20, ';') + "\r\n[Late]\r\nKey=kept\r\n";
        writeFile(m_ini, content);
        const QRegularExpression warning(QStringLiteral("larger than .* not changed"));
        for (int i = 0; i < 3; ++i)
            QTest::ignoreMessage(QtWarningMsg, warning);
        QVERIFY(!WriteIniValue("Tevlin", "UpdateSpeed", "3500", m_ini));
        QCOMPARE(ReadIniValue("Late", "Key", "default", m_ini), QStringLiteral("default"));
        QCOMPARE(ReadIniValue("Tevlin", "Debug", "0", m_ini), QStringLiteral("0"));
        QVERIFY(readFile(m_ini) == content);
    }

    void filesBesideSetupIniAreNeverTouched()
    {
        const QStringList others{"setup.ini.221207", "setup.ini.aB3xY9", "setup.ini.backup",
                                 "setup.ini.orig01"};
        for (const QString& name : others)
            writeFile(m_dir->filePath(name), "mine");
        QCOMPARE(ReadIniValue("Tevlin", "Debug", "0", m_ini), QStringLiteral("0"));
        QVERIFY(WriteIniValue("Tevlin", "Debug", "86", m_ini));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files, QDir::Name), QStringList{"setup.ini"} + others);
    }

    // A holder that is alive but never lets go (stopped, hung) costs a read nothing and a write about
    // a second, once: the next write says so at once. Its death frees the lock at once.
    void aHungLockHolderIsReportedNotWaitedFor()
    {
        writeFile(m_ini, "[Tevlin]\r\nDebug=86\r\n");
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold-lock", m_ini});
        QVERIFY(holder.waitForReadyRead(5000));
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 20; ++i)
            QCOMPARE(ReadIniValue("Tevlin", QStringLiteral("Missing%1").arg(i), "3500", m_ini), "3500");
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));

        clock.restart();
        IniWriteResult written = WriteIniValue("Tevlin", "Debug", "0", m_ini);
        QVERIFY(!written);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(written.failure.contains(QStringLiteral("process %1").arg(holder.processId())),
                 qPrintable(written.failure));
        clock.restart();
        QVERIFY(!WriteIniValue("Tevlin", "Debug", "0", m_ini));
        QVERIFY(clock.elapsed() < 200);
        QCOMPARE(readFile(m_ini), QByteArray("[Tevlin]\r\nDebug=86\r\n"));

        holder.kill();
        QVERIFY(holder.waitForFinished(5000));
        QVERIFY(WriteIniValue("Tevlin", "Debug", "0", m_ini));
    }

    void aLockFileNamingNoHolderIsTakenOver()
    {
        writeFile(m_ini + ".lock", "");
        backdate(m_ini + ".lock");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(WriteIniValue("Tevlin", "Debug", "86", m_ini));
        QVERIFY(clock.elapsed() < 500);
    }

    void twoProcessesWritingAtOnceLoseNothing()
    {
        std::array<QProcess, 2> writers;
        for (int i = 0; i < 2; ++i)
            writers[i].start(QCoreApplication::applicationFilePath(),
                             {"--write-keys", m_ini, i == 0 ? "a" : "b"});
        for (QProcess& writer : writers) {
            QVERIFY(writer.waitForFinished(20000));
            QCOMPARE(writer.exitCode(), 0);
        }
        for (const char* prefix : {"a", "b"}) {
            for (int i = 0; i < WriterKeys; ++i)
                QCOMPARE(ReadIniValue("Shared", prefix + QString::number(i), "", m_ini), QString::number(i));
        }
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
        small.rlim_cur = 200;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool written = bool(WriteIniValue("Tevlin", "Name", QString(300, u'x'), m_ini));
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

    // The program's own directory holds the files only when it is a portable install: writable and
    // not where installed programs live, even for root, who may write there. "<tmp>" is a fresh
    // directory; "prefix" has a share directory beside its bin.
    void dataDirectoryIsTheProgramsOnlyWhenPortable_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("portable");
        QTest::newRow("build tree") << "<tmp>/build/bin" << true;
        QTest::newRow("copy in a folder") << "<tmp>/tools" << true;
        QTest::newRow("read-only") << "/proc" << false;
        QTest::newRow("installed, run as root") << "/usr/bin" << false;
        QTest::newRow("under /usr/local") << "/usr/local/bin" << false;
        QTest::newRow("prefix such as ~/.local") << "<tmp>/prefix/bin" << false;
        QTest::newRow("a package under /opt") << "/opt/korvanes/bin" << false;
    }
    void dataDirectoryIsTheProgramsOnlyWhenPortable()
    {
        QFETCH(QString, program);
        QFETCH(bool, portable);
        program.replace(QStringLiteral("<tmp>"), m_dir->path());
        QDir().mkpath(m_dir->filePath(QStringLiteral("prefix/share")));
        if (program.startsWith(m_dir->path()))
            QVERIFY(QDir().mkpath(program));
        const QString user = m_dir->filePath(QStringLiteral("user/korvanes"));
        const QStringList before = QDir(program).entryList(QDir::Files);
        QCOMPARE(dataDirectoryFor(program, user), portable ? program : user);
        QCOMPARE(QDir(user).exists(), !portable);
        QCOMPARE(QDir(program).entryList(QDir::Files), before); // not even a probe left behind
    }

    // A window comes back where it was, unless that is no longer on a screen or makes no sense.
    void windowPlacementComesBackOnlyOnAScreen_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("restored");
        QTest::newRow("on the screen") << "100,50,640,480" << true;
        QTest::newRow("partly off the right edge") << "1800,50,640,480" << true;
        QTest::newRow("on a screen that is gone") << "2000,50,640,480" << false;
        QTest::newRow("title bar above the screen") << "100,-20,640,480" << false;
        QTest::newRow("too small") << "100,50,20,480" << false;
        QTest::newRow("not numbers") << "a,b,c,d" << false;
        QTest::newRow("three numbers") << "100,50,640" << false;
    }
    void windowPlacementComesBackOnlyOnAScreen()
    {
        QFETCH(QString, stored);
        QFETCH(bool, restored);
        const QList<QRect> screens{{0, 0, 1920, 1080}};
        QVERIFY(WriteIniValue("Corlifter", "Window", stored, m_ini));
        const auto placement = savedWindowPlacement("Corlifter", screens, m_ini);
        QCOMPARE(placement.has_value(), restored);
        if (placement) {
            saveWindowPlacement("Corlifter", *placement, m_ini);
            QCOMPARE(ReadIniValue("Corlifter", "Window", "", m_ini), stored);
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--write-keys") == 0)
        return writeKeys(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(QString::fromLocal8Bit(argv[2]));
    TestIniFile test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_inifile.moc"
