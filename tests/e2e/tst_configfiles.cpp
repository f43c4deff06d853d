#include "setup/configcommand.h"
#include "watchdog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

QString program(const char* name)
{
    return QDir(QStringLiteral(PROGRAM_DIR)).filePath(QLatin1String(name));
}

// ampsim with `arguments` on one pseudo-terminal, for as long as the test runs.
struct Line
{
    QProcess sim;
    QString device;
    explicit Line(const QStringList& arguments)
    {
        sim.start(program("ampsim"), arguments);
        if (sim.waitForReadyRead(3000))
            device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    }
    ~Line()
    {
        sim.kill();
        sim.waitForFinished(2000);
    }
};

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void writeAll(const QString& path, const QString& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toLatin1());
}

// A file's text with one key's line replaced, or removed when `value` is null.
QString withKey(QString text, const QString& key, const QString& value)
{
    const QRegularExpression line(
        QStringLiteral("^%1=[^\\r\\n]*\\r?\\n").arg(QRegularExpression::escape(key)),
        QRegularExpression::MultilineOption);
    return text.replace(line, value.isNull() ? QString() : key + u'=' + value + u'\n');
}

// Without the lines that change with every backup.
QString settingsOf(const QString& text)
{
    QStringList kept;
    for (const QString& line : text.split(u'\n')) {
        if (!line.startsWith("Save time=") && !line.startsWith("Backup Date="))
            kept << line;
    }
    return kept.join(u'\n');
}

} // namespace

// tevlin --backup, --restore and --diff against ampsim, several amplifiers on one line.
class TestConfigFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_output;

    int tevlin(const QString& device, const QStringList& arguments)
    {
        QProcess run;
        run.start(program("tevlin"),
                  QStringList{"--settings-dir", m_dir.path(), "--port", device, "--timeout", "500"} +
                      arguments);
        const bool ended = run.waitForFinished(10000);
        m_output = QString::fromLocal8Bit(run.readAllStandardOutput() + run.readAllStandardError());
        return ended && run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void addressLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("addresses"); // "-": not a list
        QTest::newRow("list and range") << "1,3-5"
                                        << "1 3 4 5";
        QTest::newRow("each once, in order") << "7, 2-3 ,2"
                                             << "7 2 3";
        QTest::newRow("highest") << "65535"
                                 << "65535";
        QTest::newRow("above") << "65534-65536"
                               << "-";
        QTest::newRow("backwards") << "5-3"
                                   << "-";
        QTest::newRow("empty") << ""
                               << "-";
        QTest::newRow("open range") << "3-"
                                    << "-";
    }
    void addressLists()
    {
        QFETCH(QString, text);
        const auto list = setup::config::addressList(text);
        QStringList shown;
        for (const int a : list.value_or(QList<int>()))
            shown << QString::number(a);
        QFETCH(QString, addresses);
        QCOMPARE(list ? shown.join(u' ') : QStringLiteral("-"), addresses);
    }

    // Two amplifiers of a model: a backup of the first, edited, differs from both, is restored onto
    // both (the second keeping its Link ID), and a new backup of the second holds the edit; a dry
    // run before sends nothing.
    void backupEditRestoreBackup_data()
    {
        QTest::addColumn<QString>("model");
        for (const char* model : {"kma840", "solstice", "rx900", "vx900", "vx900s"})
            QTest::newRow(model) << model;
    }
    void backupEditRestoreBackup()
    {
        QFETCH(QString, model);
        const Watchdog watchdog(30s);
        Line line({"--model", model + "@1", "--model", model + "@2"});
        QVERIFY(!line.device.isEmpty());
        QCOMPARE(tevlin(line.device, {"--backup", path("a-%a.ini"), "--address", "1,2"}), 0);
        writeAll(path("edited.ini"), withKey(readAll(path("a-1.ini")), "Def Volume", "33.5"));

        QCOMPARE(tevlin(line.device, {"--diff", path("edited.ini"), "--address", "1-2"}), 1);
        QCOMPARE(m_output.count("\tDef. Volume: file 33.5, amplifier "), 2);
        QVERIFY2(m_output.contains("2 amplifiers: 0 succeeded, 2 failed"), qPrintable(m_output));
        QCOMPARE(tevlin(line.device, {"--restore", path("edited.ini"), "--address", "2"}), 1);
        QVERIFY2(m_output.contains("the file sets Link ID 1"), qPrintable(m_output));
        QCOMPARE(tevlin(line.device, {"--restore", path("edited.ini"), "--address", "1", "--dry-run"}), 0);
        QVERIFY(m_output.contains(QRegularExpression("\n\t[0-9A-F]{2}( [0-9A-F]{2}){4,}\n")));
        QCOMPARE(tevlin(line.device, {"--diff", path("edited.ini"), "--address", "1"}), 1);

        QCOMPARE(tevlin(line.device, {"--restore", path("edited.ini"), "--address", "1,2", "--keep-link"}),
                 0);
        QVERIFY2(m_output.contains("2 amplifiers: 2 succeeded, 0 failed"), qPrintable(m_output));
        QCOMPARE(tevlin(line.device, {"--backup", path("b-%a.ini"), "--address", "2"}), 0);
        const QString after = readAll(path("b-2.ini"));
        QVERIFY2(after.contains("\nDef Volume=33.5"), qPrintable(after));
        QCOMPARE(withKey(settingsOf(after), "Def Volume", "x"),
                 withKey(settingsOf(readAll(path("a-2.ini"))), "Def Volume", "x"));
        QCOMPARE(tevlin(line.device, {"--diff", path("edited.ini"), "--address", "1"}), 0);
    }

    // A restore onto another model sends nothing; a file of another tool (no model named, keys
    // missing) is taken with the defaults, and says so.
    void otherModelsAndOtherTools()
    {
        const Watchdog watchdog(20s);
        Line line({"--model", "kma840@1", "--model", "rx900@2"});
        QCOMPARE(tevlin(line.device, {"--backup", path("m-%a.ini"), "--address", "1,2"}), 0);
        QCOMPARE(
            tevlin(line.device, {"--restore", path("m-1.ini"), "--address", "2", "--json", "--keep-link"}),
            1);
        QVERIFY2(m_output.contains(R"("result":"refused")"), qPrintable(m_output));
        QCOMPARE(tevlin(line.device, {"--backup", path("n-%a.ini"), "--all", "--to", "3"}), 0);
        QVERIFY2(m_output.contains("2 amplifiers: 2 succeeded, 0 failed"), qPrintable(m_output));
        QCOMPARE(settingsOf(readAll(path("n-2.ini"))), settingsOf(readAll(path("m-2.ini"))));

        QString maker = readAll(path("m-2.ini"));
        for (const char* key :
             {"Model", "Model Code", "Firmware Version", "Backup Date", "Program Version", "Trigger"})
            maker = withKey(maker, key, QString());
        writeAll(path("maker.ini"), withKey(maker, "Def Volume", "20,0"));
        QCOMPARE(tevlin(line.device, {"--restore", path("maker.ini"), "--address", "2"}), 0);
        QVERIFY2(m_output.contains("the file names no model") &&
                     m_output.contains("not in the file, default used: Trigger"),
                 qPrintable(m_output));
        QCOMPARE(tevlin(line.device, {"--diff", path("m-2.ini"), "--address", "2"}), 1);
        QVERIFY2(m_output.contains("\tDef. Volume: file 45.0, amplifier 20.0"), qPrintable(m_output));
    }

    // An amplifier that stops answering after its first packet: the result names what it took.
    void stopsAnsweringMidRestore()
    {
        const Watchdog watchdog(20s);
        // Handshake, status and four reads, then the first of the two packets are answered.
        Line line({"--model", "rx900@4", "--no-reply", "--fault-after", "7"});
        writeAll(path("rx.ini"),
                 "[Hall]\nName=Hall\nDevice Adr=4\nCom Speed=0\nDef Volume=12.0\nModel Code=3\n");
        QCOMPARE(tevlin(line.device, {"--restore", path("rx.ini"), "--address", "4"}), 1);
        QVERIFY2(m_output.contains("stopped answering while writing") &&
                     m_output.contains("packets taken: C6; unanswered: D3; not sent: none"),
                 qPrintable(m_output));
    }
};

QTEST_GUILESS_MAIN(TestConfigFiles)
#include "tst_configfiles.moc"
