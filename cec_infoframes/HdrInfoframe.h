#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The Dynamic Range and Mastering (HDR) infoframe as values: type 0x87, version 1, 26 data
// bytes, multi-byte fields least significant byte first. The custom HDR editor holds the whole
// frame (type, version, length, checksum, data); the source's capture holds the data bytes only,
// EOTF first.
namespace infoframe
{

constexpr std::uint8_t HdrType = 0x87;
constexpr std::uint8_t HdrVersion = 1;
constexpr int HdrDataSize = 26;
constexpr int HdrHeaderSize = 4; // type, version, length, checksum
constexpr int HdrFrameSize = HdrHeaderSize + HdrDataSize;

// EOTF codes (data byte 1); 4 and above are reserved.
constexpr std::uint8_t EotfSdr = 0; // traditional gamma, SDR luminance range
constexpr std::uint8_t EotfHdr = 1; // traditional gamma, HDR luminance range
constexpr std::uint8_t EotfPq = 2;  // SMPTE ST 2084
constexpr std::uint8_t EotfHlg = 3;
constexpr std::uint8_t LastEotf = EotfHlg;
// Static metadata descriptor (data byte 2): only type 1 (code 0) is defined.
constexpr std::uint8_t DescriptorType1 = 0;

// Chromaticity coordinates in units of 0.00002 (50000 = 1.0).
constexpr int ChromaticityOne = 50000;
// Min mastering luminance in units of 0.0001 cd/m².
constexpr int MinLuminancePerCandela = 10000;

struct Chromaticity {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    bool operator==(const Chromaticity &o) const { return x == o.x && y == o.y; }
    bool operator!=(const Chromaticity &o) const { return !(*this == o); }
};

struct HdrMetadata {
    std::uint8_t eotf = EotfSdr;               // data byte 1 as sent
    std::uint8_t descriptor = DescriptorType1; // data byte 2 as sent
    std::array<Chromaticity, 3> primaries{};   // in the frame's order
    Chromaticity whitePoint;
    std::uint16_t maxLuminance = 0; // 1 cd/m²; 0: unknown
    std::uint16_t minLuminance = 0; // 0.0001 cd/m²
    std::uint16_t maxCll = 0;       // 1 cd/m²; 0: not given
    std::uint16_t maxFall = 0;      // 1 cd/m²; 0: not given
    bool operator==(const HdrMetadata &o) const;
    bool operator!=(const HdrMetadata &o) const { return !(*this == o); }
};

enum class HdrProblemKind {
    // Malformed: the bytes are no valid frame; a send refuses them unless forced.
    WrongType,      // found: the type byte; needed: 0x87
    WrongVersion,   // found: the version byte; needed: 1
    LengthMismatch, // found: the length byte; needed: the count of data bytes given
    BadChecksum,    // found: the checksum byte; needed: the one that makes the sum 0
    TooShort,       // found: data bytes given; needed: 26
    TooLong,        // found: data bytes given; needed: 26
    // Odd: a frame that can be sent, with a value a display may not expect.
    ReservedEotf,         // found: the EOTF byte
    ReservedDescriptor,   // found: the descriptor byte
    ChromaticityAboveOne, // found: the coordinate; index: 0-2 primary, 3 white; axis: 'x'/'y'
    MinNotBelowMax,       // found: min (0.0001 cd/m²); needed: max (cd/m²)
    MaxFallAboveMaxCll,   // found: MaxFALL; needed: MaxCLL
};

struct HdrProblem {
    HdrProblemKind kind;
    int found = 0;
    int needed = 0;
    int index = 0; // ChromaticityAboveOne: 0 to 2 a primary in frame order, 3 the white point
    char axis = 0; // ChromaticityAboveOne: 'x' or 'y'
    bool malformed() const; // refused unless forced; otherwise only odd
    QString text() const;   // "checksum 0x5c, the bytes need 0x5d"
    bool operator==(const HdrProblem &o) const
    {
        return kind == o.kind && found == o.found && needed == o.needed && index == o.index &&
               axis == o.axis;
    }
};

struct HdrDecoded {
    HdrMetadata metadata; // fields of missing data bytes read as 0
    std::vector<HdrProblem> problems;
    bool wholeFrame = false; // decoded from a frame with header, so the checksum was checked
    bool checksumOk = false; // whole frame only
    bool malformed() const;
};

// A whole frame: 87:01:1a:checksum, then the data bytes.
HdrDecoded decodeHdrFrame(const QByteArray &frame);
// The data bytes only, EOTF first (the source's capture).
HdrDecoded decodeHdrData(const QByteArray &data);
// A whole frame when the bytes start with the HDR type, the data bytes otherwise.
HdrDecoded decodeHdrBytes(const QByteArray &bytes);

// The 26 data bytes of the metadata.
QByteArray encodeHdrData(const HdrMetadata &metadata);
// The whole frame: type, version 1, length 26, checksum, data.
QByteArray encodeHdrFrame(const HdrMetadata &metadata);
// The checksum byte that makes the sum of all bytes of `frame` 0 modulo 256 (byte 3 itself
// not counted). `frame` holds at least the header.
std::uint8_t hdrChecksum(const QByteArray &frame);

// The problems of the values alone (reserved codes, chromaticity, luminance order): what a frame
// built from them would show.
std::vector<HdrProblem> hdrValueProblems(const HdrMetadata &metadata);

// "SDR", "HDR", "PQ", "HLG" or "reserved (n)".
QString eotfWord(std::uint8_t eotf);

} // namespace infoframe
