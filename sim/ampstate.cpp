#include "sim/ampstate.h"

QByteArray paddedText(const QByteArray& text, int length)
{
    QByteArray padded = text.left(length);
    padded.append(length - padded.size(), ' ');
    return padded;
}

AmpState factoryState(AmpModel model)
{
    AmpState s;
    s.modelCode = ampModelCode(model);
    s.firmwareVersion = defaultFirmwareVersion(model);
    for (int n = 0; n < AmpState::InputCount; ++n)
        s.inputNames[static_cast<std::size_t>(n)] = "USER " + QByteArray::number(n + 1);

    switch (model) {
    case AmpModel::Kma840:
        s.name = "Korvanes KMA 840";
        s.address = 2;
        s.comSpeed = 1;
        s.displaySetting = 4;
        break;
    case AmpModel::Solstice:
        s.name = "SOLSTICE mk.III";
        s.displaySetting = 1;
        break;
    case AmpModel::Rx900:
        s.name = "Korvanes RX900";
        break;
    case AmpModel::Vx900:
        s.name = "Korvanes VX 900";
        s.comSpeed = 1;
        s.defVolume = 550;
        break;
    case AmpModel::Vx900s:
        // The S carries the room correction: its block shows what it measured with.
        s.name = "Korvanes VX 900S";
        s.comSpeed = 1;
        s.defVolume = 550;
        s.auralignInstalled = 1;
        s.focusSelected = 9;
        s.measureVolume = 750;
        break;
    case AmpModel::Generic21:
        s.name = "Korvanes";
        break;
    }
    s.name = paddedText(s.name, AmpState::NameLength);
    s.volume = s.defVolume;
    s.preset = s.startPreset;
    return s;
}
