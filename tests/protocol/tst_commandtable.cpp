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
        QTest::newRow("24 input name") << 24 << 0x30 << 12 << true << "C";
        QTest::newRow("33 last of family C") << 33 << 0x39 << 6 << true << "C";
        QTest::newRow("34 first of AB") << 34 << 0x3C << 27 << true << "AB";
        QTest::newRow("38") << 38 << 0x40 << 6 << true << "ABC";
        QTest::newRow("47 factory reset") << 47 << 0x49 << 5 << false << "ABC";
        QTest::newRow("53 volume") << 53 << 0x70 << 7 << true << "ABC";
        QTest::newRow("57 mute") << 57 << 0x74 << 6 << false << "ABC";
        QTest::newRow("58 power") << 58 << 0x75 << 6 << false << "ABC";
        QTest::newRow("68 last of AB group") << 68 << 0x88 << 7 << true << "ABC";
        QTest::newRow("69 temperatures") << 69 << 0xC4 << 5 << false << "A";
        QTest::newRow("72 status") << 72 << 0xC8 << 5 << false << "ABC";
        QTest::newRow("78 solstice read") << 78 << 0xCE << 5 << false << "B";
        QTest::newRow("87 longest") << 87 << 0xDB << 40 << true << "A";
        QTest::newRow("98") << 98 << 0x59 << 14 << true << "A";
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

    void namedEntriesHaveTheirCodes_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("length");
        QTest::newRow("ConnectRequest") << Command::ConnectRequest << 0x01 << 5;
        QTest::newRow("SwitchOn") << Command::SwitchOn << 0x11 << 5;
        QTest::newRow("SwitchToStandby") << Command::SwitchToStandby << 0x12 << 5;
        QTest::newRow("MuteOn") << Command::MuteOn << 0x14 << 5;
        QTest::newRow("MuteOff") << Command::MuteOff << 0x15 << 5;
        QTest::newRow("SetBalance") << Command::SetBalance << 0x1E << 6;
        QTest::newRow("SetInput") << Command::SetInput << 0x20 << 6;
        QTest::newRow("SetInputName") << Command::SetInputName << 0x30 << 12;
        QTest::newRow("GetInputName") << Command::GetInputName << 0x39 << 6;
        QTest::newRow("FactoryReset") << Command::FactoryReset << 0x49 << 5;
        QTest::newRow("SetVolume") << Command::SetVolume << 0x70 << 7;
        QTest::newRow("SetDigitalInput") << Command::SetDigitalInput << 0x71 << 6;
        QTest::newRow("SetAnalogInput") << Command::SetAnalogInput << 0x72 << 6;
        QTest::newRow("SetMute") << Command::SetMute << 0x74 << 6;
        QTest::newRow("SetPowerState") << Command::SetPowerState << 0x75 << 6;
        QTest::newRow("SetMaxVolume") << Command::SetMaxVolume << 0x84 << 7;
        QTest::newRow("SetDefaultVolume") << Command::SetDefaultVolume << 0x85 << 7;
        QTest::newRow("SetParameter") << Command::SetParameter << 0x88 << 7;
        QTest::newRow("GetTemperatures") << Command::GetTemperatures << 0xC4 << 5;
        QTest::newRow("GetSettingsC5") << Command::GetSettingsC5 << 0xC5 << 5;
        QTest::newRow("SetSettingsC6") << Command::SetSettingsC6 << 0xC6 << 25;
        QTest::newRow("StatusRequest") << Command::StatusRequest << 0xC8 << 5;
        QTest::newRow("GetSettingsCA") << Command::GetSettingsCA << 0xCA << 5;
        QTest::newRow("SetSettingsCB") << Command::SetSettingsCB << 0xCB << 26;
        QTest::newRow("GetSettingsCC") << Command::GetSettingsCC << 0xCC << 5;
        QTest::newRow("SetSettingsCD") << Command::SetSettingsCD << 0xCD << 22;
        QTest::newRow("GetSettingsCE") << Command::GetSettingsCE << 0xCE << 5;
        QTest::newRow("SetSettingsCF") << Command::SetSettingsCF << 0xCF << 26;
        QTest::newRow("GetSettingsD2") << Command::GetSettingsD2 << 0xD2 << 5;
        QTest::newRow("SetSettingsD3") << Command::SetSettingsD3 << 0xD3 << 21;
        QTest::newRow("GetSettingsD4") << Command::GetSettingsD4 << 0xD4 << 5;
        QTest::newRow("SetSettingsD5") << Command::SetSettingsD5 << 0xD5 << 31;
        QTest::newRow("GetSettingsDA") << Command::GetSettingsDA << 0xDA << 5;
        QTest::newRow("SetSettingsDB") << Command::SetSettingsDB << 0xDB << 40;
    }
    void namedEntriesHaveTheirCodes()
    {
        QFETCH(int, index);
        QFETCH(int, code);
        QFETCH(int, length);
        QCOMPARE(commandAt(index).code, code);
        QCOMPARE(commandAt(index).length, length);
    }

    void initBuildsTheSameTable() { QVERIFY(InitCommandTable() == Commands); }
};

QTEST_APPLESS_MAIN(TestCommandTable)
#include "tst_commandtable.moc"
