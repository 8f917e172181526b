#pragma once

#include "cec_infoframes/HdrInfoframe.h"

#include <QString>
#include <array>
#include <vector>

// The reference colour sets of HDR mastering metadata, the naming of a frame's primaries by
// their chromaticity, and the presets built from them.
namespace infoframe
{

enum class Colour { Red, Green, Blue };

struct ColourSet {
    const char *name;                      // "BT.2020"
    const char *option;                    // "bt2020"
    std::array<Chromaticity, 3> primaries; // red, green, blue
};

extern const std::array<ColourSet, 3> ColourSets; // BT.2020, DCI-P3, BT.709
constexpr Chromaticity D65{15635, 16450};
// 0.002 in chromaticity units: how close a coordinate must lie to a reference to carry its name.
constexpr int NameTolerance = 100;

// Each primary's colour, in the frame's order: the largest x is red, the largest y of the
// other two green, the last blue.
std::array<Colour, 3> primaryColours(const std::array<Chromaticity, 3> &primaries);
const char *colourWord(Colour colour); // "red"

// The set whose three primaries all lie within the tolerance of the frame's, each compared with
// the reference of its own colour; nullptr when none does.
const ColourSet *gamutOf(const std::array<Chromaticity, 3> &primaries);
bool isD65(const Chromaticity &white);

struct HdrPreset {
    const char *name; // "hdr10-1000"
    HdrMetadata metadata;
};
const std::vector<HdrPreset> &hdrPresets();
const HdrPreset *findHdrPreset(const QString &name);

} // namespace infoframe
