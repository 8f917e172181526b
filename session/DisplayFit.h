#pragma once

#include "edid/EdidDecoder.h"
#include "status/StatusValues.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A display's table in the few facts that decide whether a signal reaches it, and the source's
// current signal held against them: what does not fit, in words.
namespace session
{

struct DisplayAudio {
    QString format; // "LPCM", "AC-3"...
    int channels = 0;
};

struct DisplaySummary {
    QString name;  // the monitor name descriptor; empty when the table has none
    QString maker; // three-letter manufacturer code
    int productCode = 0;
    QString largestMode; // "3840x2160p60"; empty when the table lists no mode
    int largestWidth = 0, largestHeight = 0;
    bool hdmi = false;             // an HDMI vendor block: else a DVI display
    std::optional<int> maxTmdsMhz; // not told: the rule is not applied
    QStringList eotfs;             // "SDR", "HDR", "PQ", "HLG"
    std::optional<double> maxLuminance, maxFrameAverage, minLuminance; // cd/m2
    bool ycbcr444 = false, ycbcr422 = false;
    std::vector<int> ycbcr420Vics;
    std::vector<int> deepColourBits;    // 30, 36, 48 per pixel, RGB and 4:4:4
    std::vector<int> deepColour420Bits; // the same for 4:2:0
    std::vector<DisplayAudio> audio;
    QString physicalAddress; // "1.0.0.0"; empty without an HDMI block
};

DisplaySummary summariseDisplay(const edid::EdidInfo &info);

// What of `signal` the display does not take, one sentence each; empty when all of it fits.
// Audio is not in the device's status: a display with stereo only gets its warning anyway.
QStringList misfits(const DisplaySummary &display, const status::Values &signal);

} // namespace session
