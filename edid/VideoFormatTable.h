#pragma once

#include <array>
#include <cstdint>

// The video formats by video identification code (VIC): the device's names for the input timing
// (codes 0 to 107; the status header shows them) and the active size and rate of every code a
// display may list (1 to 127 and 193 to 219; the EDID decoder shows them).
struct VideoFormatRow {
    const char *shortName;   // at most 10 characters; empty beyond the device's codes
    const char *description; // at most 13 characters, empty for row 0
    std::uint32_t code;      // equal to the row index; informative only
    std::uint16_t width;     // active pixels; 0 for a code without a format
    std::uint16_t height;    // active lines of the frame
    bool interlaced;
    std::uint16_t refreshHz; // nominal field rate (60 also stands for 59.94)
};

constexpr int VideoFormatCount = 220;
extern const std::array<VideoFormatRow, VideoFormatCount> VideoFormatTable;

struct VideoFormatNames {
    const char *shortName;
    const char *description;
};

// Short name and description of a code; two empty texts for codes the table does not hold.
// The texts are static, so nothing is copied.
VideoFormatNames lookupVideoFormat(std::uint16_t code);

// The row of a code that names a format (width not 0); nullptr otherwise.
const VideoFormatRow *videoFormat(int code);
