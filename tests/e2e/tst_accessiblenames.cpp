#include "../control/tevlinbench.h"
#include "../loader/uploadrig.h"
#include "control/ampabout.h"
#include "loader/corliftabout.h"
#include "loader/corlifter.h"
#include "serial/comwindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>

namespace {

// What a control shows as its caption: the text of a button, check box or label, a frame's title.
QString caption(QWidget* w)
{
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        text = button->text();
    else if (auto* label = qobject_cast<QLabel*>(w))
        text = label->text();
    else if (auto* frame = qobject_cast<QGroupBox*>(w))
        text = frame->title();
    return text.remove(u'&').simplified();
}

// The captioned controls of `window` whose accessible name does not contain what they show. Symbol
// buttons (−, +) show no words and carry a descriptive name instead.
QStringList misnamed(QWidget& window, const QString& when)
{
    static const QRegularExpression words(QStringLiteral("[A-Za-z0-9]"));
    QStringList faults;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QString shown = caption(w);
        if (!shown.contains(words))
            continue;
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(w);
        const QString name = control ? control->text(QAccessible::Name).simplified() : QString();
        if (!name.contains(shown))
            faults << QStringLiteral("%1, %2 shows \"%3\", named \"%4\"")
                          .arg(when, w->objectName(), shown, name);
    }
    return faults;
}

} // namespace

class TestAccessibleNames : public QObject
{
    Q_OBJECT
private slots:
    void everyWindowNamesWhatItShows()
    {
        QLocale::setDefault(QLocale::c());
        QStringList faults;
        {
            bench::Bench tevlin;
            tevlin.load();
            faults << misnamed(tevlin.window, "Tevlin idle");
            QVERIFY(tevlin.connectAndAdopt());
            faults << misnamed(tevlin.window, "Tevlin connected");
            QCOMPARE(tevlin.find<QLabel>("LblSource")->accessibleName(), "Source: A1");
            ComWindow communication(tevlin.link);
            faults << misnamed(communication, "Communication");
            control::AmpAbout about;
            faults << misnamed(about, "About Tevlin");
        }

        QTemporaryDir dir;
        Pty pty;
        BootLoaderOptions options;
        options.product = QStringLiteral("kma840");
        options.announceInterval = std::chrono::milliseconds(50);
        BootLoader boot(pty, options);
        const QString ini = dir.filePath("setup.ini");
        const QString firmware = dir.filePath("fw.s19");
        srec::writeFile(firmware, srec::firmware(BootLoader::headerFor(options.product), 2));
        WriteIniValue("ComSettings", "COM1", pty.devicePath(), ini);
        WriteIniValue("Corlifter", "File name", firmware, ini);
        Watchdog watchdog;
        CorliftState state;
        Corlifter corlift(state, ini);
        faults << misnamed(corlift, "Corlift idle");
        QObject::connect(&boot, &BootLoader::lineReceived, &corlift, [&](int line) {
            if (line == 2)
                faults << misnamed(corlift, "Corlift uploading");
        });
        corlift.findChild<QPushButton*>("Commport")->click();
        corlift.findChild<QPushButton*>("BtnUpload")->click();
        QCOMPARE(boot.lines().size(), 4);
        CorliftAbout about;
        faults << misnamed(about, "About Corlift");

        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

CORLIFT_TEST_MAIN(TestAccessibleNames, QApplication)
#include "tst_accessiblenames.moc"
