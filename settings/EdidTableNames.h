#pragma once

#include <array>

// The device's 25 built-in EDID tables; entry i is table number i + 1.
namespace edid
{
constexpr int TableCount = 25;
constexpr std::array<const char *, TableCount> TableNames = {
    "1 - Custom Uploaded/Default EDID",
    "2 - 4k60-444 600MHz HDR BT.2020 All Sound",
    "3 - 4k60-444 600MHz HDR BT.2020 Stereo",
    "4 - 4k60-444 600MHz All Sound",
    "5 - 4k60-444 600MHz Stereo",
    "6 - 4k50-444 600MHz HDR BT.2020 All Sound",
    "7 - 4k50-444 600MHz HDR BT.2020 Stereo",
    "8 - 4k60-420 12-bit HDR BT.2020 All Sound",
    "9 - 4k60-420 12-bit HDR BT.2020 Stereo",
    "10 - 4k60-420 12-bit BT.2020 All Sound",
    "11 - 4k60-420 12-bit BT.2020 Stereo",
    "12 - 4k60-420 8-bit 300MHz All Sound",
    "13 - 4k60-420 8-bit 300MHz Stereo",
    "14 - 4k30-444 300MHz All Sound",
    "15 - 4k30-444 300MHz Stereo",
    "16 - 4k30-RGB 300MHz All Sound",
    "17 - 4k30-RGB 300MHz Stereo",
    "18 - 4k24-422 12-bit BT.2020 All Sound",
    "19 - 4k24-422 12-bit BT.2020 Stereo",
    "20 - 1080p-444 148MHz All Sound",
    "21 - 1080p-444 148MHz HDR Stereo",
    "22 - 1080p24-444 All Sound",
    "23 - 1080p24-444 Stereo",
    "24 - 1080I-444 All Sound",
    "25 - 1080I-444 Stereo",
};
} // namespace edid
