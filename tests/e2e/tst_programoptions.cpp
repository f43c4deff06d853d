#include "serial/wait.h"
#include "watchdog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// Tevlin and Corlift as programs: their options, and where a run with --settings-dir keeps its files.
class TestProgramOptions : public QObject
{
    Q_OBJECT
private slots:
    void options_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments"); // "<tmp>" stands for a fresh directory
        QTest::addColumn<int>("exitCode");          // -1: runs until stopped
        QTest::addColumn<QString>("said");          // a line of its output
        QTest::addColumn<QString>("written");       // a file the run must write; "" none
        for (const QString program : {"tevlin", "corlift"}) {
            const QString name = program == QLatin1String("tevlin") ? "Tevlin 1.1.0" : "Corlift 2.0.1";
            QTest::addRow("%s --version", qPrintable(program))
                << program << QStringList{"--version"} << 0 << name << "";
            QTest::addRow("%s --help", qPrintable(program))
                << program << QStringList{"--help"} << 0 << "  --settings-dir <DIR>"
                << "";
            QTest::addRow("%s --settings-dir, a new directory", qPrintable(program))
                << program << QStringList{"--settings-dir", "<tmp>/new/settings"} << -1 << ""
                << "<tmp>/new/settings/setup.ini";
            QTest::addRow("%s --settings-dir, not a directory", qPrintable(program))
                << program << QStringList{"--settings-dir", "<tmp>/file/settings"} << 2
                << QString("%1: cannot make the directory <tmp>/file/settings").arg(program) << "";
        }
    }
    void options()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QFETCH(QString, written);
        const Watchdog watchdog;
        QTemporaryDir dir;
        QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
        arguments.replaceInStrings("<tmp>", dir.path());
        const QString binary = QDir(QStringLiteral(PROGRAM_DIR)).filePath(program);
        const QByteArray ownIni = readFile(QDir(QStringLiteral(PROGRAM_DIR)).filePath("setup.ini"));

        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(binary, arguments);
        QVERIFY(run.waitForStarted(5000));
        if (exitCode < 0) {
            const QString file = QString(written).replace("<tmp>", dir.path());
            QCOMPARE(waitUntil([&] { return readFile(file).contains("ComPort="); }, nullptr, 4s),
                     WaitResult::Met);
            run.terminate();
        }
        QVERIFY(run.waitForFinished(4000));
        if (exitCode >= 0) {
            QCOMPARE(run.exitCode(), exitCode);
            const QString output = QString::fromLocal8Bit(run.readAll());
            QVERIFY2(output.contains(QString(said).replace("<tmp>", dir.path())), qPrintable(output));
        }
        // The program directory's own files are left alone.
        QCOMPARE(readFile(QDir(QStringLiteral(PROGRAM_DIR)).filePath("setup.ini")), ownIni);
    }

private:
    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QTEST_GUILESS_MAIN(TestProgramOptions)
#include "tst_programoptions.moc"
