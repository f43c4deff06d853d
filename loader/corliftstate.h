#pragma once

#include "loader/firmwarefile.h"

#include <QByteArray>
#include <QString>

// Corlift's program-wide state: created in main, handed to the window and the upload by reference.
struct CorliftState
{
    // What the boot loader has sent since it was last emptied; ComForm appends to it.
    QByteArray ReplyBuffer;

    // The file check.
    QString firmwarePath;
    bool fileIsValid = false;
    const loader::Product* product = nullptr;
    QString bootModeText;
    qint64 uploadTotal = 0;
    int firmwareLines = 0;
    // The bytes the check passed; the upload sends exactly these.
    QByteArray checkedBytes;
    // The first damaged record of a valid file in words, and how many there are; sending such a file
    // needs the user's word.
    QString damagedRecord;
    int damagedRecords = 0;

    // The boot handshake and upload.
    bool readyForBoot = false;
    bool StopRequested = false;
    int delayMs = 350;
    qint64 uploadSent = 0;

    int ComPort = 1;
    // Always 9600,N,8,1.
    int ComSpeed = 0;
};
