#include "cli/CommandTable.h"

#include "cli/CommandHelp.h"

namespace cli
{

const std::vector<CommandInfo> &commandTable()
{
    static const std::vector<CommandInfo> table{
        {Command::Help,
         "help",
         nullptr,
         "[COMMAND]",
         {},
         "a command's usage, options and an example (also: COMMAND --help)",
         "help edid write"},
        {Command::List,
         "list",
         nullptr,
         "[--watch]",
         {"watch"},
         "every device seen, where it is, whether it opens; --watch: then every arrival and "
         "departure, until interrupted",
         "list --watch"},
        {Command::Status,
         "status",
         nullptr,
         "[--watch [--interval SECONDS]]",
         {"watch", "interval"},
         "firmware, the header lines, every setting; --watch: the signal, then each change of it, "
         "until interrupted",
         "--json status"},
        {Command::Displays,
         "displays",
         nullptr,
         "",
         {},
         "the display on each output, and what of the source's signal it does not take",
         "displays --json"},
        {Command::Get,
         "get",
         nullptr,
         "[NAME...] [--numbers]",
         {"numbers"},
         "NAME VALUE lines (all without names); --numbers: the values as numbers",
         "get input hdcp --numbers"},
        {Command::Set,
         "set",
         nullptr,
         "NAME VALUE [NAME VALUE ...]",
         {},
         "a value name or its number ('korvalis-cli settings' shows both)",
         "set input port-b auto-switch off"},
        {Command::Settings,
         "settings",
         nullptr,
         "",
         {},
         "names, kinds, allowed values with their numbers, current values",
         "settings"},
        {Command::EdidRead,
         "edid",
         "read",
         "[--from own|tv-a|tv-b] [-o FILE|-] [--hex | --decode]",
         {"from", "o", "hex", "decode"},
         "an EDID table, raw, as hex text or decoded",
         "edid read --from tv-a --hex -o tv-a.txt"},
        {Command::EdidDecode,
         "edid",
         "decode",
         "[FILE|-]",
         {},
         "a table file (raw or hex text, - or none: standard input) in words",
         "edid decode tv-a.bin"},
        {Command::EdidWrite,
         "edid",
         "write",
         "FILE [--select-custom] [--fix-checksums | --force] [--truncate] [--verify]",
         {"select-custom", "fix-checksums", "force", "truncate", "verify"},
         "uploads a table (CUSTOM mode, table 1); --force: also with wrong checksums or no "
         "EDID header; --truncate: a longer table's first 256 bytes, as 1 extension",
         "edid write my.bin --select-custom --verify"},
        {Command::EdidEdit,
         "edid",
         "edit",
         "[FILE|-] EDIT... [--from own|tv-a|tv-b] [-o FILE|-] [--hex] [--diff] [--write "
         "[--select-custom]]",
         {"name", "remove-vic", "add-vic", "remove-mode", "max-tmds", "hdr", "eotfs", "audio",
          "remove-audio", "ycbcr444", "ycbcr422", "ycbcr420", "physical-address", "deep-colour",
          "from", "o", "hex", "diff", "write", "select-custom"},
         "a table with the EDITs (the options below) applied, checksums and lengths kept valid; "
         "the difference in words on standard error",
         "edid edit my.bin --hdr off -o new.bin"},
        {Command::EdidMode,
         "edid",
         "mode",
         "automix|fixed|custom [--table N]",
         {"table"},
         "the EDID mode and custom table",
         "edid mode custom --table 1"},
        {Command::CecSend,
         "cec",
         "send",
         "HEX|NAME [ARGS] [--to DEVICE] [--from DEVICE] [--verbose]",
         {"to", "from", "verbose"},
         "HEX: colon hex, e.g. 40:04; NAME: a command of 'cec commands'",
         "cec send image-view-on --to tv"},
        {Command::CecDecode,
         "cec",
         "decode",
         "HEX",
         {},
         "a CEC message in words",
         "cec decode 05:00:70:04"},
        {Command::CecCommands,
         "cec",
         "commands",
         "",
         {},
         "the named CEC commands",
         "cec commands"},
        {Command::CecStore,
         "cec",
         "store",
         "sp|lp HEX",
         {},
         "stores a CEC message for a button",
         "cec store sp 40:04"},
        {Command::HdrSend,
         "hdr",
         "send",
         "HEX [--force] | [--preset NAME | --from-capture | --from-stored] [--eotf sdr|hdr|pq|hlg] "
         "[--primaries bt2020|p3|bt709|\"RX,RY GX,GY BX,BY\"] [--white d65|\"X,Y\"] "
         "[--max-luminance N] [--min-luminance N.NNNN] [--max-cll N] [--max-fall N] "
         "[--x265 G(x,y)B(x,y)R(x,y)WP(x,y)L(max,min)]",
         {"force", "preset", "from-capture", "from-stored", "eotf", "primaries", "white",
          "max-luminance", "min-luminance", "max-cll", "max-fall", "x265"},
         "stores and activates an HDR infoframe: a whole frame (refused when malformed unless "
         "--force), or one built from numbers, changing only the fields given",
         "hdr send --preset hdr10-1000 --max-luminance 600"},
        {Command::HdrShow,
         "hdr",
         "show",
         "",
         {},
         "the source's HDR infoframe and the stored one",
         "hdr show --json"},
        {Command::HdrDecode,
         "hdr",
         "decode",
         "HEX",
         {},
         "a whole HDR frame or its data bytes",
         "hdr decode 02:00:c2:33:c4:86:4c:1d:b8:0b:d0:84:80:3e"},
        {Command::HdrPresets,
         "hdr",
         "presets",
         "",
         {},
         "the presets of hdr send --preset",
         "hdr presets"},
        {Command::AviSend,
         "avi",
         "send",
         "[HEX] [--replace on|off] [--colour-format FORMAT] [--colorimetry NAME] "
         "[--quantization default|limited|full] [--ycc-quantization limited|full] "
         "[--content-type TYPE] [--vic N]",
         {"replace", "colour-format", "colorimetry", "quantization", "ycc-quantization",
          "content-type", "vic"},
         "stores and activates AVI infoframe bytes: HEX, or the stored ones, with the fields given",
         "avi send 82:02:0d:00 --replace on"},
        {Command::AviShow,
         "avi",
         "show",
         "",
         {},
         "the stored AVI data bytes in words",
         "avi show"},
        {Command::AviDecode,
         "avi",
         "decode",
         "HEX",
         {},
         "AVI data bytes 1 to 13 in words",
         "avi decode 50:a8:00:10"},
        {Command::Reset,
         "reset",
         nullptr,
         "settings|edid|all --yes",
         {"yes"},
         "factory reset",
         "reset settings --yes"},
        {Command::ConfigSave,
         "config",
         "save",
         "FILE|-",
         {},
         "the configuration as JSON (- for standard output)",
         "config save unit01.json"},
        {Command::ConfigLoad,
         "config",
         "load",
         "FILE [--force] [--dry-run]",
         {"force", "dry-run"},
         "writes what differs; --dry-run only shows it",
         "config load unit01.json --dry-run"},
        {Command::Completion,
         "completion",
         nullptr,
         "bash",
         {},
         "the bash completion script",
         "completion bash"},
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
        // Within HelpWidth columns: a long usage line on its own, the text under its column.
        QStringList what = wrapText(QLatin1String(c.what), HelpWidth - Width - 3);
        if (usage.size() >= Width || what.isEmpty())
            lines += wrapText(QStringLiteral("  ") + usage, HelpWidth, 6);
        for (qsizetype i = 0; i < what.size(); ++i)
            lines << QStringLiteral("  %1 %2")
                         .arg(i == 0 && usage.size() < Width ? usage : QString(), -Width)
                         .arg(what[i]);
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
