#pragma once

#include "sim/ampmodel.h"
#include "sim/ampstate.h"

#include <QByteArray>
#include <optional>

// One simulated amplifier, without any I/O: a complete request packet in, the reply bytes out.
// It checks each request with its own rules (length byte, checksum, address, the command's length),
// answers the handshake and every write whose command waits for it with 02 AA, answers the status
// request and the configuration reads with their blocks, and applies every write to its state.
class AmpSim
{
public:
    enum class Verdict
    {
        Answered,
        // Taken, but the command gets no reply (a write without acknowledgement, the factory reset).
        Silent,
        BadLength,
        BadChecksum,
        OtherAddress,
        UnknownCode,
        // A command of another model family, or a read this unit has no block for.
        NotUnderstood,
    };

    struct Response
    {
        Verdict verdict = Verdict::Silent;
        QByteArray reply;
    };

    // `version` replaces the model's firmware version. A VX900 with version 10 is in truth an
    // RX900 whose early firmware reports the VX900's model code: it answers as an RX900.
    explicit AmpSim(AmpModel model, int address = 1, std::optional<int> version = std::nullopt);

    Response respond(const QByteArray& packet);
    QByteArray handleRequest(const QByteArray& packet) { return respond(packet).reply; }

    AmpModel model() const { return m_model; }
    // The model whose replies this unit gives (differs from model() only for the VX900 version 10).
    AmpModel personality() const { return m_personality; }
    const AmpState& state() const { return m_state; }
    AmpState& state() { return m_state; }

    static QByteArray acknowledgement();
    // The status reply as the unit would send it now.
    QByteArray statusReply() const;

private:
    bool understands(int code) const;
    std::optional<QByteArray> readBlock(int code, const QByteArray& packet) const;
    void applyWrite(int code, const QByteArray& packet);
    void factoryReset();

    AmpModel m_model;
    AmpModel m_personality;
    AmpState m_state;
};
