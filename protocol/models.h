#pragma once

#include <array>
#include <string_view>

// The amplifier models, by the code each reports in its status reply: one table that the main
// window, the setup dialogs' registry and ampsim all key by.
namespace ModelCode {
inline constexpr int Unknown = 0;
inline constexpr int Kma840 = 1;
inline constexpr int Solstice = 2;
inline constexpr int Rx900 = 3;
inline constexpr int Vx900 = 5;
inline constexpr int Vx900S = 7;
} // namespace ModelCode

struct ModelRecord
{
    int code;
    // The product as the main window names it ("VX 900" in "VX 900 vers. 32").
    std::string_view caption;
    // The name ampsim's --model takes.
    std::string_view simName;
};

inline constexpr std::array<ModelRecord, 5> Models{{
    {ModelCode::Kma840, "KMA840", "kma840"},
    {ModelCode::Solstice, "Solstice Mk.III", "solstice"},
    {ModelCode::Rx900, "RX 900", "rx900"},
    {ModelCode::Vx900, "VX 900", "vx900"},
    {ModelCode::Vx900S, "VX 900S", "vx900s"},
}};

// The record of a model code, or nothing for a code no model reports.
constexpr const ModelRecord* modelRecord(int code)
{
    for (const ModelRecord& model : Models) {
        if (model.code == code)
            return &model;
    }
    return nullptr;
}
