// CEC decoder and named commands: any bytes decode without a crash into a message whose words
// and JSON agree with it, a length problem exactly when the bus could not carry it; a typed text
// is taken as colon hex or refused with a reason; a named command built from any arguments is
// either refused with a reason or a message the decoder finds sound.
// Input: the message bytes (the first 40); the same input as Latin-1 text for the typed parse;
// byte 0 picks the command, byte 1 its ends (low nibble from, high nibble to), the text after
// byte 2 split at blanks its arguments.
#include "FuzzCheck.h"
#include "cec_infoframes/CecCommands.h"
#include "cec_infoframes/CecLength.h"
#include "cec_infoframes/CecMessage.h"
#include "cec_infoframes/ColonHex.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace
{

constexpr qsizetype MaxBytes = 40;
constexpr qsizetype MaxWords = 4096; // far above any message's few lines

void checkDecoded(const QByteArray &bytes)
{
    const cec::Message m = cec::decodeMessage(bytes);
    FUZZ_CHECK(m.initiator >= 0 && m.initiator <= 15 && m.destination >= 0 && m.destination <= 15);
    FUZZ_CHECK(m.opcode.has_value() == (bytes.size() >= 2));
    if (m.opcode)
        FUZZ_CHECK(*m.opcode == std::uint8_t(bytes[1]));
    FUZZ_CHECK(!m.opcodeName.isEmpty());
    const bool tooLong = bytes.size() > cec::MaxMessageBytes;
    FUZZ_CHECK(m.problems.contains(cec::lengthProblem(bytes.size())) == tooLong);
    FUZZ_CHECK(!bytes.isEmpty() || !m.problems.isEmpty());
    const QStringList lines = cec::messageLines(m);
    FUZZ_CHECK(lines.size() == 1 + qsizetype(m.operands.size()) + m.problems.size());
    FUZZ_CHECK(lines.join(u'\n').size() < MaxWords);
    const QJsonObject json = cec::messageJson(m);
    FUZZ_CHECK(json.value("operands").toArray().size() == qsizetype(m.operands.size()));
    FUZZ_CHECK(json.value("problems").toArray().size() == m.problems.size());
    FUZZ_CHECK(json.value("opcode").isNull() == !m.opcode);
    FUZZ_CHECK(!cec::messageSummary(m).isEmpty());
}

void checkTyped(const QString &text)
{
    const cec::TypedMessage typed = cec::parseTypedMessage(text);
    FUZZ_CHECK(typed.bytes.has_value() == typed.problem.isEmpty());
    if (!typed.bytes)
        return;
    const QByteArray &b = *typed.bytes;
    FUZZ_CHECK(b.size() >= 1 && b.size() <= 31);
    // What is taken is the text itself: written back, it reads the same.
    FUZZ_CHECK(formatColonHex(reinterpret_cast<const std::uint8_t *>(b.constData()),
                              std::size_t(b.size())) == text.toLower());
    checkDecoded(b);
}

void checkCommand(const std::uint8_t *data, std::size_t size)
{
    const auto &commands = cec::namedCommands();
    const cec::NamedCommand &command = commands[data[0] % commands.size()];
    const int from = data[1] & 0xF, to = data[1] >> 4;
    const QStringList arguments =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2))
            .split(u' ', Qt::SkipEmptyParts);
    const cec::Built built = cec::buildCommand(command, arguments, from, to);
    FUZZ_CHECK(built.messages.empty() != built.error.isEmpty());
    FUZZ_CHECK(built.messages.size() <= 2);
    for (const QByteArray &m : built.messages) {
        FUZZ_CHECK(m.size() >= 2 && m.size() <= cec::MaxMessageBytes);
        FUZZ_CHECK(std::uint8_t(m[0]) == std::uint8_t(from << 4 | to));
        FUZZ_CHECK(cec::decodeMessage(m).problems.isEmpty());
    }
    if (!built.messages.empty())
        FUZZ_CHECK(std::uint8_t(built.messages.front()[1]) == command.opcode);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data),
                           std::min<qsizetype>(qsizetype(size), MaxBytes));
    checkDecoded(bytes);
    checkTyped(QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (size >= 2)
        checkCommand(data, size);
    return 0;
}
