#pragma once

#include "cec_infoframes/AviInfoframe.h"
#include "cec_infoframes/HdrInfoframe.h"

#include <array>
#include <optional>

// The field options of hdr send and avi send: what the user changes of the frame they start
// from.
namespace cli
{

enum class HdrBase {
    None,    // built from the options alone
    Hex,     // the frame typed, sent as it is
    Preset,  // a named preset
    Capture, // the source's captured frame
    Stored   // the device's stored frame
};

struct HdrEdits {
    HdrBase base = HdrBase::None;
    infoframe::HdrMetadata preset;
    std::optional<std::uint8_t> eotf;
    std::optional<std::array<infoframe::Chromaticity, 3>> primaries;
    std::optional<infoframe::Chromaticity> white;
    std::optional<std::uint16_t> maxLuminance;
    std::optional<std::uint16_t> minLuminance;
    std::optional<std::uint16_t> maxCll;
    std::optional<std::uint16_t> maxFall;
    bool any() const;
    void applyTo(infoframe::HdrMetadata &m) const;
};

struct AviEdits {
    std::optional<infoframe::ColourFormat> colourFormat;
    std::optional<std::array<std::uint8_t, 2>> colorimetry; // C, EC
    std::optional<std::uint8_t> quantization;
    std::optional<std::uint8_t> yccQuantization;
    std::optional<std::pair<bool, std::uint8_t>> contentType; // IT content, CN
    std::optional<std::uint8_t> vic;
    bool any() const;
    // The highest data byte (from 1) an edit changes; 0 without edits.
    int lastByte() const;
    void applyTo(infoframe::AviFields &f) const;
};

struct InfoframeOptions {
    HdrEdits hdr;
    AviEdits avi;
    bool force = false; // hdr send: a malformed frame too
};

} // namespace cli
