#include "edid/EdidReport.h"

#include "edid/EdidDecodeParts.h"
#include "edid/VideoFormatTable.h"

namespace edid
{
namespace
{

QString number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

template <typename T> QString joined(const std::vector<T> &values, const QString &separator)
{
    QStringList parts;
    for (const T &v : values)
        parts << QString::number(v);
    return parts.join(separator);
}

QString checksumWords(const Checksum &c)
{
    return c.ok() ? QStringLiteral("checksum %1 (ok)").arg(parts::hex2(c.stored))
                  : QStringLiteral("checksum %1, should be %2")
                        .arg(parts::hex2(c.stored), parts::hex2(c.computed));
}

QString polarity(bool positive)
{
    return positive ? QStringLiteral("+") : QStringLiteral("-");
}

void timingLines(const DetailedTiming &t, QStringList &out)
{
    out << QStringLiteral("  Detailed timing (byte %1): %2, %3 MHz")
               .arg(t.offset)
               .arg(timingMode(t), number(t.pixelClockKHz / 1000.0, 3));
    using Sync = DetailedTiming::Sync;
    const bool separate = t.sync == Sync::DigitalSeparate;
    const QString hPol = t.sync == Sync::AnalogComposite || t.sync == Sync::BipolarAnalogComposite
                             ? QString()
                             : QStringLiteral(", sync %1").arg(polarity(t.hPositive));
    out << QStringLiteral("    horizontal: front porch %1, sync %2, back porch %3%4")
               .arg(t.hFront)
               .arg(t.hSync)
               .arg(t.hBlank - t.hFront - t.hSync)
               .arg(hPol);
    out << QStringLiteral("    vertical: front porch %1, sync %2, back porch %3%4")
               .arg(t.vFront)
               .arg(t.vSync)
               .arg(t.vBlank - t.vFront - t.vSync)
               .arg(separate ? QStringLiteral(", sync %1").arg(polarity(t.vPositive)) : QString());
    static const char *const syncs[] = {"analog composite", "bipolar analog composite",
                                        "digital composite", "digital separate"};
    out << QStringLiteral("    %1 sync, image %2 x %3 mm%4%5")
               .arg(QLatin1String(syncs[int(t.sync)]))
               .arg(t.widthMm)
               .arg(t.heightMm)
               .arg(t.hBorder || t.vBorder
                        ? QStringLiteral(", borders %1/%2").arg(t.hBorder).arg(t.vBorder)
                        : QString())
               .arg(t.stereo ? QStringLiteral(", stereo") : QString());
}

QString madeWords(const BaseBlock &b)
{
    if (b.modelYear)
        return QStringLiteral("model year %1").arg(*b.modelYear);
    if (b.week)
        return QStringLiteral("week %1 of %2").arg(*b.week).arg(b.year.value_or(0));
    return QStringLiteral("%1").arg(b.year.value_or(0));
}

QString screenWords(const BaseBlock &b)
{
    if (b.widthCm && b.heightCm)
        return QStringLiteral("%1 x %2 cm").arg(b.widthCm).arg(b.heightCm);
    // One of the two alone gives the aspect ratio.
    if (b.widthCm)
        return QStringLiteral("aspect ratio %1 (landscape)")
            .arg(number((b.widthCm + 99) / 100.0, 2));
    if (b.heightCm)
        return QStringLiteral("aspect ratio %1 (portrait)")
            .arg(number(100.0 / (b.heightCm + 99), 2));
    return QStringLiteral("not given");
}

void baseLines(const EdidInfo &info, QStringList &out)
{
    const BaseBlock &b = info.base;
    out << QStringLiteral("Block 0: base block, %1").arg(checksumWords(info.checksums.at(0)));
    out << QStringLiteral("  Header: %1")
               .arg(b.headerOk ? QStringLiteral("ok") : QStringLiteral("wrong"));
    out << QStringLiteral("  Manufacturer: %1, product code %2 (%3)")
               .arg(b.manufacturer)
               .arg(b.productCode)
               .arg(QStringLiteral("0x") +
                    QString::number(b.productCode, 16).toUpper().rightJustified(4, u'0'));
    out << QStringLiteral("  Serial number: %1")
               .arg(b.serialNumber ? QString::number(b.serialNumber) : QStringLiteral("none"));
    out << QStringLiteral("  Made: %1").arg(madeWords(b));
    out << QStringLiteral("  Version: %1.%2").arg(b.version).arg(b.revision);
    if (b.digital && !b.interface.isEmpty())
        out << QStringLiteral("  Input: digital, %1, %2")
                   .arg(b.bitDepth ? QStringLiteral("%1 bits per colour").arg(*b.bitDepth)
                                   : QStringLiteral("bit depth undefined"),
                        b.interface);
    else if (b.digital)
        out << QStringLiteral("  Input: digital");
    else
        out << QStringLiteral("  Input: analog, %1").arg(b.interface);
    out << QStringLiteral("  Screen size: %1").arg(screenWords(b));
    out << QStringLiteral("  Gamma: %1")
               .arg(b.gamma ? number(*b.gamma, 2) : QStringLiteral("in an extension"));
    if (!b.features.isEmpty())
        out << QStringLiteral("  Features: %1").arg(b.features.join(QStringLiteral(", ")));
    out << QStringLiteral("  Colour formats: %1").arg(b.colourFormats.join(QStringLiteral(", ")));
    const Chromaticity &c = b.chromaticity;
    out << QStringLiteral("  Chromaticity: red %1,%2 green %3,%4 blue %5,%6 white %7,%8")
               .arg(number(c.redX, 3), number(c.redY, 3), number(c.greenX, 3), number(c.greenY, 3),
                    number(c.blueX, 3), number(c.blueY, 3), number(c.whiteX, 3),
                    number(c.whiteY, 3));
    if (!b.established.isEmpty())
        out << QStringLiteral("  Established timings: %1")
                   .arg(b.established.join(QStringLiteral(", ")));
    QStringList standard;
    for (const StandardTiming &s : b.standard)
        standard << QStringLiteral("%1x%2@%3 (%4)")
                        .arg(s.width)
                        .arg(s.height)
                        .arg(s.refreshHz)
                        .arg(s.aspect);
    if (!standard.isEmpty())
        out << QStringLiteral("  Standard timings: %1").arg(standard.join(QStringLiteral(", ")));
    for (const DetailedTiming &t : b.timings)
        timingLines(t, out);
    if (b.name)
        out << QStringLiteral("  Name: \"%1\"").arg(*b.name);
    if (b.serialText)
        out << QStringLiteral("  Serial text: \"%1\"").arg(*b.serialText);
    if (b.rangeLimits) {
        const RangeLimits &r = *b.rangeLimits;
        out << QStringLiteral("  Range limits: %1-%2 Hz vertical, %3-%4 kHz horizontal, "
                              "pixel clock up to %5 MHz, %6")
                   .arg(r.minVHz)
                   .arg(r.maxVHz)
                   .arg(r.minHKHz)
                   .arg(r.maxHKHz)
                   .arg(r.maxPixelClockMHz)
                   .arg(r.support);
    }
    for (const OtherDescriptor &d : b.otherDescriptors)
        out << QStringLiteral("  Descriptor (byte %1): %2").arg(d.offset).arg(d.what);
    out << QStringLiteral("  Extensions: %1").arg(b.extensionCount);
}

void ctaLines(const CtaBlock &cta, QStringList &out)
{
    QStringList flags;
    if (cta.underscan)
        flags << QStringLiteral("underscan");
    if (cta.basicAudio)
        flags << QStringLiteral("basic audio");
    if (cta.ycbcr444)
        flags << QStringLiteral("YCbCr 4:4:4");
    if (cta.ycbcr422)
        flags << QStringLiteral("YCbCr 4:2:2");
    flags << QStringLiteral("%1 native detailed timings").arg(cta.nativeCount);
    out << QStringLiteral("  Flags: %1").arg(flags.join(QStringLiteral(", ")));
    for (const DataBlock &d : cta.dataBlocks) {
        out << QStringLiteral("  %1 (byte %2, %3 bytes)").arg(d.name).arg(d.offset).arg(d.length);
        for (const QString &note : d.notes)
            out << QStringLiteral("    %1").arg(note);
    }
    for (const DetailedTiming &t : cta.timings)
        timingLines(t, out);
}

void collectionLines(const EdidInfo &info, QStringList &out)
{
    QStringList vics;
    for (const ShortVideo &v : info.vics) {
        const QString mode = vicMode(v.vic);
        vics << (v.vic == 0 ? QStringLiteral("reserved code %1").arg(v.code)
                            : QStringLiteral("%1 %2%3")
                                  .arg(v.vic)
                                  .arg(mode.isEmpty() ? QStringLiteral("(no format)") : mode)
                                  .arg(v.native ? QStringLiteral(" (native)") : QString()));
    }
    if (!vics.isEmpty())
        out << QStringLiteral("Video modes: %1").arg(vics.join(QStringLiteral(", ")));
    if (!info.ycbcr420Vics.empty())
        out << QStringLiteral("YCbCr 4:2:0 VICs: %1")
                   .arg(joined(info.ycbcr420Vics, QStringLiteral(", ")));
    for (const ShortAudio &a : info.audio) {
        QStringList rates;
        for (const double r : a.ratesKHz)
            rates << QString::number(r);
        QString line = QStringLiteral("Audio: %1, %2 channels, %3 kHz")
                           .arg(a.formatName)
                           .arg(a.maxChannels)
                           .arg(rates.join(u'/'));
        if (!a.sizesBits.empty())
            line += QStringLiteral(", %1 bits").arg(joined(a.sizesBits, QStringLiteral("/")));
        if (a.maxBitrateKbps)
            line += QStringLiteral(", up to %1 kbit/s").arg(a.maxBitrateKbps);
        out << line;
    }
    if (!info.speakers.isEmpty())
        out << QStringLiteral("Speakers: %1").arg(info.speakers.join(QStringLiteral(", ")));
    if (info.hdmi) {
        const HdmiVsdb &h = *info.hdmi;
        QString line = QStringLiteral("HDMI: physical address %1").arg(h.physicalAddress);
        if (!h.deepColorBits.empty())
            line += QStringLiteral(", deep colour %1 bits%2")
                        .arg(joined(h.deepColorBits, QStringLiteral("/")))
                        .arg(h.deepColorY444 ? QStringLiteral(" (also YCbCr 4:4:4)") : QString());
        if (h.maxTmdsMhz)
            line += QStringLiteral(", max TMDS clock %1 MHz").arg(*h.maxTmdsMhz);
        out << line;
    }
    if (info.hdmiForum) {
        const HdmiForumVsdb &h = *info.hdmiForum;
        QStringList parts{QStringLiteral("version %1").arg(h.version)};
        parts << (h.maxTmdsMhz ? QStringLiteral("max TMDS character rate %1 MHz").arg(*h.maxTmdsMhz)
                               : QStringLiteral("no TMDS rate above 340 MHz"));
        if (h.scdc)
            parts << QStringLiteral("SCDC");
        if (h.readRequest)
            parts << QStringLiteral("SCDC read request");
        if (h.lte340Scramble)
            parts << QStringLiteral("scrambling at 340 MHz and below");
        parts
            << (h.maxFrlGbps
                    ? QStringLiteral("max FRL %1 Gbps (%2 lanes)").arg(h.maxFrlGbps).arg(h.frlLanes)
                    : QStringLiteral("no FRL"));
        if (!h.deepColor420Bits.empty())
            parts << QStringLiteral("4:2:0 deep colour %1 bits")
                         .arg(joined(h.deepColor420Bits, QStringLiteral("/")));
        if (h.allm)
            parts << QStringLiteral("ALLM");
        if (h.vrrMinHz)
            parts << QStringLiteral("VRR %1-%2 Hz").arg(*h.vrrMinHz).arg(h.vrrMaxHz.value_or(0));
        out << QStringLiteral("HDMI Forum: %1").arg(parts.join(QStringLiteral(", ")));
    }
    if (info.hdr) {
        const HdrStatic &h = *info.hdr;
        QString line = QStringLiteral("HDR static metadata: EOTFs %1")
                           .arg(h.eotfs.isEmpty() ? QStringLiteral("none")
                                                  : h.eotfs.join(QStringLiteral(", ")));
        if (h.maxLuminance)
            line += QStringLiteral(", max luminance %1 cd/m2").arg(number(*h.maxLuminance, 1));
        if (h.maxFrameAverage)
            line +=
                QStringLiteral(", max frame average %1 cd/m2").arg(number(*h.maxFrameAverage, 1));
        if (h.minLuminance)
            line += QStringLiteral(", min luminance %1 cd/m2").arg(number(*h.minLuminance, 4));
        out << line;
    }
    if (!info.colorimetry.isEmpty())
        out << QStringLiteral("Colorimetry: %1").arg(info.colorimetry.join(QStringLiteral(", ")));
}

} // namespace

QString vicMode(int vic)
{
    const VideoFormatRow *row = videoFormat(vic);
    if (row == nullptr)
        return {};
    return QStringLiteral("%1x%2%3%4")
        .arg(row->width)
        .arg(row->height)
        .arg(QLatin1Char(row->interlaced ? 'i' : 'p'))
        .arg(row->refreshHz);
}

QString timingMode(const DetailedTiming &t)
{
    return QStringLiteral("%1x%2%3 %4 Hz")
        .arg(t.hActive)
        .arg(t.frameHeight())
        .arg(QLatin1Char(t.interlaced ? 'i' : 'p'))
        .arg(number(t.refreshHz(), 2));
}

QStringList reportLines(const EdidInfo &info)
{
    QStringList out;
    if (info.size == 0)
        return out;
    out << QStringLiteral("EDID: %1 bytes, %2 blocks, version %3.%4")
               .arg(info.size)
               .arg(info.size / 128)
               .arg(info.base.version)
               .arg(info.base.revision);
    if (info.problems.empty())
        out << QStringLiteral("Problems: none");
    else
        out << QStringLiteral("Problems:");
    for (const Problem &p : info.problems)
        out << QStringLiteral("  block %1, byte %2: %3").arg(p.block).arg(p.offset).arg(p.text);
    baseLines(info, out);
    for (const Extension &e : info.extensions) {
        out << QStringLiteral("Block %1: %2, revision %3, %4")
                   .arg(e.block)
                   .arg(e.name)
                   .arg(e.revision)
                   .arg(checksumWords(info.checksums.at(std::size_t(e.block))));
        if (e.cta)
            ctaLines(*e.cta, out);
    }
    collectionLines(info, out);
    return out;
}

QString reportText(const EdidInfo &info)
{
    QString text;
    for (const QString &line : reportLines(info))
        text += line + u'\n';
    return text;
}

} // namespace edid
