#include "status/StatusDecoder.h"

#include "cec_infoframes/ColonHex.h"

namespace
{

using namespace status;

QString latin1(const QByteArray &text)
{
    return QString::fromLatin1(text);
}

QByteArray modeWord(const Video &v)
{
    return v.hdmi ? "HDMI" : "non-HDMI";
}

const char *structureText(Structure3d s)
{
    switch (s) {
    case Structure3d::FramePacked:
        return " Frame Packed 3D,";
    case Structure3d::TopBottom:
        return " Top/Bottom 3D,";
    case Structure3d::SideBySide:
        return " Side-by-side 3D,";
    case Structure3d::None:
    case Structure3d::Other:
        break;
    }
    return nullptr;
}

QByteArray inputBeginning(const Video &v)
{
    // An HDMI VIC or 3D structure without a name falls back to the general form.
    if (v.vendorFormat == VendorFormat::ExtendedResolution && !v.extendedFormat.isEmpty())
        return "Input : " + v.extendedFormat + " " + modeWord(v) + ",";
    if (v.vendorFormat == VendorFormat::ThreeD)
        if (const char *structure = structureText(v.structure3d))
            return "Input : " + v.format + structure;
    return "Input : " + v.format + " " + modeWord(v) + ",";
}

QByteArray samplingText(ColourFormat f)
{
    switch (f) {
    case ColourFormat::YCbCr444:
        return "4:4:4";
    case ColourFormat::YCbCr420:
        return "4:2:0";
    case ColourFormat::Rgb:
    case ColourFormat::YCbCr422:
        break;
    }
    return QByteArray();
}

QByteArray clockText(const Clock &c)
{
    if (c.mhz == 0)
        return QByteArray();
    const QByteArray mhz = " " + QByteArray::number(c.mhz) + "MHz";
    const QByteArray depth = c.bitDepth != 0 ? " [" + samplingText(c.sampling) + " " +
                                                   QByteArray::number(c.bitDepth) + "-bit],"
                                             : QByteArray();
    // An inferred clock and its depth read as one piece.
    if (c.impliedByFormat)
        return mhz + depth;
    return mhz + "," + depth;
}

const char *hdcpText(Hdcp h)
{
    switch (h) {
    case Hdcp::V22:
        return " HDCP 2.2";
    case Hdcp::V14:
        return " HDCP 1.4";
    case Hdcp::None:
        break;
    }
    return " no HDCP";
}

} // namespace

std::optional<status::Values> decodeStatusValues(const StatusBlocks &blocks)
{
    if (!blocks.gatingRead)
        return std::nullopt;
    return decodeValues(blocks.status, blocks.sourceInfo, blocks.hdrCapture);
}

std::optional<StatusTexts> decodeStatus(const StatusBlocks &blocks)
{
    const std::optional<status::Values> values = decodeStatusValues(blocks);
    if (!values)
        return std::nullopt;
    return formatStatus(*values);
}

StatusTexts formatStatus(const status::Values &v)
{
    return StatusTexts{formatInputLine(v.video, v.clock, v.hdcp),
                       formatOutputLine(v.outputs),
                       formatColourSpaceLine(v.colourSpace),
                       formatSourceLine(v.source),
                       formatHdrLine(v.hdr),
                       formatCapture(v.capture)};
}

QString formatInputLine(const status::Video &video, const status::Clock &clock, status::Hdcp hdcp)
{
    return latin1(inputBeginning(video) + clockText(clock) + hdcpText(hdcp));
}

QString formatOutputLine(const status::Outputs &o)
{
    if (o.txA && o.txB)
        return QStringLiteral("Output: TX A, TX B");
    if (o.txA)
        return QStringLiteral("Output: TX A");
    if (o.txB)
        return QStringLiteral("Output: TX B");
    return QStringLiteral("Output: none");
}

QString formatColourSpaceLine(const status::ColourSpace &c)
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

    QByteArray line = formats[int(c.format) & 0x03];
    switch (c.colorimetry) {
    case Colorimetry::Smpte170M:
        line += ", SMPTE 170M";
        break;
    case Colorimetry::Bt709:
        line += ", ITU-R BT.709";
        break;
    case Colorimetry::Extended:
        line += ", Extended:";
        line += extended[int(c.extended) & 0x07];
        break;
    case Colorimetry::None:
        break;
    }
    return latin1(line);
}

QString formatSourceLine(const status::Source &s)
{
    if (!s.known())
        return QStringLiteral("Source Info: No Info");
    return latin1("Source Info: " + s.vendor + " " + s.product);
}

QString formatHdrLine(const status::Hdr &h)
{
    QByteArray line = "HDR input: ";
    switch (h.eotf) {
    case Eotf::NotActive:
        line += " Not Active";
        break;
    case Eotf::HdrLuminanceRange:
        line += " HDR Luminance Range";
        break;
    case Eotf::SmpteSt2084:
        line += " SMPTE ST 2084";
        break;
    case Eotf::Other:
        break;
    }
    return latin1(line);
}

QString formatCapture(const status::Capture &c)
{
    if (!c.captured())
        return QString();
    return formatColonHex(reinterpret_cast<const std::uint8_t *>(c.payload.constData()),
                          std::size_t(c.payload.size()));
}

QString decodeInputLine(const cmd::ReplyBuffer &s)
{
    return formatInputLine(decodeVideo(s), decodeClock(s), decodeHdcp(s));
}

QString decodeOutputLine(const cmd::ReplyBuffer &s)
{
    return formatOutputLine(decodeOutputs(s));
}

QString decodeColourSpaceLine(const cmd::ReplyBuffer &s)
{
    return formatColourSpaceLine(decodeColourSpace(s));
}

QString decodeSourceLine(const cmd::ReplyBuffer &info)
{
    return formatSourceLine(decodeSource(info));
}

QString decodeHdrLine(const cmd::ReplyBuffer &capture)
{
    return formatHdrLine(decodeHdr(capture));
}

QString decodeCapture(const cmd::ReplyBuffer &capture)
{
    return formatCapture(decodeCaptureValue(capture));
}
