#include "sim/ampmodel.h"

#include <array>

namespace {

struct ModelInfo
{
    AmpModel model;
    const char* name;
    int code;
    int version;
};

constexpr std::array<ModelInfo, 6> Models{{
    {AmpModel::Kma840, "kma840", 1, 18},
    {AmpModel::Solstice, "solstice", 2, 35},
    {AmpModel::Rx900, "rx900", 3, 12},
    {AmpModel::Vx900, "vx900", 5, 32},
    {AmpModel::Vx900s, "vx900s", 7, 41},
    {AmpModel::Generic21, "generic21", 0, 0},
}};

const ModelInfo& info(AmpModel model)
{
    for (const ModelInfo& m : Models) {
        if (m.model == model)
            return m;
    }
    return Models.front();
}

} // namespace

std::optional<AmpModel> ampModelFromName(QStringView name)
{
    for (const ModelInfo& m : Models) {
        if (name.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return m.model;
    }
    return std::nullopt;
}

QString ampModelName(AmpModel model)
{
    return QString::fromLatin1(info(model).name);
}

QStringList ampModelNames()
{
    QStringList names;
    for (const ModelInfo& m : Models)
        names << QString::fromLatin1(m.name);
    return names;
}

int ampModelCode(AmpModel model)
{
    return info(model).code;
}

int defaultFirmwareVersion(AmpModel model)
{
    return info(model).version;
}
