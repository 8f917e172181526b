#include "cec_infoframes/HdrNumbers.h"

#include "cec_infoframes/HdrColour.h"

#include <QRegularExpression>
#include <cmath>

namespace infoframe
{

namespace
{

const QRegularExpression &decimalPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{1,6}(\\.\\d{1,8})?$"));
    return pattern;
}

// A decimal fraction from 0 to `maximum`, in `unitsPerOne` steps; nothing when it is no plain
// decimal, lies outside or does not fit 16 bits.
std::optional<std::uint16_t> scaled(const QString &text, double unitsPerOne, double maximum)
{
    const QString t = text.trimmed();
    if (!decimalPattern().match(t).hasMatch())
        return std::nullopt;
    const double value = t.toDouble();
    const long units = std::lround(value * unitsPerOne);
    if (value > maximum || units > 0xFFFF)
        return std::nullopt;
    return std::uint16_t(units);
}

std::optional<Chromaticity> pair(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    const auto x = scaled(parts[0], ChromaticityOne, 1.0);
    const auto y = scaled(parts[1], ChromaticityOne, 1.0);
    if (!x || !y)
        return std::nullopt;
    return Chromaticity{*x, *y};
}

} // namespace

NumberParse<std::uint8_t> parseEotf(const QString &text)
{
    for (std::uint8_t code = 0; code <= LastEotf; ++code)
        if (text.compare(eotfWord(code), Qt::CaseInsensitive) == 0)
            return {code, {}};
    return {std::nullopt, QStringLiteral("EOTF '%1': sdr, hdr, pq or hlg").arg(text)};
}

NumberParse<std::array<Chromaticity, 3>> parsePrimaries(const QString &text)
{
    for (const ColourSet &set : ColourSets)
        if (text.compare(QLatin1String(set.option), Qt::CaseInsensitive) == 0)
            return {set.primaries, {}};
    const QStringList parts = text.simplified().split(QLatin1Char(' '));
    std::array<Chromaticity, 3> primaries{};
    bool ok = parts.size() == 3;
    for (int i = 0; ok && i < 3; ++i) {
        const auto c = pair(parts[i]);
        ok = c.has_value();
        if (ok)
            primaries[std::size_t(i)] = *c;
    }
    if (ok)
        return {primaries, {}};
    return {std::nullopt, QStringLiteral("primaries '%1': bt2020, p3, bt709 or \"RX,RY GX,GY "
                                         "BX,BY\" with each from 0 to 1")
                              .arg(text)};
}

NumberParse<Chromaticity> parseWhite(const QString &text)
{
    if (text.compare(QLatin1String("d65"), Qt::CaseInsensitive) == 0)
        return {D65, {}};
    if (const auto c = pair(text))
        return {*c, {}};
    return {std::nullopt, QStringLiteral("white point '%1': d65 or \"X,Y\" from 0 to 1").arg(text)};
}

NumberParse<std::uint16_t> parseCandela(const QString &text)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok);
    if (ok && value <= 0xFFFF)
        return {std::uint16_t(value), {}};
    return {std::nullopt, QStringLiteral("'%1': whole cd/m² from 0 to 65535").arg(text)};
}

NumberParse<std::uint16_t> parseMinLuminance(const QString &text)
{
    if (const auto units = scaled(text, MinLuminancePerCandela, 6.5535))
        return {*units, {}};
    return {std::nullopt,
            QStringLiteral("min luminance '%1': cd/m² from 0 to 6.5535, e.g. 0.0050").arg(text)};
}

NumberParse<HdrMetadata> applyX265(const QString &text, HdrMetadata base)
{
    static const QRegularExpression pattern(
        QStringLiteral("^G\\((\\d+),(\\d+)\\)B\\((\\d+),(\\d+)\\)R\\((\\d+),(\\d+)\\)"
                       "WP\\((\\d+),(\\d+)\\)L\\((\\d+),(\\d+)\\)$"));
    const QRegularExpressionMatch m = pattern.match(QString(text).remove(QLatin1Char(' ')));
    std::array<qulonglong, 10> v{};
    bool ok = m.hasMatch();
    for (int i = 0; ok && i < 10; ++i) {
        v[std::size_t(i)] = m.captured(i + 1).toULongLong(&ok);
        // Chromaticities and the min luminance are 16-bit fields; the max is converted below.
        ok = ok && (i == 8 || v[std::size_t(i)] <= 0xFFFF);
    }
    const qulonglong maxCandela = (v[8] + MinLuminancePerCandela / 2) / MinLuminancePerCandela;
    if (!ok || maxCandela > 0xFFFF)
        return {std::nullopt,
                QStringLiteral("x265 master display '%1': G(x,y)B(x,y)R(x,y)WP(x,y)L(max,min), "
                               "chromaticity in 0.00002 and luminance in 0.0001 cd/m² units")
                    .arg(text)};
    auto at = [&v](int i) { return std::uint16_t(v[std::size_t(i)]); };
    base.primaries = {Chromaticity{at(4), at(5)}, Chromaticity{at(0), at(1)},
                      Chromaticity{at(2), at(3)}};
    base.whitePoint = {at(6), at(7)};
    base.maxLuminance = std::uint16_t(maxCandela);
    base.minLuminance = at(9);
    return {base, {}};
}

} // namespace infoframe
