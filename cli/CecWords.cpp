#include "cli/CecWords.h"

#include "cec_infoframes/CecCommands.h"
#include "cec_infoframes/CecMessage.h"
#include "cec_infoframes/CecTables.h"
#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryParse.h"
#include "cli/Cli.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QRegularExpression>

namespace cli
{
namespace
{

QString text(const QByteArray &bytes)
{
    return formatColonHex(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                          std::size_t(bytes.size()));
}

} // namespace

bool isCecWords(const QStringList &pos)
{
    if (pos.value(0) != "cec")
        return false;
    const QString sub = pos.value(1);
    // A word that cannot be hex ("stanby") is a command name mistyped, not a hex typo.
    static const QRegularExpression name(QStringLiteral("^[a-z][a-z0-9-]*$"));
    const QString what = pos.value(2);
    const bool nameLike = name.match(what).hasMatch() &&
                          what.contains(QRegularExpression(QStringLiteral("[g-z-]")));
    return sub == "decode" || sub == "commands" ||
           (sub == "send" && (cec::findCommand(what) != nullptr || nameLike));
}

bool parseCecWords(const QStringList &pos, Request &r, QString &error)
{
    const QString sub = pos.value(1);
    if (sub == "commands") {
        r.command = Command::CecCommands;
        if (pos.size() == 2)
            return true;
        error = QStringLiteral("usage: korvalis-cli cec commands");
        return false;
    }
    if (sub == "decode") {
        r.command = Command::CecDecode;
        if (pos.size() != 3) {
            error = QStringLiteral("usage: korvalis-cli cec decode HEX [--json]");
            return false;
        }
        r.hexText = pos[2];
        error = cec::parseTypedMessage(r.hexText).problem;
        return error.isEmpty();
    }
    r.command = Command::CecSend;
    if (cec::findCommand(pos[2]) == nullptr) {
        error = QStringLiteral("'%1' is no CEC command ('korvalis-cli cec commands' lists them)")
                    .arg(pos[2]);
        return false;
    }
    r.cec.name = pos[2];
    r.cec.arguments = pos.mid(3);
    return true;
}

bool applyCecOptions(const QCommandLineParser &p, Request &r, QString &error)
{
    const bool named = !r.cec.name.isEmpty();
    for (const char *option : {"to", "from", "verbose"})
        if (!named && p.isSet(QLatin1String(option))) {
            error = QStringLiteral("--%1 applies to a named command (korvalis-cli cec commands), "
                                   "not to hex")
                        .arg(QLatin1String(option));
            return false;
        }
    if (!named)
        return true;
    const cec::NamedCommand &command = *cec::findCommand(r.cec.name);
    int ends[2] = {command.destination, cec::DefaultInitiator};
    const char *options[2] = {"to", "from"};
    for (int i = 0; i < 2; ++i) {
        if (!p.isSet(QLatin1String(options[i])))
            continue;
        const QString value = p.value(QLatin1String(options[i]));
        const std::optional<int> device = cec::parseDevice(value);
        if (!device) {
            error = QStringLiteral("--%1: '%2' is no CEC device (tv, audio, playback1, ..., all, "
                                   "or 0 to 15)")
                        .arg(QLatin1String(options[i]), value);
            return false;
        }
        ends[i] = *device;
    }
    if (!p.isSet("from"))
        ends[1] = cec::initiatorFor(ends[0]);
    r.cec.verbose = p.isSet("verbose");
    const cec::Built built = cec::buildCommand(command, r.cec.arguments, ends[1], ends[0]);
    if (built.messages.empty()) {
        error = built.error;
        return false;
    }
    for (const QByteArray &m : built.messages)
        r.cec.messages << text(m);
    return true;
}

int printCecWords(const Request &r, QIODevice &out)
{
    if (r.command == Command::CecDecode) {
        const cec::Message m =
            cec::decodeMessage(cec::parseTypedMessage(r.hexText).bytes.value_or(QByteArray()));
        if (r.json)
            out.write(QJsonDocument(cec::messageJson(m)).toJson(QJsonDocument::Indented));
        else
            out.write(cec::messageLines(m).join(u'\n').toUtf8() + '\n');
        return exitcode::Ok;
    }
    QStringList lines;
    for (const cec::NamedCommand &c : cec::namedCommands()) {
        const QString usage =
            QStringLiteral("%1 %2").arg(QLatin1String(c.name), cec::argumentWords(c)).trimmed();
        lines << QStringLiteral("  %1 %2 %3")
                     .arg(usage, -28)
                     .arg(QStringLiteral("[to %1]").arg(cec::deviceName(c.destination)), -10)
                     .arg(QLatin1String(c.what));
    }
    QStringList devices;
    for (int a = 0; a <= cec::Broadcast; ++a)
        devices << cec::deviceName(a);
    lines << QString()
          << QStringLiteral("DEVICE of --to and --from: %1, or 0 to 15; --from defaults to %2 "
                            "(to %3 from %4).")
                 .arg(devices.join(QStringLiteral(", ")), cec::deviceName(cec::DefaultInitiator),
                      cec::deviceName(cec::DefaultInitiator),
                      cec::deviceName(cec::initiatorFor(cec::DefaultInitiator)));
    out.write(lines.join(u'\n').toUtf8() + '\n');
    return exitcode::Ok;
}

int sendNamedCec(const Request &r, QIODevice &out,
                 const std::function<int(const QByteArray &payload)> &send)
{
    for (const QString &message : r.cec.messages) {
        if (r.cec.verbose)
            out.write(message.toLatin1() + '\n');
        const colonhex::Entry entry =
            colonhex::parseEntry(message, colonhex::CecSendLimits, colonhex::Mode::LengthByte);
        const int done = send(entry.bytes.value_or(QByteArray()));
        if (done != exitcode::Ok)
            return done;
    }
    return exitcode::Ok;
}

} // namespace cli
