#include "common/bytetext.h"
#include "common/numbers.h"

#include <QTest>

class TestNumbers : public QObject
{
    Q_OBJECT
private slots:
    void numericValueReadsLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits then letters") << "12ab" << 12.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("decimal baud") << "57600.0" << 57600.0;
        QTest::newRow("leading blanks") << "  1500" << 1500.0;
        QTest::newRow("negative") << "-3.5x" << -3.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("dangling exponent") << "7e" << 7.0;
        QTest::newRow("comma stops") << "55,5" << 55.0;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("huge") << QString(400, u'9') << 0.0;
    }
    void numericValueReadsLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(common::numericValue(text), value);
    }

    void comparedAsNumberNeedsTheWholeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("equal");
        QTest::newRow("86") << "86" << true;
        QTest::newRow("86.0") << "86.0" << true;
        QTest::newRow("blanks") << " 86 " << true;
        QTest::newRow("86x") << "86x" << false;
        QTest::newRow("85") << "85" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("comma") << "86,0" << false;
    }
    void comparedAsNumberNeedsTheWholeText()
    {
        QFETCH(QString, text);
        QFETCH(bool, equal);
        QCOMPARE(common::equalsAsNumber(text, 86), equal);
    }

    void userNumbersTakeBothSeparators_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("point") << "45.5" << true << 45.5;
        QTest::newRow("comma") << "45,5" << true << 45.5;
        QTest::newRow("integer") << "12" << true << 12.0;
        QTest::newRow("two separators") << "1.000,5" << false << 0.0;
        QTest::newRow("letters") << "4x" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "  " << false << 0.0;
        QTest::newRow("beyond a double") << "-1e999" << true << -std::numeric_limits<double>::infinity();
    }
    void userNumbersTakeBothSeparators()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto parsed = common::parseUserNumber(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void formatsOneDecimalInTheUsersLocale()
    {
        QCOMPARE(common::formatOneDecimal(45.5, QLocale::c()), QStringLiteral("45.5"));
        QCOMPARE(common::formatOneDecimal(45.5, QLocale(QLocale::German)), QStringLiteral("45,5"));
        QCOMPARE(common::formatOneDecimal(1234.0, QLocale(QLocale::English)), QStringLiteral("1234.0"));
        QCOMPARE(common::formatTenths(999, QLocale::c()), QStringLiteral("99.9"));
    }

    void roundsHalfToEven()
    {
        QCOMPARE(common::roundHalfEven(45.55 * 10), 456LL);
        QCOMPARE(common::roundHalfEven(45.45 * 10), 454LL);
        QCOMPARE(common::roundHalfEven(0.5), 0LL);
        QCOMPARE(common::roundHalfEven(1.5), 2LL);
        QCOMPARE(common::roundHalfEven(-2.5), -2LL);
        QCOMPARE(common::roundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0LL);
        QVERIFY(common::roundHalfEven(1e300) > 0);
        QVERIFY(common::roundHalfEven(-std::numeric_limits<double>::infinity()) < -1e18);
    }

    void bytesSurviveTheTextRoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = common::textFromBytes(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0xAA).unicode(), char16_t(0xAA));
        QCOMPARE(common::bytesFromText(text), all);
        QCOMPARE(common::byteAt(all, 1), 0);
        QCOMPARE(common::byteAt(all, 256), 255);
        QCOMPARE(common::byteAt(all, 257), 0);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
