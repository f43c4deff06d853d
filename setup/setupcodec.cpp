#include "setup/setupcodec.h"

#include "common/bytetext.h"
#include "common/numbers.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"

#include <algorithm>

namespace setup {
namespace {

int readValue(const Field& f, const QByteArray& reply)
{
    if (f.width == Width::Word)
        return common::byteAt(reply, f.read.pos) + 256 * common::byteAt(reply, f.read.pos + 1);
    return common::byteAt(reply, f.read.pos);
}

bool ticked(const Field& f, int value)
{
    return (value != 0) != f.inverted;
}

void put(QByteArray& data, const Field& f, int value)
{
    const qsizetype at = f.write.pos - framing::FirstDataPos;
    if (at < 0 || at >= data.size())
        return;
    data[at] = static_cast<char>(value & 0xFF);
    if (f.width == Width::Word && at + 1 < data.size())
        data[at + 1] = static_cast<char>((value >> 8) & 0xFF);
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
        if (f.kind == Kind::List && l.coerceMax >= l.coerceMin &&
            (value < l.coerceMin || value > l.coerceMax))
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
            e.text = f.read.exists() ? values.text[i] : QString::fromLatin1(f.factory);
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

QList<std::optional<QByteArray>> encode(const ModelSpec& spec, Controls& controls, Values& values)
{
    QList<std::optional<QByteArray>> packets;
    for (const Packet& p : spec.packets)
        packets << QByteArray(commandAt(p.command).length - framing::MinPacketLength, '\0');

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
            value = (e.index != 0) != f.inverted ? 1 : 0;
            break;
        case Kind::Text: {
            const QByteArray bytes = common::bytesFromText(e.text);
            if (bytes.size() > f.textLength) {
                packet.reset();
                continue;
            }
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
            put(*packet, f, value + f.number.wireOffset);
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
