#include "cec_infoframes/EntryRequest.h"

#include "device/Clock.h"
#include "device/CommandPrimitives.h"
#include "device/DeviceLink.h"
#include "device/StatusSink.h"

namespace cecif
{

Entry entryRequest(const QString &plainText, const colonhex::EntryLimits &limits,
                   colonhex::Mode mode, std::uint8_t code)
{
    const QByteArray text = colonhex::prepareEntryText(plainText);
    if (!limits.accepts(text.size()))
        return {};
    colonhex::Output bytes;
    const colonhex::Parsed parsed =
        colonhex::parseColonHex(text, bytes, std::uint8_t(text.size()), mode);
    if (parsed.badAt)
        return {std::nullopt, colonhex::badCharAt(plainText, *parsed.badAt)};
    if (parsed.count == 0)
        return {};
    return {cmd::payloadWrite(code, bytes.data(), parsed.count), std::nullopt};
}

std::optional<colonhex::BadChar> badCharOf(const QString &plainText,
                                           const colonhex::EntryLimits &limits)
{
    // The mode and the code change where bytes go, not which characters are read.
    return entryRequest(plainText, limits, colonhex::Mode::Plain, 0).badChar;
}

Outcome refused(const colonhex::EntryLimits &limits)
{
    Outcome outcome;
    outcome.status = translated(limits.message);
    outcome.statusMs = StatusTime::Result;
    return outcome;
}

Outcome refused(const Entry &entry, const colonhex::EntryLimits &limits)
{
    if (!entry.badChar)
        return refused(limits);
    Outcome outcome;
    outcome.status = entry.badChar->message();
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
