#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// The CEC messages people send most, by name: the command line's "cec send NAME" and the
// window's Command box. Each builds its bytes from the opcode table.
namespace cec
{

// The device sends as the Audio System, as its own examples do.
constexpr int DefaultInitiator = 5;

// The sender when the user names none: the Audio System, or the TV for a message to the Audio
// System (its volume and mute keys), which could not be sent to itself.
int initiatorFor(int destination);

struct NamedCommand {
    const char *name; // "set-stream-path"
    std::uint8_t opcode;
    int destination;                       // unless the user names another
    std::optional<std::uint8_t> uiCommand; // a fixed key (volume-up); none: the user's, if any
    bool released;                         // a User Control Released follows, as a remote's key
    const char *what;                      // one line for the listings
};

const std::vector<NamedCommand> &namedCommands();
const NamedCommand *findCommand(const QString &name);
// "PA", "PA PA", "CODE" or empty: what the user gives after the name, from the opcode's operands.
QString argumentWords(const NamedCommand &command);

// "tv", "audio", "playback1", ..., "all" (15).
QString deviceName(int address);
// A device name or a number from 0 to 15.
std::optional<int> parseDevice(const QString &text);
// "1.0.0.0" as two bytes; hex digits, each 0 to f.
std::optional<std::uint16_t> parsePhysicalAddress(const QString &text);
// A UI command's name ("volume-up", "volume up") or its number (0x41, 65).
std::optional<std::uint8_t> parseUiCommand(const QString &text);

struct Built {
    std::vector<QByteArray> messages; // in sending order, header to last operand
    QString error;                    // when none
};

// The messages of `command` from `from` to `to` with the user's `arguments`; refused, with the
// reason, when an argument is wrong or the message would have a problem (a directed message
// broadcast, one sent to its own initiator).
Built buildCommand(const NamedCommand &command, const QStringList &arguments, int from, int to);

} // namespace cec
