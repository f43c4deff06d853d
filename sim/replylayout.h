#pragma once

// Byte positions (counted from 1, position 1 being the length byte) of the replies and of the write
// packets that ampsim handles. Every reply ends with a checksum byte.
namespace layout {

namespace status {
inline constexpr int Length = 25;
inline constexpr int GenericLength = 21;
inline constexpr int Power = 2;
inline constexpr int Volume = 3;
inline constexpr int Mute = 5;
inline constexpr int DefVolume = 6;
inline constexpr int MaxVolume = 8;
inline constexpr int Input = 10;
inline constexpr int Preset = 11;
inline constexpr int Display = 12;
inline constexpr int Ir = 19;
inline constexpr int MasterSlave = 20;
inline constexpr int Balance = 21;
// High byte first, unlike every other 16-bit value.
inline constexpr int Version = 22;
inline constexpr int ModelCode = 24;
} // namespace status

// Reply to 0xC4: bridge and coil temperature in half degrees.
namespace temperatures {
inline constexpr int Length = 5;
inline constexpr int Bridge = 2;
inline constexpr int Coil = 4;
} // namespace temperatures

// Reply to 0xC5 and write 0xC6: the 20-character name.
namespace name {
inline constexpr int ReplyLength = 22;
inline constexpr int Text = 2;
inline constexpr int WriteText = 5;
} // namespace name

// Reply to 0x39 (request data: input 1..7) and write 0x30 (data: input 0..6, then the name).
namespace inputname {
inline constexpr int ReplyLength = 8;
inline constexpr int Text = 2;
inline constexpr int RequestInput = 5;
inline constexpr int WriteInput = 5;
inline constexpr int WriteText = 6;
} // namespace inputname

// Reply to 0xCA: per input n = 1..7 magnitude low, high, sign at 3n-1, 3n, 3n+1; sensitivities
// 1..7. Write 0xCB carries the same triples from position 5.
namespace kmalevels {
inline constexpr int ReplyLength = 30;
inline constexpr int FirstTriple = 2;
inline constexpr int Sensitivity = 23;
inline constexpr int WriteFirstTriple = 5;
} // namespace kmalevels

// Reply to 0xCC and write 0xCD (shifted: the write's data start at position 5).
namespace kmasettings {
inline constexpr int ReplyLength = 12;
inline constexpr int Display = 2;
inline constexpr int Ir = 3;
inline constexpr int Address = 4;
inline constexpr int Speed = 6;
inline constexpr int Balance = 7;
inline constexpr int DefVolume = 8;
inline constexpr int MaxVolume = 10;
inline constexpr int WriteDisplay = 5;
inline constexpr int WriteIr = 6;
inline constexpr int WriteAddress = 7;
inline constexpr int WriteSpeed = 9;
inline constexpr int WriteBalance = 10;
inline constexpr int WriteDefVolume = 11;
inline constexpr int WriteMaxVolume = 13;
inline constexpr int WriteSensitivity = 15;
} // namespace kmasettings

// Reply to 0xCE; write 0xCF has its own order.
namespace solstice {
inline constexpr int ReplyLength = 16;
inline constexpr int PresetLock = 2;
inline constexpr int IrTypes = 3;
inline constexpr int Ir = 4;
inline constexpr int Address = 5;
inline constexpr int Speed = 7;
inline constexpr int Preset = 8;
inline constexpr int MasterSlave = 9;
inline constexpr int Display = 10;
inline constexpr int DefVolume = 12;
inline constexpr int MaxVolume = 14;
inline constexpr int WriteDisplay = 5;
inline constexpr int WriteIrTypes = 6;
inline constexpr int WriteIr = 7;
inline constexpr int WriteAddress = 8;
inline constexpr int WriteSpeed = 10;
inline constexpr int WriteMasterSlave = 11;
inline constexpr int WriteDefVolume = 12;
inline constexpr int WriteMaxVolume = 14;
inline constexpr int WritePreset = 16;
// 0x88: remote types, then the IR byte (0 = enabled).
inline constexpr int ParameterIrTypes = 5;
inline constexpr int ParameterIr = 6;
} // namespace solstice

// Reply to 0xD2 and write 0xD3.
namespace settings {
inline constexpr int ReplyLength = 18;
inline constexpr int Adc = 2;
inline constexpr int Ir = 6;
inline constexpr int Address = 7;
inline constexpr int Speed = 9;
inline constexpr int Preset = 10;
inline constexpr int MasterSlave = 11;
inline constexpr int Display = 12;
inline constexpr int Trigger = 13;
inline constexpr int DefVolume = 14;
inline constexpr int MaxVolume = 16;
inline constexpr int WriteDisplay = 5;
inline constexpr int WriteIr = 6;
inline constexpr int WriteAddress = 7;
inline constexpr int WriteSpeed = 9;
inline constexpr int WriteMasterSlave = 10;
inline constexpr int WriteDefVolume = 11;
inline constexpr int WriteMaxVolume = 13;
inline constexpr int WritePreset = 15;
inline constexpr int WriteTrigger = 16;
inline constexpr int WriteAdc = 17;
} // namespace settings

// Reply to 0xD4 (the RX900 sends only the preset lock) and write 0xD5 (from position 10).
namespace outputs {
inline constexpr int ReplyLength = 25;
inline constexpr int ShortReplyLength = 3;
inline constexpr int PresetLock = 2;
inline constexpr int Polarity = 3;
inline constexpr int LineOutLevel = 4;
inline constexpr int LineOutControl = 6;
inline constexpr int CrossOverFreq = 7;
inline constexpr int CrossOverLock = 9;
inline constexpr int FilterType = 10;
inline constexpr int Routing = 11;
inline constexpr int Auralign = 15;
inline constexpr int Focus = 16;
inline constexpr int MeasureVolume = 17;
inline constexpr int AdvancedFunction = 19;
inline constexpr int UnitSelect = 20;
inline constexpr int Voicing = 21;
inline constexpr int Brightness = 22;
inline constexpr int VolumeDispTimeout = 23;
inline constexpr int VolumeControl = 24;
// The write carries the fields from the line-out level on, six positions further on.
inline constexpr int WriteShift = 6;
} // namespace outputs

// Reply to 0xDA and write 0xDB (three positions further on).
namespace inputs {
inline constexpr int ReplyLength = 37;
inline constexpr int Delays = 2;
inline constexpr int Sensitivities = 10;
inline constexpr int AnalogLabels = 28;
inline constexpr int DigitalLabels = 32;
inline constexpr int WriteShift = 3;
} // namespace inputs

} // namespace layout
