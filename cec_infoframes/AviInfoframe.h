#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// The AVI infoframe's data bytes 1 to 13 as values (the device takes the data bytes only,
// without header and checksum). Bar positions are 16 bits, least significant byte first.
namespace infoframe
{

constexpr int AviDataSize = 13;
constexpr int AviMinimumSize = 2; // what the device accepts

// Data byte 1, Y: colour format.
enum class ColourFormat : std::uint8_t { Rgb, Ycbcr422, Ycbcr444, Ycbcr420 };
// Data byte 2, C: colorimetry; Extended: data byte 3's EC says which.
constexpr std::uint8_t ColorimetryNone = 0, ColorimetryBt601 = 1, ColorimetryBt709 = 2,
                       ColorimetryExtended = 3;
// Data byte 3, EC.
constexpr std::uint8_t ExtendedBt2020 = 6, ExtendedAdditional = 7;
// The highest VIC the 7 bits of version 2 hold.
constexpr int AviVersion2MaxVic = 127;

struct AviFields {
    // data byte 1
    bool reservedBit = false; // bit 7, kept so that what is decoded encodes back unchanged
    ColourFormat colourFormat = ColourFormat::Rgb;
    bool activeFormatPresent = false;
    std::uint8_t barInfo = 0; // bit 1: vertical bars, bit 0: horizontal bars
    std::uint8_t scan = 0;    // 0 no data, 1 overscan, 2 underscan, 3 reserved
    // data byte 2
    std::uint8_t colorimetry = ColorimetryNone;
    std::uint8_t pictureAspect = 0; // 0 none, 1 4:3, 2 16:9, 3 reserved
    std::uint8_t activeAspect = 0;  // 8 as picture, 9 4:3, 10 16:9, 11 14:9
    // data byte 3
    bool itContent = false;
    std::uint8_t extendedColorimetry = 0;
    std::uint8_t quantization = 0; // 0 default, 1 limited, 2 full, 3 reserved
    std::uint8_t scaling = 0;      // bit 0 horizontal, bit 1 vertical
    // data byte 4
    std::uint8_t vic = 0;
    // data byte 5
    std::uint8_t yccQuantization = 0; // 0 limited, 1 full, 2 and 3 reserved
    std::uint8_t contentType = 0;     // 0 graphics, 1 photo, 2 cinema, 3 game (with IT content)
    std::uint8_t pixelRepetition = 0; // sent (n + 1) times
    // data bytes 6 to 13
    std::uint16_t topBarEnd = 0;
    std::uint16_t bottomBarStart = 0;
    std::uint16_t leftBarEnd = 0;
    std::uint16_t rightBarStart = 0;
    bool operator==(const AviFields &o) const;
    bool operator!=(const AviFields &o) const { return !(*this == o); }
};

struct AviDecoded {
    AviFields fields; // fields of bytes not given read as 0
    int given = 0;    // data bytes given
    std::vector<QString> problems;
};

AviDecoded decodeAviData(const QByteArray &data);
// All 13 data bytes.
QByteArray encodeAviData(const AviFields &fields);

// Values a sink may not expect: reserved codes, a VIC beyond 7 bits, more than 13 bytes.
std::vector<QString> aviProblems(const AviFields &fields);

} // namespace infoframe
