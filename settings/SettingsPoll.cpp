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
        Id::SetActivePort, Id::changeCustomEdid, Id::setCecLa, Id::setEdidAlgo,
        // audio source, EDID mode, HDCP, 4:2:0, auto switch with the priority buttons
        Id::SetAudioSource, Id::SetEDID_Mode, Id::SetHDCP_Version, Id::SetOut_420,
        Id::SetAutoSwitch,
        // what the device lets the user change
        Id::AudioAvailable, Id::HdcpAvailable, Id::EdidAvailable,
        // EDID option boxes
        Id::force2c, Id::force51, Id::forceFullAudio, Id::set3D, Id::forceHdr,
        // radio pairs and the remaining boxes
        Id::setSwPriority, Id::CecLpRepurp, Id::setHpdForce, Id::setEvenOdd, Id::setSenderReceiver,
        Id::setSplitEnable, Id::hdrSamsung, Id::hdrForceActivate, Id::setLogoLed, Id::setBlueLed,
        Id::setCEC, Id::setYUV, Id::setBt2020, Id::setAVR, Id::setAviPers};
    return order;
}

Echo echoOf(Id id)
{
    switch (id) {
    case Id::SetActivePort:
    case Id::changeCustomEdid:
    case Id::setCecLa:
    case Id::setEdidAlgo:
        return Echo::Index;
    case Id::force2c:
    case Id::force51:
    case Id::forceFullAudio:
    case Id::forceHdr:
    case Id::set3D:
    case Id::setBt2020:
    case Id::setYUV:
    case Id::setCEC:
    case Id::hdrForceActivate:
    case Id::setSplitEnable:
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
