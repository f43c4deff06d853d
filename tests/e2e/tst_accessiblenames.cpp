#include "../control/tevlinbench.h"
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

// The captioned controls of `window` whose accessible name does not contain what they show, or that
// fix a name which says no more than their caption (it would go stale when the caption changes).
// Symbol buttons (−, +) show no words and carry a descriptive name instead.
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
        if (!name.contains(shown) || w->accessibleName() == shown)
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
        CorliftState state;
        Corlifter corlift(state, dir.filePath("setup.ini"));
        faults << misnamed(corlift, "Corlift");
        CorliftAbout about;
        faults << misnamed(about, "About Corlift");

        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
