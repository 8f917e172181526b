#pragma once

#include <QString>

// How long a CEC message can be on the bus, whatever the device's send request could frame.
namespace cec
{

constexpr int MaxMessageBytes = 16; // header, opcode and 14 operands
constexpr int MaxOperandBytes = MaxMessageBytes - 2;

// Empty when a message of `messageBytes` (header to last operand) fits on the bus; otherwise
// the line that says it does not.
QString lengthProblem(qsizetype messageBytes);

} // namespace cec
