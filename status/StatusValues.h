#pragma once

#include "device/Commands.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace statusdecode
{
// Reply bytes a successful read of blocks 21, 30 and 31 is sure to hold.
constexpr std::size_t ReceivedReplyBytes = cmd::info::StatusPollLength;
// The capture dump lives in a 100-character text: "xx" plus ":xx" per further byte.
constexpr std::size_t TextBufferSize = 100;
constexpr std::size_t MaxCaptureBytes = TextBufferSize / 3; // 33 bytes take 98 characters
constexpr std::size_t CapturePayloadOffset = 4;
static_assert(ReceivedReplyBytes <= cmd::ReplySize, "the capture never reads past the reply");
} // namespace statusdecode

// What the status blocks tell, as values. The header texts are formatted from these
// (StatusDecoder.h); other front ends can show them in their own way.
namespace status
{

// Byte 14 of the status block: what the vendor-specific infoframe says about byte 9.
enum class VendorFormat : std::uint8_t { None, ExtendedResolution, ThreeD };

enum class Structure3d : std::uint8_t { None, FramePacked, TopBottom, SideBySide, Other };

struct Video {
    std::uint8_t vic = 0;
    QByteArray format; // description of the VIC, empty for codes the table lacks
    bool hdmi = false; // false: DVI
    VendorFormat vendorFormat = VendorFormat::None;
    std::uint8_t hdmiVic = 0;                    // ExtendedResolution: byte 9, else 0
    QByteArray extendedFormat;                   // the HDMI VIC's format, empty when it has no name
    Structure3d structure3d = Structure3d::None; // ThreeD: byte 9 decoded
};

enum class ColourFormat : std::uint8_t { Rgb, YCbCr422, YCbCr444, YCbCr420 };

struct Clock {
    std::uint8_t classCode = 0;   // byte 4 as received
    int mhz = 0;                  // 0: not known
    bool impliedByFormat = false; // 300 MHz inferred from a 4k60 input without a clock class
    int bitDepth = 0;             // 0: not told by the clock
    ColourFormat sampling = ColourFormat::Rgb; // what the bit depth applies to
};

enum class Hdcp : std::uint8_t { None, V14, V22 };

struct Outputs {
    bool txA = false;
    bool txB = false;
};

enum class Colorimetry : std::uint8_t { None, Smpte170M, Bt709, Extended };

enum class ExtendedColorimetry : std::uint8_t {
    XvYcc601,
    XvYcc709,
    SYcc601,
    AdobeYcc601,
    AdobeRgb,
    Bt2020ConstantLuminance,
    Bt2020,
    Reserved
};

struct ColourSpace {
    ColourFormat format = ColourFormat::Rgb;
    Colorimetry colorimetry = Colorimetry::None;
    ExtendedColorimetry extended = ExtendedColorimetry::XvYcc601; // only with Extended
};

struct Source {
    QByteArray vendor;  // at most 8 characters
    QByteArray product; // at most 16 characters
    bool known() const { return !vendor.isEmpty() || !product.isEmpty(); }
};

enum class Eotf : std::uint8_t { NotActive, HdrLuminanceRange, SmpteSt2084, Other };

struct Hdr {
    std::uint8_t eotfCode = 0; // payload byte 0 as received
    Eotf eotf = Eotf::NotActive;
};

struct Capture {
    std::uint8_t type = 0;    // infoframe type as received
    std::uint8_t claimed = 0; // payload length the device reports
    QByteArray payload;       // the bytes shown: bounded by the reply and the text
    bool captured() const { return !payload.isEmpty(); }
};

struct Values {
    Video video;
    Clock clock;
    Hdcp hdcp = Hdcp::None;
    Outputs outputs;
    ColourSpace colourSpace;
    Source source;
    Hdr hdr;
    Capture capture;
};

// Each from its own block; a block that was not received decodes from zeros.
Video decodeVideo(const cmd::ReplyBuffer &status);
Clock decodeClock(const cmd::ReplyBuffer &status);
Hdcp decodeHdcp(const cmd::ReplyBuffer &status);
Outputs decodeOutputs(const cmd::ReplyBuffer &status);
ColourSpace decodeColourSpace(const cmd::ReplyBuffer &status);
Source decodeSource(const cmd::ReplyBuffer &sourceInfo);
Hdr decodeHdr(const cmd::ReplyBuffer &hdrCapture);
Capture decodeCaptureValue(const cmd::ReplyBuffer &hdrCapture);

Values decodeValues(const cmd::ReplyBuffer &status, const cmd::ReplyBuffer &sourceInfo,
                    const cmd::ReplyBuffer &hdrCapture);

} // namespace status
