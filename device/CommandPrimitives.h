#pragma once

#include "device/Commands.h"
#include "device/StatusSink.h"

#include <cstdint>

class DeviceLink;

// The generic commands every part of the program uses, with their status-bar reports.
// Byte arguments take the low 8 bits of the value given.
class CommandPrimitives
{
public:
    CommandPrimitives(DeviceLink &link, StatusSink status);

    std::uint8_t readInfoBlock(int index, cmd::ReplyBuffer &reply, int length);
    // 1 only when the device echoed the write.
    std::uint8_t writeSetting(int reg, int value);
    std::uint8_t readSettings(cmd::ReplyBuffer &reply, int length);
    std::uint8_t writeSettingsBlock(const std::uint8_t *block40);

    // Sends one framed request into a zero-filled reply buffer; true when it was accepted.
    bool exchange(const cmd::Request &request, cmd::ReplyBuffer &reply,
                  std::uint8_t *result = nullptr);

    DeviceLink &link() { return link_; }
    void report(const QString &text, int timeoutMs) const;

private:
    DeviceLink &link_;
    StatusSink status_;
};
