#include "cli/Output.h"

#include <QJsonArray>

namespace cli
{
namespace
{

QString latin1(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

const char *colourFormatName(status::ColourFormat f)
{
    switch (f) {
    case status::ColourFormat::Rgb:
        return "rgb";
    case status::ColourFormat::YCbCr422:
        return "ycbcr-4:2:2";
    case status::ColourFormat::YCbCr444:
        return "ycbcr-4:4:4";
    case status::ColourFormat::YCbCr420:
        return "ycbcr-4:2:0";
    }
    return "";
}

const char *hdcpName(status::Hdcp h)
{
    switch (h) {
    case status::Hdcp::V14:
        return "1.4";
    case status::Hdcp::V22:
        return "2.2";
    case status::Hdcp::None:
        break;
    }
    return "none";
}

const char *eotfName(status::Eotf e)
{
    switch (e) {
    case status::Eotf::NotActive:
        return "not-active";
    case status::Eotf::HdrLuminanceRange:
        return "hdr-luminance-range";
    case status::Eotf::SmpteSt2084:
        return "smpte-st-2084";
    case status::Eotf::Other:
        break;
    }
    return "other";
}

const char *colorimetryName(const status::ColourSpace &c)
{
    switch (c.colorimetry) {
    case status::Colorimetry::None:
        return "none";
    case status::Colorimetry::Smpte170M:
        return "smpte-170m";
    case status::Colorimetry::Bt709:
        return "bt.709";
    case status::Colorimetry::Extended:
        break;
    }
    static const char *const extended[] = {"xvycc601",  "xvycc709",   "sycc601", "adobe-ycc601",
                                           "adobe-rgb", "bt.2020-cl", "bt.2020", "reserved"};
    const auto i = std::size_t(c.extended);
    return i < std::size(extended) ? extended[i] : "reserved";
}

QJsonObject videoObject(const status::Values &v)
{
    // 0 and empty mean the device did not report it: null, so no script takes it for a value.
    const auto known = [](int n) { return n != 0 ? QJsonValue(n) : QJsonValue(); };
    QJsonObject video{
        {"vic", known(v.video.vic)},
        {"format", v.video.format.isEmpty() ? QJsonValue() : QJsonValue(latin1(v.video.format))},
        {"hdmi", v.video.hdmi},
        {"clockMHz", known(v.clock.mhz)},
        {"bitDepth", known(v.clock.bitDepth)},
        {"hdcp", QLatin1String(hdcpName(v.hdcp))},
        {"colourFormat", QLatin1String(colourFormatName(v.colourSpace.format))},
        {"colorimetry", QLatin1String(colorimetryName(v.colourSpace))},
    };
    if (v.video.hdmiVic != 0) {
        video["hdmiVic"] = v.video.hdmiVic;
        video["extendedFormat"] = latin1(v.video.extendedFormat);
    }
    return video;
}

} // namespace

QJsonValue jsonValue(const settings::Setting &setting, const settings::SettingBytes &bytes)
{
    const settings::CurrentValue v = settings::currentValue(setting, bytes);
    if (v.name != nullptr)
        return QString::fromLatin1(v.name);
    return v.raw;
}

std::vector<const settings::Setting *> allSettings()
{
    std::vector<const settings::Setting *> all;
    for (const settings::Setting &s : settings::catalog())
        all.push_back(&s);
    return all;
}

QStringList valueLines(const std::vector<const settings::Setting *> &which,
                       const settings::SettingBytes &bytes, bool numbers)
{
    QStringList lines;
    for (const settings::Setting *s : which)
        lines << QStringLiteral("%1 %2").arg(
            QLatin1String(s->name),
            numbers ? QString::number(settings::currentValue(*s, bytes).raw)
                    : settings::formatValue(*s, bytes));
    return lines;
}

QJsonObject valueObject(const std::vector<const settings::Setting *> &which,
                        const settings::SettingBytes &bytes, bool numbers)
{
    QJsonObject object;
    for (const settings::Setting *s : which)
        object[QLatin1String(s->name)] =
            numbers ? QJsonValue(settings::currentValue(*s, bytes).raw) : jsonValue(*s, bytes);
    return object;
}

QJsonObject catalogDocument(const settings::SettingBytes &bytes)
{
    QJsonArray rows;
    for (const settings::Setting &s : settings::catalog()) {
        QJsonObject row{{"name", QLatin1String(s.name)},
                        {"kind", settings::kindName(s.kind)},
                        {"value", jsonValue(s, bytes)},
                        {"number", settings::currentValue(s, bytes).raw}};
        if (s.kind == settings::Kind::Range) {
            row["minimum"] = s.minimum;
            row["maximum"] = s.maximum;
        } else {
            QJsonArray names;
            QJsonObject numbers; // what set takes for each name
            for (const settings::ValueName &v : s.values)
                if (v.name != nullptr) {
                    names.append(QLatin1String(v.name));
                    numbers[QLatin1String(v.name)] = v.value;
                }
            row["values"] = names;
            row["numbers"] = numbers;
        }
        rows.append(row);
    }
    return QJsonObject{{"settings", rows}};
}

QStringList deviceLines(const std::vector<session::ListedDevice> &devices)
{
    QStringList lines;
    for (const session::ListedDevice &d : devices)
        lines << QStringLiteral("%1  %2  %3").arg(d.id, d.where, session::accessName(d.access));
    return lines;
}

QJsonObject deviceDocument(const std::vector<session::ListedDevice> &devices)
{
    QJsonArray list;
    for (const session::ListedDevice &d : devices)
        list.append(QJsonObject{
            {"id", d.id}, {"where", d.where}, {"access", session::accessName(d.access)}});
    return QJsonObject{{"devices", list}};
}

QString watchLine(const QString &time, const QString &what, const WatchedDevice &device)
{
    return QStringLiteral("%1  %2  %3  %4  %5")
        .arg(time, what, QString::fromLatin1(device.id),
             device.simulated ? QStringLiteral("simulated") : QStringLiteral("real"), device.where);
}

QJsonObject watchObject(const QString &time, const QString &what, const WatchedDevice &device)
{
    return QJsonObject{{"time", time},
                       {"event", what},
                       {"id", QString::fromLatin1(device.id)},
                       {"simulated", device.simulated},
                       {"where", device.where}};
}

QStringList statusLines(const QString &firmware, const StatusTexts &texts,
                        const settings::SettingBytes &bytes)
{
    QStringList lines{QStringLiteral("Firmware: ver: %1").arg(firmware),
                      texts.input,
                      texts.output,
                      texts.colourSpace,
                      texts.source,
                      texts.hdr};
    if (!texts.capture.isEmpty())
        lines << QStringLiteral("HDR infoframe: %1").arg(texts.capture);
    return lines + valueLines(allSettings(), bytes);
}

QJsonObject statusDocument(const QString &firmware, const status::Values &values,
                           const StatusTexts &texts, const settings::SettingBytes &bytes)
{
    QJsonObject doc{
        {"firmware", firmware},
        {"header",
         QJsonArray{texts.input, texts.output, texts.colourSpace, texts.source, texts.hdr}},
        {"video", videoObject(values)},
        {"outputs", QJsonObject{{"txA", values.outputs.txA}, {"txB", values.outputs.txB}}},
        {"source", QJsonObject{{"vendor", latin1(values.source.vendor)},
                               {"product", latin1(values.source.product)}}},
        {"hdr", QLatin1String(eotfName(values.hdr.eotf))},
        {"settings", valueObject(allSettings(), bytes)},
    };
    if (values.capture.captured())
        doc["capture"] = texts.capture;
    return doc;
}

} // namespace cli
