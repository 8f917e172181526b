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
        {Command::Status, "status", nullptr, "", {}, "firmware, the header lines, every setting"},
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
         "--force), or one built from numbers, changing only the fields given"},
        {Command::HdrShow, "hdr", "show", "", {}, "the source's HDR infoframe and the stored one"},
        {Command::HdrDecode, "hdr", "decode", "HEX", {}, "a whole HDR frame or its data bytes"},
        {Command::HdrPresets, "hdr", "presets", "", {}, "the presets of hdr send --preset"},
        {Command::AviSend,
         "avi",
         "send",
         "[HEX] [--replace on|off] [--colour-format rgb|ycbcr422|ycbcr444|ycbcr420] "
         "[--colorimetry none|bt601|bt709|xvycc601|xvycc709|sycc601|opycc601|oprgb|bt2020c|bt2020] "
         "[--quantization default|limited|full] [--ycc-quantization limited|full] "
         "[--content-type none|graphics|photo|cinema|game] [--vic N]",
         {"replace", "colour-format", "colorimetry", "quantization", "ycc-quantization",
          "content-type", "vic"},
         "stores and activates AVI infoframe bytes: HEX, or the stored ones, with the fields given"},
        {Command::AviShow, "avi", "show", "", {}, "the stored AVI data bytes in words"},
        {Command::AviDecode, "avi", "decode", "HEX", {}, "AVI data bytes 1 to 13 in words"},
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
