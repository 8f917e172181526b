#pragma once

#include "device/Commands.h"
#include "settings/Catalog.h"

#include <QString>

// What a settings poll does with the block it read, without any widget: whether to apply it
// (the order in which its settings are shown, and which write themselves back, are the catalog
// rows' PollRule).
namespace settings
{

enum class PollOutcome { Apply, DeviceBusy, ReadFailed };

// Whether the two reads of a poll let the block be applied.
PollOutcome decidePoll(bool settingsRead, const cmd::ReplyBuffer &block, bool infoBlockRead);

// The 40 setting bytes of a settings block (block bytes 2 .. 41).
SettingBytes settingBytes(const cmd::ReplyBuffer &block);

// The factory reset's confirmation word and choice.
constexpr const char *ResetWord = "RESET";

struct ResetDecision {
    enum Kind { WrongWord, NoChoice, Send } kind;
    int value = 0; // Send: 1 EDID, 2 settings, 3 both
};

ResetDecision decideReset(const QString &typed, bool clearSettings, bool clearEdid);

} // namespace settings
