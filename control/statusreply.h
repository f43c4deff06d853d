#pragma once

#include "protocol/models.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace control {

// Positions in the status reply, counting from 1 as replies are read. Volumes are low byte first;
// the firmware version alone is high byte first.
namespace StatusByte {
constexpr int Length = 1;    // 25, or 21 from a unit that does not identify itself
constexpr int Power = 2;     // 1 = on
constexpr int VolumeLow = 3; // tenths
constexpr int VolumeHigh = 4;
constexpr int Mute = 5;         // 1 = muted
constexpr int DefVolumeLow = 6; // start-up volume, tenths
constexpr int DefVolumeHigh = 7;
constexpr int MaxVolumeLow = 8; // tenths
constexpr int MaxVolumeHigh = 9;
constexpr int Input = 10;       // 1..4 analog, 5..9 digital; the KMA840 counts 1..7
constexpr int Preset = 11;      // 8 = bypass
constexpr int Display = 12;     // display setting
constexpr int Ir = 19;          // 0 = IR receiver on
constexpr int MasterSlave = 20; // 1 = master
constexpr int Balance = 21;     // step 0..12, 6 = centre (KMA840)
constexpr int VersionHigh = 22;
constexpr int VersionLow = 23;
constexpr int Model = 24;
constexpr int Checksum = 25; // of every byte before it, in either form
} // namespace StatusByte

constexpr int StatusReplyLength = 25;
constexpr int ShortStatusReplyLength = 21;

// Everything the main window reads from one status reply. Volumes are plain ints so that a corrupt
// reply (65535) stays a large positive number for the clamps instead of wrapping.
struct StatusReply
{
    bool identified = false; // false for the 21-byte reply: no version, no model
    int modelCode = ModelCode::Unknown;
    int firmwareVersion = 0; // 0..65535
    int power = 0;
    int volume = 0;
    int mute = 0;
    int defVolume = 0;
    int maxVolume = 0;
    int input = 0;
    int preset = 0;
    int display = 0;
    int ir = 0;
    int masterSlave = 0;
    int balance = 0;
};

// How many bytes make the reply complete: 21 when it starts with 21, else 25. Waiting for 25 bytes
// from a unit that sends 21 would wait forever.
int expectedStatusReplyLength(const QByteArray& received);

// The reply decoded, or nothing when it is not one whole, undamaged reply: the wrong number of
// bytes, a length byte that says otherwise, or a wrong checksum. Nothing of such a reply is used.
std::optional<StatusReply> decodeStatusReply(const QByteArray& reply);

// True for the codes whose model fields the main window reads (1, 2, 3, 5, 7).
bool isKnownModel(int modelCode);

// Caption of `ProductType`: "Unknown" for model 0, "<model> vers. <version>" for a known model, and
// nothing (leave the caption as it was) for other codes and for an unidentified (21-byte) reply.
std::optional<QString> productTypeCaption(const StatusReply& reply);

} // namespace control
