#include "widgets/warmup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The session bus's address is set only where libdbus could reach no bus and start none.
class TestWarmUp : public QObject
{
    Q_OBJECT

private slots:
    void busAddress_data();
    void busAddress();
};

namespace {

constexpr const char* AddressVariable = "DBUS_SESSION_BUS_ADDRESS";

// Each row sets every variable the function reads, so nothing carries over from the row before.
void setVariable(const char* name, const QByteArray& value)
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

bool makeFile(const QString& path, bool executable)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n");
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

void TestWarmUp::busAddress_data()
{
    QTest::addColumn<QByteArray>("address");     // null: unset
    QTest::addColumn<bool>("runtimeDir");        // XDG_RUNTIME_DIR set
    QTest::addColumn<bool>("busSocket");         // ... and holding "bus"
    QTest::addColumn<QString>("launcherInPath"); // a file named dbus-launch on the PATH: "", "exe", "plain"
    QTest::addColumn<bool>("launcherInstalled"); // the one libdbus tries first
    QTest::addColumn<QByteArray>("expected");

    const QByteArray unset;
    QTest::newRow("address given") << QByteArray("unix:path=/run/user/1000/bus") << false << false
                                   << QString() << false << QByteArray("unix:path=/run/user/1000/bus");
    QTest::newRow("empty address given")
        << QByteArray("") << false << false << QString() << false << QByteArray("");
    QTest::newRow("bus in the runtime dir") << unset << true << true << QString() << false << unset;
    QTest::newRow("dbus-launch on the PATH")
        << unset << true << false << QStringLiteral("exe") << false << unset;
    QTest::newRow("dbus-launch installed") << unset << false << false << QString() << true << unset;
    QTest::newRow("nothing to reach or start")
        << unset << true << false << QString() << false << QByteArray("disabled:");
    QTest::newRow("no runtime dir either")
        << unset << false << false << QString() << false << QByteArray("disabled:");
    QTest::newRow("a dbus-launch that cannot run")
        << unset << true << false << QStringLiteral("plain") << false << QByteArray("disabled:");
}

void TestWarmUp::busAddress()
{
#if !defined(Q_OS_UNIX) || defined(Q_OS_DARWIN)
    QSKIP("Only where Qt reaches the accessibility bus through libdbus");
#endif
    QFETCH(QByteArray, address);
    QFETCH(bool, runtimeDir);
    QFETCH(bool, busSocket);
    QFETCH(QString, launcherInPath);
    QFETCH(bool, launcherInstalled);
    QFETCH(QByteArray, expected);

    QTemporaryDir runtime;
    QTemporaryDir path;
    QTemporaryDir installed;
    QVERIFY(runtime.isValid() && path.isValid() && installed.isValid());
    if (busSocket)
        QVERIFY(makeFile(runtime.filePath(QStringLiteral("bus")), false));
    if (!launcherInPath.isEmpty())
        QVERIFY(
            makeFile(path.filePath(QStringLiteral("dbus-launch")), launcherInPath == QLatin1String("exe")));
    const QString installedLauncher = installed.filePath(QStringLiteral("dbus-launch"));
    if (launcherInstalled)
        QVERIFY(makeFile(installedLauncher, true));

    setVariable(AddressVariable, address);
    setVariable("XDG_RUNTIME_DIR", runtimeDir ? QFile::encodeName(runtime.path()) : QByteArray());
    setVariable("PATH", QFile::encodeName(path.path()));
    widgets::skipFutileBusLaunch(installedLauncher);
    QCOMPARE(qEnvironmentVariableIsSet(AddressVariable), !expected.isNull());
    QCOMPARE(qgetenv(AddressVariable), expected);
}

QTEST_GUILESS_MAIN(TestWarmUp)
#include "tst_warmup.moc"
