#include "loader/corlifter.h"
#include "uploadrig.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;

namespace {
const QByteArray Kma840Header = "S00A00004B4D413834300080";
}

class TestCorlifter : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<BootLoader> m_boot;
    std::unique_ptr<Watchdog> m_watchdog;
    CorliftState m_state;

    QString ini() const { return m_dir->filePath(QStringLiteral("setup.ini")); }
    void set(const char* section, const char* key, const QString& value)
    {
        WriteIniValue(QLatin1String(section), QLatin1String(key), value, ini());
    }
    QString get(const char* section, const char* key)
    {
        return ReadIniValue(QLatin1String(section), QLatin1String(key), QString(), ini());
    }
    QString firmware(const QByteArray& content)
    {
        const QString path = m_dir->filePath(QStringLiteral("fw.s19"));
        srec::writeFile(path, content);
        return path;
    }
    std::unique_ptr<Corlifter> start()
    {
        auto window = std::make_unique<Corlifter>(m_state, ini());
        window->link().setMessageBoxHook([](const QString& text) { QFAIL(qPrintable(text)); });
        return window;
    }
    template <typename W> static W* child(Corlifter& window, const char* name)
    {
        auto* widget = window.findChild<W*>(QLatin1String(name));
        if (!widget)
            qFatal("no %s", name);
        return widget;
    }

private slots:
    void init()
    {
        m_watchdog = std::make_unique<Watchdog>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_pty = std::make_unique<Pty>();
        BootLoaderOptions options;
        options.product = QStringLiteral("kma840");
        options.announceInterval = 50ms;
        m_boot = std::make_unique<BootLoader>(*m_pty, options);
        m_state = CorliftState();
        set("ComSettings", "COM1", m_pty->devicePath());
        set("ComSettings", "COM2", m_dir->filePath(QStringLiteral("no-such-device")));
    }

    void showsItsControls()
    {
        auto window = start();
        QCOMPARE(window->windowTitle(), QStringLiteral("Korvanes Audio - Corlift"));
        QCOMPARE(window->objectName(), QStringLiteral("Corlifter"));
        for (const char* name :
             {"Frame1", "Frame2", "LblGuide", "Label1", "LblFileName", "Text_Filename", "BtnBrowse",
              "BtnUpload", "Commport", "LblStatusTxt", "Text_Filevalid", "LblProgress", "ProgressBar1"})
            QVERIFY2(window->findChild<QWidget*>(QLatin1String(name)), name);
        QVERIFY(!child<QPushButton>(*window, "Commport")->isEnabled());
        QVERIFY(!child<QPushButton>(*window, "BtnUpload")->isEnabled());
        QVERIFY(child<QPushButton>(*window, "BtnBrowse")->isEnabled());
        QVERIFY(child<QLabel>(*window, "Label1")->text().startsWith(QStringLiteral("Upgrade steps\n")));
        QVERIFY(child<QAction>(*window, "COM1")->isVisible());
        QVERIFY(child<QAction>(*window, "COM1")->text().contains(m_pty->devicePath()));
        QVERIFY(!child<QAction>(*window, "COM2")->isVisible());
        // Defaults land in the file on first start.
        QCOMPARE(get("Corlifter", "Delay"), QStringLiteral("350"));
        QCOMPARE(get("ComSettings", "ComPort"), QStringLiteral("1"));
        QCOMPARE(get("Tevlin", "Debug"), QStringLiteral("0"));
    }

    void startsWithTheRememberedFile_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("valid file") << true;
        QTest::newRow("file gone") << false;
    }
    void startsWithTheRememberedFile()
    {
        QFETCH(bool, exists);
        const QString path = exists ? firmware(srec::firmware(Kma840Header, 2)) : m_dir->filePath("gone.s19");
        set("Corlifter", "File name", path);
        auto window = start();
        QCOMPARE(child<QLineEdit>(*window, "Text_Filename")->text(), path);
        QCOMPARE(child<QLineEdit>(*window, "Text_Filevalid")->text(),
                 exists ? QStringLiteral("File for KMA840 and file is ok")
                        : QStringLiteral("File not found"));
        QCOMPARE(child<QPushButton>(*window, "Commport")->isEnabled(), exists);
        QCOMPARE(child<QLabel>(*window, "Label1")
                     ->text()
                     .endsWith(QStringLiteral("Release both volumebuttons and KMA840 is in bootmode.\n")),
                 exists);
    }

    void readsTheDelay_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("delay");
        QTest::newRow("100") << "100" << 150;
        QTest::newRow("500") << "500" << 500;
        QTest::newRow("149.6") << "149.6" << 150;
        QTest::newRow("not a number") << "abc" << 150;
        QTest::newRow("too large") << "99999" << 32767;
    }
    void readsTheDelay()
    {
        QFETCH(QString, stored);
        QFETCH(int, delay);
        set("Corlifter", "Delay", stored);
        auto window = start();
        QCOMPARE(m_state.delayMs, delay);
    }

    void selectsTheStoredPort_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("checked");
        QTest::addColumn<QString>("written");
        QTest::newRow("0") << "0" << 1 << "0";
        QTest::newRow("12") << "12" << 12 << "12";
        QTest::newRow("17") << "17" << 1 << "17";
        QTest::newRow("not a number") << "x" << 1 << "0";
    }
    void selectsTheStoredPort()
    {
        QFETCH(QString, stored);
        QFETCH(int, checked);
        QFETCH(QString, written);
        set("ComSettings", "ComPort", stored);
        auto window = start();
        QCOMPARE(m_state.ComPort, checked);
        for (int n = 1; n <= 16; ++n)
            QCOMPARE(child<QAction>(*window, qPrintable(QStringLiteral("COM%1").arg(n)))->isChecked(),
                     n == checked);
        QCOMPARE(get("ComSettings", "ComPort"), written);

        child<QAction>(*window, "COM3")->trigger();
        QCOMPARE(m_state.ComPort, 3);
        QCOMPARE(get("ComSettings", "ComPort"), QStringLiteral("3"));
    }

    void debugShowsTheCommunicationWindow_data()
    {
        QTest::addColumn<QString>("debug");
        QTest::addColumn<bool>("visible");
        QTest::newRow("86") << "86" << true;
        QTest::newRow("86x") << "86x" << false;
    }
    void debugShowsTheCommunicationWindow()
    {
        QFETCH(QString, debug);
        QFETCH(bool, visible);
        set("Tevlin", "Debug", debug);
        auto window = start();
        QCOMPARE(window->link().isVisibleWindow(), visible);
        QCOMPARE(child<QWidget>(*window, "ComForm")->isVisible(), visible);
        QVERIFY(window->link().loaderActive());
    }

    void cancelledDialogKeepsTheCheck()
    {
        const QString path = firmware(srec::firmware(Kma840Header, 2));
        auto window = start();
        QString answer = path;
        window->setFileDialogHook([&](QWidget*) { return answer; });
        child<QAction>(*window, "Load")->trigger();
        QVERIFY(m_state.fileIsValid);
        answer.clear();
        child<QPushButton>(*window, "BtnBrowse")->click();
        QVERIFY(m_state.fileIsValid);
        QCOMPARE(m_state.firmwarePath, path);
        QVERIFY(child<QPushButton>(*window, "Commport")->isEnabled());
    }

    void flashesThroughTheWindow()
    {
        set("Corlifter", "File name", firmware(srec::firmware(Kma840Header, 2)));
        auto window = start();
        auto* commport = child<QPushButton>(*window, "Commport");
        auto* upload = child<QPushButton>(*window, "BtnUpload");
        commport->click();
        QCOMPARE(commport->text(), QStringLiteral("Close Comm Port"));
        QVERIFY(!child<QPushButton>(*window, "BtnBrowse")->isEnabled());
        QVERIFY(!child<QAction>(*window, "Load")->isEnabled());
        QVERIFY(child<QProgressBar>(*window, "ProgressBar1")->isEnabled());

        upload->click();
        QCOMPARE(child<QLineEdit>(*window, "Text_Filevalid")->text(),
                 QStringLiteral("Updated with success - Port closed"));
        QCOMPARE(m_boot->lines().size(), 4);
        QCOMPARE(get("Corlifter", "Status"), QStringLiteral("Succes"));
        QCOMPARE(commport->text(), QStringLiteral("Open Comm Port"));
        QVERIFY(!commport->isEnabled());
        QVERIFY(!upload->isEnabled());
        QVERIFY(child<QPushButton>(*window, "BtnBrowse")->isEnabled());
    }

    void closingEndsTheWaitForTheBootLoader()
    {
        m_boot.reset();
        set("Corlifter", "File name", firmware(srec::firmware(Kma840Header, 2)));
        auto window = start();
        QTimer::singleShot(100ms, window.get(), [&] { window->close(); });
        child<QPushButton>(*window, "Commport")->click();
        QVERIFY(!window->link().CheckMScomm());
        QCOMPARE(child<QLineEdit>(*window, "Text_Filevalid")->text(), QStringLiteral("Port closed"));
    }
};

CORLIFT_TEST_MAIN(TestCorlifter, QApplication)
#include "tst_corlifter.moc"
