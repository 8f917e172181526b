#include "cli/CommandTable.h"

namespace cli
{

const std::vector<CommandInfo> &commandTable()
{
    static const std::vector<CommandInfo> table{
        {Command::List,
         "list",
         nullptr,
         "[--watch]",
         {"watch"},
         "every device seen, where it is, whether it opens; --watch: then every arrival and "
         "departure, until interrupted"},
        {Command::Status,
         "status",
         nullptr,
         "[--watch [--interval SECONDS]]",
         {"watch", "interval"},
         "firmware, the header lines, every setting; --watch: the signal, then each change of it, "
         "until interrupted"},
        {Command::Displays,
         "displays",
         nullptr,
         "",
         {},
         "the display on each output, and what of the source's signal it does not take"},
        {Command::Get, "get", nullptr, "[NAME...]", {}, "NAME VALUE lines (all without names)"},
        {Command::Set,
         "set",
         nullptr,
         "NAME VALUE [NAME VALUE ...]",
         {},
         "a value name or a number in range"},
        {Command::Settings,
         "settings",
         nullptr,
         "",
         {},
         "names, kinds, allowed and current values"},
        {Command::EdidRead,
         "edid",
         "read",
         "[--from own|tv-a|tv-b] [-o FILE|-] [--hex | --decode]",
         {"from", "o", "hex", "decode"},
         "an EDID table, raw, as hex text or decoded"},
        {Command::EdidDecode,
         "edid",
         "decode",
         "[FILE|-]",
         {},
         "a table file (raw or hex text, - or none: standard input) in words"},
        {Command::EdidWrite,
         "edid",
         "write",
         "FILE [--select-custom] [--fix-checksums | --force] [--truncate] [--verify]",
         {"select-custom", "fix-checksums", "force", "truncate", "verify"},
         "uploads a table (CUSTOM mode, table 1); --force: also with wrong checksums or no "
         "EDID header; --truncate: a longer table's first 256 bytes, as 1 extension"},
        {Command::EdidMode,
         "edid",
         "mode",
         "automix|fixed|custom [--table N]",
         {"table"},
         "the EDID mode and custom table"},
        {Command::CecSend, "cec", "send", "HEX", {}, "HEX: colon hex, e.g. 40:04"},
        {Command::CecStore, "cec", "store", "sp|lp HEX", {}, "stores a CEC message for a button"},
        {Command::HdrSend, "hdr", "send", "HEX", {}, "stores and activates an HDR infoframe"},
        {Command::AviSend,
         "avi",
         "send",
         "HEX [--replace on|off]",
         {"replace"},
         "stores and activates AVI infoframe bytes"},
        {Command::Reset, "reset", nullptr, "settings|edid|all --yes", {"yes"}, "factory reset"},
        {Command::ConfigSave,
         "config",
         "save",
         "FILE|-",
         {},
         "the configuration as JSON (- for standard output)"},
        {Command::ConfigLoad,
         "config",
         "load",
         "FILE [--force] [--dry-run]",
         {"force", "dry-run"},
         "writes what differs; --dry-run only shows it"},
        {Command::Completion, "completion", nullptr, "bash", {}, "the bash completion script"},
    };
    return table;
}

std::vector<const CommandInfo *> groupCommands(const QString &group)
{
    std::vector<const CommandInfo *> found;
    for (const CommandInfo &c : commandTable())
        if (c.sub != nullptr && group == QLatin1String(c.group))
            found.push_back(&c);
    return found;
}

QString usageLine(const CommandInfo &info)
{
    QString line = QLatin1String(info.group);
    if (info.sub != nullptr)
        line += u' ' + QLatin1String(info.sub);
    if (*info.arguments != '\0')
        line += u' ' + QLatin1String(info.arguments);
    return line;
}

QStringList commandLines()
{
    constexpr int Width = 34;
    QStringList lines;
    for (const CommandInfo &c : commandTable()) {
        const QString usage = usageLine(c);
        if (*c.what == '\0')
            lines << QStringLiteral("  ") + usage;
        else if (usage.size() < Width)
            lines << QStringLiteral("  %1 %2").arg(usage, -Width).arg(QLatin1String(c.what));
        else
            lines << QStringLiteral("  ") + usage
                  << QStringLiteral("  %1 %2").arg(QString(), -Width).arg(QLatin1String(c.what));
    }
    return lines;
}

QString optionFlag(const char *name)
{
    return (qstrlen(name) == 1 ? QStringLiteral("-") : QStringLiteral("--")) + QLatin1String(name);
}

const std::array<const char *, 4> &globalOptions()
{
    static const std::array<const char *, 4> options{"device", "wait", "json", "quiet"};
    return options;
}

} // namespace cli
