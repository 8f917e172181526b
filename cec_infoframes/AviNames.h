#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// The names of the AVI fields' codes: the word shown and the option typed, one row per code.
namespace infoframe
{

struct AviName {
    std::uint8_t code;
    const char *word;   // "YCbCr 4:2:0"
    const char *option; // "ycbcr420"; nullptr when there is no option for it
};

extern const std::vector<AviName> ColourFormatNames;
extern const std::vector<AviName> ScanNames;
extern const std::vector<AviName> PictureAspectNames;
extern const std::vector<AviName> ActiveAspectNames;
extern const std::vector<AviName> QuantizationNames;
extern const std::vector<AviName> YccQuantizationNames;
extern const std::vector<AviName> BarNames;
extern const std::vector<AviName> ScalingNames;

// Colorimetry: C, and EC when C is extended.
struct ColorimetryName {
    std::uint8_t colorimetry;
    std::uint8_t extended;
    const char *word;
    const char *option;
};
extern const std::vector<ColorimetryName> ColorimetryNames;

// Content type: IT content with CN; "none" is no IT content.
struct ContentTypeName {
    bool itContent;
    std::uint8_t contentType;
    const char *word;
    const char *option;
};
extern const std::vector<ContentTypeName> ContentTypeNames;

// The word of a code, "reserved (n)" for one without a row.
QString aviWord(const std::vector<AviName> &names, std::uint8_t code);
// The row of an option; nullptr for none.
const AviName *aviOption(const std::vector<AviName> &names, const QString &option);
// The options of a table, "a|b|c".
QString aviOptions(const std::vector<AviName> &names);

} // namespace infoframe
