#include "protocol/commandtable.h"

#include <QSet>
#include <QTest>

class TestCommandTable : public QObject
{
    Q_OBJECT
private slots:
    void entries_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("wait");
        QTest::addColumn<QString>("families");
        QTest::newRow("1 connect") << 1 << 0x01 << 5 << true << "ABC";
        QTest::newRow("2 first of family C") << 2 << 0x10 << 5 << true << "C";
        QTest::newRow("14 no wait") << 14 << 0x1D << 5 << false << "C";
        QTest::newRow("33 last of family C") << 33 << 0x39 << 6 << true << "C";
        QTest::newRow("34 first of AB") << 34 << 0x3C << 27 << true << "AB";
        QTest::newRow("68 last of AB group") << 68 << 0x88 << 7 << true << "ABC";
        QTest::newRow("69 temperatures") << 69 << 0xC4 << 5 << false << "A";
        QTest::newRow("72 status") << 72 << 0xC8 << 5 << false << "ABC";
        QTest::newRow("87 longest") << 87 << 0xDB << 40 << true << "A";
        QTest::newRow("99") << 99 << 0x3B << 36 << true << "";
        QTest::newRow("106 last") << 106 << 0xD9 << 11 << true << "";
    }
    void entries()
    {
        QFETCH(int, index);
        QFETCH(int, code);
        QFETCH(int, length);
        QFETCH(bool, wait);
        QFETCH(QString, families);
        const CommandRecord& entry = commandAt(index);
        QCOMPARE(entry.code, code);
        QCOMPARE(entry.length, length);
        QCOMPARE(entry.wait, wait);
        QCOMPARE(entry.familyA, families.contains(u'A'));
        QCOMPARE(entry.familyB, families.contains(u'B'));
        QCOMPARE(entry.familyC, families.contains(u'C'));
    }

    void indexZeroAndOutsideAreTheEmptyRecord()
    {
        QCOMPARE(Commands[0], CommandRecord{});
        for (const int index : {0, -1, 107, 1000})
            QCOMPARE(commandAt(index), CommandRecord{});
    }

    void codesAreUniqueAndLengthsPlausible()
    {
        QSet<int> codes;
        int longest = 0;
        for (int i = FirstCommandIndex; i <= LastCommandIndex; ++i) {
            const CommandRecord& entry = commandAt(i);
            QVERIFY2(!codes.contains(entry.code), qPrintable(QStringLiteral("index %1").arg(i)));
            codes.insert(entry.code);
            QVERIFY(entry.length >= 5);
            longest = qMax(longest, int(entry.length));
        }
        QCOMPARE(codes.size(), 106);
        QCOMPARE(longest, 40);
    }
};

QTEST_APPLESS_MAIN(TestCommandTable)
#include "tst_commandtable.moc"
