#include "edid/EdidDecodeParts.h"

namespace edid
{

double DetailedTiming::refreshHz() const
{
    const double hTotal = hActive + hBlank;
    // A field of an interlaced frame carries half of the odd line count.
    const double vTotal = vActive + vBlank + (interlaced ? 0.5 : 0.0);
    if (hTotal <= 0 || vTotal <= 0)
        return 0;
    return pixelClockKHz * 1000.0 / (hTotal * vTotal);
}

namespace parts
{

QString hex2(int value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, u'0');
}

DetailedTiming detailedTiming(const std::uint8_t *d, int block, int offset,
                              std::vector<Problem> &problems)
{
    DetailedTiming t;
    t.block = block;
    t.offset = offset;
    t.pixelClockKHz = (d[0] | d[1] << 8) * 10;
    t.hActive = d[2] | (d[4] & 0xF0) << 4;
    t.hBlank = d[3] | (d[4] & 0x0F) << 8;
    t.vActive = d[5] | (d[7] & 0xF0) << 4;
    t.vBlank = d[6] | (d[7] & 0x0F) << 8;
    t.hFront = d[8] | (d[11] & 0xC0) << 2;
    t.hSync = d[9] | (d[11] & 0x30) << 4;
    t.vFront = (d[10] >> 4) | (d[11] & 0x0C) << 2;
    t.vSync = (d[10] & 0x0F) | (d[11] & 0x03) << 4;
    t.widthMm = d[12] | (d[14] & 0xF0) << 4;
    t.heightMm = d[13] | (d[14] & 0x0F) << 8;
    t.hBorder = d[15];
    t.vBorder = d[16];
    const std::uint8_t flags = d[17];
    t.interlaced = (flags & 0x80) != 0;
    t.stereo = (flags & 0x60) != 0;
    t.sync = DetailedTiming::Sync((flags >> 3) & 0x03);
    t.hPositive = (flags & 0x02) != 0;
    t.vPositive = t.sync == DetailedTiming::Sync::DigitalSeparate && (flags & 0x04) != 0;

    const auto problem = [&](const QString &text) {
        problems.push_back({block, offset, QStringLiteral("detailed timing: %1").arg(text)});
    };
    if (t.hActive == 0 || t.vActive == 0)
        problem(QStringLiteral("zero active size %1x%2").arg(t.hActive).arg(t.vActive));
    if (t.hFront + t.hSync > t.hBlank)
        problem(QStringLiteral("horizontal front porch %1 + sync %2 exceed the blanking %3")
                    .arg(t.hFront)
                    .arg(t.hSync)
                    .arg(t.hBlank));
    if (t.vFront + t.vSync > t.vBlank)
        problem(QStringLiteral("vertical front porch %1 + sync %2 exceed the blanking %3")
                    .arg(t.vFront)
                    .arg(t.vSync)
                    .arg(t.vBlank));
    return t;
}

} // namespace parts
} // namespace edid
