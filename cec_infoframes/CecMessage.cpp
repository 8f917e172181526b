#include "cec_infoframes/CecMessage.h"

#include "cec_infoframes/CecLength.h"
#include "cec_infoframes/CecTables.h"
#include "cec_infoframes/EntryCheck.h"

#include <QJsonArray>

namespace cec
{
namespace
{

QString hexByte(std::uint8_t b)
{
    return QStringLiteral("0x%1").arg(b, 2, 16, QLatin1Char('0'));
}

QString rawBytes(const QByteArray &bytes)
{
    QStringList pairs;
    for (const char c : bytes)
        pairs << QStringLiteral("%1").arg(std::uint8_t(c), 2, 16, QLatin1Char('0'));
    return pairs.join(u':');
}

QString named(OperandKind kind, std::uint8_t value)
{
    return valueName(kind, value).value_or(QStringLiteral("unknown (%1)").arg(hexByte(value)));
}

// Printable ASCII in quotes; anything else makes it a problem.
QString asciiText(const QByteArray &bytes, const char *what, QStringList &problems)
{
    QString text;
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        if (b < 0x20 || b > 0x7E) {
            problems << QStringLiteral("the %1 holds %2, which is no printable ASCII character")
                            .arg(QLatin1String(what), hexByte(b));
            text += u'?';
        } else {
            text += QLatin1Char(c);
        }
    }
    return QStringLiteral("\"%1\"").arg(text);
}

// The words of one operand of `kind` taken from `bytes` (its size, or the rest for a name).
QString operandValue(const OperandSlot &slot, const QByteArray &bytes, QStringList &problems)
{
    const auto at = [&](int i) { return std::uint8_t(bytes[i]); };
    const OperandKind kind = slot.kind;
    switch (kind) {
    case OperandKind::PhysicalAddress:
        return QStringLiteral("%1.%2.%3.%4")
            .arg(at(0) >> 4)
            .arg(at(0) & 0xF)
            .arg(at(1) >> 4)
            .arg(at(1) & 0xF);
    case OperandKind::VendorId:
        return QStringLiteral("0x%1").arg(rawBytes(bytes).remove(u':'));
    case OperandKind::OsdName:
        return asciiText(bytes, "name", problems);
    case OperandKind::Language:
        return asciiText(bytes, "language", problems);
    case OperandKind::AbortedOpcode: {
        const Opcode *op = findOpcode(at(0));
        return QStringLiteral("%1 (%2)").arg(op ? QLatin1String(op->name) : QLatin1String("unknown"),
                                             hexByte(at(0)));
    }
    default:
        break;
    }
    const QString value = named(kind, at(0));
    if (!valueName(kind, at(0)))
        problems << QStringLiteral("%1 is no known %2").arg(hexByte(at(0)), QLatin1String(slot.name));
    return value;
}

// Mute and volume are two facts in one byte: two operands.
void audioStatus(std::uint8_t b, std::vector<Operand> &out)
{
    const int volume = b & 0x7F;
    out.push_back({QStringLiteral("mute"), (b & 0x80) ? QStringLiteral("on") : QStringLiteral("off")});
    out.push_back({QStringLiteral("volume"),
                   volume == 0x7F  ? QStringLiteral("unknown")
                   : volume <= 100 ? QStringLiteral("%1 %").arg(volume)
                                   : QStringLiteral("reserved (%1)").arg(hexByte(std::uint8_t(volume)))});
}

void checkAddressing(const Opcode &op, Message &m)
{
    const bool broadcast = m.destination == Broadcast;
    QStringList &problems = m.problems;
    if (op.addressing == Addressing::Directed && broadcast)
        problems << QStringLiteral("%1 goes to one device, not to all").arg(QLatin1String(op.name));
    if (op.addressing == Addressing::Broadcast && !broadcast)
        problems << QStringLiteral("%1 is sent to all devices (destination 15)")
                        .arg(QLatin1String(op.name));
}

} // namespace

Message decodeMessage(const QByteArray &bytes)
{
    Message m;
    if (bytes.isEmpty()) {
        m.opcodeName = QStringLiteral("nothing");
        m.problems << QStringLiteral("a CEC message has at least its header byte");
        return m;
    }
    m.initiator = std::uint8_t(bytes[0]) >> 4;
    m.destination = std::uint8_t(bytes[0]) & 0xF;
    const QString tooLong = lengthProblem(bytes.size());
    if (!tooLong.isEmpty())
        m.problems << tooLong;
    if (bytes.size() == 1) {
        m.opcodeName = QStringLiteral("Poll");
        return m;
    }
    if (m.initiator == m.destination && m.destination != Broadcast)
        m.problems << QStringLiteral("initiator and destination are the same device");
    m.opcode = std::uint8_t(bytes[1]);
    const QByteArray operands = bytes.mid(2);
    const Opcode *op = findOpcode(*m.opcode);
    if (op == nullptr) {
        m.opcodeName = QStringLiteral("unknown (%1)").arg(hexByte(*m.opcode));
        if (!operands.isEmpty())
            m.operands.push_back({QStringLiteral("operands"), rawBytes(operands)});
        return m;
    }
    m.opcodeName = QLatin1String(op->name);
    checkAddressing(*op, m);

    int pos = 0;
    for (const std::optional<OperandSlot> &slot : op->operands) {
        if (!slot)
            break;
        if (pos >= operands.size() && op->operandsOptional)
            break;
        const int size = operandSize(slot->kind);
        const int take = size == 0 ? int(operands.size()) - pos : size;
        if (take <= 0 || pos + take > operands.size()) {
            m.problems << QStringLiteral("the %1 is missing or cut short").arg(QLatin1String(slot->name));
            const QByteArray part = operands.mid(pos);
            m.operands.push_back({QLatin1String(slot->name),
                                  part.isEmpty() ? QStringLiteral("missing")
                                                 : QStringLiteral("cut short (%1)").arg(rawBytes(part))});
            return m;
        }
        const QByteArray value = operands.mid(pos, take);
        if (slot->kind == OperandKind::AudioStatus)
            audioStatus(std::uint8_t(value[0]), m.operands);
        else
            m.operands.push_back(
                {QLatin1String(slot->name), operandValue(*slot, value, m.problems)});
        pos += take;
    }
    if (pos < operands.size()) {
        const QByteArray rest = operands.mid(pos);
        m.operands.push_back({QStringLiteral("more data"), rawBytes(rest)});
        if (!op->tail)
            m.problems << QStringLiteral("%1 byte(s) after the operands of %2")
                              .arg(rest.size())
                              .arg(QLatin1String(op->name));
    }
    return m;
}

TypedMessage parseTypedMessage(const QString &text)
{
    const QString problem = colonhex::checkEntry(text, DecodeLimits);
    if (!problem.isEmpty())
        return {std::nullopt, problem};
    return {QByteArray::fromHex(QString(text).remove(u':').toLatin1()), QString()};
}

QString messageSummary(const Message &m)
{
    QStringList parts{m.opcodeName};
    for (const Operand &o : m.operands)
        parts << o.value;
    return QStringLiteral("%1 to %2: %3")
        .arg(initiatorName(m.initiator), destinationName(m.destination),
             parts.join(QStringLiteral(", ")));
}

QStringList messageLines(const Message &m)
{
    QString head = QStringLiteral("%1 to %2 (%3 to %4): %5")
                       .arg(initiatorName(m.initiator), destinationName(m.destination))
                       .arg(m.initiator)
                       .arg(m.destination)
                       .arg(m.opcodeName);
    // An unknown opcode already shows its number.
    if (m.opcode && !m.opcodeName.startsWith(QLatin1String("unknown")))
        head += QStringLiteral(" (%1)").arg(hexByte(*m.opcode));
    QStringList lines{head};
    for (const Operand &o : m.operands)
        lines << QStringLiteral("%1: %2").arg(o.name, o.value);
    for (const QString &p : m.problems)
        lines << QStringLiteral("problem: %1").arg(p);
    return lines;
}

QJsonObject messageJson(const Message &m)
{
    QJsonArray operands;
    for (const Operand &o : m.operands)
        operands.append(QJsonObject{{"name", o.name}, {"value", o.value}});
    return QJsonObject{
        {"initiator", m.initiator},
        {"destination", m.destination},
        {"initiator_name", initiatorName(m.initiator)},
        {"destination_name", destinationName(m.destination)},
        {"opcode", m.opcode ? QJsonValue(int(*m.opcode)) : QJsonValue(QJsonValue::Null)},
        {"opcode_name", m.opcodeName},
        {"operands", operands},
        {"problems", QJsonArray::fromStringList(m.problems)},
    };
}

} // namespace cec
