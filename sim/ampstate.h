#pragma once

#include "sim/ampmodel.h"

#include <QByteArray>
#include <array>

// Everything a simulated amplifier knows: its front panel and its stored configuration. Volumes and
// levels are in tenths; 16-bit values travel low byte first. One struct serves every model; a model
// shows only the fields its replies carry.
struct AmpState
{
    static constexpr int NameLength = 20;
    static constexpr int InputNameLength = 6;
    static constexpr int InputCount = 7;

    // Identity.
    int modelCode = 0;
    int firmwareVersion = 0;

    // Link.
    int address = 1;
    // 0 = 9600, 1 = 57600, 2 = 115200 baud.
    int comSpeed = 0;

    // Front panel.
    int power = 1;
    int volume = 0;
    bool mute = false;
    // 1..4 analog, 5..9 digital (KMA840: 1..7).
    int input = 1;
    // The preset in use; 8 = bypass.
    int preset = 1;
    // Balance step 0..12, 6 = centre.
    int balance = 6;

    // Stored configuration shared by the models.
    int defVolume = 450;
    int maxVolume = 999;
    // Front display setting (time-out, brightness or mode, per model).
    int displaySetting = 0;
    bool irOn = true;
    // Solstice: remote controls obeyed, bit 0 black, bit 1 silver.
    int irTypes = 3;
    int startPreset = 1;
    // 0 slave, 1 master.
    int masterSlave = 0;
    int trigger = 0;
    // Bit 0..6 = preset 1..7 locked, bit 7 = bypass locked.
    int presetLock = 0;
    QByteArray name;

    // RX900.
    std::array<int, 4> adcLevel{};
    // Half degrees Celsius.
    int bridgeTemperature = 91;
    int coilTemperature = 78;

    // KMA840: per input a name, a relative volume (magnitude in tenths, sign byte 0 = negative) and
    // a sensitivity (0 = 0 dB, 1 = 6 dB).
    std::array<QByteArray, InputCount> inputNames;
    std::array<int, InputCount> relVolMagnitude{};
    std::array<int, InputCount> relVolSign{1, 1, 1, 1, 1, 1, 1};
    std::array<int, InputCount> sensitivity{};

    // VX900 output and display block.
    int polarity = 0;
    int lineOutLevel = 0;
    int lineOutControl = 0;
    int crossOverFreq = 200;
    int crossOverLock = 0;
    int filterType = 0;
    // Main L, Main R, Line L, Line R.
    std::array<int, 4> routing{0, 1, 0, 1};
    int auralignInstalled = 0;
    int focusSelected = 0;
    int measureVolume = 0;
    int advancedFunction = 0;
    int unitSelect = 0;
    int voicingSelected = 0;
    int displayBrightness = 3;
    int volumeDispTimeout = 0;
    int volumeControlByte = 0;

    // VX900 input block: delays in cm (Main L, Main R, Line L, Line R), sensitivities as sent
    // (tenths of a dB plus 120: analog 1..4, then digital 1..5), label indexes.
    std::array<int, 4> delays{};
    std::array<int, 9> sensitivities{120, 120, 120, 120, 120, 120, 120, 120, 120};
    std::array<int, 4> analogLabels{1, 2, 3, 4};
    std::array<int, 5> digitalLabels{13, 14, 15, 16, 17};
};

// A unit of `model` as it leaves the factory: configuration and front panel at factory values,
// powered on at its start-up volume, reporting the model's code and default firmware version.
AmpState factoryState(AmpModel model);

// `text` cut or padded with blanks to `length` bytes.
QByteArray paddedText(const QByteArray& text, int length);
