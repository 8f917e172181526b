#pragma once

#include <array>

// Items of the setting combo boxes, in index order (the register value follows from the index).
namespace choices
{
constexpr std::array<const char *, 4> InputPorts = {"PORT A [TOP]", "PORT B [BOT]", "MATRIX THRU",
                                                    "MATRIX SWAP"};
constexpr std::array<const char *, 2> CecDeviceTypes = {"Video Processor [Default]",
                                                        "Audio System w/ARC"};
constexpr std::array<const char *, 4> AutomixAlgorithms = {
    "Min Mixed Capabilities", "Max Audio, Min Video [Default]", "TOP Output Priority",
    "Max Audio, Max Video"};
} // namespace choices
