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

    void groupsBelongToTheirFamilies()
    {
        for (int i = 2; i <= 33; ++i) {
            const CommandRecord& entry = commandAt(i);
            QVERIFY(entry.familyC && !entry.familyA && !entry.familyB);
            QVERIFY(entry.code >= 0x10 && entry.code <= 0x39);
        }
        for (int i = 34; i <= 68; ++i) {
            const CommandRecord& entry = commandAt(i);
            QVERIFY(entry.familyA && entry.familyB);
            QVERIFY(entry.code >= 0x3C && entry.code <= 0x88);
        }
    }

    // Each name the programs use points at the entry it means.
    void namedEntriesHaveTheirCodes()
    {
        const QList<std::pair<int, int>> named{
            {Command::ConnectRequest, 0x01},   {Command::SwitchOn, 0x11},
            {Command::SwitchToStandby, 0x12},  {Command::MuteOn, 0x14},
            {Command::MuteOff, 0x15},          {Command::SetBalance, 0x1E},
            {Command::SetInput, 0x20},         {Command::SetInputName, 0x30},
            {Command::GetInputName, 0x39},     {Command::FactoryReset, 0x49},
            {Command::SetVolume, 0x70},        {Command::SetDigitalInput, 0x71},
            {Command::SetAnalogInput, 0x72},   {Command::SetMute, 0x74},
            {Command::SetPowerState, 0x75},    {Command::SetMaxVolume, 0x84},
            {Command::SetDefaultVolume, 0x85}, {Command::SetParameter, 0x88},
            {Command::GetTemperatures, 0xC4},  {Command::GetSettingsC5, 0xC5},
            {Command::SetSettingsC6, 0xC6},    {Command::StatusRequest, 0xC8},
            {Command::GetSettingsCA, 0xCA},    {Command::SetSettingsCB, 0xCB},
            {Command::GetSettingsCC, 0xCC},    {Command::SetSettingsCD, 0xCD},
            {Command::GetSettingsCE, 0xCE},    {Command::SetSettingsCF, 0xCF},
            {Command::GetSettingsD2, 0xD2},    {Command::SetSettingsD3, 0xD3},
            {Command::GetSettingsD4, 0xD4},    {Command::SetSettingsD5, 0xD5},
            {Command::GetSettingsDA, 0xDA},    {Command::SetSettingsDB, 0xDB}};
        for (const auto& [index, code] : named)
            QVERIFY2(commandAt(index).code == code, qPrintable(QString::number(index)));
    }

    void initBuildsTheSameTable() { QVERIFY(InitCommandTable() == Commands); }
};

QTEST_APPLESS_MAIN(TestCommandTable)
#include "tst_commandtable.moc"
