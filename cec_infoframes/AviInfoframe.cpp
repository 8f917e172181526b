#include "cec_infoframes/AviInfoframe.h"

namespace infoframe
{

namespace
{

std::uint8_t byteAt(const QByteArray &data, int at)
{
    return at < data.size() ? std::uint8_t(data[at]) : 0;
}

std::uint8_t bits(std::uint8_t byte, int shift, int width)
{
    return std::uint8_t((byte >> shift) & ((1 << width) - 1));
}

std::uint16_t wordAt(const QByteArray &data, int at)
{
    return std::uint16_t(byteAt(data, at) | (byteAt(data, at + 1) << 8));
}

void putWord(QByteArray &data, int at, std::uint16_t value)
{
    data[at] = char(value & 0xFF);
    data[at + 1] = char(value >> 8);
}

// Byte offsets of the data bytes (data byte 1 at 0).
constexpr int Byte1 = 0, Byte2 = 1, Byte3 = 2, Byte4 = 3, Byte5 = 4, TopBarAt = 5, BottomBarAt = 7,
              LeftBarAt = 9, RightBarAt = 11;

} // namespace

bool AviFields::operator==(const AviFields &o) const
{
    return encodeAviData(*this) == encodeAviData(o);
}

AviDecoded decodeAviData(const QByteArray &data)
{
    AviDecoded d;
    d.given = int(data.size());
    AviFields &f = d.fields;
    const std::uint8_t b1 = byteAt(data, Byte1), b2 = byteAt(data, Byte2), b3 = byteAt(data, Byte3),
                       b5 = byteAt(data, Byte5);
    f.reservedBit = bits(b1, 7, 1) != 0;
    f.colourFormat = ColourFormat(bits(b1, 5, 2));
    f.activeFormatPresent = bits(b1, 4, 1) != 0;
    f.barInfo = bits(b1, 2, 2);
    f.scan = bits(b1, 0, 2);
    f.colorimetry = bits(b2, 6, 2);
    f.pictureAspect = bits(b2, 4, 2);
    f.activeAspect = bits(b2, 0, 4);
    f.itContent = bits(b3, 7, 1) != 0;
    f.extendedColorimetry = bits(b3, 4, 3);
    f.quantization = bits(b3, 2, 2);
    f.scaling = bits(b3, 0, 2);
    f.vic = byteAt(data, Byte4);
    f.yccQuantization = bits(b5, 6, 2);
    f.contentType = bits(b5, 4, 2);
    f.pixelRepetition = bits(b5, 0, 4);
    f.topBarEnd = wordAt(data, TopBarAt);
    f.bottomBarStart = wordAt(data, BottomBarAt);
    f.leftBarEnd = wordAt(data, LeftBarAt);
    f.rightBarStart = wordAt(data, RightBarAt);
    d.problems = aviProblems(f);
    if (d.given > AviDataSize)
        d.problems.push_back(QStringLiteral("%1 data bytes, the AVI infoframe holds %2")
                                 .arg(d.given)
                                 .arg(AviDataSize));
    return d;
}

QByteArray encodeAviData(const AviFields &f)
{
    QByteArray data(AviDataSize, '\0');
    data[Byte1] = char((f.reservedBit ? 0x80 : 0) | (std::uint8_t(f.colourFormat) & 3) << 5 |
                       (f.activeFormatPresent ? 0x10 : 0) | (f.barInfo & 3) << 2 | (f.scan & 3));
    data[Byte2] =
        char((f.colorimetry & 3) << 6 | (f.pictureAspect & 3) << 4 | (f.activeAspect & 15));
    data[Byte3] = char((f.itContent ? 0x80 : 0) | (f.extendedColorimetry & 7) << 4 |
                       (f.quantization & 3) << 2 | (f.scaling & 3));
    data[Byte4] = char(f.vic);
    data[Byte5] =
        char((f.yccQuantization & 3) << 6 | (f.contentType & 3) << 4 | (f.pixelRepetition & 15));
    putWord(data, TopBarAt, f.topBarEnd);
    putWord(data, BottomBarAt, f.bottomBarStart);
    putWord(data, LeftBarAt, f.leftBarEnd);
    putWord(data, RightBarAt, f.rightBarStart);
    return data;
}

std::vector<QString> aviProblems(const AviFields &f)
{
    std::vector<QString> problems;
    if (f.reservedBit)
        problems.push_back(QStringLiteral("data byte 1 bit 7 is reserved"));
    if (f.scan == 3)
        problems.push_back(QStringLiteral("scan 3 is reserved"));
    if (f.pictureAspect == 3)
        problems.push_back(QStringLiteral("picture aspect 3 is reserved"));
    if (f.colorimetry == ColorimetryExtended && f.extendedColorimetry == ExtendedAdditional)
        problems.push_back(QStringLiteral("extended colorimetry 7 (additional) needs a later "
                                          "AVI version"));
    if (f.quantization == 3)
        problems.push_back(QStringLiteral("RGB quantization 3 is reserved"));
    if (f.yccQuantization > 1)
        problems.push_back(
            QStringLiteral("YCC quantization %1 is reserved").arg(f.yccQuantization));
    if (f.vic > AviVersion2MaxVic)
        problems.push_back(QStringLiteral("VIC %1 needs AVI version 3 (version 2 holds up to %2)")
                               .arg(f.vic)
                               .arg(AviVersion2MaxVic));
    return problems;
}

} // namespace infoframe
