#include "cec_infoframes/InfoframeCommands.h"

#include "cec_infoframes/EntryRequest.h"
#include "device/CommandPrimitives.h"
#include "device/StatusSink.h"
#include "settings/RegisterMap.h"

namespace cecif
{

Outcome sendHdrInfoframe(DeviceLink &link, const QString &plainText)
{
    const auto request =
        entryRequest(plainText, colonhex::HdrLimits, colonhex::Mode::Plain, cmd::HdrInfoframeWrite);
    if (!request)
        return refused(colonhex::HdrLimits);

    CommandPrimitives primitives(link, {});
    cmd::ReplyBuffer reply;
    Outcome outcome;
    const bool stored = primitives.exchange(*request, reply);
    outcome.status =
        translated(stored ? "Infoframe values written..." : "Error Writing Infoframe values.");
    outcome.statusMs = stored ? StatusTime::Result : StatusTime::DeviceFailure;

    outcome.result = activateAfterPause(primitives, *request, cmd::ActivateHdr);
    if (!outcome.result)
        outcome.stdoutLine = "\nError Populating IF values.\n";
    return outcome;
}

Outcome sendAviInfoframe(DeviceLink &link, const QString &plainText, bool replaceAvi,
                         std::array<std::uint8_t, cmd::SettingsBytes> &settingsCopy)
{
    const auto request =
        entryRequest(plainText, colonhex::AviLimits, colonhex::Mode::Plain, cmd::AviInfoframeWrite);
    if (!request)
        return refused(colonhex::AviLimits);

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

    const settings::Row &row = settings::row(settings::Id::setAviPers);
    const std::uint8_t value = replaceAvi ? 1 : 0;
    primitives.writeSetting(row.reg, value);
    if (row.byte >= 0 && row.byte < cmd::SettingsBytes)
        settingsCopy[std::size_t(row.byte)] = value;
    outcome.result = true;
    return outcome;
}

} // namespace cecif
