#include "sim/ampsim.h"

#include "sim/replylayout.h"
#include "sim/requestrules.h"

#include <algorithm>

namespace {

using namespace layout;

// Command codes this unit acts on (the table has them all; these have a known layout).
namespace code {
constexpr int Connect = 0x01;
constexpr int SwitchOn = 0x11;
constexpr int SwitchToStandby = 0x12;
constexpr int MuteOn = 0x14;
constexpr int MuteOff = 0x15;
constexpr int SetBalance = 0x1E;
constexpr int SetInput = 0x20;
constexpr int SetInputName = 0x30;
constexpr int GetInputName = 0x39;
constexpr int FactoryReset = 0x49;
constexpr int SetVolume = 0x70;
constexpr int SetDigitalInput = 0x71;
constexpr int SetAnalogInput = 0x72;
constexpr int SetMute = 0x74;
constexpr int SetPowerState = 0x75;
constexpr int SetMaxVolume = 0x84;
constexpr int SetDefaultVolume = 0x85;
constexpr int SetParameter = 0x88;
constexpr int GetTemperatures = 0xC4;
constexpr int GetName = 0xC5;
constexpr int SetName = 0xC6;
constexpr int StatusRequest = 0xC8;
constexpr int GetKmaLevels = 0xCA;
constexpr int SetKmaLevels = 0xCB;
constexpr int GetKmaSettings = 0xCC;
constexpr int SetKmaSettings = 0xCD;
constexpr int GetSolstice = 0xCE;
constexpr int SetSolstice = 0xCF;
constexpr int GetSettings = 0xD2;
constexpr int SetSettings = 0xD3;
constexpr int GetOutputs = 0xD4;
constexpr int SetOutputs = 0xD5;
constexpr int GetInputs = 0xDA;
constexpr int SetInputs = 0xDB;
} // namespace code

// Length byte, two address bytes, code, checksum.
constexpr int MinRequestLength = 5;
constexpr int MaxTenths = 999;
constexpr int MaxBalance = 12;

// A reply under construction: the length byte first, the checksum last.
class Reply
{
public:
    explicit Reply(int length) : m_bytes(length, '\0') { m_bytes[0] = static_cast<char>(length); }
    void put(int pos, int value) { m_bytes[pos - 1] = static_cast<char>(value & 0xFF); }
    void put16(int pos, int value)
    {
        put(pos, value & 0xFF);
        put(pos + 1, (value >> 8) & 0xFF);
    }
    void putText(int pos, const QByteArray& text)
    {
        for (qsizetype i = 0; i < text.size(); ++i)
            m_bytes[pos - 1 + i] = text[i];
    }
    QByteArray finish()
    {
        int sum = 0;
        for (qsizetype i = 0; i + 1 < m_bytes.size(); ++i)
            sum += static_cast<unsigned char>(m_bytes[i]);
        m_bytes[m_bytes.size() - 1] = static_cast<char>(sum & 0xFF);
        return m_bytes;
    }

private:
    QByteArray m_bytes;
};

// Reads a request by 1-based position; positions beyond the packet read 0.
class Request
{
public:
    explicit Request(const QByteArray& bytes) : m_bytes(bytes) {}
    int at(int pos) const
    {
        return pos >= 1 && pos <= m_bytes.size() ? static_cast<unsigned char>(m_bytes[pos - 1]) : 0;
    }
    int u16(int pos) const { return at(pos) + 256 * at(pos + 1); }
    QByteArray text(int pos, int length) const { return m_bytes.mid(pos - 1, length); }

private:
    const QByteArray& m_bytes;
};

bool isRead(int c)
{
    switch (c) {
    case code::GetInputName:
    case code::GetTemperatures:
    case code::GetName:
    case code::StatusRequest:
    case code::GetKmaLevels:
    case code::GetKmaSettings:
    case code::GetSolstice:
    case code::GetSettings:
    case code::GetOutputs:
    case code::GetInputs:
        return true;
    default:
        return false;
    }
}

} // namespace

AmpSim::AmpSim(AmpModel model, int address, std::optional<int> version)
    : m_model(model), m_personality(model == AmpModel::Vx900 && version == 10 ? AmpModel::Rx900 : model),
      m_state(factoryState(m_personality))
{
    m_state.modelCode = ampModelCode(model);
    m_state.firmwareVersion = version.value_or(defaultFirmwareVersion(model));
    m_state.address = address;
}

QByteArray AmpSim::acknowledgement()
{
    return QByteArray::fromHex("02AA");
}

bool AmpSim::understands(int c) const
{
    const RequestRule* rule = requestRule(c);
    if (rule == nullptr)
        return false;
    switch (m_personality) {
    case AmpModel::Kma840:
        return rule->families.find('C') != std::string_view::npos;
    case AmpModel::Solstice:
        return rule->families.find('B') != std::string_view::npos;
    case AmpModel::Rx900:
    case AmpModel::Vx900:
    case AmpModel::Vx900s:
        return rule->families.find('A') != std::string_view::npos;
    case AmpModel::Generic21:
        // Knows the common operating commands, but keeps no configuration blocks.
        return !isRead(c) || c == code::StatusRequest;
    }
    return false;
}

AmpSim::Response AmpSim::respond(const QByteArray& packet)
{
    const Request request(packet);
    if (packet.size() < MinRequestLength || request.at(1) != packet.size())
        return {Verdict::BadLength, {}};
    int sum = 0;
    for (qsizetype i = 0; i + 1 < packet.size(); ++i)
        sum += static_cast<unsigned char>(packet[i]);
    if ((sum & 0xFF) != request.at(static_cast<int>(packet.size())))
        return {Verdict::BadChecksum, {}};
    if (request.u16(2) != m_state.address)
        return {Verdict::OtherAddress, {}};

    const int c = request.at(4);
    const RequestRule* rule = requestRule(c);
    if (rule == nullptr)
        return {Verdict::UnknownCode, {}};
    if (rule->length != packet.size())
        return {Verdict::BadLength, {}};
    if (!understands(c))
        return {Verdict::NotUnderstood, {}};

    // A read is answered by its block alone, also where the table marks the command as waiting
    // (0x39): the asker takes the block's first two bytes for the acknowledgement.
    if (isRead(c)) {
        if (auto block = readBlock(c, packet))
            return {Verdict::Answered, *block};
        return {Verdict::NotUnderstood, {}};
    }
    applyWrite(c, packet);
    if (rule->acknowledged)
        return {Verdict::Answered, acknowledgement()};
    return {Verdict::Silent, {}};
}

QByteArray AmpSim::statusReply() const
{
    const AmpState& s = m_state;
    const bool generic = m_personality == AmpModel::Generic21;
    Reply r(generic ? status::GenericLength : status::Length);
    r.put(status::Power, s.power);
    r.put16(status::Volume, s.volume);
    r.put(status::Mute, s.mute ? 1 : 0);
    r.put16(status::DefVolume, s.defVolume);
    r.put16(status::MaxVolume, s.maxVolume);
    r.put(status::Input, s.input);
    r.put(status::Preset, s.preset);
    r.put(status::Display, s.displaySetting);
    r.put(status::Ir, s.irOn ? 0 : 1);
    r.put(status::MasterSlave, s.masterSlave);
    if (!generic) {
        r.put(status::Balance, s.balance);
        r.put(status::Version, (s.firmwareVersion >> 8) & 0xFF);
        r.put(status::Version + 1, s.firmwareVersion & 0xFF);
        r.put(status::ModelCode, s.modelCode);
    }
    return r.finish();
}

std::optional<QByteArray> AmpSim::readBlock(int c, const QByteArray& packet) const
{
    const AmpState& s = m_state;
    switch (c) {
    case code::StatusRequest:
        return statusReply();
    case code::GetTemperatures: {
        Reply r(temperatures::Length);
        r.put(temperatures::Bridge, s.bridgeTemperature);
        r.put(temperatures::Coil, s.coilTemperature);
        return r.finish();
    }
    case code::GetName: {
        Reply r(name::ReplyLength);
        r.putText(name::Text, paddedText(s.name, AmpState::NameLength));
        return r.finish();
    }
    case code::GetInputName: {
        const int input = Request(packet).at(inputname::RequestInput);
        if (input < 1 || input > AmpState::InputCount)
            return std::nullopt;
        Reply r(inputname::ReplyLength);
        r.putText(inputname::Text,
                  paddedText(s.inputNames[static_cast<std::size_t>(input - 1)], AmpState::InputNameLength));
        return r.finish();
    }
    case code::GetKmaLevels: {
        Reply r(kmalevels::ReplyLength);
        for (std::size_t n = 0; n < AmpState::InputCount; ++n) {
            const int pos = kmalevels::FirstTriple + 3 * static_cast<int>(n);
            r.put16(pos, s.relVolMagnitude[n]);
            r.put(pos + 2, s.relVolSign[n]);
            r.put(kmalevels::Sensitivity + static_cast<int>(n), s.sensitivity[n]);
        }
        return r.finish();
    }
    case code::GetKmaSettings: {
        Reply r(kmasettings::ReplyLength);
        r.put(kmasettings::Display, s.displaySetting);
        r.put(kmasettings::Ir, s.irOn ? 0 : 1);
        r.put16(kmasettings::Address, s.address);
        r.put(kmasettings::Speed, s.comSpeed);
        r.put(kmasettings::Balance, s.balance);
        r.put16(kmasettings::DefVolume, s.defVolume);
        r.put16(kmasettings::MaxVolume, s.maxVolume);
        return r.finish();
    }
    case code::GetSolstice: {
        Reply r(solstice::ReplyLength);
        r.put(solstice::PresetLock, s.presetLock);
        r.put(solstice::IrTypes, s.irTypes);
        r.put(solstice::Ir, s.irOn ? 0 : 1);
        r.put16(solstice::Address, s.address);
        r.put(solstice::Speed, s.comSpeed);
        r.put(solstice::Preset, s.startPreset);
        r.put(solstice::MasterSlave, s.masterSlave);
        r.put(solstice::Display, s.displaySetting);
        r.put16(solstice::DefVolume, s.defVolume);
        r.put16(solstice::MaxVolume, s.maxVolume);
        return r.finish();
    }
    case code::GetSettings: {
        Reply r(settings::ReplyLength);
        for (std::size_t i = 0; i < s.adcLevel.size(); ++i)
            r.put(settings::Adc + static_cast<int>(i), s.adcLevel[i]);
        r.put(settings::Ir, s.irOn ? 1 : 0);
        r.put16(settings::Address, s.address);
        r.put(settings::Speed, s.comSpeed);
        r.put(settings::Preset, s.startPreset);
        r.put(settings::MasterSlave, s.masterSlave);
        r.put(settings::Display, s.displaySetting);
        r.put(settings::Trigger, s.trigger);
        r.put16(settings::DefVolume, s.defVolume);
        r.put16(settings::MaxVolume, s.maxVolume);
        return r.finish();
    }
    case code::GetOutputs: {
        if (m_personality == AmpModel::Rx900) {
            Reply r(outputs::ShortReplyLength);
            r.put(outputs::PresetLock, s.presetLock);
            return r.finish();
        }
        Reply r(outputs::ReplyLength);
        r.put(outputs::PresetLock, s.presetLock);
        r.put(outputs::Polarity, s.polarity);
        r.put16(outputs::LineOutLevel, s.lineOutLevel);
        r.put(outputs::LineOutControl, s.lineOutControl);
        r.put16(outputs::CrossOverFreq, s.crossOverFreq);
        r.put(outputs::CrossOverLock, s.crossOverLock);
        r.put(outputs::FilterType, s.filterType);
        for (std::size_t i = 0; i < s.routing.size(); ++i)
            r.put(outputs::Routing + static_cast<int>(i), s.routing[i]);
        r.put(outputs::Auralign, s.auralignInstalled);
        r.put(outputs::Focus, s.focusSelected);
        r.put16(outputs::MeasureVolume, s.measureVolume);
        r.put(outputs::AdvancedFunction, s.advancedFunction);
        r.put(outputs::UnitSelect, s.unitSelect);
        r.put(outputs::Voicing, s.voicingSelected);
        r.put(outputs::Brightness, s.displayBrightness);
        r.put(outputs::VolumeDispTimeout, s.volumeDispTimeout);
        r.put(outputs::VolumeControl, s.volumeControlByte);
        return r.finish();
    }
    case code::GetInputs: {
        Reply r(inputs::ReplyLength);
        for (std::size_t i = 0; i < s.delays.size(); ++i)
            r.put16(inputs::Delays + 2 * static_cast<int>(i), s.delays[i]);
        for (std::size_t i = 0; i < s.sensitivities.size(); ++i)
            r.put16(inputs::Sensitivities + 2 * static_cast<int>(i), s.sensitivities[i]);
        for (std::size_t i = 0; i < s.analogLabels.size(); ++i)
            r.put(inputs::AnalogLabels + static_cast<int>(i), s.analogLabels[i]);
        for (std::size_t i = 0; i < s.digitalLabels.size(); ++i)
            r.put(inputs::DigitalLabels + static_cast<int>(i), s.digitalLabels[i]);
        return r.finish();
    }
    default:
        return std::nullopt;
    }
}

void AmpSim::applyWrite(int c, const QByteArray& packet)
{
    AmpState& s = m_state;
    const Request q(packet);
    constexpr int Data = 5;
    const auto setPower = [&s](bool on) {
        // Switching on starts at the start-up volume, as the front panel does.
        if (on && s.power != 1)
            s.volume = std::min(s.defVolume, s.maxVolume);
        s.power = on ? 1 : 0;
    };
    const auto tenths = [](int value) { return std::clamp(value, 0, MaxTenths); };

    switch (c) {
    case code::Connect:
        break;
    case code::SwitchOn:
        setPower(true);
        break;
    case code::SwitchToStandby:
        setPower(false);
        break;
    case code::MuteOn:
    case code::MuteOff:
        s.mute = c == code::MuteOn;
        break;
    case code::SetBalance:
        if (q.at(Data) <= MaxBalance)
            s.balance = q.at(Data);
        break;
    case code::SetInput:
        if (q.at(Data) >= 1 && q.at(Data) <= AmpState::InputCount)
            s.input = q.at(Data);
        break;
    case code::SetInputName:
        if (q.at(inputname::WriteInput) < AmpState::InputCount)
            s.inputNames[static_cast<std::size_t>(q.at(inputname::WriteInput))] =
                q.text(inputname::WriteText, AmpState::InputNameLength);
        break;
    case code::FactoryReset:
        factoryReset();
        break;
    case code::SetVolume:
        s.volume = std::min(tenths(q.u16(Data)), s.maxVolume);
        break;
    case code::SetDigitalInput:
        if (q.at(Data) >= 1 && q.at(Data) <= 5)
            s.input = q.at(Data) + 4;
        break;
    case code::SetAnalogInput:
        if (q.at(Data) >= 1 && q.at(Data) <= 4)
            s.input = q.at(Data);
        break;
    case code::SetMute:
        s.mute = q.at(Data) == 1;
        break;
    case code::SetPowerState:
        setPower(q.at(Data) == 1);
        break;
    case code::SetMaxVolume:
        s.maxVolume = tenths(q.u16(Data));
        s.volume = std::min(s.volume, s.maxVolume);
        break;
    case code::SetDefaultVolume:
        s.defVolume = tenths(q.u16(Data));
        break;
    case code::SetParameter:
        s.irTypes = q.at(solstice::ParameterIrTypes);
        s.irOn = q.at(solstice::ParameterIr) == 0;
        break;
    case code::SetName:
        s.name = q.text(name::WriteText, AmpState::NameLength);
        break;
    case code::SetKmaLevels:
        for (std::size_t n = 0; n < AmpState::InputCount; ++n) {
            const int pos = kmalevels::WriteFirstTriple + 3 * static_cast<int>(n);
            s.relVolMagnitude[n] = q.u16(pos);
            s.relVolSign[n] = q.at(pos + 2);
        }
        break;
    // Block writes are stored as they come, so that a test reads back exactly what was sent.
    case code::SetKmaSettings:
        s.displaySetting = q.at(kmasettings::WriteDisplay);
        s.irOn = q.at(kmasettings::WriteIr) == 0;
        s.comSpeed = q.at(kmasettings::WriteSpeed);
        s.balance = std::min(q.at(kmasettings::WriteBalance), MaxBalance);
        s.defVolume = q.u16(kmasettings::WriteDefVolume);
        s.maxVolume = q.u16(kmasettings::WriteMaxVolume);
        for (std::size_t n = 0; n < AmpState::InputCount; ++n)
            s.sensitivity[n] = q.at(kmasettings::WriteSensitivity + static_cast<int>(n));
        // The new address holds from the next request on; this one is still answered.
        s.address = q.u16(kmasettings::WriteAddress);
        break;
    case code::SetSolstice:
        s.displaySetting = q.at(solstice::WriteDisplay);
        s.irTypes = q.at(solstice::WriteIrTypes);
        s.irOn = q.at(solstice::WriteIr) == 0;
        s.comSpeed = q.at(solstice::WriteSpeed);
        s.masterSlave = q.at(solstice::WriteMasterSlave);
        s.defVolume = q.u16(solstice::WriteDefVolume);
        s.maxVolume = q.u16(solstice::WriteMaxVolume);
        s.startPreset = q.at(solstice::WritePreset);
        s.address = q.u16(solstice::WriteAddress);
        break;
    case code::SetSettings:
        s.displaySetting = q.at(settings::WriteDisplay);
        s.irOn = q.at(settings::WriteIr) != 0;
        s.comSpeed = q.at(settings::WriteSpeed);
        s.masterSlave = q.at(settings::WriteMasterSlave);
        s.defVolume = q.u16(settings::WriteDefVolume);
        s.maxVolume = q.u16(settings::WriteMaxVolume);
        s.startPreset = q.at(settings::WritePreset);
        s.trigger = q.at(settings::WriteTrigger);
        for (std::size_t i = 0; i < s.adcLevel.size(); ++i)
            s.adcLevel[i] = q.at(settings::WriteAdc + static_cast<int>(i));
        s.address = q.u16(settings::WriteAddress);
        break;
    case code::SetOutputs: {
        const auto at = [&q](int replyPos) { return q.at(replyPos + outputs::WriteShift); };
        const auto at16 = [&q](int replyPos) { return q.u16(replyPos + outputs::WriteShift); };
        s.lineOutLevel = at16(outputs::LineOutLevel);
        s.lineOutControl = at(outputs::LineOutControl);
        s.crossOverFreq = at16(outputs::CrossOverFreq);
        s.crossOverLock = at(outputs::CrossOverLock);
        s.filterType = at(outputs::FilterType);
        for (std::size_t i = 0; i < s.routing.size(); ++i)
            s.routing[i] = at(outputs::Routing + static_cast<int>(i));
        s.auralignInstalled = at(outputs::Auralign);
        s.focusSelected = at(outputs::Focus);
        s.measureVolume = at16(outputs::MeasureVolume);
        s.advancedFunction = at(outputs::AdvancedFunction);
        s.unitSelect = at(outputs::UnitSelect);
        s.voicingSelected = at(outputs::Voicing);
        s.displayBrightness = at(outputs::Brightness);
        s.volumeDispTimeout = at(outputs::VolumeDispTimeout);
        s.volumeControlByte = at(outputs::VolumeControl);
        break;
    }
    case code::SetInputs: {
        const auto pos = [](int replyPos) { return replyPos + inputs::WriteShift; };
        for (std::size_t i = 0; i < s.delays.size(); ++i)
            s.delays[i] = q.u16(pos(inputs::Delays) + 2 * static_cast<int>(i));
        for (std::size_t i = 0; i < s.sensitivities.size(); ++i)
            s.sensitivities[i] = q.u16(pos(inputs::Sensitivities) + 2 * static_cast<int>(i));
        for (std::size_t i = 0; i < s.analogLabels.size(); ++i)
            s.analogLabels[i] = q.at(pos(inputs::AnalogLabels) + static_cast<int>(i));
        for (std::size_t i = 0; i < s.digitalLabels.size(); ++i)
            s.digitalLabels[i] = q.at(pos(inputs::DigitalLabels) + static_cast<int>(i));
        break;
    }
    default:
        // Understood but not simulated: acknowledged where the command waits for it, no effect.
        break;
    }
}

void AmpSim::factoryReset()
{
    // The unit keeps what it is and how warm it runs; everything stored returns to the factory's.
    AmpState fresh = factoryState(m_personality);
    fresh.modelCode = m_state.modelCode;
    fresh.firmwareVersion = m_state.firmwareVersion;
    fresh.bridgeTemperature = m_state.bridgeTemperature;
    fresh.coilTemperature = m_state.coilTemperature;
    m_state = fresh;
}
