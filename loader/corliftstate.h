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
    QString FirmwarePath;
    bool FileIsValid = false;
    const loader::Product* Product = nullptr;
    QString BootModeText;
    qint64 UploadTotal = 0;

    // The boot handshake and upload.
    bool ReadyForBoot = false;
    bool StopRequested = false;
    int DelayMs = 350;
    qint64 UploadSent = 0;

    int ComPort = 1;
    // Always 9600,N,8,1.
    int ComSpeed = 0;
};
