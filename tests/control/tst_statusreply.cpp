#include "control/statusreply.h"

#include <QTest>

using namespace control;

namespace {

// VX900 version 30: on, volume 45.5, start-up 45.0, maximum 99.9, D2, preset 2, display 3, IR on,
// master, balance centred.
const QByteArray Vx900 = QByteArray::fromHex("1901C70100C201E703060203000000000000000106001E05C4");
const QByteArray Short = QByteArray::fromHex("1501C70100C201E703030203000000000000000194");

QByteArray withChecksum(QByteArray bytes)
{
    int sum = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    bytes.back() = static_cast<char>(sum);
    return bytes;
}

// One byte changed; `mend` makes the checksum match again.
QByteArray changed(const QByteArray& reply, int pos, int value, bool mend)
{
    QByteArray bytes = reply;
    bytes[pos - 1] = static_cast<char>(value);
    return mend ? withChecksum(bytes) : bytes;
}

QByteArray withModel(int model, int version)
{
    QByteArray bytes = Vx900;
    bytes[StatusByte::VersionHigh - 1] = static_cast<char>(version >> 8);
    bytes[StatusByte::VersionLow - 1] = static_cast<char>(version & 0xFF);
    bytes[StatusByte::Model - 1] = static_cast<char>(model);
    return withChecksum(bytes);
}

QString decoded(const QByteArray& bytes)
{
    const std::optional<StatusReply> r = decodeStatusReply(bytes);
    if (!r)
        return QStringLiteral("ignored");
    const QList<int> values{r->modelCode, r->firmwareVersion, r->power,  r->volume, r->mute,
                            r->defVolume, r->maxVolume,       r->input,  r->preset, r->display,
                            r->ir,        r->masterSlave,     r->balance};
    QStringList out{r->identified ? QStringLiteral("identified") : QStringLiteral("unidentified")};
    for (const int value : values)
        out << QString::number(value);
    return out.join(u' ') +
           QStringLiteral(" \"%1\"").arg(productTypeCaption(*r).value_or(QStringLiteral("kept")));
}

} // namespace

class TestStatusReply : public QObject
{
    Q_OBJECT
private slots:
    // What one reply says: model, version, power, volume, mute, start-up and maximum volume, input,
    // preset, display, IR, master/slave, balance and the product caption; or that it is ignored.
    // The 21-byte reply's checksum takes the balance's place.
    void replies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("VX900") << Vx900 << "identified 5 30 1 455 0 450 999 6 2 3 0 1 6 \"VX 900 vers. 30\"";
        // Version high byte first, volumes low byte first; a corrupt volume stays large.
        QTest::newRow("byte order") << QByteArray::fromHex(
                                           "1900FFFF01C201E703030803000000000000010008010203E2")
                                    << "identified 3 258 0 65535 1 450 999 3 8 3 1 0 8 \"RX 900 vers. 258\"";
        QTest::newRow("21 marked") << Short << "unidentified 0 0 1 455 0 450 999 3 2 3 0 1 148 \"kept\"";
        QTest::newRow("21 marked, followed by more")
            << Short + Vx900.left(4) << "unidentified 0 0 1 455 0 450 999 3 2 3 0 1 148 \"kept\"";
        QTest::newRow("21 marked, cut short") << Short.left(20) << "ignored";
        QTest::newRow("24") << Vx900.left(24) << "ignored";
        QTest::newRow("26") << Vx900 + '\x00' << "ignored";
        QTest::newRow("empty") << QByteArray() << "ignored";
        // Damaged on the line: a wrong checksum, or a length byte that does not count the reply.
        QTest::newRow("25, checksum wrong") << changed(Vx900, 25, 0xC5, false) << "ignored";
        QTest::newRow("25, a value byte changed") << changed(Vx900, 3, 0xC8, false) << "ignored";
        QTest::newRow("21, checksum wrong") << changed(Short, 21, 0x08, false) << "ignored";
        QTest::newRow("21, followed by more, checksum wrong")
            << changed(Short, 21, 0x08, false) + Vx900.left(4) << "ignored";
        QTest::newRow("25 bytes marked 26") << changed(Vx900, 1, 26, true) << "ignored";
        QTest::newRow("25 bytes marked 0") << changed(Vx900, 1, 0, true) << "ignored";
        QTest::newRow("25 bytes marked 21") << changed(Vx900, 1, 21, true) << "ignored";
        QTest::newRow("unknown") << withModel(0, 0)
                                 << "identified 0 0 1 455 0 450 999 6 2 3 0 1 6 \"Unknown\"";
        QTest::newRow("RX900 version 10 reporting 5")
            << withModel(5, 10) << "identified 3 10 1 455 0 450 999 6 2 3 0 1 6 \"RX 900 vers. 10\"";
        QTest::newRow("VX 900S version 10 stays")
            << withModel(7, 10) << "identified 7 10 1 455 0 450 999 6 2 3 0 1 6 \"VX 900S vers. 10\"";
        QTest::newRow("large version")
            << withModel(5, 40000) << "identified 5 40000 1 455 0 450 999 6 2 3 0 1 6 \"VX 900 vers. 40000\"";
        QTest::newRow("code 4") << withModel(4, 1) << "identified 4 1 1 455 0 450 999 6 2 3 0 1 6 \"kept\"";
        QTest::newRow("code 255") << withModel(255, 1)
                                  << "identified 255 1 1 455 0 450 999 6 2 3 0 1 6 \"kept\"";
    }
    void replies()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, decoded);
        QCOMPARE(::decoded(bytes), decoded);
    }
};

QTEST_APPLESS_MAIN(TestStatusReply)
#include "tst_statusreply.moc"
