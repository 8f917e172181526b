#include "cec_infoframes/EntryRequest.h"

#include "device/Clock.h"
#include "device/CommandPrimitives.h"
#include "device/DeviceLink.h"
#include "device/StatusSink.h"

namespace cecif
{

std::optional<cmd::Request> entryRequest(const QString &plainText,
                                         const colonhex::EntryLimits &limits, colonhex::Mode mode,
                                         std::uint8_t code)
{
    const QByteArray text = colonhex::prepareEntryText(plainText);
    if (!limits.accepts(text.size()))
        return std::nullopt;
    colonhex::Output bytes;
    const std::uint8_t count =
        colonhex::parseColonHex(text, bytes, std::uint8_t(text.size()), mode);
    if (count == 0)
        return std::nullopt;
    return cmd::payloadWrite(code, bytes.data(), count);
}

Outcome refused(const colonhex::EntryLimits &limits)
{
    Outcome outcome;
    outcome.status = translated(limits.message);
    outcome.statusMs = StatusTime::Result;
    return outcome;
}

bool activateAfterPause(CommandPrimitives &primitives, const cmd::Request &write,
                        std::uint8_t selector)
{
    primitives.link().clock().sleep(ActivatePauseMs);
    cmd::ReplyBuffer reply;
    return primitives.exchange(cmd::activateAfter(write, selector), reply);
}

} // namespace cecif
