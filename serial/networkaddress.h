#pragma once

#include <QString>
#include <variant>

// A serial port reached over the network: "rfc2217://HOST:PORT" (telnet with COM port control:
// the program sets the line) or "tcp://HOST:PORT" (the bytes as they are; the server's line
// settings are its own). HOST is a name, an IPv4 address or a bracketed IPv6 address.
struct NetworkAddress
{
    enum class Kind
    {
        Rfc2217,
        Tcp,
    };
    Kind kind = Kind::Tcp;
    QString host;
    quint16 port = 0;

    // The address as the programs write it.
    QString text() const;
};

// Whether `text` names a network port at all (starts with "rfc2217://" or "tcp://", in any case);
// it may still be malformed.
bool isNetworkAddress(const QString& text);

// The address `text` names, or why it names none, in words.
std::variant<NetworkAddress, QString> parseNetworkAddress(const QString& text);
