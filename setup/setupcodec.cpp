#include "setup/setupcodec.h"

#include "common/bytetext.h"
#include "common/numbers.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"

#include <algorithm>
#include <cstdlib>

namespace setup {
namespace {

int readValue(const Field& f, const QByteArray& reply)
{
    const int pos = f.read.pos;
    if (f.width == Width::Byte)
        return common::byteAt(reply, pos);
    const int word = common::byteAt(reply, pos) + 256 * common::byteAt(reply, pos + 1);
    if (f.width == Width::SignMagnitude && common::byteAt(reply, pos + 2) == 0)
        return -word;
    return word;
}

bool ticked(const Field& f, int value)
{
    return ((f.mask != 0 ? value & f.mask : value) != 0) != f.inverted;
}

void put(QByteArray& data, const Field& f, const Place& place, int value)
{
    const qsizetype at = place.pos - framing::FirstDataPos;
    const auto set = [&data](qsizetype i, int byte) {
        if (i >= 0 && i < data.size())
            data[i] = static_cast<char>(byte & 0xFF);
    };
    switch (f.width) {
    case Width::Byte:
        // Checks that share a byte each add their bit.
        set(at, f.mask != 0 && at >= 0 && at < data.size() ? static_cast<unsigned char>(data[at]) | value
                                                           : value);
        break;
    case Width::Word:
        set(at, value);
        set(at + 1, value >> 8);
        break;
    case Width::SignMagnitude: {
        const int magnitude = value == NegativeZero ? 0 : std::abs(value);
        set(at, magnitude);
        set(at + 1, magnitude >> 8);
        set(at + 2, value < 0 ? 0 : 1);
        break;
    }
    case Width::Text:
        break;
    }
}

} // namespace

Values emptyValues(const ModelSpec& spec)
{
    Values values;
    values.number.resize(spec.fields.size());
    values.text.resize(spec.fields.size());
    return values;
}

Values decode(const ModelSpec& spec, const QList<QByteArray>& replies)
{
    Values values = emptyValues(spec);
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        if (!f.read.exists())
            continue;
        const QByteArray reply = replies.value(f.read.block);
        if (f.width == Width::Text) {
            values.text[i] = common::textFromBytes(reply.mid(f.read.pos - 1, f.textLength));
            continue;
        }
        int value = readValue(f, reply) - f.number.wireOffset;
        const ListRule& l = f.list;
        if (l.coerceMax >= l.coerceMin && (value < l.coerceMin || value > l.coerceMax))
            value = l.coerceTo;
        values.number[i] = value;
    }
    return values;
}

QString showNumber(const NumberRule& rule, int value, const QLocale& locale)
{
    if (rule.decimals == 0)
        return QString::number(value / rule.scale);
    // + 0.0 turns a negative zero (an attenuation of 0) into a plain one.
    return common::formatOneDecimal(double(value) / rule.scale + 0.0, locale);
}

int listIndexOf(const ListRule& rule, int value)
{
    const int index = value - rule.offset;
    return index >= 0 && index < rule.count ? index : -1;
}

Controls controlsFor(const ModelSpec& spec, const Values& values, const QLocale& locale)
{
    Controls controls(spec.fields.size());
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        const int value = values.number[i];
        Entry& e = controls[i];
        switch (f.kind) {
        case Kind::Number:
        case Kind::Shown:
            e.text = f.shownText ? f.shownText(value) : showNumber(f.number, value, locale);
            break;
        case Kind::List:
            e.index = listIndexOf(f.list, value);
            break;
        case Kind::Check:
            e.index = ticked(f, value) ? 1 : 0;
            break;
        case Kind::Text:
            // Names are padded with blanks on the amplifier; the box shows them without.
            e.text = f.read.exists() ? values.text[i].trimmed() : QString::fromLatin1(f.factory);
            break;
        case Kind::PresetLock:
            e.index = value;
            break;
        }
    }
    return controls;
}

int validatedNumber(const NumberRule& rule, QString& text, int stored)
{
    const auto fallback = [stored](const OnInvalid& rule) {
        return rule.how == Fallback::Keep ? stored : rule.value;
    };
    const std::optional<double> typed = common::parseUserNumber(text);
    if (!typed)
        return fallback(rule.notANumber);
    // Far beyond 16 bits is still out of range: the value is kept wide until it has been tested.
    long long value = common::roundHalfEven(*typed * rule.scale);
    if (rule.adjust)
        rule.adjust(value, text);
    if (value >= rule.min && value <= rule.max)
        return static_cast<int>(value);
    if (rule.outOfRange.how == Fallback::Clamp)
        return static_cast<int>(std::clamp<long long>(value, rule.min, rule.max));
    return fallback(rule.outOfRange);
}

QByteArray textBytes(const QString& text)
{
    QByteArray bytes;
    for (const char32_t c : text.toUcs4())
        bytes += c <= 0xFF ? static_cast<char>(c) : '?';
    return bytes;
}

QList<std::optional<QByteArray>> encode(const ModelSpec& spec, Controls& controls, Values& values)
{
    QList<std::optional<QByteArray>> packets;
    for (const Packet& p : spec.packets) {
        QByteArray data(commandAt(p.command).length - framing::MinPacketLength, '\0');
        if (p.lead >= 0 && !data.isEmpty())
            data[0] = static_cast<char>(p.lead);
        packets << data;
    }

    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        if (!f.write.exists())
            continue;
        Entry& e = controls[i];
        int& value = values.number[i];
        std::optional<QByteArray>& packet = packets[f.write.block];
        switch (f.kind) {
        case Kind::Number:
            value = validatedNumber(f.number, e.text, value);
            break;
        case Kind::List:
            if (f.list.accepts(e.index))
                value = e.index + f.list.offset;
            else
                e.index = listIndexOf(f.list, value);
            break;
        case Kind::Check:
            value = (e.index != 0) != f.inverted ? (f.mask != 0 ? f.mask : 1) : 0;
            break;
        case Kind::Text: {
            QByteArray bytes = textBytes(e.text);
            if (bytes.size() > f.textLength && !f.cutText) {
                packet.reset();
                continue;
            }
            bytes.truncate(f.textLength);
            values.text[i] = e.text;
            if (packet)
                packet->replace(f.write.pos - framing::FirstDataPos, f.textLength,
                                bytes.leftJustified(f.textLength, ' '));
            continue;
        }
        case Kind::Shown:
        case Kind::PresetLock:
            break;
        }
        if (packet)
            put(*packet, f, f.write, value + f.number.wireOffset);
        if (f.copy.exists() && packets[f.copy.block])
            put(*packets[f.copy.block], f, f.copy, value + f.number.wireOffset);
    }
    return packets;
}

void fillFactory(const ModelSpec& spec, Controls& controls)
{
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        if (!f.factory)
            continue;
        if (f.kind == Kind::List || f.kind == Kind::Check)
            controls[i].index = QByteArray(f.factory).toInt();
        else
            controls[i].text = QString::fromLatin1(f.factory);
    }
}

} // namespace setup
