#include "cli/Request.h"

#include "cli/CommandHelp.h"
#include "cli/CecWords.h"
#include "cli/CommandTable.h"
#include "cli/GlobalOptions.h"
#include "cli/InfoframeRequest.h"
#include "cli/InputChecks.h"
#include "cec_infoframes/CecLength.h"
#include "cli/StatusWatch.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QSet>

namespace cli
{
namespace
{

const char kUsageHead[] =
    "Usage: korvalis-cli [--device ID|PATH] [--wait SECONDS] [--json] [--quiet]\n"
    "                    COMMAND ...\n"
    "\n"
    "Commands:\n";

const char kUsageTail[] =
    "\n"
    "Options:\n"
    "  --device ID|PATH  the device's identification string (default 2023), or where\n"
    "                    it is as 'list' shows it (USB bus and ports such as 1-4.2,\n"
    "                    or a socket)\n"
    "  --wait SECONDS    wait up to SECONDS for the device to appear (not for list)\n"
    "  --json            one JSON document on standard output, for every command:\n"
    "                    what it shows, {\"ok\": true, ...} for what it did, or\n"
    "                    {\"ok\": false, \"exit_status\": N, \"error\": \"...\"};\n"
    "                    list --watch: one object a line\n"
    "  --quiet           no progress on standard error\n"
    "  --help            this text; COMMAND --help or help COMMAND: that command's\n"
    "                    usage, options and an example\n"
    "  --version         the program's version\n"
    "\n"
    "Exit status: 0 done, 1 the device refused, failed or did not answer, 2 bad usage\n"
    "or input (nothing is sent), 3 no usable device.\n";

// Stands in for the dash of a negative number while the option parser runs, which would
// otherwise take "-1" for an option.
constexpr QChar NegativeMark(0xE000);

QString hideNegative(const QString &arg)
{
    static const QRegularExpression negative(QStringLiteral("^-[0-9]+$"));
    return negative.match(arg).hasMatch() ? NegativeMark + arg.mid(1) : arg;
}

QString restoreNegative(QString arg)
{
    if (arg.startsWith(NegativeMark))
        arg[0] = u'-';
    return arg;
}

QStringList restoreNegative(QStringList args)
{
    for (QString &a : args)
        a = restoreNegative(a);
    return args;
}

struct Failure {
    QString text;
};

// Options a command takes besides the global ones.
QSet<QString> optionsOf(Command command)
{
    QSet<QString> names;
    for (const CommandInfo &c : commandTable())
        if (c.command == command)
            for (const char *name : c.options)
                if (name != nullptr)
                    names << QLatin1String(name);
    return names;
}

const settings::Setting *settingNamed(const QString &name, QString &error)
{
    const settings::Setting *s = settings::findSetting(name);
    if (s == nullptr)
        error =
            QStringLiteral("unknown setting '%1' ('korvalis-cli settings' lists them)").arg(name);
    return s;
}

// A value for `setting`; an error line when it takes no such value.
std::optional<int> valueFor(const settings::Setting &setting, const QString &text, QString &error)
{
    const settings::ParsedValue parsed = settings::parseValue(setting, text);
    const QString name = QString::fromLatin1(setting.name);
    switch (parsed.error) {
    case settings::ParsedValue::None:
        return parsed.value;
    case settings::ParsedValue::ReadOnly:
        error = QStringLiteral("%1 is read-only").arg(name);
        break;
    case settings::ParsedValue::Unknown:
        error = QStringLiteral("'%1' is not a value of %2 (%3)")
                    .arg(text, name, settings::allowedValues(setting));
        break;
    case settings::ParsedValue::OutOfRange:
        error = QStringLiteral("%1 is out of range for %2 (%3)")
                    .arg(text, name, settings::allowedValues(setting));
        break;
    }
    return std::nullopt;
}

std::optional<Assignment> assignment(const QString &name, const QString &value, QString &error)
{
    const settings::Setting *s = settingNamed(name, error);
    if (s == nullptr)
        return std::nullopt;
    const std::optional<int> v = valueFor(*s, value, error);
    if (!v)
        return std::nullopt;
    return Assignment{s, *v};
}

bool wantCount(const QStringList &args, qsizetype count, const char *usage, QString &error)
{
    if (args.size() == count)
        return true;
    error = QStringLiteral("usage: korvalis-cli %1").arg(QLatin1String(usage));
    return false;
}

// The command and its positional arguments; fills `r` or `error`.
bool parseCommand(const QStringList &pos, Request &r, QString &error)
{
    const QString word = pos.value(0);
    const QString sub = pos.value(1);
    if (word == "list" || word == "status" || word == "settings" || word == "displays") {
        r.command = word == "list"       ? Command::List
                    : word == "status"   ? Command::Status
                    : word == "displays" ? Command::Displays
                                         : Command::Settings;
        return wantCount(pos, 1, qPrintable(word), error);
    }
    if (word == "get") {
        r.command = Command::Get;
        for (const QString &name : pos.mid(1)) {
            const settings::Setting *s = settingNamed(name, error);
            if (s == nullptr)
                return false;
            r.names.push_back(s);
        }
        return true;
    }
    if (word == "set") {
        r.command = Command::Set;
        if (pos.size() < 3 || pos.size() % 2 == 0) {
            error = QStringLiteral("usage: korvalis-cli set NAME VALUE [NAME VALUE ...]");
            return false;
        }
        for (qsizetype i = 1; i + 1 < pos.size(); i += 2) {
            const std::optional<Assignment> a = assignment(pos[i], pos[i + 1], error);
            if (!a)
                return false;
            r.assignments.push_back(*a);
        }
        return true;
    }
    if (word == "edid" && sub == "read") {
        r.command = Command::EdidRead;
        return wantCount(pos, 2, "edid read [--from own|tv-a|tv-b] [-o FILE|-] [--hex | --decode]",
                         error);
    }
    if (word == "edid" && sub == "decode") {
        r.command = Command::EdidDecode;
        if (pos.size() > 3)
            return wantCount(pos, 3, "edid decode [FILE|-]", error);
        r.decodeFile = pos.value(2);
        return true;
    }
    if (word == "edid" && sub == "write") {
        r.command = Command::EdidWrite;
        return wantCount(pos, 3, "edid write FILE", error);
    }
    if (word == "edid" && sub == "edit") {
        r.command = Command::EdidEdit;
        if (pos.size() > 3)
            return wantCount(pos, 3, "edid edit [FILE|-] EDIT...", error);
        r.edidEdit.inputFile = pos.value(2);
        return true;
    }
    if (word == "edid" && sub == "mode") {
        r.command = Command::EdidMode;
        if (!wantCount(pos, 3, "edid mode automix|fixed|custom [--table N]", error))
            return false;
        const settings::Setting *mode = settings::findSetting("edid-mode");
        const std::optional<int> v = settings::namedValue(*mode, pos[2]); // numbers are for `set`
        if (!v) {
            error = QStringLiteral("'%1' is not an EDID mode (%2)")
                        .arg(pos[2], settings::allowedValues(*mode));
            return false;
        }
        r.assignments.push_back({mode, *v});
        return true;
    }
    if (isCecWords(pos))
        return parseCecWords(pos, r, error);
    if (word == "cec" && sub == "send") {
        r.command = Command::CecSend;
        if (!wantCount(pos, 3, "cec send HEX", error))
            return false;
        r.hexText = pos[2];
        error = checkColonHex(r.hexText, colonhex::CecSendLimits);
        if (error.isEmpty()) // well formed: one byte per three characters
            error = cec::lengthProblem((r.hexText.size() + 1) / 3);
        return error.isEmpty();
    }
    if (word == "cec" && sub == "store") {
        r.command = Command::CecStore;
        if (!wantCount(pos, 4, "cec store sp|lp HEX", error))
            return false;
        if (pos[2] != "sp" && pos[2] != "lp") {
            error = QStringLiteral("'%1' is no CEC button (sp or lp)").arg(pos[2]);
            return false;
        }
        r.button = pos[2] == "sp" ? session::CecButton::Sp : session::CecButton::Lp;
        r.hexText = pos[3];
        error = checkColonHex(r.hexText, colonhex::CecStoreLimits);
        return error.isEmpty();
    }
    if (isInfoframeCommand(word, sub))
        return parseInfoframeCommand(pos, r, error);
    if (word == "reset") {
        r.command = Command::Reset;
        if (!wantCount(pos, 2, "reset settings|edid|all --yes", error))
            return false;
        if (sub == "settings")
            r.resetValue = settings::reset::Settings;
        else if (sub == "edid")
            r.resetValue = settings::reset::Edid;
        else if (sub == "all")
            r.resetValue = settings::reset::Both;
        else {
            error = QStringLiteral("'%1' is no reset (settings, edid or all)").arg(sub);
            return false;
        }
        return true;
    }
    if (word == "config" && (sub == "save" || sub == "load")) {
        r.command = sub == "save" ? Command::ConfigSave : Command::ConfigLoad;
        if (!wantCount(pos, 3, sub == "save" ? "config save FILE|-" : "config load FILE", error))
            return false;
        r.configFile = pos[2];
        return true;
    }
    if (word == "completion") {
        r.command = Command::Completion;
        if (!wantCount(pos, 2, "completion bash", error))
            return false;
        if (sub != "bash") {
            error = QStringLiteral("no completion for '%1' (bash is the one there is)").arg(sub);
            return false;
        }
        return true;
    }
    const std::vector<const CommandInfo *> members = groupCommands(word);
    if (!members.empty() && sub.isEmpty()) {
        QStringList lines{QStringLiteral("'%1' needs a subcommand:").arg(word)};
        for (const CommandInfo *c : members)
            lines << QStringLiteral("  korvalis-cli ") + usageLine(*c);
        error = lines.join(u'\n');
        return false;
    }
    // "edid frob" names the group and the unknown word.
    const bool group = !members.empty();
    error = word.isEmpty() ? QStringLiteral("no command given (korvalis-cli --help)")
                           : QStringLiteral("unknown command '%1' (korvalis-cli --help)")
                                 .arg(pos.mid(0, group ? 2 : 1).join(u' '));
    return false;
}

// The options of the command; fills `r` or `error`.
bool parseOptions(const QCommandLineParser &p, const QStringList &given, Request &r,
                  bool stdoutIsTerminal, QString &error)
{
    const QSet<QString> allowed = optionsOf(r.command);
    for (const QString &name : given) {
        if (name == "device" || name == "json" || name == "quiet" || name == "wait")
            continue;
        if (!allowed.contains(name)) {
            error = QStringLiteral("option --%1 does not apply to this command").arg(name);
            return false;
        }
    }
    r.json = p.isSet("json");
    r.quiet = p.isSet("quiet");
    const QString device = restoreNegative(p.value("device"));
    if (p.isSet("device") && device.isEmpty()) {
        error = QStringLiteral("--device needs an identification string");
        return false;
    }
    if (!device.isEmpty()) {
        r.deviceId = device.toLocal8Bit();
        r.deviceGiven = true;
    }
    if (p.isSet("wait")) {
        const std::optional<int> seconds = waitSeconds(restoreNegative(p.value("wait")), error);
        if (!seconds)
            return false;
        if (r.command == Command::List) {
            error = QStringLiteral("option --wait does not apply to this command");
            return false;
        }
        r.waitSeconds = *seconds;
    }
    r.watch = p.isSet("watch");
    r.numbers = p.isSet("numbers");
    if (p.isSet("interval") && !parseWatchInterval(r, p.value("interval"), error))
        return false;
    if (!parseInfoframeOptions(p, r, error))
        return false;

    switch (r.command) {
    case Command::EdidRead: {
        const QString from =
            p.isSet("from") ? restoreNegative(p.value("from")) : QStringLiteral("own");
        if (from == "own")
            r.source = edid::Source::Own;
        else if (from == "tv-a")
            r.source = edid::Source::DisplayA;
        else if (from == "tv-b")
            r.source = edid::Source::DisplayB;
        else {
            error = QStringLiteral("'%1' is no EDID source (own, tv-a or tv-b)").arg(from);
            return false;
        }
        r.hex = p.isSet("hex");
        r.decode = p.isSet("decode");
        if (r.hex && r.decode) {
            error = QStringLiteral("--hex and --decode exclude each other");
            return false;
        }
        if (r.decode && p.isSet("o")) {
            error = QStringLiteral("--decode prints to standard output: -o does not apply");
            return false;
        }
        r.outputFile = restoreNegative(p.value("o"));
        if (p.isSet("o") && r.outputFile.isEmpty()) {
            error = QStringLiteral("-o needs a file name");
            return false;
        }
        if (r.outputFile == "-")
            r.outputFile.clear(); // standard output, as without -o
        if (r.json && r.outputFile.isEmpty() && !r.decode)
            r.hex = true; // no raw bytes in a JSON document
        if (!r.hex && !r.decode && r.outputFile.isEmpty() && stdoutIsTerminal) {
            error = QStringLiteral("refusing to write a binary EDID to a terminal: use -o FILE, "
                                   "--hex, or a pipe");
            return false;
        }
        break;
    }
    case Command::EdidWrite: {
        if (p.isSet("fix-checksums") && p.isSet("force")) {
            error = QStringLiteral("--fix-checksums and --force exclude each other");
            return false;
        }
        r.selectCustom = p.isSet("select-custom");
        r.verify = p.isSet("verify");
        const ChecksumPolicy policy = p.isSet("fix-checksums") ? ChecksumPolicy::Fix
                                      : p.isSet("force")       ? ChecksumPolicy::Keep
                                                               : ChecksumPolicy::Refuse;
        const LoadedTable loaded = loadTableFile(
            restoreNegative(p.positionalArguments().value(2)), policy,
            p.isSet("truncate") ? edid::LongerTable::Truncate : edid::LongerTable::Refuse);
        if (!loaded.table) {
            error = loaded.error;
            return false;
        }
        r.table = *loaded.table;
        break;
    }
    case Command::EdidEdit:
        if (!parseEdidEdit(p, r.edidEdit.inputFile, stdoutIsTerminal, r.edidEdit, error))
            return false;
        break;
    case Command::EdidMode:
        if (p.isSet("table")) {
            const std::optional<Assignment> table =
                assignment(QStringLiteral("edid-table"), restoreNegative(p.value("table")), error);
            if (!table)
                return false;
            // The table first: the mode write starts the rebuild that uses it.
            r.assignments.insert(r.assignments.begin(), *table);
        }
        break;
    case Command::CecSend:
        if (!applyCecOptions(p, r, error))
            return false;
        break;
    case Command::ConfigLoad:
        r.force = p.isSet("force");
        r.dryRun = p.isSet("dry-run");
        break;
    case Command::AviSend:
        if (p.isSet("replace")) {
            const QString v = restoreNegative(p.value("replace"));
            if (v != "on" && v != "off") {
                error = QStringLiteral("--replace takes on or off, not '%1'").arg(v);
                return false;
            }
            r.replace = v == "on";
        }
        break;
    case Command::Reset:
        if (!p.isSet("yes")) {
            error = QStringLiteral("reset erases the device's %1: add --yes to confirm")
                        .arg(r.resetValue == settings::reset::Settings ? "settings"
                             : r.resetValue == settings::reset::Edid   ? "EDID"
                                                                       : "settings and EDID");
            return false;
        }
        break;
    default:
        break;
    }
    return true;
}

} // namespace

QString usageText()
{
    return QLatin1String(kUsageHead) + commandLines().join(u'\n') + u'\n' +
           QLatin1String(kUsageTail);
}

QString versionText()
{
    return QStringLiteral("korvalis-cli %1\n").arg(QLatin1String(KORVALIS_VERSION));
}

Parsed parseArguments(const QStringList &arguments, bool stdoutIsTerminal)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions({
        {"device", "", "ID"},
        {"wait", "", "SECONDS"},
        {"watch", ""},
        {"numbers", ""},
        {"interval", "", "SECONDS"},
        {"json", ""},
        {"quiet", ""},
        {{"h", "help"}, ""},
        {"from", "", "SOURCE"},
        {"o", "", "FILE"},
        {"hex", ""},
        {"decode", ""},
        {"select-custom", ""},
        {"fix-checksums", ""},
        {"force", ""},
        {"truncate", ""},
        {"verify", ""},
        {"table", "", "N"},
        {"replace", "", "on|off"},
        {"yes", ""},
        {"dry-run", ""},
        {"version", ""},
        {"to", "", "DEVICE"},
        {"verbose", ""},
    });
    addInfoframeOptions(p);
    addEdidEditOptions(p);
    Parsed out;
    QStringList hidden;
    for (const QString &a : arguments)
        hidden << hideNegative(a);
    if (!p.parse(hidden)) {
        out.error = p.errorText();
        return out;
    }
    const QStringList words = restoreNegative(p.positionalArguments());
    if (p.isSet("help") || words.value(0) == "help") {
        out.help = helpFor(p.isSet("help") ? words : words.mid(1), out.error);
        if (!out.help.isEmpty()) {
            out.request = Request{};
            out.request->json = p.isSet("json");
        }
        return out;
    }
    if (p.isSet("version")) {
        out.help = versionText();
        out.request = Request{};
        out.request->command = Command::Version;
        return out;
    }
    Request r;
    QStringList given = p.optionNames();
    for (QString &name : given)
        if (name == "h")
            name = "help";
    if (!parseCommand(restoreNegative(p.positionalArguments()), r, out.error) ||
        !parseOptions(p, given, r, stdoutIsTerminal, out.error))
        return out;
    out.request = r;
    return out;
}

} // namespace cli
