#include "cec_infoframes/HdrInfoframe.h"

#include <algorithm>

namespace infoframe
{

namespace
{

// Data byte offsets (0 = EOTF).
constexpr int EotfAt = 0;
constexpr int DescriptorAt = 1;
constexpr int PrimariesAt = 2; // three x, y pairs of 16 bits
constexpr int WhiteAt = 14;
constexpr int MaxLuminanceAt = 18;
constexpr int MinLuminanceAt = 20;
constexpr int MaxCllAt = 22;
constexpr int MaxFallAt = 24;
static_assert(MaxFallAt + 2 == HdrDataSize);

constexpr int TypeAt = 0, VersionAt = 1, LengthAt = 2, ChecksumAt = 3;

std::uint8_t byteAt(const QByteArray &bytes, int at)
{
    return at < bytes.size() ? std::uint8_t(bytes[at]) : 0;
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

Chromaticity chromaticityAt(const QByteArray &data, int at)
{
    return {wordAt(data, at), wordAt(data, at + 2)};
}

HdrMetadata metadataOf(const QByteArray &data)
{
    HdrMetadata m;
    m.eotf = byteAt(data, EotfAt);
    m.descriptor = byteAt(data, DescriptorAt);
    for (int i = 0; i < 3; ++i)
        m.primaries[std::size_t(i)] = chromaticityAt(data, PrimariesAt + 4 * i);
    m.whitePoint = chromaticityAt(data, WhiteAt);
    m.maxLuminance = wordAt(data, MaxLuminanceAt);
    m.minLuminance = wordAt(data, MinLuminanceAt);
    m.maxCll = wordAt(data, MaxCllAt);
    m.maxFall = wordAt(data, MaxFallAt);
    return m;
}

void addCountProblems(int given, std::vector<HdrProblem> &problems)
{
    if (given < HdrDataSize)
        problems.push_back({HdrProblemKind::TooShort, given, HdrDataSize});
    else if (given > HdrDataSize)
        problems.push_back({HdrProblemKind::TooLong, given, HdrDataSize});
}

QString hex(int value)
{
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0'));
}

QString coordinate(int units)
{
    return QString::number(double(units) / ChromaticityOne, 'f', 5); // exact in 0.00002 steps
}

QString dataBytes(int count)
{
    return count == 1 ? QStringLiteral("1 data byte") : QStringLiteral("%1 data bytes").arg(count);
}

QString chromaticityName(int index)
{
    return index < 3 ? QStringLiteral("primary %1").arg(index + 1) : QStringLiteral("white point");
}

} // namespace

bool HdrMetadata::operator==(const HdrMetadata &o) const
{
    return eotf == o.eotf && descriptor == o.descriptor && primaries == o.primaries &&
           whitePoint == o.whitePoint && maxLuminance == o.maxLuminance &&
           minLuminance == o.minLuminance && maxCll == o.maxCll && maxFall == o.maxFall;
}

bool HdrProblem::malformed() const
{
    switch (kind) {
    case HdrProblemKind::WrongType:
    case HdrProblemKind::WrongVersion:
    case HdrProblemKind::LengthMismatch:
    case HdrProblemKind::BadChecksum:
    case HdrProblemKind::TooShort:
    case HdrProblemKind::TooLong:
        return true;
    default:
        return false;
    }
}

QString HdrProblem::text() const
{
    switch (kind) {
    case HdrProblemKind::WrongType:
        return QStringLiteral("type %1, an HDR infoframe needs %2").arg(hex(found), hex(needed));
    case HdrProblemKind::WrongVersion:
        return QStringLiteral("version %1, the HDR infoframe needs %2").arg(found).arg(needed);
    case HdrProblemKind::LengthMismatch:
        return QStringLiteral("length byte %1, the bytes need %2").arg(hex(found), hex(needed));
    case HdrProblemKind::BadChecksum:
        return QStringLiteral("checksum %1, the bytes need %2").arg(hex(found), hex(needed));
    case HdrProblemKind::TooShort:
        return QStringLiteral("%1, the fields need %2").arg(dataBytes(found)).arg(needed);
    case HdrProblemKind::TooLong:
        return QStringLiteral("%1, the frame holds %2").arg(dataBytes(found)).arg(needed);
    case HdrProblemKind::ReservedEotf:
        return QStringLiteral("EOTF %1 is reserved").arg(found);
    case HdrProblemKind::ReservedDescriptor:
        return QStringLiteral("metadata descriptor %1 is reserved").arg(found);
    case HdrProblemKind::ChromaticityAboveOne:
        return QStringLiteral("%1 %2 %3 is above 1.0")
            .arg(chromaticityName(index), QChar::fromLatin1(axis), coordinate(found));
    case HdrProblemKind::MinNotBelowMax:
        return QStringLiteral("min luminance %1 cd/m² is not below max luminance %2 cd/m²")
            .arg(QString::number(double(found) / MinLuminancePerCandela, 'f', 4))
            .arg(needed);
    case HdrProblemKind::MaxFallAboveMaxCll:
        return QStringLiteral("MaxFALL %1 cd/m² is above MaxCLL %2 cd/m²").arg(found).arg(needed);
    }
    return {};
}

bool HdrDecoded::malformed() const
{
    for (const HdrProblem &p : problems)
        if (p.malformed())
            return true;
    return false;
}

std::vector<HdrProblem> hdrValueProblems(const HdrMetadata &m)
{
    std::vector<HdrProblem> problems;
    if (m.eotf > LastEotf)
        problems.push_back({HdrProblemKind::ReservedEotf, m.eotf});
    if (m.descriptor != DescriptorType1)
        problems.push_back({HdrProblemKind::ReservedDescriptor, m.descriptor});
    for (int i = 0; i < 4; ++i) {
        const Chromaticity c = i < 3 ? m.primaries[std::size_t(i)] : m.whitePoint;
        if (c.x > ChromaticityOne)
            problems.push_back({HdrProblemKind::ChromaticityAboveOne, c.x, 0, i, 'x'});
        if (c.y > ChromaticityOne)
            problems.push_back({HdrProblemKind::ChromaticityAboveOne, c.y, 0, i, 'y'});
    }
    // Max 0 is "unknown": nothing to compare with.
    if (m.maxLuminance != 0 && int(m.minLuminance) >= int(m.maxLuminance) * MinLuminancePerCandela)
        problems.push_back({HdrProblemKind::MinNotBelowMax, m.minLuminance, m.maxLuminance});
    if (m.maxCll != 0 && m.maxFall > m.maxCll)
        problems.push_back({HdrProblemKind::MaxFallAboveMaxCll, m.maxFall, m.maxCll});
    return problems;
}

HdrDecoded decodeHdrData(const QByteArray &data)
{
    HdrDecoded d;
    d.metadata = metadataOf(data);
    addCountProblems(int(data.size()), d.problems);
    const std::vector<HdrProblem> values = hdrValueProblems(d.metadata);
    d.problems.insert(d.problems.end(), values.begin(), values.end());
    return d;
}

HdrDecoded decodeHdrFrame(const QByteArray &frame)
{
    HdrDecoded d;
    d.wholeFrame = true;
    const int dataCount = std::max(0, int(frame.size()) - HdrHeaderSize);
    if (frame.size() > TypeAt && byteAt(frame, TypeAt) != HdrType)
        d.problems.push_back({HdrProblemKind::WrongType, byteAt(frame, TypeAt), HdrType});
    if (frame.size() > VersionAt && byteAt(frame, VersionAt) != HdrVersion)
        d.problems.push_back({HdrProblemKind::WrongVersion, byteAt(frame, VersionAt), HdrVersion});
    if (frame.size() > LengthAt && byteAt(frame, LengthAt) != dataCount)
        d.problems.push_back({HdrProblemKind::LengthMismatch, byteAt(frame, LengthAt), dataCount});
    if (frame.size() > ChecksumAt) {
        const std::uint8_t needed = hdrChecksum(frame);
        d.checksumOk = byteAt(frame, ChecksumAt) == needed;
        if (!d.checksumOk)
            d.problems.push_back({HdrProblemKind::BadChecksum, byteAt(frame, ChecksumAt), needed});
    }
    const HdrDecoded data = decodeHdrData(frame.mid(HdrHeaderSize));
    d.metadata = data.metadata;
    d.problems.insert(d.problems.end(), data.problems.begin(), data.problems.end());
    return d;
}

HdrDecoded decodeHdrBytes(const QByteArray &bytes)
{
    if (!bytes.isEmpty() && std::uint8_t(bytes[0]) == HdrType)
        return decodeHdrFrame(bytes);
    return decodeHdrData(bytes);
}

QByteArray encodeHdrData(const HdrMetadata &m)
{
    QByteArray data(HdrDataSize, '\0');
    data[EotfAt] = char(m.eotf);
    data[DescriptorAt] = char(m.descriptor);
    for (int i = 0; i < 3; ++i) {
        putWord(data, PrimariesAt + 4 * i, m.primaries[std::size_t(i)].x);
        putWord(data, PrimariesAt + 4 * i + 2, m.primaries[std::size_t(i)].y);
    }
    putWord(data, WhiteAt, m.whitePoint.x);
    putWord(data, WhiteAt + 2, m.whitePoint.y);
    putWord(data, MaxLuminanceAt, m.maxLuminance);
    putWord(data, MinLuminanceAt, m.minLuminance);
    putWord(data, MaxCllAt, m.maxCll);
    putWord(data, MaxFallAt, m.maxFall);
    return data;
}

QByteArray encodeHdrFrame(const HdrMetadata &m)
{
    QByteArray frame;
    frame.reserve(HdrFrameSize);
    frame.append(char(HdrType));
    frame.append(char(HdrVersion));
    frame.append(char(HdrDataSize));
    frame.append('\0');
    frame.append(encodeHdrData(m));
    frame[ChecksumAt] = char(hdrChecksum(frame));
    return frame;
}

std::uint8_t hdrChecksum(const QByteArray &frame)
{
    unsigned sum = 0;
    for (int i = 0; i < frame.size(); ++i)
        if (i != ChecksumAt)
            sum += std::uint8_t(frame[i]);
    return std::uint8_t(0x100 - (sum & 0xFF));
}

QString eotfWord(std::uint8_t eotf)
{
    switch (eotf) {
    case EotfSdr:
        return QStringLiteral("SDR");
    case EotfHdr:
        return QStringLiteral("HDR");
    case EotfPq:
        return QStringLiteral("PQ");
    case EotfHlg:
        return QStringLiteral("HLG");
    default:
        return QStringLiteral("reserved (%1)").arg(eotf);
    }
}

} // namespace infoframe
