#include "status/StatusDecoder.h"

#include "cec_infoframes/ColonHex.h"
#include "device/CommandPrimitives.h"
#include "status/VideoFormatTable.h"

#include <QByteArray>
#include <algorithm>

namespace
{

// StatusBlock offsets.
constexpr std::size_t Vic = 2;
constexpr std::size_t HdmiMode = 3;
constexpr std::size_t ClockClass = 4;
constexpr std::size_t Outputs = 5;
constexpr std::size_t HdmiVicOr3d = 9;
constexpr std::size_t AviByte1 = 10;
constexpr std::size_t AviByte2 = 11;
constexpr std::size_t AviByte3 = 12;
constexpr std::size_t Hdcp = 13;
constexpr std::size_t VsifFormat = 14;

// SourceInfoBlock: NUL-padded fields that may fill their whole width.
constexpr std::size_t VendorOffset = 4;
constexpr std::size_t VendorSize = 8;
constexpr std::size_t ProductOffset = 12;
constexpr std::size_t ProductSize = 16;

// HdrCaptureBlock.
constexpr std::size_t CaptureType = 2;
constexpr std::size_t CaptureLength = 3;
constexpr std::size_t Eotf = 4;
constexpr std::uint8_t DynamicRangeInfoframe = 0x87;

constexpr std::uint8_t Vic4k60 = 97;

QString latin1(const QByteArray &text)
{
    return QString::fromLatin1(text);
}

// A fixed-width field up to its first NUL, never beyond its width.
QByteArray paddedField(const cmd::ReplyBuffer &block, std::size_t offset, std::size_t size)
{
    const auto *begin = reinterpret_cast<const char *>(block.data() + offset);
    const auto *end = std::find(begin, begin + size, '\0');
    return QByteArray(begin, int(end - begin));
}

QByteArray inputBeginning(const cmd::ReplyBuffer &s)
{
    const QByteArray description = lookupVideoFormat(s[Vic]).description;
    const QByteArray mode = (s[HdmiMode] & 0x10) ? "HDMI" : "non-HDMI";

    if (s[VsifFormat] == 0x20) { // extended resolution: byte 9 is the HDMI VIC
        switch (s[HdmiVicOr3d]) {
        case 1:
            return "Input : 3840x2160p30 " + mode + ",";
        case 2:
            return "Input : 3840x2160p25 " + mode + ",";
        case 3:
            return "Input : 3840x2160p24 " + mode + ",";
        case 4:
            return "Input : 4096x2160p24 " + mode + ",";
        default:
            break; // an HDMI VIC we have no name for: fall back to the general form
        }
    } else if (s[VsifFormat] == 0x40) { // 3D: byte 9 is the 3D structure
        switch (s[HdmiVicOr3d]) {
        case 0x00:
            return "Input : " + description + " Frame Packed 3D,";
        case 0x60:
            return "Input : " + description + " Top/Bottom 3D,";
        case 0x80:
            return "Input : " + description + " Side-by-side 3D,";
        default:
            break;
        }
    }
    return "Input : " + description + " " + mode + ",";
}

} // namespace

StatusBlocks readStatusBlocks(CommandPrimitives &primitives)
{
    StatusBlocks blocks;
    primitives.readInfoBlock(cmd::info::Status, blocks.status, cmd::info::StatusLength);
    primitives.readInfoBlock(cmd::info::SourceInfo, blocks.sourceInfo, cmd::info::StatusPollLength);
    primitives.readInfoBlock(cmd::info::HdrCapture, blocks.hdrCapture, cmd::info::StatusPollLength);
    cmd::ReplyBuffer gating{};
    blocks.gatingRead =
        primitives.readInfoBlock(cmd::info::Gating, gating, cmd::info::StatusPollLength) != 0;
    return blocks;
}

std::optional<StatusTexts> decodeStatus(const StatusBlocks &blocks)
{
    if (!blocks.gatingRead)
        return std::nullopt;
    return StatusTexts{decodeInputLine(blocks.status),       decodeOutputLine(blocks.status),
                       decodeColourSpaceLine(blocks.status), decodeSourceLine(blocks.sourceInfo),
                       decodeHdrLine(blocks.hdrCapture),     decodeCapture(blocks.hdrCapture)};
}

QString decodeInputLine(const cmd::ReplyBuffer &s)
{
    QByteArray line = inputBeginning(s);

    const std::uint8_t colourFormat = s[AviByte1] & 0x60;
    switch (s[ClockClass]) {
    case 2:
        line += " 600MHz,";
        break;
    case 3:
        line += " 450MHz,";
        if (colourFormat == 0x40)
            line += " [4:4:4 12-bit],";
        else if (colourFormat == 0x60)
            line += " [4:2:0 12-bit],";
        break;
    case 1:
        line += " 375MHz,";
        if (colourFormat == 0x40)
            line += " [4:4:4 10-bit],";
        else if (colourFormat == 0x60)
            line += " [4:2:0 10-bit],";
        break;
    case 0:
        // 4k60 below 340 MHz can only be 8-bit 4:2:0, whatever the AVI frame claims.
        if (s[Vic] == Vic4k60)
            line += " 300MHz [4:2:0 8-bit],";
        break;
    default:
        break;
    }

    switch ((s[Hdcp] & 0x06) >> 1) {
    case 2:
        line += " HDCP 2.2";
        break;
    case 1:
        line += " HDCP 1.4";
        break;
    default:
        line += " no HDCP";
        break;
    }
    return latin1(line);
}

QString decodeOutputLine(const cmd::ReplyBuffer &s)
{
    switch (s[Outputs] & 0x60) {
    case 0x60:
        return QStringLiteral("Output: TX A, TX B");
    case 0x20:
        return QStringLiteral("Output: TX A");
    case 0x40:
        return QStringLiteral("Output: TX B");
    default:
        return QStringLiteral("Output: none");
    }
}

QString decodeColourSpaceLine(const cmd::ReplyBuffer &s)
{
    static const char *const formats[] = {"Color Space: RGB", "Color Space: YCbCr 4:2:2",
                                          "Color Space: YCbCr 4:4:4", "Color Space: YCbCr 4:2:0"};
    static const char *const extended[] = {
        " xvYCC601",
        " xvYCC709",
        " sYCC601",
        " AdobeYCC601",
        " AdobeRGB",
        " ITU-R BT.2020 YcCbcCrc",
        " ITU-R BT.2020",
        "", // reserved: the line ends with "Extended:"
    };

    QByteArray line = formats[(s[AviByte1] & 0x60) >> 5];
    switch (s[AviByte2] & 0xC0) {
    case 0x40:
        line += ", SMPTE 170M";
        break;
    case 0x80:
        line += ", ITU-R BT.709";
        break;
    case 0xC0:
        line += ", Extended:";
        line += extended[(s[AviByte3] & 0x70) >> 4];
        break;
    default:
        break;
    }
    return latin1(line);
}

QString decodeSourceLine(const cmd::ReplyBuffer &info)
{
    if (info[VendorOffset] == 0 && info[ProductOffset] == 0)
        return QStringLiteral("Source Info: No Info");
    return latin1("Source Info: " + paddedField(info, VendorOffset, VendorSize) + " " +
                  paddedField(info, ProductOffset, ProductSize));
}

QString decodeHdrLine(const cmd::ReplyBuffer &capture)
{
    QByteArray line = "HDR input: ";
    switch (capture[Eotf]) {
    case 0:
        line += " Not Active";
        break;
    case 1:
        line += " HDR Luminance Range";
        break;
    case 2:
        line += " SMPTE ST 2084";
        break;
    default:
        break;
    }
    return latin1(line);
}

QString decodeCapture(const cmd::ReplyBuffer &capture)
{
    using namespace statusdecode;
    const std::size_t claimed = capture[CaptureLength];
    if (capture[CaptureType] != DynamicRangeInfoframe || claimed == 0)
        return QString();

    // A length byte larger than the frame we received must not dump bytes the device never
    // sent, nor outgrow the text.
    const std::size_t received = ReceivedReplyBytes - CapturePayloadOffset;
    const std::size_t count = std::min({claimed, received, MaxCaptureBytes});

    return formatColonHex(capture.data() + CapturePayloadOffset, count);
}
