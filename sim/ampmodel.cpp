#include "sim/ampmodel.h"

#include "protocol/models.h"

#include <array>

namespace {

struct ModelInfo
{
    AmpModel model;
    std::string_view name;
    int code;
    int version;
};

constexpr ModelInfo modelOf(AmpModel model, int code, int version)
{
    return {model, modelRecord(code)->simName, code, version};
}

// The behaviour of each model is keyed by the code it reports; the generic unit reports none.
constexpr std::array<ModelInfo, 6> SimModels{{
    modelOf(AmpModel::Kma840, ModelCode::Kma840, 18),
    modelOf(AmpModel::Solstice, ModelCode::Solstice, 35),
    modelOf(AmpModel::Rx900, ModelCode::Rx900, 12),
    modelOf(AmpModel::Vx900, ModelCode::Vx900, 32),
    modelOf(AmpModel::Vx900s, ModelCode::Vx900S, 41),
    {AmpModel::Generic21, "generic21", ModelCode::Unknown, 0},
}};

const ModelInfo& info(AmpModel model)
{
    for (const ModelInfo& m : SimModels) {
        if (m.model == model)
            return m;
    }
    return SimModels.front();
}

} // namespace

std::optional<AmpModel> ampModelFromName(QStringView name)
{
    for (const ModelInfo& m : SimModels) {
        if (name.compare(QLatin1String(m.name.data(), m.name.size()), Qt::CaseInsensitive) == 0)
            return m.model;
    }
    return std::nullopt;
}

QString ampModelName(AmpModel model)
{
    return QString::fromLatin1(info(model).name.data(), info(model).name.size());
}

QStringList ampModelNames()
{
    QStringList names;
    for (const ModelInfo& m : SimModels)
        names << QString::fromLatin1(m.name.data(), m.name.size());
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
