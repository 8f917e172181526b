#include "cli/InfoframeRequest.h"

#include "cec_infoframes/AviNames.h"
#include "cec_infoframes/EntryParse.h"
#include "cec_infoframes/HdrColour.h"
#include "cec_infoframes/HdrNumbers.h"
#include "cli/CommandTable.h"
#include "cli/InputChecks.h"

#include <QCommandLineParser>

namespace cli
{

namespace
{

using namespace infoframe;

bool isInfoframe(Command command)
{
    switch (command) {
    case Command::HdrSend:
    case Command::HdrShow:
    case Command::HdrDecode:
    case Command::HdrPresets:
    case Command::AviSend:
    case Command::AviShow:
    case Command::AviDecode:
        return true;
    default:
        return false;
    }
}

const CommandInfo *infoOf(const QString &word, const QString &sub)
{
    for (const CommandInfo &c : commandTable())
        if (isInfoframe(c.command) && word == QLatin1String(c.group) && sub == QLatin1String(c.sub))
            return &c;
    return nullptr;
}

// Positional words taken, the two command words included: HEX is optional for the sends and
// needed for the decodes.
std::pair<int, int> wordCounts(Command command)
{
    switch (command) {
    case Command::HdrSend:
    case Command::AviSend:
        return {2, 3};
    case Command::HdrDecode:
    case Command::AviDecode:
        return {3, 3};
    default:
        return {2, 2};
    }
}

// Reads option `name` through `parse` into `target` when it is given; false with the error.
template <class T, class Parse>
bool take(const QCommandLineParser &p, const char *name, Parse parse, std::optional<T> &target,
          QString &error)
{
    if (!p.isSet(QLatin1String(name)))
        return true;
    const auto parsed = parse(p.value(QLatin1String(name)));
    if (!parsed.ok()) {
        error = QStringLiteral("--%1: %2").arg(QLatin1String(name), parsed.error);
        return false;
    }
    target = *parsed.value;
    return true;
}

QString presetNames()
{
    QStringList names;
    for (const HdrPreset &p : hdrPresets())
        names << QLatin1String(p.name);
    return names.join(QStringLiteral(", "));
}

bool parseHdrSend(const QCommandLineParser &p, Request &r, QString &error)
{
    HdrEdits &e = r.infoframe.hdr;
    r.infoframe.force = p.isSet(QStringLiteral("force"));
    int bases = e.base == HdrBase::Hex ? 1 : 0;
    if (p.isSet(QStringLiteral("preset"))) {
        const HdrPreset *preset = findHdrPreset(p.value(QStringLiteral("preset")));
        if (preset == nullptr) {
            error = QStringLiteral("no HDR preset '%1' (%2)")
                        .arg(p.value(QStringLiteral("preset")), presetNames());
            return false;
        }
        e.base = HdrBase::Preset;
        e.preset = preset->metadata;
        ++bases;
    }
    for (const auto &[name, base] :
         {std::pair{"from-capture", HdrBase::Capture}, std::pair{"from-stored", HdrBase::Stored}})
        if (p.isSet(QLatin1String(name))) {
            e.base = base;
            ++bases;
        }
    if (bases > 1) {
        error = QStringLiteral("hdr send starts from one of HEX, --preset, --from-capture and "
                               "--from-stored");
        return false;
    }
    // The encoder's string first, so that a luminance option given with it wins.
    if (p.isSet(QStringLiteral("x265"))) {
        const NumberParse<HdrMetadata> x = applyX265(p.value(QStringLiteral("x265")), {});
        if (!x.ok()) {
            error = QStringLiteral("--x265: %1").arg(x.error);
            return false;
        }
        e.primaries = x.value->primaries;
        e.white = x.value->whitePoint;
        e.maxLuminance = x.value->maxLuminance;
        e.minLuminance = x.value->minLuminance;
    }
    if (!take(p, "eotf", parseEotf, e.eotf, error) ||
        !take(p, "primaries", parsePrimaries, e.primaries, error) ||
        !take(p, "white", parseWhite, e.white, error) ||
        !take(p, "max-luminance", parseCandela, e.maxLuminance, error) ||
        !take(p, "min-luminance", parseMinLuminance, e.minLuminance, error) ||
        !take(p, "max-cll", parseCandela, e.maxCll, error) ||
        !take(p, "max-fall", parseCandela, e.maxFall, error))
        return false;
    if (e.base == HdrBase::Hex) {
        if (e.any()) {
            error = QStringLiteral("hdr send HEX sends the frame as typed: give the field options "
                                   "instead of it, or with --from-stored");
            return false;
        }
        error = refusedHdrFrame(
            colonhex::parseEntry(r.hexText, colonhex::HdrLimits).bytes.value_or(QByteArray()),
            r.infoframe.force);
        return error.isEmpty();
    }
    if (e.base == HdrBase::None && !e.eotf) {
        error = QStringLiteral("hdr send needs HEX, --preset, --from-capture, --from-stored or "
                               "--eotf (korvalis-cli hdr presets lists the presets)");
        return false;
    }
    return true;
}

template <class Row> const Row *optionRow(const std::vector<Row> &rows, const QString &option)
{
    for (const Row &row : rows)
        if (option.compare(QLatin1String(row.option), Qt::CaseInsensitive) == 0)
            return &row;
    return nullptr;
}

template <class Row> QString optionList(const std::vector<Row> &rows)
{
    QStringList names;
    for (const Row &row : rows)
        names << QLatin1String(row.option);
    return names.join(QLatin1Char('|'));
}

bool parseAviSend(const QCommandLineParser &p, Request &r, QString &error)
{
    AviEdits &e = r.infoframe.avi;
    auto bad = [&error, &p](const char *name, const QString &allowed) {
        error = QStringLiteral("--%1 takes %2, not '%3'")
                    .arg(QLatin1String(name), allowed, p.value(QLatin1String(name)));
        return false;
    };
    auto named = [&](const char *name, const std::vector<AviName> &rows,
                     std::optional<std::uint8_t> &target) {
        if (!p.isSet(QLatin1String(name)))
            return true;
        const AviName *row = aviOption(rows, p.value(QLatin1String(name)));
        if (row == nullptr)
            return bad(name, aviOptions(rows));
        target = row->code;
        return true;
    };
    std::optional<std::uint8_t> colourFormat;
    if (!named("colour-format", ColourFormatNames, colourFormat) ||
        !named("quantization", QuantizationNames, e.quantization) ||
        !named("ycc-quantization", YccQuantizationNames, e.yccQuantization))
        return false;
    if (colourFormat)
        e.colourFormat = ColourFormat(*colourFormat);
    if (p.isSet(QStringLiteral("colorimetry"))) {
        const auto *row = optionRow(ColorimetryNames, p.value(QStringLiteral("colorimetry")));
        if (row == nullptr)
            return bad("colorimetry", optionList(ColorimetryNames));
        e.colorimetry = std::array<std::uint8_t, 2>{row->colorimetry, row->extended};
    }
    if (p.isSet(QStringLiteral("content-type"))) {
        const auto *row = optionRow(ContentTypeNames, p.value(QStringLiteral("content-type")));
        if (row == nullptr)
            return bad("content-type", optionList(ContentTypeNames));
        e.contentType = std::pair{row->itContent, row->contentType};
    }
    if (p.isSet(QStringLiteral("vic"))) {
        bool ok = false;
        const uint vic = p.value(QStringLiteral("vic")).toUInt(&ok);
        if (!ok || vic > 255)
            return bad("vic", QStringLiteral("a video identification code from 0 to 255"));
        e.vic = std::uint8_t(vic);
    }
    return true;
}

} // namespace

void addInfoframeOptions(QCommandLineParser &p)
{
    p.addOptions({
        {"eotf", "", "EOTF"},
        {"primaries", "", "SET"},
        {"white", "", "XY"},
        {"max-luminance", "", "N"},
        {"min-luminance", "", "N"},
        {"max-cll", "", "N"},
        {"max-fall", "", "N"},
        {"from-capture", ""},
        {"from-stored", ""},
        {"x265", "", "MASTER-DISPLAY"},
        {"preset", "", "NAME"},
        {"colour-format", "", "FORMAT"},
        {"colorimetry", "", "NAME"},
        {"quantization", "", "RANGE"},
        {"ycc-quantization", "", "RANGE"},
        {"content-type", "", "TYPE"},
        {"vic", "", "N"},
    });
}

bool isInfoframeCommand(const QString &word, const QString &sub)
{
    return infoOf(word, sub) != nullptr;
}

bool parseInfoframeCommand(const QStringList &pos, Request &r, QString &error)
{
    const CommandInfo *info = infoOf(pos.value(0), pos.value(1));
    if (info == nullptr)
        return false;
    r.command = info->command;
    const auto [minimum, maximum] = wordCounts(r.command);
    if (pos.size() < minimum || pos.size() > maximum) {
        error = QStringLiteral("usage: korvalis-cli %1").arg(usageLine(*info));
        return false;
    }
    if (pos.size() < 3)
        return true;
    r.hexText = pos[2];
    const bool hdr = r.command == Command::HdrSend || r.command == Command::HdrDecode;
    if (r.command == Command::HdrSend)
        r.infoframe.hdr.base = HdrBase::Hex;
    error = checkColonHex(r.hexText, hdr ? colonhex::HdrLimits : colonhex::AviLimits);
    return error.isEmpty();
}

bool parseInfoframeOptions(const QCommandLineParser &p, Request &r, QString &error)
{
    if (r.command == Command::HdrSend)
        return parseHdrSend(p, r, error);
    if (r.command != Command::AviSend)
        return true;
    if (!parseAviSend(p, r, error))
        return false;
    // Without HEX the stored bytes are the start, so some field has to change.
    if (r.hexText.isEmpty() && !r.infoframe.avi.any()) {
        error = QStringLiteral("avi send needs HEX or a field option (--colour-format, "
                               "--colorimetry, --quantization, --ycc-quantization, "
                               "--content-type, --vic)");
        return false;
    }
    return true;
}


QString refusedHdrFrame(const QByteArray &frame, bool force)
{
    const HdrDecoded decoded = decodeHdrFrame(frame);
    if (force || !decoded.malformed())
        return {};
    QStringList problems;
    for (const HdrProblem &problem : decoded.problems)
        if (problem.malformed())
            problems << problem.text();
    return QStringLiteral("not a well-formed HDR infoframe, nothing sent: %1 (--force sends it as "
                          "typed)")
        .arg(problems.join(QStringLiteral("; ")));
}

} // namespace cli
