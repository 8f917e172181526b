// The edits in words: their names and values as the command line and the dialog give them, and
// the difference an edit makes, in the decoded report's lines.
#include "edid/EdidEditor.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidReport.h"

#include <QRegularExpression>
#include <algorithm>

namespace edid
{
namespace
{

constexpr int MaxNameLength = 13;
constexpr int MaxReportLines = 2000; // bounds the difference's work

struct Named {
    const char *word;
    int value;
};

// Audio format codes, as the decoder names them.
constexpr Named AudioFormats[] = {{"lpcm", 1},   {"ac3", 2},     {"mpeg1", 3},   {"mp3", 4},
                                  {"mpeg2", 5},  {"aac", 6},     {"dts", 7},     {"atrac", 8},
                                  {"dsd", 9},    {"eac3", 10},   {"dts-hd", 11}, {"truehd", 12},
                                  {"dst", 13},   {"wma", 14}};
// EOTF bits of the HDR static metadata block.
constexpr Named Eotfs[] = {{"sdr", 0}, {"hdr", 1}, {"pq", 2}, {"hlg", 3}};
constexpr Named DeepColours[] = {{"30", 30}, {"36", 36}, {"48", 48}};

template <std::size_t N>
std::optional<std::vector<int>> namedList(const QString &value, const Named (&names)[N],
                                          const QString &what, QString &error)
{
    std::vector<int> out;
    for (const QString &word : value.split(u',')) {
        const auto hit = std::find_if(std::begin(names), std::end(names), [&](const Named &n) {
            return word.trimmed().compare(QLatin1String(n.word), Qt::CaseInsensitive) == 0;
        });
        if (hit == std::end(names)) {
            QStringList known;
            for (const Named &n : names)
                known << QLatin1String(n.word);
            error = QStringLiteral("'%1' is no %2 (%3)").arg(word, what, known.join(u','));
            return std::nullopt;
        }
        if (std::find(out.begin(), out.end(), hit->value) == out.end())
            out.push_back(hit->value);
    }
    return out;
}

std::optional<std::vector<int>> vicList(const QString &value, QString &error)
{
    std::vector<int> out;
    for (const QString &word : value.split(u',')) {
        bool ok = false;
        const int vic = word.trimmed().toInt(&ok, 10);
        if (!ok || vic < 1 || vic > 255) {
            error = QStringLiteral("'%1' is no VIC (1 to 255)").arg(word);
            return std::nullopt;
        }
        if (std::find(out.begin(), out.end(), vic) == out.end())
            out.push_back(vic);
    }
    return out;
}

std::optional<bool> onOff(const QString &value, QString &error)
{
    if (value == QLatin1String("on") || value == QLatin1String("off"))
        return value == QLatin1String("on");
    error = QStringLiteral("'%1' is neither on nor off").arg(value);
    return std::nullopt;
}

bool onlyOff(const QString &value, QString &error)
{
    if (value == QLatin1String("off"))
        return true;
    error = QStringLiteral("'%1' is not off").arg(value);
    return false;
}

QStringList lines(const Table &table)
{
    return reportLines(decodeEdid(Bytes(table.begin(), table.end())));
}

} // namespace

QStringList editNames()
{
    return {"name",   "remove-vic",   "add-vic",  "remove-mode", "max-tmds",
            "hdr",    "eotfs",        "audio",    "remove-audio", "ycbcr444",
            "ycbcr422", "ycbcr420",   "physical-address", "deep-colour"};
}

std::optional<Edit> editFromWords(const QString &name, const QString &value, QString &error)
{
    using Kind = Edit::Kind;
    Edit e;
    const auto fail = [&](const QString &why) {
        error = QStringLiteral("--%1: %2").arg(name, why);
        return std::nullopt;
    };
    QString why;
    if (name == QLatin1String("name")) {
        const bool ascii = std::all_of(value.begin(), value.end(),
                                       [](QChar c) { return c >= u' ' && c <= u'~'; });
        if (value.trimmed().isEmpty() || value.size() > MaxNameLength || !ascii)
            return fail(QStringLiteral("a name is 1 to 13 ASCII characters, not '%1'").arg(value));
        e.kind = Kind::Name;
        e.text = value;
        return e;
    }
    if (name == QLatin1String("remove-vic") || name == QLatin1String("add-vic")) {
        const std::optional<std::vector<int>> vics = vicList(value, why);
        if (!vics)
            return fail(why);
        e.kind = name == QLatin1String("add-vic") ? Kind::AddVic : Kind::RemoveVic;
        e.values = *vics;
        return e;
    }
    if (name == QLatin1String("remove-mode")) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(value);
        if (!m.hasMatch())
            return fail(QStringLiteral("'%1' is no size WxH like 4096x2160").arg(value));
        e.kind = Kind::RemoveMode;
        e.width = m.captured(1).toInt();
        e.height = m.captured(2).toInt();
        return e;
    }
    if (name == QLatin1String("max-tmds")) {
        bool ok = false;
        const int mhz = value.toInt(&ok, 10);
        if (!ok)
            return fail(QStringLiteral("'%1' is no clock in MHz").arg(value));
        e.kind = Kind::MaxTmds;
        e.values = {mhz};
        return e;
    }
    if (name == QLatin1String("hdr") || name == QLatin1String("ycbcr420")) {
        if (!onlyOff(value, why))
            return fail(why);
        e.kind = name == QLatin1String("hdr") ? Kind::HdrOff : Kind::Ycbcr420Off;
        return e;
    }
    if (name == QLatin1String("eotfs") || name == QLatin1String("remove-audio")) {
        const bool eotfs = name == QLatin1String("eotfs");
        const std::optional<std::vector<int>> list =
            eotfs ? namedList(value, Eotfs, QStringLiteral("EOTF"), why)
                  : namedList(value, AudioFormats, QStringLiteral("audio format"), why);
        if (!list)
            return fail(why);
        e.kind = eotfs ? Kind::Eotfs : Kind::RemoveAudio;
        e.values = *list;
        return e;
    }
    if (name == QLatin1String("audio")) {
        if (value != QLatin1String("lpcm-2ch"))
            return fail(QStringLiteral("'%1' is not lpcm-2ch").arg(value));
        e.kind = Kind::AudioLpcm2ch;
        return e;
    }
    if (name == QLatin1String("ycbcr444") || name == QLatin1String("ycbcr422")) {
        const std::optional<bool> on = onOff(value, why);
        if (!on)
            return fail(why);
        e.kind = name == QLatin1String("ycbcr444") ? Kind::Ycbcr444 : Kind::Ycbcr422;
        e.on = *on;
        return e;
    }
    if (name == QLatin1String("physical-address")) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^([0-9a-fA-F])\\.([0-9a-fA-F])\\.([0-9a-fA-F])\\."
                                              "([0-9a-fA-F])$"))
                .match(value);
        if (!m.hasMatch())
            return fail(QStringLiteral("'%1' is no address A.B.C.D of hex digits").arg(value));
        e.kind = Kind::PhysicalAddress;
        for (int i = 1; i <= 4; ++i)
            e.values.push_back(m.captured(i).toInt(nullptr, 16));
        return e;
    }
    if (name == QLatin1String("deep-colour")) {
        e.kind = Kind::DeepColour;
        if (value == QLatin1String("none"))
            return e;
        const std::optional<std::vector<int>> list =
            namedList(value, DeepColours, QStringLiteral("deep colour depth"), why);
        if (!list)
            return fail(why);
        e.values = *list;
        return e;
    }
    return fail(QStringLiteral("no such edit"));
}

QStringList reportDifference(const Table &before, const Table &after)
{
    const QStringList a = lines(before).mid(0, MaxReportLines);
    const QStringList b = lines(after).mid(0, MaxReportLines);
    // A block that only moved is no change: lines are matched without their byte offsets.
    const QRegularExpression offset(QStringLiteral("\\(byte \\d+"));
    QStringList ka = a, kb = b;
    ka.replaceInStrings(offset, QStringLiteral("(byte"));
    kb.replaceInStrings(offset, QStringLiteral("(byte"));
    // Longest common subsequence from the end, then one walk from the start.
    const auto n = std::size_t(a.size()), m = std::size_t(b.size());
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[i][j] = ka[qsizetype(i)] == kb[qsizetype(j)]
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
    QStringList out;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && ka[qsizetype(i)] == kb[qsizetype(j)]) {
            ++i;
            ++j;
        } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
            out << QStringLiteral("- ") + a[qsizetype(i++)];
        } else {
            out << QStringLiteral("+ ") + b[qsizetype(j++)];
        }
    }
    return out;
}

} // namespace edid
