#include "cec_infoframes/CecCommands.h"

#include "cec_infoframes/CecMessage.h"
#include "cec_infoframes/CecTables.h"

#include <QRegularExpression>
#include <linux/cec.h>

namespace cec
{

const std::vector<NamedCommand> &namedCommands()
{
    constexpr int Tv = CEC_LOG_ADDR_TV, Audio = CEC_LOG_ADDR_AUDIOSYSTEM;
    static const std::vector<NamedCommand> table{
        {"standby", CEC_MSG_STANDBY, Tv, {}, false,
         "to standby (--to all: every device, the AV receiver too)"},
        {"image-view-on", CEC_MSG_IMAGE_VIEW_ON, Tv, {}, false, "turns the TV on"},
        {"text-view-on", CEC_MSG_TEXT_VIEW_ON, Tv, {}, false, "turns the TV on, menus shown"},
        {"active-source", CEC_MSG_ACTIVE_SOURCE, Broadcast, {}, false,
         "PA is the source to show"},
        {"set-stream-path", CEC_MSG_SET_STREAM_PATH, Broadcast, {}, false,
         "switches to the input at PA"},
        {"routing-change", CEC_MSG_ROUTING_CHANGE, Broadcast, {}, false,
         "a switch went from the first PA to the second"},
        {"give-power-status", CEC_MSG_GIVE_DEVICE_POWER_STATUS, Tv, {}, false,
         "asks for the power status"},
        {"volume-up", CEC_MSG_USER_CONTROL_PRESSED, Audio, CEC_OP_UI_CMD_VOLUME_UP, true,
         "volume up key, pressed and released"},
        {"volume-down", CEC_MSG_USER_CONTROL_PRESSED, Audio, CEC_OP_UI_CMD_VOLUME_DOWN, true,
         "volume down key, pressed and released"},
        {"mute", CEC_MSG_USER_CONTROL_PRESSED, Audio, CEC_OP_UI_CMD_MUTE, true,
         "mute key, pressed and released"},
        {"user-control", CEC_MSG_USER_CONTROL_PRESSED, Tv, {}, false,
         "a remote key pressed: CODE is its name or number"},
        {"user-control-released", CEC_MSG_USER_CONTROL_RELEASED, Tv, {}, false,
         "the remote key released"},
        {"system-audio-request", CEC_MSG_SYSTEM_AUDIO_MODE_REQUEST, Audio, {}, false,
         "asks the audio system to play the sound of PA"},
        {"give-osd-name", CEC_MSG_GIVE_OSD_NAME, Tv, {}, false, "asks for the device's name"},
        {"give-physical-address", CEC_MSG_GIVE_PHYSICAL_ADDR, Tv, {}, false,
         "asks for the physical address"},
    };
    return table;
}

const NamedCommand *findCommand(const QString &name)
{
    for (const NamedCommand &c : namedCommands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

namespace
{

// The operands the user gives: the opcode's, less a fixed key.
std::vector<OperandKind> userOperands(const NamedCommand &command)
{
    std::vector<OperandKind> kinds;
    if (command.uiCommand)
        return kinds;
    if (const Opcode *op = findOpcode(command.opcode))
        for (const std::optional<OperandSlot> &slot : op->operands)
            if (slot)
                kinds.push_back(slot->kind);
    return kinds;
}

QString slug(QString words)
{
    return words.toLower().replace(u' ', u'-');
}

} // namespace

QString argumentWords(const NamedCommand &command)
{
    QStringList words;
    for (const OperandKind kind : userOperands(command))
        words << (kind == OperandKind::PhysicalAddress ? QStringLiteral("PA") : QStringLiteral("CODE"));
    return words.join(u' ');
}

QString deviceName(int address)
{
    if (address == Broadcast)
        return QStringLiteral("all");
    // "Audio System" is "audio", "Playback 1" is "playback1".
    const QStringList words = initiatorName(address).toLower().split(u' ');
    const QString last = words.size() > 1 && words.last().front().isDigit() ? words.last() : QString();
    return words.value(0) + last;
}

std::optional<int> parseDevice(const QString &text)
{
    bool number = false;
    const int value = text.toInt(&number, 10);
    if (number)
        return value >= 0 && value <= Broadcast ? std::optional<int>(value) : std::nullopt;
    for (int a = 0; a <= Broadcast; ++a)
        if (text.compare(deviceName(a), Qt::CaseInsensitive) == 0)
            return a;
    return std::nullopt;
}

std::optional<std::uint16_t> parsePhysicalAddress(const QString &text)
{
    static const QRegularExpression pa(
        QStringLiteral("^([0-9a-fA-F])\\.([0-9a-fA-F])\\.([0-9a-fA-F])\\.([0-9a-fA-F])$"));
    const QRegularExpressionMatch m = pa.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    std::uint16_t value = 0;
    for (int i = 1; i <= 4; ++i)
        value = std::uint16_t(value << 4 | m.captured(i).toUInt(nullptr, 16));
    return value;
}

std::optional<std::uint8_t> parseUiCommand(const QString &text)
{
    bool number = false;
    const uint value = text.toUInt(&number, 0); // 0x41 or 65
    if (number)
        return value <= 0xFF ? std::optional<std::uint8_t>(std::uint8_t(value)) : std::nullopt;
    for (const auto &[code, name] : namedValues(OperandKind::UiCommand))
        if (slug(text) == slug(name))
            return code;
    return std::nullopt;
}

Built buildCommand(const NamedCommand &command, const QStringList &arguments, int from, int to)
{
    const std::vector<OperandKind> kinds = userOperands(command);
    const QString usage = QStringLiteral("%1 %2").arg(QLatin1String(command.name),
                                                        argumentWords(command)).trimmed();
    if (arguments.size() != qsizetype(kinds.size()))
        return {{}, QStringLiteral("usage: cec send %1").arg(usage)};
    QByteArray message;
    message.append(char(from << 4 | to));
    message.append(char(command.opcode));
    if (command.uiCommand)
        message.append(char(*command.uiCommand));
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const QString &arg = arguments[qsizetype(i)];
        if (kinds[i] == OperandKind::PhysicalAddress) {
            const auto pa = parsePhysicalAddress(arg);
            if (!pa)
                return {{}, QStringLiteral("'%1' is no physical address (four hex digits a.b.c.d, "
                                           "like 1.0.0.0)")
                                .arg(arg)};
            message.append(char(*pa >> 8)).append(char(*pa & 0xFF));
        } else {
            const auto code = parseUiCommand(arg);
            if (!code)
                return {{}, QStringLiteral("'%1' is no remote key (a name such as volume-up, or "
                                           "a number)")
                                .arg(arg)};
            message.append(char(*code));
        }
    }
    // What the decoder objects to is not sent either.
    const Message decoded = decodeMessage(message);
    if (!decoded.problems.isEmpty())
        return {{}, QStringLiteral("%1: %2").arg(QLatin1String(command.name),
                                                 decoded.problems.join(QStringLiteral("; ")))};
    Built built{{message}, {}};
    if (command.released) {
        QByteArray release;
        release.append(char(from << 4 | to)).append(char(CEC_MSG_USER_CONTROL_RELEASED));
        built.messages.push_back(release);
    }
    return built;
}

int initiatorFor(int destination)
{
    return destination == DefaultInitiator ? CEC_LOG_ADDR_TV : DefaultInitiator;
}

} // namespace cec
