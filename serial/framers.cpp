#include "serial/framers.h"

namespace framers {

Taken takeAmplifierBytes(QByteArray& buffer, QByteArrayView chunk)
{
    Taken taken{{}, true};
    buffer += chunk;
    if (!buffer.isEmpty() && buffer.size() >= static_cast<unsigned char>(buffer.front()))
        taken.logged.append(buffer);
    if (buffer.size() > BufferLimit) {
        taken.logged.append(buffer);
        buffer.clear();
    }
    return taken;
}

Taken takeLoaderText(QByteArray& buffer, QByteArrayView chunk)
{
    if (chunk.isEmpty())
        return {};
    if (buffer.size() > BufferLimit)
        buffer = buffer.right(BufferLimit);
    buffer += chunk;
    return {{buffer}, true};
}

} // namespace framers
