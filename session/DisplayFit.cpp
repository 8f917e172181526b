#include "session/DisplayFit.h"

#include "cec_infoframes/HdrInfoframe.h"
#include "edid/VideoFormatTable.h"

#include <algorithm>

namespace session
{
namespace
{

struct Mode {
    int width = 0, height = 0, refreshHz = 0;
    bool interlaced = false;
    QString text() const
    {
        return QStringLiteral("%1x%2%3%4")
            .arg(width)
            .arg(height)
            .arg(QChar(interlaced ? u'i' : u'p'))
            .arg(refreshHz);
    }
    bool largerThan(const Mode &o) const
    {
        const qint64 area = qint64(width) * height, other = qint64(o.width) * o.height;
        if (area != other)
            return area > other;
        if (interlaced != o.interlaced)
            return !interlaced;
        return refreshHz > o.refreshHz;
    }
};

Mode largestMode(const edid::EdidInfo &info)
{
    Mode best;
    const auto consider = [&best](const Mode &m) {
        if (m.width > 0 && m.largerThan(best))
            best = m;
    };
    std::vector<edid::DetailedTiming> timings = info.base.timings;
    for (const edid::Extension &e : info.extensions)
        if (e.cta)
            timings.insert(timings.end(), e.cta->timings.begin(), e.cta->timings.end());
    for (const edid::DetailedTiming &t : timings)
        consider({t.hActive, t.frameHeight(), int(t.refreshHz() + 0.5), t.interlaced});
    for (const edid::ShortVideo &v : info.vics)
        if (const VideoFormatRow *row = videoFormat(v.vic))
            consider({row->width, row->height, row->refreshHz, row->interlaced});
    return best;
}

bool contains(const std::vector<int> &list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

QString eotfWords(const QString &name)
{
    if (name == QLatin1String("PQ"))
        return QStringLiteral("PQ (SMPTE ST 2084) HDR");
    if (name == QLatin1String("HLG"))
        return QStringLiteral("HLG HDR");
    return QStringLiteral("HDR with the luminance-range EOTF");
}

QString formatName(status::ColourFormat format)
{
    switch (format) {
    case status::ColourFormat::YCbCr422:
        return QStringLiteral("YCbCr 4:2:2");
    case status::ColourFormat::YCbCr444:
        return QStringLiteral("YCbCr 4:4:4");
    case status::ColourFormat::YCbCr420:
        return QStringLiteral("YCbCr 4:2:0");
    case status::ColourFormat::Rgb:
        break;
    }
    return QStringLiteral("RGB");
}

} // namespace

DisplaySummary summariseDisplay(const edid::EdidInfo &info)
{
    DisplaySummary d;
    d.name = info.base.name.value_or(QString());
    d.maker = info.base.manufacturer;
    d.productCode = info.base.productCode;
    const Mode largest = largestMode(info);
    if (largest.width > 0) {
        d.largestMode = largest.text();
        d.largestWidth = largest.width;
        d.largestHeight = largest.height;
    }
    d.hdmi = info.hdmi.has_value();
    if (info.hdmiForum && info.hdmiForum->maxTmdsMhz)
        d.maxTmdsMhz = info.hdmiForum->maxTmdsMhz;
    else if (info.hdmi && info.hdmi->maxTmdsMhz)
        d.maxTmdsMhz = info.hdmi->maxTmdsMhz;
    if (info.hdr) {
        d.eotfs = info.hdr->eotfs;
        d.maxLuminance = info.hdr->maxLuminance;
        d.maxFrameAverage = info.hdr->maxFrameAverage;
        d.minLuminance = info.hdr->minLuminance;
    }
    for (const edid::Extension &e : info.extensions)
        if (e.cta) {
            d.ycbcr444 = d.ycbcr444 || e.cta->ycbcr444;
            d.ycbcr422 = d.ycbcr422 || e.cta->ycbcr422;
        }
    d.ycbcr420Vics = info.ycbcr420Vics;
    if (info.hdmi) {
        d.deepColourBits = info.hdmi->deepColorBits;
        d.physicalAddress = info.hdmi->physicalAddress;
    }
    if (info.hdmiForum)
        d.deepColour420Bits = info.hdmiForum->deepColor420Bits;
    for (const edid::ShortAudio &a : info.audio)
        d.audio.push_back({a.formatName, a.maxChannels});
    return d;
}

QStringList misfits(const DisplaySummary &d, const status::Values &s)
{
    QStringList out;
    if (s.video.hdmi && !d.hdmi)
        out << QStringLiteral("The source sends HDMI to a DVI display: no audio, RGB only.");

    const VideoFormatRow *format = videoFormat(s.video.vic);
    if (format != nullptr && d.largestWidth > 0 &&
        (format->width > d.largestWidth || format->height > d.largestHeight))
        out << QStringLiteral("The source's %1x%2 is larger than the display's largest mode, %3.")
                   .arg(format->width)
                   .arg(format->height)
                   .arg(d.largestMode);

    if (s.clock.mhz != 0 && d.maxTmdsMhz && s.clock.mhz > *d.maxTmdsMhz)
        out << QStringLiteral("The source's %1 MHz clock is beyond the display's %2 MHz.")
                   .arg(s.clock.mhz)
                   .arg(*d.maxTmdsMhz);

    // The infoframe's EOTF code is the bit of that EOTF in the display's HDR block: the same
    // words name both.
    const QString eotf = infoframe::eotfWord(s.hdr.eotfCode);
    if (s.hdr.eotfCode != infoframe::EotfSdr && s.hdr.eotfCode <= infoframe::LastEotf &&
        !d.eotfs.contains(eotf))
        out << QStringLiteral("The source sends %1; the display does not list it%2.")
                   .arg(eotfWords(eotf),
                        d.eotfs.isEmpty() ? QStringLiteral(" (it lists no HDR at all)")
                                          : QString());

    const status::ColourFormat f = s.colourSpace.format;
    const bool ycbcrMissing = (f == status::ColourFormat::YCbCr444 && !d.ycbcr444) ||
                              (f == status::ColourFormat::YCbCr422 && !d.ycbcr422);
    if (ycbcrMissing)
        out << QStringLiteral("The source sends %1, which the display does not take.")
                   .arg(formatName(f));
    if (f == status::ColourFormat::YCbCr420 && s.video.vic != 0 &&
        !contains(d.ycbcr420Vics, s.video.vic))
        out << QStringLiteral("The source sends YCbCr 4:2:0 for %1, which the display does not "
                              "list for 4:2:0.")
                   .arg(format ? QString::fromLatin1(s.video.format)
                               : QStringLiteral("VIC %1").arg(s.video.vic));

    if (s.clock.bitDepth > 8) {
        const std::vector<int> &depths =
            f == status::ColourFormat::YCbCr420 ? d.deepColour420Bits : d.deepColourBits;
        if (!contains(depths, s.clock.bitDepth * 3))
            out << QStringLiteral("The source sends %1-bit colour, which the display does not "
                                  "list%2.")
                       .arg(s.clock.bitDepth)
                       .arg(f == status::ColourFormat::YCbCr420 ? QStringLiteral(" for 4:2:0")
                                                                : QString());
    }

    const bool multichannel = std::any_of(d.audio.begin(), d.audio.end(),
                                          [](const DisplayAudio &a) { return a.channels > 2; });
    if (!d.audio.empty() && !multichannel)
        out << QStringLiteral("The display takes stereo audio only: multichannel audio from the "
                              "source does not reach it as such.");
    return out;
}

} // namespace session
