#include "../control/tevlinbench.h"
#include "../loader/srecords.h"
#include "../setup/setupbench.h"
#include "control/ampabout.h"
#include "loader/corliftabout.h"
#include "loader/corlifter.h"
#include "serial/comwindow.h"
#include "settings/inifilehandler.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QScrollArea>

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

// Where a focusable control sits: its column (the form's columns by their left edge; the buttons
// below them all), then top to bottom, then left to right.
std::tuple<int, int, int> place(QWidget* w, QWidget& window)
{
    const QWidget* form = window.findChild<QScrollArea*>("FormScroll")->widget();
    int column = window.width();
    for (QWidget* p = w; p->parentWidget() && p->parentWidget() != &window; p = p->parentWidget()) {
        if (p->parentWidget() == form)
            column = p->mapTo(&window, QPoint()).x();
    }
    const QPoint at = w->mapTo(&window, QPoint());
    return {column, at.y(), at.x()};
}

// The labels that a control's accessible relations name as its labels.
QStringList labelsOf(QWidget* w)
{
    QStringList labels;
    for (const auto& [label, relation] :
         QAccessible::queryAccessibleInterface(w)->relations(QAccessible::Label))
        labels << label->text(QAccessible::Name);
    return labels;
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
            tevlin.session.setDeviceAddress("seven");
            faults << misnamed(tevlin.window, "Tevlin connected");
            QCOMPARE(tevlin.find<QLabel>("LblSource")->accessibleName(), "Source: A1");
            ComWindow communication(tevlin.link);
            faults << misnamed(communication, "Communication");
            control::AmpAbout about;
            faults << misnamed(about, "About Tevlin");
        }

        // Corlift on a machine without a usable port, after trying one: a notice and the menu's entry.
        QTemporaryDir dir;
        const QString ini = dir.filePath("setup.ini");
        for (int n = 1; n <= 16; ++n)
            QVERIFY(WriteIniValue("ComSettings", QStringLiteral("COM%1").arg(n), dir.filePath("gone"), ini));
        srec::writeFile(dir.filePath("fw.s19"), srec::firmware("S00A00004B4D413834300080", 1));
        QVERIFY(WriteIniValue("Corlifter", "File name", dir.filePath("fw.s19"), ini));
        CorliftState state;
        Corlifter corlift(state, ini);
        corlift.findChild<QPushButton*>("Commport")->click();
        QVERIFY(!corlift.findChild<QLabel*>("Notice")->text().isEmpty());
        faults << misnamed(corlift, "Corlift");
        QAccessibleInterface* ports =
            QAccessible::queryAccessibleInterface(corlift.findChild<QMenu*>("Comm_Port_menu"));
        QStringList entries;
        for (int i = 0; i < ports->childCount(); ++i)
            entries << ports->child(i)->text(QAccessible::Name);
        QVERIFY2(entries.contains("No serial port found"), qPrintable(entries.join(u'|')));
        CorliftAbout about;
        faults << misnamed(about, "About Corlift");

        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    // Each model's setup dialog: every box and list is named by its visible label (a cell of a table
    // by its row and column), a label's mnemonic reaches its box, and Tab goes column by column, top
    // to bottom, the buttons last.
    void setupDialogReadsInItsVisualOrder_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("reached");
        QTest::newRow("vx900") << AmpModel::Vx900 << int(Qt::Key_Q) << "TxtCrossOverFq";
        QTest::newRow("rx900") << AmpModel::Rx900 << int(Qt::Key_3) << "CmbADC3";
        QTest::newRow("kma840") << AmpModel::Kma840 << int(Qt::Key_5) << "TextInput5";
        QTest::newRow("solstice") << AmpModel::Solstice << int(Qt::Key_R) << "CmbPreset";
    }
    void setupDialogReadsInItsVisualOrder()
    {
        QFETCH(AmpModel, model);
        QFETCH(int, key);
        QFETCH(QString, reached);
        QLocale::setDefault(QLocale::c());
        bench::SetupBench b(model);
        QVERIFY(b.connectAndAdopt());
        QStringList faults;
        struct Stop
        {
            QString name;
            std::tuple<int, int, int> place;
        };
        QList<Stop> chain;
        QString mnemonic;
        b.openSetup([&](setup::SetupDialog& d) {
            faults << misnamed(d, d.windowTitle());
            // A list's name is its entry; a screen reader says its label through the relation.
            for (QWidget* w : d.findChildren<QWidget*>()) {
                if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w))
                    continue;
                const QStringList labels = labelsOf(w);
                const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
                const bool cell = labels.isEmpty() && !w->accessibleName().isEmpty();
                if (!cell && (labels.size() != 1 || (qobject_cast<QLineEdit*>(w) && name != labels.first())))
                    faults << QStringLiteral("%1 labelled %2, named %3")
                                  .arg(w->objectName(), labels.join(u','), name);
            }
            QWidget* w = &d;
            while ((w = w->nextInFocusChain()) != &d) {
                if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&d) && w->isEnabled())
                    chain << Stop{w->objectName(), place(w, d)};
            }
            d.activateWindow();
            if (QTest::qWaitForWindowActive(&d)) {
                QTest::keyClick(&d, Qt::Key(key), Qt::AltModifier);
                mnemonic = QApplication::focusWidget()->objectName();
            }
            bench::press(d, "CancelButton");
        });
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
        QCOMPARE(mnemonic, reached);
        QCOMPARE(chain.first().name, "TextAmpName");
        // "Get from PC" waits for a save; the file buttons' row comes last.
        QCOMPARE(chain.mid(chain.size() - 4).first().name, "SaveButton");
        QCOMPARE(chain.last().name, "CompareFileButton");
        for (qsizetype i = 1; i < chain.size(); ++i)
            QVERIFY2(chain[i - 1].place < chain[i].place,
                     qPrintable(chain[i - 1].name + " before " + chain[i].name));
    }

    // Every control is reached with Tab in the order the eye reads it; each program quits on Ctrl+Q.
    void keyboard()
    {
        bench::Bench tevlin;
        tevlin.load();
        tevlin.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&tevlin.window));
        QCOMPARE(QApplication::focusWidget(), tevlin.find("BtnConnectCancel"));
        QCOMPARE(tabOrder(tevlin.window).mid(0, 2), QStringList({"FrontPanel", "BtnConnectCancel"}));
        QStringList quits;
        for (const QAction* action : tevlin.window.findChildren<QAction*>()) {
            if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Q))
                quits << action->text();
        }
        QCOMPARE(quits, QStringList{"E&xit"});

        QTemporaryDir dir;
        CorliftState state;
        Corlifter corlift(state, dir.filePath("setup.ini"));
        for (auto* button : corlift.findChildren<QPushButton*>())
            button->setEnabled(true);
        QCOMPARE(tabOrder(corlift),
                 QStringList({"Text_Filename", "BtnBrowse", "Commport", "BtnUpload", "Text_Filevalid"}));
        QCOMPARE(corlift.findChild<QAction*>("Close")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

private:
    // The names of the widgets Tab reaches in `window`, in order.
    static QStringList tabOrder(QWidget& window)
    {
        QStringList names;
        for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window) && w->isEnabled())
                names << w->objectName();
        }
        return names;
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
