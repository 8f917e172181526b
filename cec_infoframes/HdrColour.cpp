#include "cec_infoframes/HdrColour.h"

#include <cstdlib>

namespace infoframe
{

const std::array<ColourSet, 3> ColourSets{{
    {"BT.2020", "bt2020", {{{35400, 14600}, {8500, 39850}, {6550, 2300}}}},
    {"DCI-P3", "p3", {{{34000, 16000}, {13250, 34500}, {7500, 3000}}}},
    {"BT.709", "bt709", {{{32000, 16500}, {15000, 30000}, {7500, 3000}}}},
}};

namespace
{

bool near(const Chromaticity &a, const Chromaticity &b)
{
    return std::abs(int(a.x) - int(b.x)) <= NameTolerance &&
           std::abs(int(a.y) - int(b.y)) <= NameTolerance;
}

HdrMetadata pqMetadata(const ColourSet &set, std::uint16_t maxLuminance, std::uint16_t maxFall)
{
    HdrMetadata m;
    m.eotf = EotfPq;
    m.primaries = set.primaries;
    m.whitePoint = D65;
    m.maxLuminance = maxLuminance;
    m.minLuminance = 50; // 0.0050 cd/m²
    m.maxCll = maxLuminance;
    m.maxFall = maxFall;
    return m;
}

} // namespace

std::array<Colour, 3> primaryColours(const std::array<Chromaticity, 3> &p)
{
    std::size_t red = 0;
    for (std::size_t i = 1; i < 3; ++i)
        if (p[i].x > p[red].x)
            red = i;
    std::size_t green = red == 0 ? 1 : 0;
    for (std::size_t i = 0; i < 3; ++i)
        if (i != red && p[i].y > p[green].y)
            green = i;
    std::array<Colour, 3> colours{Colour::Blue, Colour::Blue, Colour::Blue};
    colours[red] = Colour::Red;
    colours[green] = Colour::Green;
    return colours;
}

const char *colourWord(Colour colour)
{
    switch (colour) {
    case Colour::Red:
        return "red";
    case Colour::Green:
        return "green";
    case Colour::Blue:
        return "blue";
    }
    return "";
}

const ColourSet *gamutOf(const std::array<Chromaticity, 3> &primaries)
{
    const std::array<Colour, 3> colours = primaryColours(primaries);
    for (const ColourSet &set : ColourSets) {
        bool all = true;
        for (std::size_t i = 0; i < 3; ++i)
            all = all && near(primaries[i], set.primaries[std::size_t(colours[i])]);
        if (all)
            return &set;
    }
    return nullptr;
}

bool isD65(const Chromaticity &white)
{
    return near(white, D65);
}

const std::vector<HdrPreset> &hdrPresets()
{
    static const std::vector<HdrPreset> presets{
        {"hdr10-1000", pqMetadata(ColourSets[0], 1000, 400)},
        {"hdr10-4000", pqMetadata(ColourSets[0], 4000, 400)},
        {"p3-1000", pqMetadata(ColourSets[1], 1000, 400)},
        {"sdr", HdrMetadata{}}, // EOTF 0 and no metadata: the way back from HDR
    };
    return presets;
}

const HdrPreset *findHdrPreset(const QString &name)
{
    for (const HdrPreset &p : hdrPresets())
        if (name == QLatin1String(p.name))
            return &p;
    return nullptr;
}

} // namespace infoframe
