#include "cec_infoframes/CecLength.h"

namespace cec
{

QString lengthProblem(qsizetype messageBytes)
{
    if (messageBytes <= MaxMessageBytes)
        return QString();
    return QStringLiteral("Error: CEC carries at most %1 bytes (header, opcode and %2 operands), "
                          "this message has %3")
        .arg(MaxMessageBytes)
        .arg(MaxOperandBytes)
        .arg(messageBytes);
}

} // namespace cec
