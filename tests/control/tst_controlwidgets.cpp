#include "control/powerlamp.h"
#include "control/sevensegmentdisplay.h"
#include "widgets/numerickeyfilter.h"

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace control;
using widgets::NumericKeyFilter;

Q_DECLARE_METATYPE(control::DisplayMode)

namespace {

QImage rendered(QWidget& widget, qreal ratio = 1.0)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

// Pixels of a fully lit red segment, not its glow or the faint unlit ones.
int litPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 140)
                ++count;
        }
    return count;
}

int litPixels(DisplayMode mode, int tenths)
{
    SevenSegmentDisplay display;
    display.resize(300, 110);
    display.setMode(mode);
    display.setVolume(tenths);
    return litPixels(rendered(display));
}

} // namespace

class TestControlWidgets : public QObject
{
    Q_OBJECT
private slots:
    void lightsOnlyWhatTheModeShows()
    {
        const int eights = litPixels(DisplayMode::Volume, 888);
        const int ones = litPixels(DisplayMode::Volume, 111);
        const int dashes = litPixels(DisplayMode::Muted, 888);
        const int dot = litPixels(DisplayMode::Standby, 888);
        QCOMPARE(litPixels(DisplayMode::Dark, 888), 0);
        QVERIFY(dot > 0);
        QVERIFY(dashes > dot);
        QVERIFY(ones > dashes);
        QVERIFY(eights > ones);
        QCOMPARE(litPixels(DisplayMode::Muted, 111), dashes);
        QCOMPARE(litPixels(DisplayMode::Volume, 2000), litPixels(DisplayMode::Volume, 999));
    }

    void drawsSharplyAtTwiceThePixelRatio()
    {
        SevenSegmentDisplay display;
        display.resize(300, 110);
        display.setMode(DisplayMode::Volume);
        display.setVolume(888);
        const int single = litPixels(rendered(display, 1.0));
        const int doubled = litPixels(rendered(display, 2.0));
        QVERIFY2(doubled > single * 3.6 && doubled < single * 4.4, qPrintable(QString::number(doubled)));
    }

    // The display keeps what it drew as pictures; whatever it showed before, it draws exactly what
    // a new display in the same state draws.
    void drawsLikeANewDisplayAfterAnyChange_data()
    {
        QTest::addColumn<QString>("change");
        for (const char* change : {"value", "point", "mode", "size", "colour", "style", "ratio"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }
    void drawsLikeANewDisplayAfterAnyChange()
    {
        QFETCH(QString, change);
        const auto set = [&](SevenSegmentDisplay& display, bool changed) {
            display.resize(changed && change == "size" ? QSize(340, 124) : QSize(300, 110));
            // Dark and standby differ only in the point; 84.8 and 14.1 share the units but not
            // the height of what is lit.
            display.setMode(change == "point" ? (changed ? DisplayMode::Standby : DisplayMode::Dark)
                            : changed && change == "mode" ? DisplayMode::Muted
                                                          : DisplayMode::Volume);
            display.setVolume(change == "value" ? (changed ? 141 : 848) : 888);
            display.setSegmentColor(changed && change == "colour" ? QColor(40, 255, 90)
                                                                  : QColor(255, 62, 24));
            display.setDigitSize(changed && change == "style" ? SevenSegmentDisplay::DigitSize::Small
                                                              : SevenSegmentDisplay::DigitSize::Big);
        };
        const qreal ratio = change == "ratio" ? 2.0 : 1.0;
        SevenSegmentDisplay used;
        set(used, false);
        const QImage before = rendered(used);
        set(used, true);
        SevenSegmentDisplay fresh;
        set(fresh, true);
        QCOMPARE(rendered(used, ratio), rendered(fresh, ratio));
        set(used, false);
        QCOMPARE(rendered(used), before);
    }

    // A display shown draws its pictures on a second thread before its first paint; whatever
    // changes in between, it draws what a display never shown draws.
    void drawsLikeANewDisplayWhenFirstShown_data()
    {
        QTest::addColumn<QString>("change");
        for (const char* change : {"nothing", "size", "value", "colour"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }
    void drawsLikeANewDisplayWhenFirstShown()
    {
        QFETCH(QString, change);
        const QColor green(40, 255, 90);
        SevenSegmentDisplay shown;
        shown.resize(300, 110);
        shown.setMode(DisplayMode::Volume);
        shown.setVolume(848);
        shown.show();
        if (change == "size")
            shown.resize(340, 124);
        shown.setVolume(change == "value" ? 141 : 848);
        if (change == "colour")
            shown.setSegmentColor(green);
        SevenSegmentDisplay fresh;
        fresh.resize(shown.size());
        fresh.setMode(DisplayMode::Volume);
        fresh.setVolume(shown.volume());
        if (change == "colour")
            fresh.setSegmentColor(green);
        QCOMPARE(rendered(shown), rendered(fresh));
    }

    void accessibleNameSaysWhatIsShown_data()
    {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("name");
        QTest::newRow("volume") << DisplayMode::Volume << 455 << "Volume 45.5";
        QTest::newRow("leading zero") << DisplayMode::Volume << 50 << "Volume 5.0";
        QTest::newRow("muted") << DisplayMode::Muted << 455 << "Volume muted";
        QTest::newRow("standby") << DisplayMode::Standby << 455 << "Amplifier in standby";
        QTest::newRow("dark") << DisplayMode::Dark << 455 << "Volume display off";
    }
    void accessibleNameSaysWhatIsShown()
    {
        QFETCH(DisplayMode, mode);
        QFETCH(int, tenths);
        QFETCH(QString, name);
        QLocale::setDefault(QLocale::c());
        SevenSegmentDisplay display;
        display.setVolume(tenths);
        display.setMode(mode);
        QCOMPARE(display.accessibleName(), name);
    }

    void powerLampGlowsWhenLit()
    {
        PowerLamp lamp;
        lamp.resize(30, 30);
        QCOMPARE(lamp.accessibleName(), "Power off");
        const QColor unlit = rendered(lamp).pixelColor(15, 15);
        lamp.setLit(true);
        QCOMPARE(lamp.accessibleName(), "Power on");
        const QColor lit = rendered(lamp).pixelColor(15, 15);
        QVERIFY(lit.green() > unlit.green() + 100);
    }

    void keyFilterKeepsTheBoxNumeric()
    {
        QLineEdit box;
        new NumericKeyFilter(&box, 1);
        QTest::keyClicks(&box, "12.34,5-a");
        QCOMPARE(box.text(), "12.3");
        box.selectAll();
        QTest::keyClicks(&box, "7,5");
        QCOMPARE(box.text(), "7,5");
        QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), "7,");
        QSignalSpy entered(&box, &QLineEdit::returnPressed);
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(entered.size(), 1);
    }

    // Text that arrives whole, pasted or dropped at the end, is held to the rule of the keys: all of
    // it is taken, or none.
    void wholeTextKeepsTheBoxNumeric_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("after");
        QTest::newRow("a number") << "1"
                                  << "2,5"
                                  << "12,5";
        QTest::newRow("a word") << "1"
                                << "seven"
                                << "1";
        QTest::newRow("a second decimal") << "1"
                                          << "2.55"
                                          << "1";
        QTest::newRow("a second separator") << "1.5"
                                            << ".3"
                                            << "1.5";
        QTest::newRow("a backspace character") << "1"
                                               << "\b"
                                               << "1";
    }
    void wholeTextKeepsTheBoxNumeric()
    {
        QFETCH(QString, before);
        QFETCH(QString, inserted);
        QFETCH(QString, after);
        QLineEdit box;
        box.resize(120, 24);
        new NumericKeyFilter(&box, 1);
        box.setText(before);
        QGuiApplication::clipboard()->setText(inserted);
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.text(), after);

        box.setText(before);
        QMimeData mime;
        mime.setText(inserted);
        const QPoint end(box.width() - 2, box.height() / 2);
        QDragEnterEvent enter(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&box, &enter);
        QDropEvent drop(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&box, &drop);
        QCOMPARE(box.text(), after);
    }
};

QTEST_MAIN(TestControlWidgets)
#include "tst_controlwidgets.moc"
