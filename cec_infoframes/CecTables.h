#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The facts of CEC the decoder, the named commands and the window share: logical addresses,
// opcodes with their operands, and the names of operand values. The numbers are the kernel's
// (<linux/cec.h>); the words are ours.
namespace cec
{

constexpr int Broadcast = 15;   // as destination
constexpr int Unregistered = 15; // as initiator

// "Audio System"; 15 is "Unregistered" as initiator and "Broadcast" as destination.
QString initiatorName(int address);
QString destinationName(int address);

enum class OperandKind {
    PhysicalAddress, // 2 bytes, a.b.c.d
    PowerStatus,
    UiCommand,
    AudioStatus, // mute and volume in one byte
    SystemAudioStatus,
    OsdName,  // 1 to 14 ASCII characters, the rest of the message
    VendorId, // 3 bytes
    CecVersion,
    AbortedOpcode,
    AbortReason,
    MenuRequest,
    MenuState,
    DeckControl,
    DeckInfo,
    PlayMode,
    StatusRequest,
    DeviceType,
    Language, // 3 ASCII characters
};

// How many bytes an operand of `kind` takes; 0 for one that takes the rest of the message.
int operandSize(OperandKind kind);

enum class Addressing { Directed, Broadcast, Either };

struct OperandSlot {
    OperandKind kind;
    const char *name; // "physical address", "new address"
};

constexpr std::size_t MaxSlots = 2;

struct Opcode {
    std::uint8_t code;
    const char *name; // "Image View On"
    Addressing addressing;
    std::array<std::optional<OperandSlot>, MaxSlots> operands;
    bool operandsOptional = false; // all of them may be left out (System Audio Mode Request)
    bool tail = false;             // more bytes may follow the operands (vendor data, UI functions)
};

const std::vector<Opcode> &opcodes();
const Opcode *findOpcode(std::uint8_t code);

// "on" for PowerStatus 0; nothing when the value has no name.
std::optional<QString> valueName(OperandKind kind, std::uint8_t value);
// Every named value of `kind` (the window's and the command line's choices), in table order.
std::vector<std::pair<std::uint8_t, QString>> namedValues(OperandKind kind);

} // namespace cec
