#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Builds 256-byte EDID tables (an EDID 1.4 base block and one CTA-861 extension) from a few
// parameters, so that the simulated device and displays carry plausible, valid tables.
namespace edidgen
{

enum class Audio { Stereo, Surround51, All };

struct Profile {
    QByteArray monitorName = "KORVALIS"; // at most 13 characters are used
    quint16 productCode = 1;
    int preferredVic = 16;  // timing of the first detailed timing descriptor
    QList<int> vics;        // video data block (RGB / 4:4:4 capable), preferred first
    QList<int> vics420Only; // only in YCbCr 4:2:0
    QList<int> vics420Also; // subset of vics that also take YCbCr 4:2:0
    int maxTmdsMhz = 165;   // up to 600
    bool ycbcr444 = true;
    bool ycbcr422 = true;
    int bitDepth = 8;    // deep colour of RGB / 4:4:4: 8, 10 or 12
    int bitDepth420 = 8; // deep colour of 4:2:0
    bool hdr = false;    // HDR static metadata (SDR, ST 2084, HLG)
    bool bt2020 = false; // BT.2020 colorimetry
    Audio audio = Audio::Stereo;
    bool threeD = true; // mandatory 3D formats, when the needed timings are listed

    // Video capability used to merge two displays: higher is more capable.
    int videoRank() const;
    // Compares every field: generate() reuses a table for an equal profile.
    bool operator==(const Profile &other) const;
};

// One CTA-861 timing known to the generator.
struct Timing {
    int vic;
    int hActive, hBlank, hFront, hSync;
    int vActive, vBlank, vFront, vSync; // per field when interlaced
    int pixelKHz;
    bool interlaced;
    int refreshHz;
};

const Timing *timingOf(int vic);
QByteArray generate(const Profile &profile);

// The 25 selectable tables of the device: table 1 is the factory default of the uploaded slot.
constexpr int BuiltinCount = 25;
Profile builtinProfile(int table); // 1 .. 25; others give table 1
QByteArray builtinTable(int table);
// The table the device presents in FIXED mode.
Profile fixedProfile();

// Displays that can be plugged into the simulated outputs.
QStringList displayNames();
bool displayProfile(const QString &name, Profile *out);

bool checksumsValid(const QByteArray &edid);

} // namespace edidgen
