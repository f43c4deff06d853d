#pragma once

#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "setup/setupcodec.h"
#include "setup/setupstore.h"

#include <QStringList>
#include <algorithm>

namespace codecbench {

// Every control as "value=shown": a box's or label's text, a list's index, a check's state.
inline QString render(const setup::ModelSpec& spec, const setup::Controls& c)
{
    using setup::Kind;
    QStringList parts;
    for (qsizetype i = 0; i < c.size(); ++i) {
        const setup::Field& f = spec.fields[i];
        const bool indexed = f.kind == Kind::List || f.kind == Kind::Check || f.kind == Kind::PresetLock;
        parts << QStringLiteral("%1=%2").arg(QLatin1String(f.name),
                                             indexed ? QString::number(c[i].index) : c[i].text);
    }
    return parts.join(QStringLiteral(" | "));
}

// A write packet as it goes out to address 1.
inline QByteArray framed(int command, const std::optional<QByteArray>& data)
{
    QList<int> bytes;
    for (const char c : data.value())
        bytes << static_cast<unsigned char>(c);
    return framing::framePacket(commandAt(command).length, {1, 0}, commandAt(command).code, bytes).value();
}

// The stored keys whose text differs from the key's default, as "key=text"; keys stored as plain
// values (whose default is only what a missing key reads) only with `plainValuesToo`.
inline QStringList storedNotDefault(const setup::ModelSpec& spec, setup::Controls& c,
                                    const setup::Values& values, bool plainValuesToo)
{
    QStringList differing;
    for (const auto& [key, text] : setup::storedPairs(spec, c, values)) {
        const QString& name = key; // clang 14 cannot capture a structured binding
        const auto f = std::find_if(spec.fields.begin(), spec.fields.end(), [&](const setup::Field& f) {
            return f.ini.key && name == QLatin1String(f.ini.key);
        });
        if ((plainValuesToo || f->ini.form != setup::IniForm::Value) &&
            text != QLatin1String(f->ini.defaultText))
            differing << key + u'=' + text;
    }
    return differing;
}

} // namespace codecbench
