#include "cec_infoframes/InfoframeWords.h"

#include "cec_infoframes/AviNames.h"
#include "cec_infoframes/HdrColour.h"

#include <QJsonArray>

namespace infoframe
{

namespace
{

const QString CandelaUnit = QStringLiteral(" cd/m²");

double fraction(std::uint16_t units)
{
    return double(units) / ChromaticityOne;
}

QString coordinates(const Chromaticity &c)
{
    return QStringLiteral("%1, %2").arg(QString::number(fraction(c.x), 'f', 4),
                                        QString::number(fraction(c.y), 'f', 4));
}

QString minLuminance(std::uint16_t units)
{
    return QString::number(double(units) / MinLuminancePerCandela, 'f', 4);
}

// 0 is "not given" for the luminance levels.
QString candela(std::uint16_t value)
{
    return value == 0 ? QStringLiteral("not given") : QString::number(value) + CandelaUnit;
}

QString descriptorWord(std::uint8_t descriptor)
{
    return descriptor == DescriptorType1 ? QStringLiteral("type 1")
                                         : QStringLiteral("reserved (%1)").arg(descriptor);
}

QStringList problemTexts(const HdrDecoded &d)
{
    QStringList texts;
    for (const HdrProblem &p : d.problems)
        texts << p.text();
    return texts;
}

QJsonObject xy(const Chromaticity &c)
{
    return {{"x", fraction(c.x)}, {"y", fraction(c.y)}};
}

QJsonValue nameOrNull(const char *name)
{
    return name != nullptr ? QJsonValue(QLatin1String(name)) : QJsonValue(QJsonValue::Null);
}

QString vicWords(std::uint8_t vic, const QString &mode)
{
    return mode.isEmpty() ? QString::number(vic) : QStringLiteral("%1 (%2)").arg(vic).arg(mode);
}

QString activeAspectWord(const AviFields &f)
{
    if (!f.activeFormatPresent && f.activeAspect == 0)
        return QStringLiteral("not given");
    return aviWord(ActiveAspectNames, f.activeAspect);
}

// Extended colorimetry needs data byte 3 as well.
int colorimetryByte(const AviFields &f)
{
    return f.colorimetry == ColorimetryExtended ? 3 : 2;
}

QString pixelRepetitionWord(std::uint8_t repetition)
{
    return repetition == 0 ? QStringLiteral("none")
                           : QStringLiteral("each pixel sent %1 times").arg(repetition + 1);
}

} // namespace

QStringList hdrWords(const HdrDecoded &d)
{
    const HdrMetadata &m = d.metadata;
    QStringList primaries;
    const std::array<Colour, 3> colours = primaryColours(m.primaries);
    for (std::size_t i = 0; i < 3; ++i)
        primaries << QStringLiteral("%1 %2").arg(QLatin1String(colourWord(colours[i])),
                                                 coordinates(m.primaries[i]));
    const ColourSet *gamut = gamutOf(m.primaries);
    QStringList lines{
        QStringLiteral("EOTF: %1").arg(eotfWord(m.eotf)),
        QStringLiteral("Metadata descriptor: %1").arg(descriptorWord(m.descriptor)),
        QStringLiteral("Primaries: %1%2")
            .arg(primaries.join(QStringLiteral("; ")),
                 gamut ? QStringLiteral(" (%1)").arg(QLatin1String(gamut->name)) : QString()),
        QStringLiteral("White point: %1%2")
            .arg(coordinates(m.whitePoint),
                 isD65(m.whitePoint) ? QStringLiteral(" (D65)") : QString()),
        QStringLiteral("Mastering luminance: max %1, min %2%3")
            .arg(candela(m.maxLuminance), minLuminance(m.minLuminance), CandelaUnit),
        QStringLiteral("MaxCLL: %1").arg(candela(m.maxCll)),
        QStringLiteral("MaxFALL: %1").arg(candela(m.maxFall)),
    };
    if (d.wholeFrame)
        lines << QStringLiteral("Checksum: %1")
                     .arg(d.checksumOk ? QStringLiteral("right") : QStringLiteral("wrong"));
    for (const QString &p : problemTexts(d))
        lines << QStringLiteral("Problem: %1").arg(p);
    return lines;
}

QString hdrSummary(const HdrDecoded &d)
{
    const HdrMetadata &m = d.metadata;
    HdrMetadata none;
    none.eotf = m.eotf;
    none.descriptor = m.descriptor;
    QString line;
    if (m == none) {
        line = QStringLiteral("%1, no mastering metadata").arg(eotfWord(m.eotf));
    } else {
        const ColourSet *gamut = gamutOf(m.primaries);
        line = QStringLiteral("%1, %2, %3, %4 / %5%6, MaxCLL %7, MaxFALL %8")
                   .arg(eotfWord(m.eotf),
                        gamut ? QLatin1String(gamut->name) : QStringLiteral("own primaries"),
                        isD65(m.whitePoint)
                            ? QStringLiteral("D65")
                            : QStringLiteral("white %1").arg(coordinates(m.whitePoint)),
                        m.maxLuminance == 0 ? QStringLiteral("max not given")
                                            : QString::number(m.maxLuminance),
                        minLuminance(m.minLuminance), CandelaUnit,
                        m.maxCll == 0 ? QStringLiteral("not given") : QString::number(m.maxCll),
                        m.maxFall == 0 ? QStringLiteral("not given") : QString::number(m.maxFall));
    }
    const QStringList problems = problemTexts(d);
    if (!problems.isEmpty())
        line += QLatin1Char('\n') + problems.join(QStringLiteral("; "));
    return line;
}

QJsonObject hdrJson(const HdrDecoded &d)
{
    const HdrMetadata &m = d.metadata;
    const std::array<Colour, 3> colours = primaryColours(m.primaries);
    QJsonArray primaries;
    for (std::size_t i = 0; i < 3; ++i) {
        QJsonObject p = xy(m.primaries[i]);
        p.insert("colour", QLatin1String(colourWord(colours[i])));
        primaries.append(p);
    }
    const ColourSet *gamut = gamutOf(m.primaries);
    QJsonObject o{
        {"eotf", eotfWord(m.eotf)},
        {"descriptor", m.descriptor},
        {"primaries", primaries},
        {"white_point", xy(m.whitePoint)},
        {"white_point_name", nameOrNull(isD65(m.whitePoint) ? "D65" : nullptr)},
        {"gamut", nameOrNull(gamut ? gamut->name : nullptr)},
        {"max_luminance", m.maxLuminance},
        {"min_luminance", double(m.minLuminance) / MinLuminancePerCandela},
        {"max_cll", m.maxCll},
        {"max_fall", m.maxFall},
        {"problems", QJsonArray::fromStringList(problemTexts(d))},
    };
    if (d.wholeFrame)
        o.insert("checksum_ok", d.checksumOk);
    return o;
}

QString colorimetryWord(const AviFields &f)
{
    for (const ColorimetryName &n : ColorimetryNames)
        if (n.colorimetry == f.colorimetry &&
            (f.colorimetry != ColorimetryExtended || n.extended == f.extendedColorimetry))
            return QLatin1String(n.word);
    return QStringLiteral("additional (%1)").arg(f.extendedColorimetry);
}

QString contentTypeWord(const AviFields &f)
{
    for (const ContentTypeName &n : ContentTypeNames)
        if (n.itContent == f.itContent && (!f.itContent || n.contentType == f.contentType))
            return QLatin1String(n.word);
    return {};
}

QStringList aviWords(const AviDecoded &d, const QString &vicMode)
{
    const AviFields &f = d.fields;
    // A field of a data byte that was not given is not shown as if it were 0.
    auto given = [&d](int dataByte, const QString &word) {
        return d.given >= dataByte ? word : QStringLiteral("not given");
    };
    QStringList lines{
        QStringLiteral("Colour format: %1")
            .arg(aviWord(ColourFormatNames, std::uint8_t(f.colourFormat))),
        QStringLiteral("Active format: %1")
            .arg(f.activeFormatPresent ? QStringLiteral("present") : QStringLiteral("not given")),
        QStringLiteral("Bars: %1").arg(aviWord(BarNames, f.barInfo)),
        QStringLiteral("Scan: %1").arg(aviWord(ScanNames, f.scan)),
        QStringLiteral("Colorimetry: %1").arg(given(colorimetryByte(f), colorimetryWord(f))),
        QStringLiteral("Picture aspect: %1")
            .arg(given(2, aviWord(PictureAspectNames, f.pictureAspect))),
        QStringLiteral("Active aspect: %1").arg(given(2, activeAspectWord(f))),
        QStringLiteral("IT content: %1")
            .arg(given(3, f.itContent ? QStringLiteral("yes") : QStringLiteral("no"))),
        QStringLiteral("RGB quantization: %1")
            .arg(given(3, aviWord(QuantizationNames, f.quantization))),
        QStringLiteral("Scaling: %1").arg(given(3, aviWord(ScalingNames, f.scaling))),
        QStringLiteral("VIC: %1").arg(given(4, vicWords(f.vic, vicMode))),
        QStringLiteral("YCC quantization: %1")
            .arg(given(5, aviWord(YccQuantizationNames, f.yccQuantization))),
        QStringLiteral("Content type: %1").arg(given(5, contentTypeWord(f))),
        QStringLiteral("Pixel repetition: %1")
            .arg(given(5, pixelRepetitionWord(f.pixelRepetition))),
        QStringLiteral("Bar values: %1")
            .arg(given(AviDataSize, QStringLiteral("top ends at %1, bottom starts at %2, left ends "
                                                   "at %3, right starts at %4")
                                        .arg(f.topBarEnd)
                                        .arg(f.bottomBarStart)
                                        .arg(f.leftBarEnd)
                                        .arg(f.rightBarStart))),
    };
    for (const QString &p : d.problems)
        lines << QStringLiteral("Problem: %1").arg(p);
    return lines;
}

QString aviSummary(const AviDecoded &d, const QString &vicMode)
{
    const AviFields &f = d.fields;
    QStringList parts{aviWord(ColourFormatNames, std::uint8_t(f.colourFormat))};
    if (d.given >= colorimetryByte(f))
        parts << colorimetryWord(f);
    if (d.given >= 3)
        parts << QStringLiteral("quantization %1").arg(aviWord(QuantizationNames, f.quantization));
    if (d.given >= 4)
        parts << QStringLiteral("VIC %1").arg(vicWords(f.vic, vicMode));
    if (d.given >= 5)
        parts << QStringLiteral("content %1").arg(contentTypeWord(f));
    QString line = parts.join(QStringLiteral(", "));
    if (!d.problems.empty())
        line += QLatin1Char('\n') +
                QStringList(d.problems.begin(), d.problems.end()).join(QStringLiteral("; "));
    return line;
}

QJsonObject aviJson(const AviDecoded &d, const QString &vicMode)
{
    const AviFields &f = d.fields;
    auto given = [&d](int dataByte, const QJsonValue &value) {
        return d.given >= dataByte ? value : QJsonValue(QJsonValue::Null);
    };
    return {
        {"data_bytes", d.given},
        {"colour_format", aviWord(ColourFormatNames, std::uint8_t(f.colourFormat))},
        {"active_format_present", f.activeFormatPresent},
        {"bars", aviWord(BarNames, f.barInfo)},
        {"scan", aviWord(ScanNames, f.scan)},
        {"colorimetry", given(colorimetryByte(f), colorimetryWord(f))},
        {"picture_aspect", given(2, aviWord(PictureAspectNames, f.pictureAspect))},
        {"active_aspect", given(2, activeAspectWord(f))},
        {"it_content", given(3, f.itContent)},
        {"rgb_quantization", given(3, aviWord(QuantizationNames, f.quantization))},
        {"scaling", given(3, aviWord(ScalingNames, f.scaling))},
        {"vic", given(4, f.vic)},
        {"vic_mode", given(4, vicMode.isEmpty() ? QJsonValue(QJsonValue::Null) : vicMode)},
        {"ycc_quantization", given(5, aviWord(YccQuantizationNames, f.yccQuantization))},
        {"content_type", given(5, contentTypeWord(f))},
        {"pixel_repetition", given(5, f.pixelRepetition)},
        {"bar_values", given(AviDataSize, QJsonObject{{"top_end", f.topBarEnd},
                                                      {"bottom_start", f.bottomBarStart},
                                                      {"left_end", f.leftBarEnd},
                                                      {"right_start", f.rightBarStart}})},
        {"problems", QJsonArray::fromStringList(QStringList(d.problems.begin(), d.problems.end()))},
    };
}

} // namespace infoframe
