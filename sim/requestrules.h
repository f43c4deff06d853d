#pragma once

#include <array>
#include <string_view>

// The requests the amplifier's firmware knows, by code byte: the packet's total length, whether the
// amplifier acknowledges it with 02 AA, and the families whose firmware has it (A: VX900 and RX900,
// B: Solstice, C: KMA840). The stand-in keeps its own copy rather than reading the programs' command
// table, as the hardware would: a slip in either shows as a disagreement.
struct RequestRule
{
    unsigned char code;
    unsigned char length;
    bool acknowledged;
    std::string_view families;
};

// clang-format off
inline constexpr std::array<RequestRule, 106> RequestRules{{
    {0x01, 5, true, "ABC"},
    {0x10, 5, true, "C"},
    {0x11, 5, true, "C"},
    {0x12, 5, true, "C"},
    {0x13, 5, true, "C"},
    {0x14, 5, true, "C"},
    {0x15, 5, true, "C"},
    {0x16, 5, true, "C"},
    {0x17, 5, true, "C"},
    {0x19, 5, true, "C"},
    {0x1A, 5, true, "C"},
    {0x1B, 7, true, "C"},
    {0x1C, 7, true, "C"},
    {0x1D, 5, false, "C"},
    {0x1E, 6, true, "C"},
    {0x20, 6, true, "C"},
    {0x21, 5, true, "C"},
    {0x22, 5, true, "C"},
    {0x23, 5, true, "C"},
    {0x24, 5, true, "C"},
    {0x25, 5, true, "C"},
    {0x26, 5, true, "C"},
    {0x27, 5, true, "C"},
    {0x30, 12, true, "C"},
    {0x31, 11, true, "C"},
    {0x32, 11, true, "C"},
    {0x33, 11, true, "C"},
    {0x34, 11, true, "C"},
    {0x35, 11, true, "C"},
    {0x36, 11, true, "C"},
    {0x37, 11, true, "C"},
    {0x38, 11, true, "C"},
    {0x39, 6, true, "C"},
    {0x3B, 36, true, ""},
    {0x3C, 27, true, "AB"},
    {0x3D, 28, true, "AB"},
    {0x3E, 6, true, "AB"},
    {0x3F, 9, true, "AB"},
    {0x40, 6, true, "ABC"},
    {0x41, 13, true, "AB"},
    {0x42, 5, false, "ABC"},
    {0x43, 7, true, "ABC"},
    {0x44, 5, false, "ABC"},
    {0x45, 11, true, "AB"},
    {0x46, 12, true, "AB"},
    {0x47, 19, true, "AB"},
    {0x48, 20, true, "AB"},
    {0x49, 5, false, "ABC"},
    {0x4A, 5, false, "AB"},
    {0x4B, 6, true, "AB"},
    {0x56, 7, false, "A"},
    {0x57, 34, true, "A"},
    {0x58, 6, false, "A"},
    {0x59, 14, true, "A"},
    {0x5A, 6, true, ""},
    {0x5B, 8, false, "AB"},
    {0x64, 8, false, "AB"},
    {0x66, 8, false, "AB"},
    {0x70, 7, true, "ABC"},
    {0x71, 6, true, "AB"},
    {0x72, 6, true, "AB"},
    {0x73, 7, false, "ABC"},
    {0x74, 6, false, "ABC"},
    {0x75, 6, false, "ABC"},
    {0x76, 6, true, "AB"},
    {0x77, 6, false, "AB"},
    {0x78, 6, false, "AB"},
    {0x79, 6, false, "ABC"},
    {0x7A, 7, false, "ABC"},
    {0x7B, 7, false, "ABC"},
    {0x84, 7, true, "ABC"},
    {0x85, 7, true, "ABC"},
    {0x87, 6, true, "AB"},
    {0x88, 7, true, "ABC"},
    {0xC2, 7, false, ""},
    {0xC3, 23, true, ""},
    {0xC4, 5, false, "A"},
    {0xC5, 5, false, "ABC"},
    {0xC6, 25, true, "ABC"},
    {0xC8, 5, false, "ABC"},
    {0xC9, 25, true, "ABC"},
    {0xCA, 5, false, "C"},
    {0xCB, 26, true, "C"},
    {0xCC, 5, false, "C"},
    {0xCD, 22, true, "C"},
    {0xCE, 5, false, "B"},
    {0xCF, 26, true, "B"},
    {0xD0, 5, false, "B"},
    {0xD1, 22, true, "B"},
    {0xD2, 5, false, "A"},
    {0xD3, 21, true, "A"},
    {0xD4, 5, false, "A"},
    {0xD5, 31, true, "A"},
    {0xD6, 5, false, ""},
    {0xD7, 33, true, ""},
    {0xD8, 6, false, ""},
    {0xD9, 11, true, ""},
    {0xDA, 5, false, "A"},
    {0xDB, 40, true, "A"},
    {0xF1, 6, true, "A"},
    {0xF2, 8, false, "ABC"},
    {0xF3, 11, true, "ABC"},
    {0xF4, 9, false, "ABC"},
    {0xF5, 32, true, "ABC"},
    {0xF7, 6, false, "A"},
    {0xF8, 32, false, "A"},
}};
// clang-format on

// The rule for a code byte, or nothing for a code no firmware knows.
constexpr const RequestRule* requestRule(int code)
{
    for (const RequestRule& rule : RequestRules) {
        if (rule.code == code)
            return &rule;
    }
    return nullptr;
}
