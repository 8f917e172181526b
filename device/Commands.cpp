#include "device/Commands.h"

#include <algorithm>
#include <cstring>

namespace cmd
{
namespace
{

Request frame(std::uint8_t direction, std::uint8_t count, std::uint8_t code, std::uint8_t minimum)
{
    Request r;
    r.bytes[0] = direction;
    r.bytes[1] = count;
    r.bytes[2] = code;
    r.length = 3;
    r.minimumReply = minimum;
    return r;
}

void append(Request &r, const std::uint8_t *bytes, std::size_t count)
{
    const std::size_t room = r.bytes.size() - r.length;
    count = std::min(count, room);
    if (count > 0)
        std::memcpy(r.bytes.data() + r.length, bytes, count);
    r.length = static_cast<std::uint8_t>(r.length + count);
}

} // namespace

Request registerWrite(std::uint8_t reg, std::uint8_t value)
{
    Request r = frame(DirWrite, 0x04, RegisterWrite, 2);
    const std::uint8_t payload[] = {reg, value};
    append(r, payload, sizeof payload);
    return r;
}

Request infoBlockRead(std::uint8_t index, std::uint8_t length)
{
    Request r = frame(DirRead, length, InfoBlockRead, length);
    append(r, &index, 1);
    return r;
}

Request settingsRead(std::uint8_t length)
{
    return frame(DirRead, length, SettingsRead, length);
}

Request settingsBlockWrite(const std::uint8_t *block40)
{
    Request r = frame(DirWrite, SettingsBytes, SettingsBlockWrite, 2);
    append(r, block40, SettingsBytes);
    return r;
}

Request payloadWrite(std::uint8_t code, const std::uint8_t *bytes, std::size_t count)
{
    count = std::min<std::size_t>(count, MaxPayload);
    Request r = frame(DirWrite, static_cast<std::uint8_t>(count), code, 2);
    append(r, bytes, count);
    return r;
}

Request cecStore(std::uint8_t code, const std::uint8_t *text, std::size_t count)
{
    count = std::min<std::size_t>(count, MaxPayload - CecStorePrefix);
    Request r = frame(DirWrite, static_cast<std::uint8_t>(count + CecStorePrefix), code, 2);
    static const std::uint8_t prefix[CecStorePrefix] = {'C', 'E', 'C', ' '};
    append(r, prefix, CecStorePrefix);
    append(r, text, count);
    return r;
}

Request activateAfter(const Request &write, std::uint8_t selector)
{
    Request r = write;
    r.bytes[2] = Activate;
    r.bytes[3] = selector;
    r.length = 4;
    r.minimumReply = 2;
    r.hasEcho = true;
    return r;
}

Request edidFetch(std::uint8_t fetchCode)
{
    return frame(DirWrite, 0x01, fetchCode, 2);
}

Request edidDataRead(std::uint8_t offset)
{
    Request r = frame(DirRead, EdidReadChunk, EdidData, EdidReadChunk);
    append(r, &offset, 1);
    r.hasEcho = false; // the reply starts with table data
    return r;
}

Request edidDataWrite(std::uint8_t offset, const std::uint8_t *bytes8)
{
    Request r = frame(DirWrite, EdidWriteChunk, EdidData, 2);
    append(r, &offset, 1);
    append(r, bytes8, EdidWriteChunk);
    return r;
}

Request edidCommit()
{
    // The count byte keeps the value of the write chunks before it.
    return frame(DirWrite, EdidWriteChunk, EdidCommit, 2);
}

} // namespace cmd
