#pragma once

// What every model's setup codec keeps, whatever the amplifier sends and the user types: a dialog
// read and written unchanged sends back what it read; an edited one sends only values its rules
// allow; what "Save to PC" stores comes back through "Get from PC".
#include "fuzzinput.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "setup/setupcodec.h"
#include "setup/setupstore.h"

#include <QMap>

namespace setupfuzz {

using namespace setup;

// The value a field put on the wire, read back as the load would read it.
inline int sentValue(const Field& f, const QByteArray& data, const Place& place)
{
    const auto at = [&](int offset) {
        return static_cast<unsigned char>(data.at(place.pos - framing::FirstDataPos + offset));
    };
    if (f.width == Width::Byte)
        return at(0) - f.number.wireOffset;
    const int word = at(0) + 256 * at(1);
    return (f.width == Width::SignMagnitude && at(2) == 0 ? -word : word) - f.number.wireOffset;
}

inline void checkSetupCodec(const ModelSpec& spec, FuzzInput& input)
{
    QList<QByteArray> replies;
    for (qsizetype i = 0; i < qsizetype(spec.reads.size()); ++i)
        replies << input.bytes(input.byte());
    const Values read = decode(spec, replies);
    const Controls shown = controlsFor(spec, read, QLocale::c());

    // Unchanged: every value goes back as read (a number as long as its rule takes it).
    Values values = read;
    Controls c = shown;
    auto packets = encode(spec, c, values);
    FUZZ_CHECK(packets.size() == qsizetype(spec.packets.size()));
    for (qsizetype i = 0; i < packets.size(); ++i)
        FUZZ_CHECK(!packets[i] || packets[i]->size() ==
                                      commandAt(spec.packets[i].command).length - framing::MinPacketLength);
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        if (!f.write.exists() || !f.read.exists())
            continue;
        FUZZ_CHECK(packets[f.write.block].has_value());
        const QByteArray& data = *packets[f.write.block];
        const int v = read.number[i];
        if (f.kind == Kind::Text) {
            const QString sent =
                QString::fromLatin1(data.mid(f.write.pos - framing::FirstDataPos, f.textLength));
            FUZZ_CHECK(sent.trimmed() == read.text[i].trimmed());
        } else if (f.kind == Kind::Check) {
            const int sent = sentValue(f, data, f.write);
            FUZZ_CHECK(f.mask != 0 ? (sent & f.mask) == (v & f.mask) : sent == (v != 0 ? 1 : 0));
        } else if (f.kind != Kind::Number || f.number.outOfRange.how == Fallback::Keep ||
                   (v >= f.number.min && v <= f.number.max)) {
            FUZZ_CHECK(sentValue(f, data, f.write) == v);
        }
    }

    // Edited: numbers within their range or a fallback, lists at an entry they take or as stored,
    // names padded, cut or not sent.
    Controls edits = shown;
    while (!input.atEnd()) {
        const int field = input.byte() % int(spec.fields.size());
        const Kind kind = spec.fields[field].kind;
        if (kind == Kind::List || kind == Kind::Check)
            edits[field].index = input.byte() - 2;
        else
            edits[field].text = input.text(24);
    }
    values = read;
    c = edits;
    packets = encode(spec, c, values);
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        if (!f.write.exists())
            continue;
        const QByteArray name = textBytes(edits[i].text);
        if (f.kind == Kind::Text && name.size() > f.textLength && !f.cutText) {
            FUZZ_CHECK(!packets[f.write.block]);
            continue;
        }
        if (!packets[f.write.block])
            continue;
        const QByteArray& data = *packets[f.write.block];
        const int sent = f.kind == Kind::Text ? 0 : sentValue(f, data, f.write);
        const NumberRule& n = f.number;
        switch (f.kind) {
        case Kind::Text:
            FUZZ_CHECK(data.mid(f.write.pos - framing::FirstDataPos, f.textLength) ==
                       name.left(f.textLength).leftJustified(f.textLength, ' '));
            break;
        case Kind::Number:
            FUZZ_CHECK((sent >= n.min && sent <= n.max) || sent == (read.number[i] & 0xFFFF) ||
                       sent == n.outOfRange.value || sent == n.notANumber.value ||
                       (n.notANumber.value == NegativeZero && sent == 0));
            break;
        case Kind::List:
            FUZZ_CHECK(sent == read.number[i] || f.list.accepts(sent - f.list.offset));
            break;
        case Kind::Check:
            FUZZ_CHECK(sent == 0 || sent == 1 || (f.mask != 0 && (sent & ~3) == 0));
            break;
        default:
            break;
        }
    }

    // What is stored as typed, trimmed, as an index or a check state comes back as it was.
    Controls stored = c;
    QMap<QString, QString> file;
    for (const auto& [key, text] : storedPairs(spec, stored, values, QLocale::c()))
        file.insert(key, text);
    Controls loaded = stored;
    loadStored(
        spec, loaded, [&file](const QString& key, const QString&) { return file.value(key); }, QLocale::c());
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        const int index = stored[i].index;
        switch (f.ini.form) {
        case IniForm::AsTyped:
            FUZZ_CHECK(loaded[i].text == stored[i].text);
            break;
        case IniForm::Trimmed:
            FUZZ_CHECK(loaded[i].text == stored[i].text.trimmed());
            break;
        case IniForm::Index:
        case IniForm::IndexPlusOne:
            FUZZ_CHECK(loaded[i].index == (index >= 0 && index < f.list.count ? index : -1));
            break;
        case IniForm::Check:
            FUZZ_CHECK(loaded[i].index == (index != 0 ? 1 : 0));
            break;
        default:
            break;
        }
    }
}

} // namespace setupfuzz
