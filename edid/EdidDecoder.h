#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// An EDID table of 128 to 512 bytes decoded into values; the words and the JSON are rendered
// from this model (EdidReport.h), never from the bytes.
namespace edid
{

constexpr int MinDecodeSize = 128;
constexpr int MaxDecodeSize = 512;

using Bytes = std::vector<std::uint8_t>;

// Something the table gets wrong, with where: block number and byte offset in that block.
struct Problem {
    int block = 0;
    int offset = 0;
    QString text;
};

struct Checksum {
    int block = 0;
    std::uint8_t stored = 0;
    std::uint8_t computed = 0;
    bool ok() const { return stored == computed; }
};

struct DetailedTiming {
    int block = 0, offset = 0;
    int pixelClockKHz = 0;
    int hActive = 0, hBlank = 0, hFront = 0, hSync = 0, hBorder = 0;
    int vActive = 0, vBlank = 0, vFront = 0, vSync = 0, vBorder = 0; // per field if interlaced
    int widthMm = 0, heightMm = 0;
    bool interlaced = false;
    bool stereo = false;
    enum class Sync { AnalogComposite, BipolarAnalogComposite, DigitalComposite, DigitalSeparate };
    Sync sync = Sync::DigitalSeparate;
    bool hPositive = false; // the horizontal (or composite) sync polarity
    bool vPositive = false; // digital separate sync only
    int frameHeight() const { return interlaced ? vActive * 2 : vActive; }
    double refreshHz() const; // field rate when interlaced; 0 without totals
};

struct RangeLimits {
    int minVHz = 0, maxVHz = 0, minHKHz = 0, maxHKHz = 0;
    int maxPixelClockMHz = 0; // 0: not given
    QString support;          // what the timings beyond the limits follow
};

struct StandardTiming {
    int width = 0, height = 0, refreshHz = 0;
    QString aspect;
};

// A display descriptor that is neither a timing, the name, the serial text nor range limits.
struct OtherDescriptor {
    int offset = 0;
    std::uint8_t tag = 0;
    QString what; // its kind, with its text where it holds one
};

struct Chromaticity {
    double redX = 0, redY = 0, greenX = 0, greenY = 0, blueX = 0, blueY = 0, whiteX = 0, whiteY = 0;
};

struct BaseBlock {
    bool headerOk = false;
    QString manufacturer; // three letters
    int productCode = 0;
    std::uint32_t serialNumber = 0;
    std::optional<int> week, year, modelYear;
    int version = 0, revision = 0;
    bool digital = false;
    std::optional<int> bitDepth; // digital: bits per colour, when defined
    QString interface;           // digital: "HDMI-a", "DisplayPort"...; analog: the levels
    int widthCm = 0, heightCm = 0;
    std::optional<double> gamma;
    QStringList features;      // power states, sRGB, preferred timing, continuous frequency
    QStringList colourFormats; // digital: "RGB 4:4:4", ...; analog: the display type
    Chromaticity chromaticity;
    QStringList established; // "640x480@60"
    std::vector<StandardTiming> standard;
    std::vector<DetailedTiming> timings;
    std::optional<QString> name, serialText;
    std::optional<RangeLimits> rangeLimits;
    std::vector<OtherDescriptor> otherDescriptors;
    int extensionCount = 0;
};

struct ShortVideo {
    int vic = 0; // 0 for a reserved code
    bool native = false;
    std::uint8_t code = 0; // the byte as listed
};

struct ShortAudio {
    int format = 0;
    QString formatName;
    int maxChannels = 0;
    std::vector<double> ratesKHz;
    std::vector<int> sizesBits; // LPCM only
    int maxBitrateKbps = 0;     // formats 2 to 8
};

struct HdmiVsdb {
    QString physicalAddress;        // "1.0.0.0"
    std::vector<int> deepColorBits; // 30, 36, 48
    bool deepColorY444 = false;
    bool supportsAi = false, dviDual = false;
    std::optional<int> maxTmdsMhz;
};

struct HdmiForumVsdb {
    int version = 0;
    std::optional<int> maxTmdsMhz; // not given when 0 (no TMDS rate above 340 MHz)
    bool scdc = false, readRequest = false, lte340Scramble = false;
    int maxFrlGbps = 0; // 0: no FRL
    int frlLanes = 0;
    std::vector<int> deepColor420Bits;
    bool allm = false;
    std::optional<int> vrrMinHz, vrrMaxHz;
};

struct HdrStatic {
    QStringList eotfs; // "SDR", "HDR", "PQ", "HLG", "reserved N"
    std::optional<double> maxLuminance, maxFrameAverage, minLuminance; // cd/m2
};

// One data block of a CTA-861 extension: its kind and the small facts that have no field of
// their own (the values of the larger blocks are in EdidInfo).
struct DataBlock {
    int offset = 0;
    int length = 0; // payload bytes
    QString name;
    QStringList notes;
};

struct CtaBlock {
    int revision = 0;
    bool underscan = false, basicAudio = false, ycbcr444 = false, ycbcr422 = false;
    int nativeCount = 0;
    std::vector<DataBlock> dataBlocks;
    std::vector<DetailedTiming> timings;
};

struct Extension {
    int block = 0;
    std::uint8_t tag = 0;
    QString type; // "CTA-861", "DisplayID", or the tag in hex
    QString name; // words for the kind
    int revision = 0;
    std::optional<CtaBlock> cta;
};

struct EdidInfo {
    int size = 0;
    BaseBlock base;
    std::vector<Extension> extensions;
    // Over every CTA extension, in table order.
    std::vector<ShortVideo> vics;
    std::vector<int> ycbcr420Vics;
    std::vector<ShortAudio> audio;
    QStringList speakers;
    std::optional<HdmiVsdb> hdmi;
    std::optional<HdmiForumVsdb> hdmiForum;
    std::optional<HdrStatic> hdr;
    QStringList colorimetry;
    std::vector<Checksum> checksums;
    std::vector<Problem> problems;
};

// Why `size` bytes are no table to decode; empty when they are.
QString notATable(qsizetype size);

// Decodes what it can; problems do not stop it. `bytes` must pass notATable().
EdidInfo decodeEdid(const Bytes &bytes);

} // namespace edid
