#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// How received bytes join a program's receive buffer. Pure: the link appends each chunk through
// one of these and logs what they hand back.
namespace framers {

// The receive buffer is kept below this length.
inline constexpr qsizetype BufferLimit = 80;

struct Taken
{
    // The buffer's contents to log, in order: a frame that became complete, a buffer dropped as too long.
    QList<QByteArray> logged;
    // Whether a waiting flow should look at the buffer.
    bool notify = false;
};

// The amplifier's frames: every reply starts with its total length. A buffer that grows past the
// limit without forming a frame is logged and dropped.
Taken takeAmplifierBytes(QByteArray& buffer, QByteArrayView chunk);

// A boot loader's text lines ("OK", "Wrong signature"): nothing may be lost before the loader has
// looked at it, so a long buffer keeps its most recent part, and the newest piece stays whole
// however long it is ("OK" followed by a long banner).
Taken takeLoaderText(QByteArray& buffer, QByteArrayView chunk);

} // namespace framers
