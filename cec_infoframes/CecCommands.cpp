#include "cec_infoframes/CecCommands.h"

#include "cec_infoframes/EntryRequest.h"
#include "device/CommandPrimitives.h"
#include "device/StatusSink.h"

namespace cecif
{

Outcome sendCec(DeviceLink &link, const QString &plainText)
{
    const Entry entry =
        entryRequest(plainText, colonhex::CecSendLimits, colonhex::Mode::LengthByte, cmd::CecSend);
    if (!entry.request)
        return refused(entry, colonhex::CecSendLimits);
    const std::optional<cmd::Request> &request = entry.request;

    CommandPrimitives primitives(link, {});
    cmd::ReplyBuffer reply;
    Outcome outcome;
    const bool sent = primitives.exchange(*request, reply);
    outcome.status = translated(sent ? "CEC values written..." : "Error Writing CEC command.");
    outcome.statusMs = sent ? StatusTime::Result : StatusTime::DeviceFailure;

    const bool activated = activateAfterPause(primitives, *request, cmd::ActivateCec);
    if (!activated)
        outcome.stdoutLine = "\nError Populating CEC values.\n";
    outcome.result = sent && activated;
    return outcome;
}

Outcome storeCec(DeviceLink &link, const QString &plainText, CecButton button)
{
    const QByteArray text = colonhex::prepareEntryText(plainText);
    if (!colonhex::CecStoreLimits.accepts(text.size()))
        return refused(colonhex::CecStoreLimits);
    // Stored as text, but the device sends it as bytes later: no character may stand for another.
    if (const auto bad = badCharOf(plainText, colonhex::CecStoreLimits))
        return refused(Entry{std::nullopt, bad}, colonhex::CecStoreLimits);

    const std::uint8_t code = button == CecButton::Sp ? cmd::CecStore1 : cmd::CecStore2;
    const cmd::Request request = cmd::cecStore(
        code, reinterpret_cast<const std::uint8_t *>(text.constData()), std::size_t(text.size()));
    CommandPrimitives primitives(link, {});
    cmd::ReplyBuffer reply;
    Outcome outcome;
    outcome.result = primitives.exchange(request, reply);
    outcome.status =
        translated(outcome.result ? "CEC values written..." : "Error Writing CEC values.");
    outcome.statusMs = outcome.result ? StatusTime::Result : StatusTime::DeviceFailure;
    return outcome;
}

} // namespace cecif
