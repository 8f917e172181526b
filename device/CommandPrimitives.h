#pragma once

#include "device/Commands.h"

#include <cstdint>

class DeviceLink;

namespace cmd
{

// How one exchange, or one step of an operation, ended.
enum class Result : std::uint8_t {
    Done,
    NoDevice,  // nothing was open, nothing was sent
    NoReply,   // sent, and nothing came back in time
    Refused,   // the transfer failed or the reply was too short
    WrongEcho, // a reply came, but not for this command
    StillBusy, // the device kept its busy flag through every check
    BadInput,  // nothing was sent: the caller's values cannot be sent
    Stopped    // the program is closing: the operation ended between its steps
};

} // namespace cmd

// The generic commands every part of the program uses. Byte arguments take the low 8 bits of
// the value given. Each says how its exchange ended; what to show for it is the caller's.
class CommandPrimitives
{
public:
    explicit CommandPrimitives(DeviceLink &link);

    cmd::Result readInfoBlock(int index, cmd::ReplyBuffer &reply, int length);
    // Done only when the device echoed the write: silence proves nothing.
    cmd::Result writeSetting(int reg, int value);
    cmd::Result readSettings(cmd::ReplyBuffer &reply, int length);
    cmd::Result writeSettingsBlock(const std::uint8_t *block40);

    // Sends one framed request into a zero-filled reply buffer.
    cmd::Result exchange(const cmd::Request &request, cmd::ReplyBuffer &reply);

    DeviceLink &link() { return link_; }

private:
    DeviceLink &link_;
};
