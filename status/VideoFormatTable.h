#pragma once

#include <array>
#include <cstdint>

// The device's names for the input timing, indexed by the video identification code (VIC).
struct VideoFormatRow {
    const char *shortName;   // at most 10 characters
    const char *description; // at most 13 characters, empty for row 0
    std::uint32_t code;      // equal to the row index; informative only
};

constexpr int VideoFormatCount = 108;
extern const std::array<VideoFormatRow, VideoFormatCount> VideoFormatTable;

struct VideoFormatNames {
    const char *shortName;
    const char *description;
};

// Short name and description of a code; two empty texts for codes the table does not hold.
// The texts are static, so nothing is copied.
VideoFormatNames lookupVideoFormat(std::uint16_t code);
