#pragma once

#include "cec_infoframes/HdrInfoframe.h"

#include <QString>
#include <array>
#include <optional>

// HDR metadata typed as numbers (command options, dialog fields) into the frame's units.
namespace infoframe
{

template <class T> struct NumberParse {
    std::optional<T> value;
    QString error; // what is wrong and what is accepted
    bool ok() const { return value.has_value(); }
};

// sdr, hdr, pq or hlg.
NumberParse<std::uint8_t> parseEotf(const QString &text);
// A set's option name (bt2020, p3, bt709) or "RX,RY GX,GY BX,BY" as fractions 0 to 1; the
// result is in the order red, green, blue.
NumberParse<std::array<Chromaticity, 3>> parsePrimaries(const QString &text);
// d65 or "X,Y".
NumberParse<Chromaticity> parseWhite(const QString &text);
// Whole cd/m², 0 to 65535 (max luminance, MaxCLL, MaxFALL).
NumberParse<std::uint16_t> parseCandela(const QString &text);
// cd/m² to four decimals, 0 to 6.5535, into 0.0001 cd/m².
NumberParse<std::uint16_t> parseMinLuminance(const QString &text);
// An HEVC encoder's master-display string "G(x,y)B(x,y)R(x,y)WP(x,y)L(max,min)": chromaticity in
// 0.00002 units, primaries green, blue, red, both luminances in 0.0001 cd/m². Sets the primaries
// (red, green, blue), white point and luminances of `base`.
NumberParse<HdrMetadata> applyX265(const QString &text, HdrMetadata base);

} // namespace infoframe
