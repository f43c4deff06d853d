#pragma once

#include <array>

// One amplifier command: its code byte, the total length of its request packet (5 = no data byte,
// 6 = one, ...), whether SendCommand waits for the acknowledgement 02 AA after sending it, and the
// amplifier families that understand it (A: VX900/RX900, B: Solstice, C: KMA840). No sender
// consults the families; the windows choose commands by model.
struct CommandRecord
{
    unsigned char code = 0;
    unsigned char length = 0;
    bool wait = false;
    bool familyA = false;
    bool familyB = false;
    bool familyC = false;

    friend constexpr bool operator==(const CommandRecord&, const CommandRecord&) = default;
};

// Indices 0..106; index 0 stays all zero and is never sent.
inline constexpr int FirstCommandIndex = 1;
inline constexpr int LastCommandIndex = 106;
using CommandTable = std::array<CommandRecord, LastCommandIndex + 1>;

// Builds the table. It is constant data, so it is built once, at compile time, into `Commands`;
// calling this again yields the same table.
constexpr CommandTable InitCommandTable()
{
    // clang-format off
    return CommandTable{{
    {},  // 0: never sent
    {0x01, 5, true, true, true, true}, // 1 ConnectRequest
    {0x10, 5, true, false, false, true}, // 2
    {0x11, 5, true, false, false, true}, // 3 SwitchOn
    {0x12, 5, true, false, false, true}, // 4 SwitchToStandby
    {0x13, 5, true, false, false, true}, // 5
    {0x14, 5, true, false, false, true}, // 6 MuteOn
    {0x15, 5, true, false, false, true}, // 7 MuteOff
    {0x16, 5, true, false, false, true}, // 8
    {0x17, 5, true, false, false, true}, // 9
    {0x19, 5, true, false, false, true}, // 10
    {0x1A, 5, true, false, false, true}, // 11
    {0x1B, 7, true, false, false, true}, // 12
    {0x1C, 7, true, false, false, true}, // 13
    {0x1D, 5, false, false, false, true}, // 14
    {0x1E, 6, true, false, false, true}, // 15 SetBalance
    {0x20, 6, true, false, false, true}, // 16 SetInput
    {0x21, 5, true, false, false, true}, // 17
    {0x22, 5, true, false, false, true}, // 18
    {0x23, 5, true, false, false, true}, // 19
    {0x24, 5, true, false, false, true}, // 20
    {0x25, 5, true, false, false, true}, // 21
    {0x26, 5, true, false, false, true}, // 22
    {0x27, 5, true, false, false, true}, // 23
    {0x30, 12, true, false, false, true}, // 24 SetInputName
    {0x31, 11, true, false, false, true}, // 25
    {0x32, 11, true, false, false, true}, // 26
    {0x33, 11, true, false, false, true}, // 27
    {0x34, 11, true, false, false, true}, // 28
    {0x35, 11, true, false, false, true}, // 29
    {0x36, 11, true, false, false, true}, // 30
    {0x37, 11, true, false, false, true}, // 31
    {0x38, 11, true, false, false, true}, // 32
    {0x39, 6, true, false, false, true}, // 33 GetInputName
    {0x3C, 27, true, true, true, false}, // 34
    {0x3D, 28, true, true, true, false}, // 35
    {0x3E, 6, true, true, true, false}, // 36
    {0x3F, 9, true, true, true, false}, // 37
    {0x40, 6, true, true, true, true}, // 38
    {0x41, 13, true, true, true, false}, // 39
    {0x42, 5, false, true, true, true}, // 40
    {0x43, 7, true, true, true, true}, // 41
    {0x44, 5, false, true, true, true}, // 42
    {0x45, 11, true, true, true, false}, // 43
    {0x46, 12, true, true, true, false}, // 44
    {0x47, 19, true, true, true, false}, // 45
    {0x48, 20, true, true, true, false}, // 46
    {0x49, 5, false, true, true, true}, // 47 FactoryReset
    {0x4A, 5, false, true, true, false}, // 48
    {0x4B, 6, true, true, true, false}, // 49
    {0x5B, 8, false, true, true, false}, // 50
    {0x64, 8, false, true, true, false}, // 51
    {0x66, 8, false, true, true, false}, // 52
    {0x70, 7, true, true, true, true}, // 53 SetVolume
    {0x71, 6, true, true, true, false}, // 54 SetDigitalInput
    {0x72, 6, true, true, true, false}, // 55 SetAnalogInput
    {0x73, 7, false, true, true, true}, // 56
    {0x74, 6, false, true, true, true}, // 57 SetMute
    {0x75, 6, false, true, true, true}, // 58 SetPowerState
    {0x76, 6, true, true, true, false}, // 59
    {0x77, 6, false, true, true, false}, // 60
    {0x78, 6, false, true, true, false}, // 61
    {0x79, 6, false, true, true, true}, // 62
    {0x7A, 7, false, true, true, true}, // 63
    {0x7B, 7, false, true, true, true}, // 64
    {0x84, 7, true, true, true, true}, // 65 SetMaxVolume
    {0x85, 7, true, true, true, true}, // 66 SetDefaultVolume
    {0x87, 6, true, true, true, false}, // 67
    {0x88, 7, true, true, true, true}, // 68 SetParameter
    {0xC4, 5, false, true, false, false}, // 69 GetTemperatures
    {0xC5, 5, false, true, true, true}, // 70 GetSettingsC5
    {0xC6, 25, true, true, true, true}, // 71 SetSettingsC6
    {0xC8, 5, false, true, true, true}, // 72 StatusRequest
    {0xC9, 25, true, true, true, true}, // 73
    {0xCA, 5, false, false, false, true}, // 74 GetSettingsCA
    {0xCB, 26, true, false, false, true}, // 75 SetSettingsCB
    {0xCC, 5, false, false, false, true}, // 76 GetSettingsCC
    {0xCD, 22, true, false, false, true}, // 77 SetSettingsCD
    {0xCE, 5, false, false, true, false}, // 78 GetSettingsCE
    {0xCF, 26, true, false, true, false}, // 79 SetSettingsCF
    {0xD0, 5, false, false, true, false}, // 80
    {0xD1, 22, true, false, true, false}, // 81
    {0xD2, 5, false, true, false, false}, // 82 GetSettingsD2
    {0xD3, 21, true, true, false, false}, // 83 SetSettingsD3
    {0xD4, 5, false, true, false, false}, // 84 GetSettingsD4
    {0xD5, 31, true, true, false, false}, // 85 SetSettingsD5
    {0xDA, 5, false, true, false, false}, // 86 GetSettingsDA
    {0xDB, 40, true, true, false, false}, // 87 SetSettingsDB
    {0xF1, 6, true, true, false, false}, // 88
    {0xF2, 8, false, true, true, true}, // 89
    {0xF3, 11, true, true, true, true}, // 90
    {0xF4, 9, false, true, true, true}, // 91
    {0xF5, 32, true, true, true, true}, // 92
    {0xF7, 6, false, true, false, false}, // 93
    {0xF8, 32, false, true, false, false}, // 94
    {0x56, 7, false, true, false, false}, // 95
    {0x57, 34, true, true, false, false}, // 96
    {0x58, 6, false, true, false, false}, // 97
    {0x59, 14, true, true, false, false}, // 98
    {0x3B, 36, true, false, false, false}, // 99
    {0x5A, 6, true, false, false, false}, // 100
    {0xC2, 7, false, false, false, false}, // 101
    {0xC3, 23, true, false, false, false}, // 102
    {0xD6, 5, false, false, false, false}, // 103
    {0xD7, 33, true, false, false, false}, // 104
    {0xD8, 6, false, false, false, false}, // 105
    {0xD9, 11, true, false, false, false}, // 106
    }};
    // clang-format on
}

inline constexpr CommandTable Commands = InitCommandTable();

// The entry at `index`; an index outside 1..106 gives the all-zero record of index 0, which no
// sender frames (its length is 0).
constexpr const CommandRecord& commandAt(int index)
{
    return index >= FirstCommandIndex && index <= LastCommandIndex ? Commands[static_cast<std::size_t>(index)]
                                                                   : Commands[0];
}

// Table indices of the commands that the programs send, so no caller uses a bare number.
namespace Command {
inline constexpr int ConnectRequest = 1;
inline constexpr int SwitchOn = 3;
inline constexpr int SwitchToStandby = 4;
inline constexpr int MuteOn = 6;
inline constexpr int MuteOff = 7;
inline constexpr int SetBalance = 15;
inline constexpr int SetInput = 16;
inline constexpr int SetInputName = 24;
inline constexpr int GetInputName = 33;
inline constexpr int FactoryReset = 47;
inline constexpr int SetVolume = 53;
inline constexpr int SetDigitalInput = 54;
inline constexpr int SetAnalogInput = 55;
inline constexpr int SetMute = 57;
inline constexpr int SetPowerState = 58;
inline constexpr int SetMaxVolume = 65;
inline constexpr int SetDefaultVolume = 66;
inline constexpr int SetParameter = 68;
inline constexpr int GetTemperatures = 69;
inline constexpr int GetSettingsC5 = 70;
inline constexpr int SetSettingsC6 = 71;
inline constexpr int StatusRequest = 72;
inline constexpr int GetSettingsCA = 74;
inline constexpr int SetSettingsCB = 75;
inline constexpr int GetSettingsCC = 76;
inline constexpr int SetSettingsCD = 77;
inline constexpr int GetSettingsCE = 78;
inline constexpr int SetSettingsCF = 79;
inline constexpr int GetSettingsD2 = 82;
inline constexpr int SetSettingsD3 = 83;
inline constexpr int GetSettingsD4 = 84;
inline constexpr int SetSettingsD5 = 85;
inline constexpr int GetSettingsDA = 86;
inline constexpr int SetSettingsDB = 87;
} // namespace Command
