#include "edid/EdidReport.h"

#include <QJsonArray>
#include <cmath>

namespace edid
{
namespace
{

template <typename T> QJsonValue orNull(const std::optional<T> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

template <typename T> QJsonArray array(const std::vector<T> &values)
{
    QJsonArray out;
    for (const T &v : values)
        out.append(v);
    return out;
}

double rounded(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}

QJsonValue preferred(const BaseBlock &b)
{
    if (b.timings.empty())
        return QJsonValue::Null;
    const DetailedTiming &t = b.timings.front();
    return QJsonObject{{"width", t.hActive},
                       {"height", t.frameHeight()},
                       {"interlaced", t.interlaced},
                       {"refresh_hz", rounded(t.refreshHz(), 2)},
                       {"pixel_clock_khz", t.pixelClockKHz}};
}

QJsonValue rangeLimits(const std::optional<RangeLimits> &r)
{
    if (!r)
        return QJsonValue::Null;
    return QJsonObject{{"min_v_hz", r->minVHz},
                       {"max_v_hz", r->maxVHz},
                       {"min_h_khz", r->minHKHz},
                       {"max_h_khz", r->maxHKHz},
                       {"max_pixel_clock_mhz",
                        r->maxPixelClockMHz ? QJsonValue(r->maxPixelClockMHz) : QJsonValue()}};
}

QJsonArray vics(const std::vector<ShortVideo> &list)
{
    QJsonArray out;
    for (const ShortVideo &v : list) {
        if (v.vic == 0)
            continue; // a reserved code names no VIC
        const QString mode = vicMode(v.vic);
        out.append(QJsonObject{{"vic", v.vic},
                               {"native", v.native},
                               {"mode", mode.isEmpty() ? QJsonValue() : QJsonValue(mode)}});
    }
    return out;
}

QJsonValue hdmi(const std::optional<HdmiVsdb> &h)
{
    if (!h)
        return QJsonValue::Null;
    return QJsonObject{{"physical_address", h->physicalAddress.isEmpty()
                                                ? QJsonValue()
                                                : QJsonValue(h->physicalAddress)},
                       {"max_tmds_mhz", orNull(h->maxTmdsMhz)},
                       {"deep_color", array(h->deepColorBits)},
                       {"deep_color_y444", h->deepColorY444}};
}

QJsonValue hdmiForum(const std::optional<HdmiForumVsdb> &h)
{
    if (!h)
        return QJsonValue::Null;
    return QJsonObject{{"version", h->version},
                       {"max_tmds_mhz", orNull(h->maxTmdsMhz)},
                       {"max_frl_gbps", h->maxFrlGbps ? QJsonValue(h->maxFrlGbps) : QJsonValue()},
                       {"scdc", h->scdc},
                       {"deep_color_420", array(h->deepColor420Bits)},
                       {"allm", h->allm},
                       {"vrr_min_hz", orNull(h->vrrMinHz)},
                       {"vrr_max_hz", orNull(h->vrrMaxHz)}};
}

QJsonValue hdr(const std::optional<HdrStatic> &h)
{
    if (!h)
        return QJsonValue::Null;
    const auto cd = [](const std::optional<double> &v) {
        return v ? QJsonValue(rounded(*v, 4)) : QJsonValue();
    };
    return QJsonObject{{"eotfs", QJsonArray::fromStringList(h->eotfs)},
                       {"max_luminance", cd(h->maxLuminance)},
                       {"max_frame_average", cd(h->maxFrameAverage)},
                       {"min_luminance", cd(h->minLuminance)}};
}

QJsonArray audio(const std::vector<ShortAudio> &list)
{
    QJsonArray out;
    for (const ShortAudio &a : list)
        out.append(QJsonObject{{"format", a.formatName},
                               {"max_channels", a.maxChannels},
                               {"rates_khz", array(a.ratesKHz)},
                               {"sizes_bits", array(a.sizesBits)}});
    return out;
}

} // namespace

QJsonObject reportJson(const EdidInfo &info)
{
    const BaseBlock &b = info.base;
    QJsonArray extensions, checksums, problems;
    for (const Extension &e : info.extensions)
        extensions.append(
            QJsonObject{{"block", e.block}, {"type", e.type}, {"revision", e.revision}});
    for (const Checksum &c : info.checksums)
        checksums.append(QJsonObject{
            {"block", c.block}, {"stored", c.stored}, {"computed", c.computed}, {"ok", c.ok()}});
    for (const Problem &p : info.problems)
        problems.append(QJsonObject{{"block", p.block}, {"offset", p.offset}, {"text", p.text}});
    return QJsonObject{
        {"size", info.size},
        {"header_ok", b.headerOk},
        {"version", QStringLiteral("%1.%2").arg(b.version).arg(b.revision)},
        {"manufacturer", b.manufacturer},
        {"product_code", b.productCode},
        {"serial_number", b.serialNumber ? QJsonValue(qint64(b.serialNumber)) : QJsonValue()},
        {"week", orNull(b.week)},
        {"year", orNull(b.year)},
        {"model_year", orNull(b.modelYear)},
        {"name", orNull(b.name)},
        {"serial_text", orNull(b.serialText)},
        {"preferred", preferred(b)},
        {"range_limits", rangeLimits(b.rangeLimits)},
        {"extensions", extensions},
        {"vics", vics(info.vics)},
        {"hdmi", hdmi(info.hdmi)},
        {"hdmi_forum", hdmiForum(info.hdmiForum)},
        {"hdr", hdr(info.hdr)},
        {"audio", audio(info.audio)},
        {"ycbcr420_vics", array(info.ycbcr420Vics)},
        {"colorimetry", QJsonArray::fromStringList(info.colorimetry)},
        {"checksums", checksums},
        {"problems", problems},
    };
}

} // namespace edid
