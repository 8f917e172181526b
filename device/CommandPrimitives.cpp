#include "device/CommandPrimitives.h"

#include "device/DeviceLink.h"

namespace
{
std::uint8_t low8(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}
} // namespace

CommandPrimitives::CommandPrimitives(DeviceLink &link) : link_(link) {}

cmd::Result CommandPrimitives::exchange(const cmd::Request &request, cmd::ReplyBuffer &reply)
{
    reply.fill(0);
    const std::uint8_t r = link_.transact(reply, request);
    const DeviceLink::ExchangeInfo &seen = link_.lastExchange();
    if (!seen.deviceOpen)
        return cmd::Result::NoDevice;
    // transact counts silence as success, with the reply untouched.
    if (seen.timedOut)
        return cmd::Result::NoReply;
    if (r == 0 || !seen.replied)
        return cmd::Result::Refused;
    if (request.hasEcho && reply[0] != request.code())
        return cmd::Result::WrongEcho;
    return cmd::Result::Done;
}

cmd::Result CommandPrimitives::readInfoBlock(int index, cmd::ReplyBuffer &reply, int length)
{
    return exchange(cmd::infoBlockRead(low8(index), low8(length)), reply);
}

cmd::Result CommandPrimitives::writeSetting(int reg, int value)
{
    cmd::ReplyBuffer reply;
    return exchange(cmd::registerWrite(low8(reg), low8(value)), reply);
}

cmd::Result CommandPrimitives::readSettings(cmd::ReplyBuffer &reply, int length)
{
    return exchange(cmd::settingsRead(low8(length)), reply);
}

cmd::Result CommandPrimitives::writeSettingsBlock(const std::uint8_t *block40)
{
    cmd::ReplyBuffer reply;
    return exchange(cmd::settingsBlockWrite(block40), reply);
}
