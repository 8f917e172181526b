#include "device/CommandPrimitives.h"

#include "device/DeviceLink.h"

#include <QCoreApplication>

namespace
{
std::uint8_t low8(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}
QString tr(const char *source)
{
    return QCoreApplication::translate("MainWindow", source);
}
} // namespace

CommandPrimitives::CommandPrimitives(DeviceLink &link, StatusSink status)
    : link_(link), status_(std::move(status))
{
}

void CommandPrimitives::report(const QString &text, int timeoutMs) const
{
    if (status_)
        status_(text, timeoutMs);
}

bool CommandPrimitives::exchange(const cmd::Request &request, cmd::ReplyBuffer &reply,
                                 std::uint8_t *result)
{
    reply.fill(0);
    const std::uint8_t r = link_.transact(reply, request);
    if (result)
        *result = r;
    return request.accepted(r, reply);
}

std::uint8_t CommandPrimitives::readInfoBlock(int index, cmd::ReplyBuffer &reply, int length)
{
    if (exchange(cmd::infoBlockRead(low8(index), low8(length)), reply))
        return 1;
    report(tr("..."), StatusTime::Result);
    return 0;
}

std::uint8_t CommandPrimitives::writeSetting(int reg, int value)
{
    cmd::ReplyBuffer reply;
    // Silence leaves transact's result at 1: only the echo proves the write.
    if (exchange(cmd::registerWrite(low8(reg), low8(value)), reply))
        return 1;
    report(tr("Error Writing values"), StatusTime::DeviceFailure);
    return 0;
}

std::uint8_t CommandPrimitives::readSettings(cmd::ReplyBuffer &reply, int length)
{
    if (exchange(cmd::settingsRead(low8(length)), reply))
        return 1;
    report(tr("Error Reading values"), StatusTime::DeviceFailure);
    return 0;
}

std::uint8_t CommandPrimitives::writeSettingsBlock(const std::uint8_t *block40)
{
    cmd::ReplyBuffer reply;
    std::uint8_t result = 0;
    if (!exchange(cmd::settingsBlockWrite(block40), reply, &result))
        report(tr("Error Writing values"), StatusTime::DeviceFailure);
    return result;
}
