#include "settings/SettingsPoll.h"

namespace settings
{

PollOutcome decidePoll(bool settingsRead, const cmd::ReplyBuffer &block, bool infoBlockRead)
{
    if (cmd::deviceBusy(block))
        return PollOutcome::DeviceBusy;
    return settingsRead && infoBlockRead ? PollOutcome::Apply : PollOutcome::ReadFailed;
}

SettingBytes settingBytes(const cmd::ReplyBuffer &block)
{
    SettingBytes bytes{};
    for (int k = 0; k < cmd::SettingsBytes; ++k)
        bytes[std::size_t(k)] = block[std::size_t(k + 2)];
    return bytes;
}

const std::vector<Id> &showOrder()
{
    static const std::vector<Id> order = {
        // combo boxes
        Id::Input, Id::EdidTable, Id::CecDeviceType, Id::AutomixAlgo,
        // audio source, EDID mode, HDCP, 4:2:0, auto switch with the priority buttons
        Id::AudioSource, Id::EdidMode, Id::Hdcp, Id::Output420,
        Id::AutoSwitch,
        // what the device lets the user change
        Id::AudioAvailable, Id::HdcpAvailable, Id::EdidAvailable,
        // EDID option boxes
        Id::Stereo20, Id::Multi51, Id::FullAudio, Id::Remove3d, Id::HdrPacket,
        // radio pairs and the remaining boxes
        Id::Priority, Id::HdrHotkey, Id::TxHtpcMode, Id::SplitStyle, Id::SplitFeature,
        Id::SplitScreen, Id::HdrMode, Id::ForceHdr, Id::GreenLed, Id::BlueLeds,
        Id::Cec, Id::AllowYcbcr, Id::Bt2020, Id::AvrAudio, Id::ReplaceAvi};
    return order;
}

Echo echoOf(Id id)
{
    switch (id) {
    case Id::Input:
    case Id::EdidTable:
    case Id::CecDeviceType:
    case Id::AutomixAlgo:
        return Echo::Index;
    case Id::Stereo20:
    case Id::Multi51:
    case Id::FullAudio:
    case Id::HdrPacket:
    case Id::Remove3d:
    case Id::Bt2020:
    case Id::AllowYcbcr:
    case Id::Cec:
    case Id::ForceHdr:
    case Id::SplitScreen:
        return Echo::Toggle;
    default:
        return Echo::None;
    }
}

ResetDecision decideReset(const QString &typed, bool clearSettings, bool clearEdid)
{
    if (typed != QLatin1String(ResetWord))
        return {ResetDecision::WrongWord};
    if (clearSettings && clearEdid)
        return {ResetDecision::Send, reset::Both};
    if (clearSettings)
        return {ResetDecision::Send, reset::Settings};
    if (clearEdid)
        return {ResetDecision::Send, reset::Edid};
    return {ResetDecision::NoChoice};
}

} // namespace settings
