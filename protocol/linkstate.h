#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The link state of the control program. Its owner (Tevlin's link session) alone changes it; the
// serial link appends what arrives to ReplyBuffer, and everyone else reads.
struct LinkState
{
    // COM port number 1..16.
    int ComPort = 1;
    // Speed index: 0 = 9600, 1 = 57600, 2 = 115200 baud.
    int ComSpeed = 0;
    // The amplifier's network address as typed or read back; "?" until one was ever entered.
    QString DeviceAddress = QStringLiteral("?");
    // Bytes received since the last clear, one per character, read by 1-based position.
    QByteArray ReplyBuffer;
    // The handshake succeeded and the link has not been closed since.
    bool LinkConnected = false;
    // Set by the disconnect path; every wait on the amplifier gives up when it sees it.
    bool LinkCancelRequested = false;
    // The next status reply is taken over without comparing it with the user's wishes.
    bool AdoptAmpState = true;
    // 0 not identified, 1 KMA840, 2 Solstice, 3 RX900, 5 VX900, 7 VX 900S.
    std::uint8_t AmpModelCode = 0;
    std::int16_t AmpFirmwareVersion = 0;
};
