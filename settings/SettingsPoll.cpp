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
