#include "control/statusreply.h"

#include "common/bytetext.h"
#include "protocol/framing.h"

namespace control {
namespace {

int word(const QByteArray& reply, int lowPosition, int highPosition)
{
    return common::byteAt(reply, highPosition) * 256 + common::byteAt(reply, lowPosition);
}

// The RX900's firmware version 10 reports the VX900's code.
constexpr int MisreportedRx900Version = 10;

} // namespace

int expectedStatusReplyLength(const QByteArray& received)
{
    if (common::byteAt(received, StatusByte::Length) == ShortStatusReplyLength)
        return ShortStatusReplyLength;
    return StatusReplyLength;
}

std::optional<StatusReply> decodeStatusReply(const QByteArray& reply)
{
    StatusReply values;
    const bool short21 = common::byteAt(reply, StatusByte::Length) == ShortStatusReplyLength;
    if (short21 ? reply.size() < ShortStatusReplyLength : reply.size() != StatusReplyLength)
        return std::nullopt;
    if (!framing::isIntactReply(QByteArrayView(reply).first(expectedStatusReplyLength(reply))))
        return std::nullopt;
    if (!short21) {
        values.identified = true;
        values.firmwareVersion = word(reply, StatusByte::VersionLow, StatusByte::VersionHigh);
        values.modelCode = common::byteAt(reply, StatusByte::Model);
        if (values.modelCode == ModelCode::Vx900 && values.firmwareVersion == MisreportedRx900Version)
            values.modelCode = ModelCode::Rx900;
    }
    values.power = common::byteAt(reply, StatusByte::Power);
    values.volume = word(reply, StatusByte::VolumeLow, StatusByte::VolumeHigh);
    values.mute = common::byteAt(reply, StatusByte::Mute);
    values.defVolume = word(reply, StatusByte::DefVolumeLow, StatusByte::DefVolumeHigh);
    values.maxVolume = word(reply, StatusByte::MaxVolumeLow, StatusByte::MaxVolumeHigh);
    values.input = common::byteAt(reply, StatusByte::Input);
    values.preset = common::byteAt(reply, StatusByte::Preset);
    values.display = common::byteAt(reply, StatusByte::Display);
    values.ir = common::byteAt(reply, StatusByte::Ir);
    values.masterSlave = common::byteAt(reply, StatusByte::MasterSlave);
    values.balance = common::byteAt(reply, StatusByte::Balance);
    return values;
}

bool isKnownModel(int modelCode)
{
    return modelRecord(modelCode) != nullptr;
}

std::optional<QString> productTypeCaption(const StatusReply& reply)
{
    if (!reply.identified)
        return std::nullopt;
    if (reply.modelCode == ModelCode::Unknown)
        return QStringLiteral("Unknown");
    const ModelRecord* model = modelRecord(reply.modelCode);
    if (!model)
        return std::nullopt;
    return QLatin1String(model->caption.data(), model->caption.size()) + QStringLiteral(" vers. ") +
           QString::number(reply.firmwareVersion);
}

} // namespace control
