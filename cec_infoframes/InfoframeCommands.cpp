#include "cec_infoframes/InfoframeCommands.h"

#include "cec_infoframes/EntryRequest.h"
#include "device/CommandPrimitives.h"
#include "device/StatusSink.h"
#include "settings/Catalog.h"

namespace cecif
{

Outcome sendHdrInfoframe(DeviceLink &link, const QString &plainText)
{
    const Entry entry =
        entryRequest(plainText, colonhex::HdrLimits, colonhex::Mode::Plain, cmd::HdrInfoframeWrite);
    if (!entry.request)
        return refused(entry, colonhex::HdrLimits);
    const std::optional<cmd::Request> &request = entry.request;

    CommandPrimitives primitives(link, {});
    cmd::ReplyBuffer reply;
    Outcome outcome;
    const bool stored = primitives.exchange(*request, reply);
    outcome.status =
        translated(stored ? "Infoframe values written..." : "Error Writing Infoframe values.");
    outcome.statusMs = stored ? StatusTime::Result : StatusTime::DeviceFailure;

    // The activate still goes out, but a frame the device did not store is no success.
    const bool activated = activateAfterPause(primitives, *request, cmd::ActivateHdr);
    if (!activated)
        outcome.stdoutLine = "\nError Populating IF values.\n";
    outcome.result = stored && activated;
    return outcome;
}

Outcome sendAviInfoframe(DeviceLink &link, const QString &plainText, bool replaceAvi,
                         std::array<std::uint8_t, cmd::SettingsBytes> &settingsCopy)
{
    const Entry entry =
        entryRequest(plainText, colonhex::AviLimits, colonhex::Mode::Plain, cmd::AviInfoframeWrite);
    if (!entry.request)
        return refused(entry, colonhex::AviLimits);
    const std::optional<cmd::Request> &request = entry.request;

    Outcome outcome;
    // The register write reports its own failure; it is the last word on the status bar.
    CommandPrimitives primitives(link, [&outcome](const QString &text, int ms) {
        outcome.status = text;
        outcome.statusMs = ms;
    });
    cmd::ReplyBuffer reply;
    if (!primitives.exchange(*request, reply)) {
        primitives.report(translated("Error Writing AVI command."), StatusTime::DeviceFailure);
        return outcome;
    }
    primitives.report(translated("AVI values written..."), StatusTime::Result);

    if (!activateAfterPause(primitives, *request, cmd::ActivateAvi)) {
        outcome.stdoutLine = "\nError Activating AVI values.\n";
        return outcome;
    }

    const settings::Setting &replace = *settings::settingOf(settings::Id::ReplaceAvi);
    const std::uint8_t value = replaceAvi ? 1 : 0;
    primitives.writeSetting(replace.reg, value);
    if (replace.byte >= 0 && replace.byte < cmd::SettingsBytes)
        settingsCopy[std::size_t(replace.byte)] = value;
    outcome.result = true;
    return outcome;
}

} // namespace cecif
