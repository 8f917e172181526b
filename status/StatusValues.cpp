#include "status/StatusValues.h"

#include "edid/VideoFormatTable.h"

#include <algorithm>

namespace status
{

namespace
{

// StatusBlock offsets.
constexpr std::size_t Vic = 2;
constexpr std::size_t HdmiMode = 3;
constexpr std::size_t ClockClass = 4;
constexpr std::size_t OutputMask = 5;
constexpr std::size_t HdmiVicOr3d = 9;
constexpr std::size_t AviByte1 = 10;
constexpr std::size_t AviByte2 = 11;
constexpr std::size_t AviByte3 = 12;
constexpr std::size_t HdcpByte = 13;
constexpr std::size_t VsifFormat = 14;

// SourceInfoBlock: NUL-padded fields that may fill their whole width.
constexpr std::size_t VendorOffset = 4;
constexpr std::size_t VendorSize = 8;
constexpr std::size_t ProductOffset = 12;
constexpr std::size_t ProductSize = 16;

// HdrCaptureBlock.
constexpr std::size_t CaptureType = 2;
constexpr std::size_t CaptureLength = 3;
constexpr std::size_t EotfByte = 4;
constexpr std::uint8_t DynamicRangeInfoframe = 0x87;

constexpr std::uint8_t Vic4k60 = 97;

// A fixed-width field up to its first NUL, never beyond its width.
QByteArray paddedField(const cmd::ReplyBuffer &block, std::size_t offset, std::size_t size)
{
    const auto *begin = reinterpret_cast<const char *>(block.data() + offset);
    const auto *end = std::find(begin, begin + size, '\0');
    return QByteArray(begin, int(end - begin));
}

// The formats HDMI VICs 1 to 4 stand for.
QByteArray hdmiVicFormat(std::uint8_t hdmiVic)
{
    switch (hdmiVic) {
    case 1:
        return "3840x2160p30";
    case 2:
        return "3840x2160p25";
    case 3:
        return "3840x2160p24";
    case 4:
        return "4096x2160p24";
    default:
        return QByteArray();
    }
}

Structure3d structureOf(std::uint8_t byte)
{
    switch (byte) {
    case 0x00:
        return Structure3d::FramePacked;
    case 0x60:
        return Structure3d::TopBottom;
    case 0x80:
        return Structure3d::SideBySide;
    default:
        return Structure3d::Other;
    }
}

ColourFormat colourFormatOf(const cmd::ReplyBuffer &s)
{
    return ColourFormat((s[AviByte1] & 0x60) >> 5);
}

} // namespace

Video decodeVideo(const cmd::ReplyBuffer &s)
{
    Video v;
    v.vic = s[Vic];
    v.format = lookupVideoFormat(v.vic).description;
    v.hdmi = (s[HdmiMode] & 0x10) != 0;
    if (s[VsifFormat] == 0x20) {
        v.vendorFormat = VendorFormat::ExtendedResolution;
        v.hdmiVic = s[HdmiVicOr3d];
        v.extendedFormat = hdmiVicFormat(v.hdmiVic);
    } else if (s[VsifFormat] == 0x40) {
        v.vendorFormat = VendorFormat::ThreeD;
        v.structure3d = structureOf(s[HdmiVicOr3d]);
    }
    return v;
}

Clock decodeClock(const cmd::ReplyBuffer &s)
{
    Clock c;
    c.classCode = s[ClockClass];
    const ColourFormat sampling = colourFormatOf(s);
    const bool deep = sampling == ColourFormat::YCbCr444 || sampling == ColourFormat::YCbCr420;
    switch (c.classCode) {
    case 1:
        c.mhz = 375;
        c.bitDepth = deep ? 10 : 0;
        c.sampling = sampling;
        break;
    case 2:
        c.mhz = 600;
        break;
    case 3:
        c.mhz = 450;
        c.bitDepth = deep ? 12 : 0;
        c.sampling = sampling;
        break;
    case 0:
        // 4k60 below 340 MHz can only be 8-bit 4:2:0, whatever the AVI frame claims.
        if (s[Vic] == Vic4k60) {
            c.mhz = 300;
            c.impliedByFormat = true;
            c.bitDepth = 8;
            c.sampling = ColourFormat::YCbCr420;
        }
        break;
    default:
        break;
    }
    return c;
}

Hdcp decodeHdcp(const cmd::ReplyBuffer &s)
{
    switch ((s[HdcpByte] & 0x06) >> 1) {
    case 1:
        return Hdcp::V14;
    case 2:
        return Hdcp::V22;
    default:
        return Hdcp::None; // 0, and 3 which no version has
    }
}

Outputs decodeOutputs(const cmd::ReplyBuffer &s)
{
    return {(s[OutputMask] & 0x20) != 0, (s[OutputMask] & 0x40) != 0};
}

ColourSpace decodeColourSpace(const cmd::ReplyBuffer &s)
{
    ColourSpace c;
    c.format = colourFormatOf(s);
    c.colorimetry = Colorimetry((s[AviByte2] & 0xC0) >> 6);
    if (c.colorimetry == Colorimetry::Extended)
        c.extended = ExtendedColorimetry((s[AviByte3] & 0x70) >> 4);
    return c;
}

Source decodeSource(const cmd::ReplyBuffer &info)
{
    return {paddedField(info, VendorOffset, VendorSize),
            paddedField(info, ProductOffset, ProductSize)};
}

Hdr decodeHdr(const cmd::ReplyBuffer &capture)
{
    Hdr h;
    h.eotfCode = capture[EotfByte];
    h.eotf = h.eotfCode <= 2 ? Eotf(h.eotfCode) : Eotf::Other;
    return h;
}

Capture decodeCaptureValue(const cmd::ReplyBuffer &capture)
{
    using namespace statusdecode;
    Capture c;
    c.type = capture[CaptureType];
    c.claimed = capture[CaptureLength];
    if (c.type != DynamicRangeInfoframe || c.claimed == 0)
        return c;
    // A length byte larger than the frame we received must not show bytes the device never
    // sent, nor outgrow the text.
    const std::size_t received = ReceivedReplyBytes - CapturePayloadOffset;
    const std::size_t count = std::min({std::size_t(c.claimed), received, MaxCaptureBytes});
    c.payload = QByteArray(reinterpret_cast<const char *>(capture.data() + CapturePayloadOffset),
                           int(count));
    return c;
}

Values decodeValues(const cmd::ReplyBuffer &status, const cmd::ReplyBuffer &sourceInfo,
                    const cmd::ReplyBuffer &hdrCapture)
{
    Values v;
    v.video = decodeVideo(status);
    v.clock = decodeClock(status);
    v.hdcp = decodeHdcp(status);
    v.outputs = decodeOutputs(status);
    v.colourSpace = decodeColourSpace(status);
    v.source = decodeSource(sourceInfo);
    v.hdr = decodeHdr(hdrCapture);
    v.capture = decodeCaptureValue(hdrCapture);
    return v;
}

} // namespace status
