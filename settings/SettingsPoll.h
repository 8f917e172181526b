#pragma once

#include "device/Commands.h"
#include "settings/Catalog.h"
#include "settings/SettingId.h"

#include <QString>
#include <vector>

// What a settings poll does with the block it read, without any widget: whether to apply it,
// the order in which its settings are shown, and which shown settings write themselves back.
namespace settings
{

enum class PollOutcome { Apply, DeviceBusy, ReadFailed };

// Whether the two reads of a poll let the block be applied.
PollOutcome decidePoll(bool settingsRead, const cmd::ReplyBuffer &block, bool infoBlockRead);

// The 40 setting bytes of a settings block (block bytes 2 .. 41).
SettingBytes settingBytes(const cmd::ReplyBuffer &block);

// The order in which a settings block is shown; later rows override earlier ones, and the
// write-backs of one poll go out in this order.
const std::vector<Id> &showOrder();

// How the window's control of a setting answers a poll that changes it: a check box writes its
// new state back at once, a combo box its new index (only once start-up has filled it).
// Radio buttons react to clicks only.
enum class Echo { None, Toggle, Index };
Echo echoOf(Id id);

// The factory reset's confirmation word and choice.
constexpr const char *ResetWord = "RESET";

struct ResetDecision {
    enum Kind { WrongWord, NoChoice, Send } kind;
    int value = 0; // Send: 1 EDID, 2 settings, 3 both
};

ResetDecision decideReset(const QString &typed, bool clearSettings, bool clearEdid);

} // namespace settings
