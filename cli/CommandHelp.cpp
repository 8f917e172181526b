#include "cli/CommandHelp.h"

#include "cli/Request.h"

namespace cli
{
namespace
{

// What an option does; `command` ("edid write") narrows a text to one command, nullptr gives
// it to every command that has the option. An option without a row is listed by name alone.
struct OptionHelp {
    const char *option;
    const char *command;
    const char *value; // what follows the option, nullptr for none
    const char *what;
};

constexpr OptionHelp kOptionHelp[] = {
    {"watch", nullptr, nullptr, "then every arrival and departure, until interrupted"},
    {"numbers", nullptr, nullptr, "each value as its number, as set takes it"},
    {"watch", "status", nullptr, "then each change of the signal, a line each, until interrupted"},
    {"interval", nullptr, "SECONDS", "how often the status is read (default 1, at least 0.5)"},
    {"from", nullptr, "own|tv-a|tv-b", "the device's own table (default) or a display's"},
    {"from", "cec send", "DEVICE", "the sender of a named command (default: audio, 5)"},
    {"to", nullptr, "DEVICE", "the destination: tv, audio, playback1, ..., all, or 0 to 15"},
    {"verbose", nullptr, nullptr, "print the hex of each message before it is sent"},
    {"o", nullptr, "FILE|-", "write to FILE (- or none: standard output)"},
    {"hex", nullptr, nullptr, "16 lines of hex text, as the window shows the table"},
    {"decode", nullptr, nullptr, "the table in words (with --json: as JSON)"},
    {"select-custom", nullptr, nullptr, "switch to CUSTOM mode, table 1 first if needed"},
    {"fix-checksums", nullptr, nullptr, "correct wrong checksums before writing"},
    {"force", "edid write", nullptr, "write wrong checksums or a table without header as is"},
    {"force", "config load", nullptr, "load a file saved from another firmware version"},
    {"truncate", nullptr, nullptr, "a longer table's first 256 bytes, as 1 extension"},
    {"verify", nullptr, nullptr, "read the table back and compare"},
    {"table", nullptr, "N", "the custom table to use (edid-table)"},
    {"replace", nullptr, "on|off", "the replace-avi setting to send with (default: as is)"},
    {"yes", nullptr, nullptr, "confirms the reset: without it nothing is erased"},
    {"dry-run", nullptr, nullptr, "only show what a load would change"},
    {"name", nullptr, "TEXT", "the display product name (1 to 13 ASCII characters)"},
    {"remove-vic", nullptr, "N,...", "remove these VICs from the video data block"},
    {"add-vic", nullptr, "N,...", "add these VICs to the video data block"},
    {"remove-mode", nullptr, "WxH", "remove every VIC of that size, 4:2:0 ones too"},
    {"max-tmds", nullptr, "MHZ", "the maximum TMDS clock (HDMI Forum block above 340)"},
    {"hdr", nullptr, "off", "remove the HDR static metadata block"},
    {"eotfs", nullptr, "LIST", "the EOTFs: sdr, hdr, pq, hlg (adds the block)"},
    {"audio", nullptr, "lpcm-2ch", "leave only 2-channel LPCM, speakers FL/FR"},
    {"remove-audio", nullptr, "FORMAT,...",
     "lpcm, ac3, mpeg1, mp3, mpeg2, aac, dts, atrac, dsd, eac3, dts-hd, truehd, dst, wma"},
    {"ycbcr444", nullptr, "on|off", "the YCbCr 4:4:4 flag"},
    {"ycbcr422", nullptr, "on|off", "the YCbCr 4:2:2 flag"},
    {"ycbcr420", nullptr, "off", "remove the 4:2:0 video and capability blocks"},
    {"physical-address", nullptr, "A.B.C.D", "the HDMI block's CEC physical address"},
    {"deep-colour", nullptr, "LIST|none", "30, 36, 48 bits in the HDMI block"},
    {"diff", nullptr, nullptr, "the difference in words on standard output"},
    {"write", nullptr, nullptr, "write the result to the device, read back and compared"},
    {"force", "hdr send", nullptr, "send a frame with a wrong checksum, length, type or version"},
    {"preset", nullptr, "NAME", "start from a preset (hdr presets lists them)"},
    {"from-capture", nullptr, nullptr, "start from the source's captured HDR frame"},
    {"from-stored", nullptr, nullptr, "start from the device's stored HDR frame"},
    {"eotf", nullptr, "sdr|hdr|pq|hlg", "the transfer function; sdr sends EOTF 0"},
    {"primaries", nullptr, "NAME|\"RX,RY GX,GY BX,BY\"", "bt2020, p3, bt709 or three x,y pairs"},
    {"white", nullptr, "d65|\"X,Y\"", "the white point"},
    {"max-luminance", nullptr, "N", "max mastering luminance, cd/m²"},
    {"min-luminance", nullptr, "N.NNNN", "min mastering luminance, cd/m²"},
    {"max-cll", nullptr, "N", "maximum content light level, cd/m² (0: not given)"},
    {"max-fall", nullptr, "N", "maximum frame-average light level, cd/m² (0: not given)"},
    {"x265", nullptr, "MASTER-DISPLAY", "an encoder's G(x,y)B(x,y)R(x,y)WP(x,y)L(max,min) string"},
    {"colour-format", nullptr, "FORMAT", "rgb, ycbcr422, ycbcr444 or ycbcr420"},
    {"colorimetry", nullptr, "NAME",
     "none, bt601, bt709, xvycc601, xvycc709, sycc601, opycc601, oprgb, bt2020c or bt2020"},
    {"quantization", nullptr, "default|limited|full", "the RGB quantization range"},
    {"ycc-quantization", nullptr, "limited|full", "the YCC quantization range"},
    {"content-type", nullptr, "TYPE", "none, graphics, photo, cinema or game"},
    {"vic", nullptr, "N", "the video format code"},
};

constexpr const char *kGlobalHelp[][2] = {
    {"--device ID|PATH", "the unit: identification string, or a place from 'list'"},
    {"--wait SECONDS", "wait up to SECONDS for the device to appear"},
    {"--json", "one JSON document on standard output, also for errors"},
    {"--quiet", "no progress on standard error"},
};

const OptionHelp *optionHelp(const char *option, const QString &command)
{
    const OptionHelp *any = nullptr;
    for (const OptionHelp &h : kOptionHelp) {
        if (qstrcmp(h.option, option) != 0)
            continue;
        if (h.command == nullptr)
            any = &h;
        else if (command == QLatin1String(h.command))
            return &h;
    }
    return any;
}

// "  --from own|tv-a|tv-b  what it does", wrapped under the text's column.
QStringList optionLines(const QString &flag, const QString &what)
{
    constexpr int Column = 22;
    const QString head = QStringLiteral("  ") + flag;
    if (what.isEmpty())
        return {head};
    QStringList lines;
    QStringList text = wrapText(what, HelpWidth - Column);
    if (head.size() < Column)
        lines << head.leftJustified(Column) + text.takeFirst();
    else
        lines << head;
    for (const QString &line : text)
        lines << QString(Column, u' ') + line;
    return lines;
}

QString groupHelp(const QString &group, const std::vector<const CommandInfo *> &members)
{
    QStringList lines{QStringLiteral("Commands of '%1':").arg(group)};
    for (const CommandInfo *c : members) {
        lines += wrapText(QStringLiteral("  korvalis-cli ") + usageLine(*c), HelpWidth, 6);
        if (*c->what != '\0')
            lines += wrapText(QStringLiteral("      ") + QLatin1String(c->what), HelpWidth, 6);
    }
    lines << QString()
          << QStringLiteral("'korvalis-cli help %1 SUBCOMMAND' tells more of one.").arg(group);
    return lines.join(u'\n') + u'\n';
}

} // namespace

QStringList wrapText(const QString &text, int width, int indent)
{
    QStringList lines;
    QString line;
    const QString lead(indent, u' ');
    // Leading spaces are kept as the first line's indentation.
    qsizetype start = 0;
    while (start < text.size() && text[start] == u' ')
        ++start;
    line = text.left(start);
    bool empty = true;
    for (const QString &word : text.mid(start).split(u' ', Qt::SkipEmptyParts)) {
        if (!empty && line.size() + 1 + word.size() > width) {
            lines << line;
            line = lead;
            empty = true;
        }
        line += (empty ? QString() : QStringLiteral(" ")) + word;
        empty = false;
    }
    if (!empty)
        lines << line;
    return lines;
}

QString commandWords(const CommandInfo &info)
{
    return info.sub != nullptr ? QLatin1String(info.group) + u' ' + QLatin1String(info.sub)
                               : QString::fromLatin1(info.group);
}

const CommandInfo *findCommand(const QStringList &words)
{
    for (const CommandInfo &c : commandTable()) {
        if (words.value(0) != QLatin1String(c.group))
            continue;
        if (c.sub == nullptr || words.value(1) == QLatin1String(c.sub))
            return &c;
    }
    return nullptr;
}

QString commandHelp(const CommandInfo &info)
{
    const QString key = commandWords(info);
    QStringList lines = wrapText(QStringLiteral("Usage: korvalis-cli ") + usageLine(info),
                                 HelpWidth, 8);
    if (*info.what != '\0') {
        QString what = QLatin1String(info.what);
        what[0] = what[0].toUpper();
        lines << QString() << wrapText(what + u'.', HelpWidth);
    }
    QStringList options;
    for (const char *name : info.options) {
        if (name == nullptr)
            break;
        const OptionHelp *h = optionHelp(name, key);
        QString flag = optionFlag(name);
        if (h != nullptr && h->value != nullptr)
            flag += u' ' + QLatin1String(h->value);
        options += optionLines(flag, h != nullptr ? QLatin1String(h->what) : QString());
    }
    if (!options.isEmpty())
        lines << QString() << QStringLiteral("Options:") << options;
    lines << QString() << QStringLiteral("Global options:");
    for (const auto &g : kGlobalHelp)
        lines += optionLines(QLatin1String(g[0]), QLatin1String(g[1]));
    if (info.example != nullptr)
        lines << QString() << QStringLiteral("Example:")
              << wrapText(QStringLiteral("  korvalis-cli ") + QLatin1String(info.example),
                          HelpWidth, 6);
    return lines.join(u'\n') + u'\n';
}

QString helpFor(const QStringList &words, QString &error)
{
    if (words.isEmpty())
        return usageText();
    if (const CommandInfo *c = findCommand(words))
        return commandHelp(*c);
    const std::vector<const CommandInfo *> members = groupCommands(words[0]);
    if (!members.empty() && (words.size() == 1 || words[1].startsWith(u'-')))
        return groupHelp(words[0], members);
    error = QStringLiteral("no command '%1' ('korvalis-cli help' lists them)")
                .arg(words.mid(0, members.empty() ? 1 : 2).join(u' '));
    return QString();
}

} // namespace cli
