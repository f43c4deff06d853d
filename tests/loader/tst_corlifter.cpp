#include "loader/corlifter.h"
#include "loader/progressbar.h"
#include "uploadrig.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <functional>
#include <optional>

using namespace std::chrono_literals;

namespace {
const QByteArray Kma840Header = "S00A00004B4D413834300080";

// Calls back each time a widget paints.
class PaintSpy : public QObject
{
public:
    PaintSpy(QWidget* widget, std::function<void()> painted) : m_painted(std::move(painted))
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted();
        return false;
    }

private:
    std::function<void()> m_painted;
};
} // namespace

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
        QVERIFY(WriteIniValue(QLatin1String(section), QLatin1String(key), value, ini()));
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
        // The ports are probed once the window is up.
        QTRY_VERIFY(child<QAction>(*window, "COM1")->text().contains(m_pty->devicePath()));
        QVERIFY(child<QAction>(*window, "COM1")->isVisible());
        QVERIFY(!child<QAction>(*window, "COM2")->isVisible());
        // Defaults land in the file on first start.
        QCOMPARE(get("Corlifter", "Delay") + get("ComSettings", "ComPort") + get("Tevlin", "Debug"), "35010");
    }

    void startsWithTheRememberedFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("valid file") << "fw.s19" << true;
        QTest::newRow("file gone") << "gone.s19" << false;
        // "File name" as Latin-1 keeps it, the extra key whole.
        QTest::newRow("name outside Latin-1") << QStringLiteral("\u041F\u0451\u0442\u0440.s19") << true;
    }
    void startsWithTheRememberedFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        const QString path = m_dir->filePath(name);
        if (exists)
            QVERIFY(srec::writeFile(path, srec::firmware(Kma840Header, 2)));
        QString latin1 = path;
        for (QChar& c : latin1)
            c = c.unicode() > 0xFF ? u'?' : c;
        set("Corlifter", "File name", latin1);
        set("Corlifter", FileNameUtf8Key, percentEncodedPath(path));
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

    // A port chosen when setup.ini cannot take it: the status bar says so.
    void portNotStoredIsSaid()
    {
        auto window = start();
        QVERIFY(QFile::remove(ini()) && QDir().mkdir(ini()));
        child<QAction>(*window, "COM3")->trigger();
        QCOMPARE(m_state.ComPort, 3);
        QCOMPARE(
            child<QLabel>(*window, "Notice")->text(),
            QStringLiteral("The chosen port will not be remembered: %1 is not a file; it was not changed.")
                .arg(ini()));
    }

    // Start-up from setup.ini: the pause per line, the port (COM3 chosen afterwards) and debug mode.
    void startUp_data()
    {
        QTest::addColumn<QString>("stored"); // section, key and value
        QTest::addColumn<QString>("seen");   // delay, port ticked, "ComPort" in the file, the debug window
        QTest::newRow("nothing stored") << ""
                                        << "350 ms, COM1, 1, hidden";
        QTest::newRow("delay 100") << "Corlifter/Delay=100"
                                   << "150 ms, COM1, 1, hidden";
        QTest::newRow("delay 500") << "Corlifter/Delay=500"
                                   << "500 ms, COM1, 1, hidden";
        QTest::newRow("delay 149.6") << "Corlifter/Delay=149.6"
                                     << "150 ms, COM1, 1, hidden";
        QTest::newRow("delay abc") << "Corlifter/Delay=abc"
                                   << "150 ms, COM1, 1, hidden";
        QTest::newRow("delay 99999") << "Corlifter/Delay=99999"
                                     << "32767 ms, COM1, 1, hidden";
        QTest::newRow("port 0") << "ComSettings/ComPort=0"
                                << "350 ms, COM1, 0, hidden";
        QTest::newRow("port 12") << "ComSettings/ComPort=12"
                                 << "350 ms, COM12, 12, hidden";
        QTest::newRow("port 300") << "ComSettings/ComPort=300"
                                  << "350 ms, COM1, 300, hidden";
        QTest::newRow("port x") << "ComSettings/ComPort=x"
                                << "350 ms, COM1, 0, hidden";
        QTest::newRow("debug 86") << "Tevlin/Debug=86"
                                  << "350 ms, COM1, 1, shown";
        QTest::newRow("debug 86x") << "Tevlin/Debug=86x"
                                   << "350 ms, COM1, 1, hidden";
    }
    void startUp()
    {
        QFETCH(QString, stored);
        QFETCH(QString, seen);
        if (!stored.isEmpty())
            set(qPrintable(stored.section(u'/', 0, 0)),
                qPrintable(stored.section(u'/', 1).section(u'=', 0, 0)), stored.section(u'=', 1));
        auto window = start();
        QStringList ticked;
        for (int n = 1; n <= 16; ++n) {
            if (child<QAction>(*window, qPrintable(QStringLiteral("COM%1").arg(n)))->isChecked())
                ticked << QStringLiteral("COM%1").arg(n);
        }
        const bool shown =
            window->link().isVisibleWindow() && child<QWidget>(*window, "ComForm")->isVisible();
        QCOMPARE(
            QStringLiteral("%1 ms, %2, %3, %4")
                .arg(m_state.delayMs)
                .arg(ticked.join(u' '), get("ComSettings", "ComPort"), QString(shown ? "shown" : "hidden")),
            seen);
        QCOMPARE(QStringLiteral("COM%1").arg(m_state.ComPort), ticked.value(0));
        QVERIFY(window->link().loaderActive());

        child<QAction>(*window, "COM3")->trigger();
        QCOMPARE(m_state.ComPort, 3);
        QCOMPARE(get("ComSettings", "ComPort"), QStringLiteral("3"));
    }

    // The file dialog starts in the user's home, then in the folder of the last file; a cancelled
    // one leaves the check standing.
    void fileDialog()
    {
        const QString path = firmware(srec::firmware(Kma840Header, 2));
        auto window = start();
        QString answer = path;
        QStringList folders;
        window->setFileDialogHook([&](QWidget*, const QString& folder) {
            folders << folder;
            return answer;
        });
        child<QAction>(*window, "Load")->trigger();
        QVERIFY(m_state.fileIsValid);
        answer.clear();
        child<QPushButton>(*window, "BtnBrowse")->click();
        QVERIFY(m_state.fileIsValid);
        QCOMPARE(m_state.firmwarePath, path);
        QVERIFY(child<QPushButton>(*window, "Commport")->isEnabled());
        QCOMPARE(folders, QStringList({QDir::homePath(), QFileInfo(path).absolutePath()}));

        // A path pasted into the box, quoted as a file manager copies it, is checked on Enter.
        m_state.firmwarePath.clear();
        auto* box = child<QLineEdit>(*window, "Text_Filename");
        box->setText(QStringLiteral(" '%1' ").arg(path));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(m_state.firmwarePath, path);
        box->setText(path + ".gone");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text() + ' ' + child<QLineEdit>(*window, "Text_Filevalid")->text(),
                 path + ".gone File not found");
    }

    // A damaged record keeps the design's status text, is named beside it, and Upload asks first:
    // Cancel (the default) sends nothing, "Upload Anyway" sends the file as it is.
    void damagedRecordIsNamedAndAskedFor()
    {
        QByteArray record = srec::s1(0, "\x01\x02");
        record.back() = record.back() == '0' ? '1' : '0';
        set("Corlifter", "File name",
            firmware(Kma840Header + "\r\n" + srec::s1(0, "\x00") + "\r\n" + record + "\r\n" + srec::s9));
        auto window = start();
        window->show();
        QCOMPARE(child<QLineEdit>(*window, "Text_Filevalid")->text(), "File for KMA840 and file is ok");
        QVERIFY2(
            child<QLabel>(*window, "RecordWarning")->text().startsWith("Damaged record, line 3: checksum"),
            qPrintable(child<QLabel>(*window, "RecordWarning")->text()));
        child<QPushButton>(*window, "Commport")->click();
        for (const char* answer : {"Cancel", "Upload Anyway"}) {
            child<QPushButton>(*window, "BtnUpload")->click();
            QMessageBox* question = nullptr;
            for (auto* box : window->findChildren<QMessageBox*>(QStringLiteral("DamagedQuestion")))
                question = box->isVisible() ? box : question;
            QVERIFY(question);
            QCOMPARE(question->icon(), QMessageBox::Warning);
            QCOMPARE(question->defaultButton()->text(), "Cancel");
            QVERIFY(question->text().contains("line 3: checksum"));
            for (QAbstractButton* button : question->buttons()) {
                if (button->text() == QLatin1String(answer))
                    button->click();
            }
            QCOMPARE(m_boot->lines().size(), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>(*window, "Text_Filevalid")->text(),
                                  "Updated with success - Port closed", 5000);
        QCOMPARE(m_boot->lines().size(), 4);
    }

    void flashesThroughTheWindow()
    {
        set("Corlifter", "File name", firmware(srec::firmware(Kma840Header, 2)));
        auto window = start();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* commport = child<QPushButton>(*window, "Commport");
        auto* upload = child<QPushButton>(*window, "BtnUpload");
        commport->click();
        QCOMPARE(commport->text(), QStringLiteral("Close Comm Port"));
        QVERIFY(!child<QPushButton>(*window, "BtnBrowse")->isEnabled());
        QVERIFY(!child<QAction>(*window, "Load")->isEnabled());
        QVERIFY(child<QProgressBar>(*window, "ProgressBar1")->isEnabled());

        // What the click changed is on the screen before the first line goes out.
        QString painted;
        PaintSpy spy(upload, [&] { painted = upload->text(); });
        std::optional<QString> paintedAtFirstLine;
        QObject::connect(&window->link(), &ComForm::txChanged, window.get(), [&] {
            if (!paintedAtFirstLine)
                paintedAtFirstLine = painted;
        });
        upload->click();
        QCOMPARE(paintedAtFirstLine.value_or(QStringLiteral("no line sent")),
                 QStringLiteral("Cancel Upload"));
        QCOMPARE(child<QLineEdit>(*window, "Text_Filevalid")->text(),
                 QStringLiteral("Updated with success - Port closed"));
        QCOMPARE(m_boot->lines().size(), 4);
        QCOMPARE(get("Corlifter", "Status"), QStringLiteral("Succes"));
        QCOMPARE(commport->text(), QStringLiteral("Open Comm Port"));
        QVERIFY(!commport->isEnabled());
        QVERIFY(!upload->isEnabled());
        QVERIFY(child<QPushButton>(*window, "BtnBrowse")->isEnabled());
    }

    // The bar takes a new value at most every three seconds while lines go out, but where an upload
    // ended shows at once: 100% or the point at which the product refused a line (line 6 of 10 is
    // refused; Corlift sees it after line 7, when 65% of the data has gone out).
    void progressShowsWhereTheUploadEnded_data()
    {
        QTest::addColumn<int>("rejectAt");
        QTest::addColumn<QString>("shown");
        QTest::newRow("updated") << 0 << "100%";
        QTest::newRow("refused") << 6 << "Failed at 65%";
    }
    void progressShowsWhereTheUploadEnded()
    {
        QFETCH(int, rejectAt);
        QFETCH(QString, shown);
        BootLoaderOptions options;
        options.product = QStringLiteral("kma840");
        options.announceInterval = 50ms;
        options.rejectAtLine = rejectAt;
        m_boot = std::make_unique<BootLoader>(*m_pty, options);
        set("Corlifter", "File name", firmware(srec::firmware(Kma840Header, 8)));
        set("Corlifter", "Delay", "150");
        auto window = start();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* commport = child<QPushButton>(*window, "Commport");
        const QRect before(commport->mapTo(window.get(), QPoint()), window->size());
        commport->click();
        child<QPushButton>(*window, "BtnUpload")->click();
        QCOMPARE(child<QProgressBar>(*window, "ProgressBar1")->text(), shown);
        // Neither a failure notice nor "Next unit" moves the buttons or grows the window.
        window->layout()->activate();
        QCOMPARE(QRect(commport->mapTo(window.get(), QPoint()), window->size()), before);
    }

    // A new value repaints only the end of the filled part and the text: what reaches the screen is
    // what the bar draws whole, going up, back down, and with a failure's longer text.
    void progressStepsLookAsTheWholeBar()
    {
        QWidget window;
        auto* bar = new ProgressBar(&window);
        bar->setRange(0, 100);
        bar->setGeometry(10, 10, 300, 24);
        window.resize(320, 44);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const int value : {1, 9, 10, 55, 99, 100, 42, 0, 7}) {
            if (value == 42)
                bar->setFormat(QStringLiteral("Failed at %p%"));
            bar->showValue(value);
            QCOMPARE(bar->value(), value);
            QCoreApplication::sendPostedEvents();
            const QImage shown = window.screen()->grabWindow(window.winId()).toImage().copy(bar->geometry());
            QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                     bar->grab().toImage().convertToFormat(QImage::Format_RGB32));
        }
    }

    // Closing the window while lines are sent asks first, and the upload goes on meanwhile: stopping
    // ends it as cancelled, continuing lets it finish.
    void closingDuringTheUploadAsksFirst_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stop the update") << true;
        QTest::newRow("continue the update") << false;
    }
    void closingDuringTheUploadAsksFirst()
    {
        QFETCH(bool, stop);
        set("Corlifter", "File name", firmware(srec::firmware(Kma840Header, 8)));
        set("Corlifter", "Delay", "150");
        auto window = start();
        window->show();
        QString asked;
        int shownAtLine5 = 0;
        QObject::connect(m_boot.get(), &BootLoader::lineReceived, window.get(), [&](int number) {
            if (number == 2)
                QTimer::singleShot(0, window.get(), [&] { window->close(); });
            if (number != 5)
                return;
            // The bar follows the lines while they go out, not only when the upload ends.
            shownAtLine5 = child<QProgressBar>(*window, "ProgressBar1")->value();
            auto* question = window->findChild<QMessageBox*>(QStringLiteral("StopQuestion"));
            QVERIFY(question && question->isVisible() && window->isVisible());
            asked = question->text();
            for (QAbstractButton* button : question->buttons()) {
                if (button->text().startsWith(stop ? "Stop" : "Continue"))
                    QTimer::singleShot(0, button, &QAbstractButton::click);
            }
        });
        child<QPushButton>(*window, "Commport")->click();
        child<QPushButton>(*window, "BtnUpload")->click();
        QCOMPARE(asked, "Stop the update? The product will stay in boot mode.");
        QVERIFY(shownAtLine5 > 0 && shownAtLine5 < 100);
        QCOMPARE(get("Corlifter", "Status"), stop ? "Cancelled" : "Succes");
        QCOMPARE(m_boot->lines().size() < 10, stop);
        QCOMPARE(window->isVisible(), !stop);
    }

    void remembersWhereItsWindowWas()
    {
        {
            auto window = start();
            window->show();
            window->move(120, 90);
            window->resize(700, 520);
            window->close();
        }
        QCOMPARE(get("Corlifter", "Window"), "120,90,700,520");
        auto window = start();
        QCOMPARE(QRect(window->pos(), window->size()), QRect(120, 90, 700, 520));
    }

    void closingEndsTheWaitForTheBootLoader()
    {
        m_boot.reset();
        set("Corlifter", "File name", firmware(srec::firmware(Kma840Header, 2)));
        auto window = start();
        // Closed once the window says it waits, from inside the click's own wait.
        QObject::connect(&window->run(), &UploadRun::controlsChanged, window.get(), [&] {
            if (window->run().controls().statusText == QLatin1String("Waiting for response..."))
                QTimer::singleShot(0, window.get(), [&] { window->close(); });
        });
        child<QPushButton>(*window, "Commport")->click();
        QVERIFY(!window->link().CheckMScomm());
        QCOMPARE(child<QLineEdit>(*window, "Text_Filevalid")->text(), QStringLiteral("Port closed"));
    }
};

CORLIFT_TEST_MAIN(TestCorlifter, QApplication)
#include "tst_corlifter.moc"
