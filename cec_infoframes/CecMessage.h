#pragma once

#include "cec_infoframes/EntryText.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// A CEC message as bytes become it: who sends to whom, the opcode by name, the operands decoded.
namespace cec
{

struct Operand {
    QString name;  // "physical address"
    QString value; // "1.0.0.0"
};

struct Message {
    int initiator = 0;
    int destination = 0;
    std::optional<std::uint8_t> opcode; // none: a poll
    QString opcodeName;                 // "Image View On", "unknown (0x12)", "Poll"
    std::vector<Operand> operands;
    QStringList problems; // what does not fit the message's rules; empty for a sound message
};

// Never fails: a message it cannot make sense of is named with its problems and raw operands.
Message decodeMessage(const QByteArray &bytes);

// A typed message to decode: a poll is one byte, and what is longer than the bus carries is
// still decoded (its length named as a problem), up to what the device could frame.
constexpr colonhex::EntryLimits DecodeLimits{3, 93, "a CEC message to decode has 1 to 31 bytes"};

struct TypedMessage {
    std::optional<QByteArray> bytes;
    QString problem; // when no bytes: why the text is no colon hex of DecodeLimits
};
TypedMessage parseTypedMessage(const QString &text);

// "Audio System to TV (5 to 0): Image View On (0x04)", then one line per operand
// ("physical address: 1.0.0.0") and one per problem ("problem: ...").
QStringList messageLines(const Message &message);
// initiator, destination, their names, opcode (null for a poll), opcode_name,
// operands [{name, value}], problems.
QJsonObject messageJson(const Message &message);
// One short line: "TV to Broadcast: Standby", "Audio System to Playback 1: User Control
// Pressed, up".
QString messageSummary(const Message &message);

} // namespace cec
