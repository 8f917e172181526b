#include "session/DisplayReport.h"

#include "edid/EdidReport.h"
#include "session/DeviceSession.h"
#include "session/SignalChanges.h"

#include <QJsonArray>

namespace session
{
namespace
{

const char *const OutputNames[] = {"tv-a", "tv-b"}; // as edid read --from names them
const char *const OutputLabels[] = {"TX A", "TX B"};


QString joinedNumbers(const std::vector<int> &values, const QString &unit = {})
{
    QStringList out;
    for (int v : values)
        out << QString::number(v) + unit;
    return out.join(QStringLiteral(", "));
}

QString modesOf(const std::vector<int> &vics)
{
    QStringList out;
    for (int vic : vics) {
        const QString mode = edid::vicMode(vic);
        out << (mode.isEmpty() ? QStringLiteral("VIC %1").arg(vic) : mode);
    }
    return out.join(QStringLiteral(", "));
}

QString luminance(const std::optional<double> &v)
{
    return v ? QStringLiteral("%1 cd/m2").arg(QString::number(*v, 'g', 4)) : QStringLiteral("-");
}

QString yesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

QStringList displayLines(const DisplaySummary &d)
{
    QStringList l;
    const QString name = d.name.isEmpty() ? QStringLiteral("(no name)") : d.name;
    l << QStringLiteral("  display: %1, maker %2, product %3").arg(name, d.maker).arg(d.productCode);
    l << QStringLiteral("  largest mode: %1")
             .arg(d.largestMode.isEmpty() ? QStringLiteral("none listed") : d.largestMode);
    l << QStringLiteral("  max TMDS clock: %1")
             .arg(d.maxTmdsMhz ? QStringLiteral("%1 MHz").arg(*d.maxTmdsMhz)
                               : QStringLiteral("not told"));
    l << QStringLiteral("  interface: %1").arg(d.hdmi ? "HDMI" : "DVI");
    if (d.eotfs.isEmpty())
        l << QStringLiteral("  HDR: none");
    else
        l << QStringLiteral("  HDR: %1; luminance max %2, max frame average %3, min %4")
                 .arg(d.eotfs.join(QStringLiteral(", ")), luminance(d.maxLuminance),
                      luminance(d.maxFrameAverage), luminance(d.minLuminance));
    l << QStringLiteral("  YCbCr 4:2:0: %1")
             .arg(d.ycbcr420Vics.empty() ? QStringLiteral("no") : modesOf(d.ycbcr420Vics));
    l << QStringLiteral("  YCbCr 4:4:4: %1, 4:2:2: %2").arg(yesNo(d.ycbcr444), yesNo(d.ycbcr422));
    l << QStringLiteral("  deep colour: %1; 4:2:0: %2")
             .arg(d.deepColourBits.empty() ? QStringLiteral("no")
                                           : joinedNumbers(d.deepColourBits, " bits"),
                  d.deepColour420Bits.empty() ? QStringLiteral("no")
                                              : joinedNumbers(d.deepColour420Bits, " bits"));
    QStringList audio;
    for (const DisplayAudio &a : d.audio)
        audio << QStringLiteral("%1 %2 ch").arg(a.format).arg(a.channels);
    l << QStringLiteral("  audio: %1")
             .arg(audio.isEmpty() ? QStringLiteral("none") : audio.join(QStringLiteral(", ")));
    l << QStringLiteral("  physical address: %1")
             .arg(d.physicalAddress.isEmpty() ? QStringLiteral("-") : d.physicalAddress);
    return l;
}

QJsonValue orNull(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue();
}

QJsonArray numbers(const std::vector<int> &values)
{
    QJsonArray a;
    for (int v : values)
        a.append(v);
    return a;
}

QJsonObject displayObject(const DisplaySummary &d)
{
    QJsonArray audio;
    for (const DisplayAudio &a : d.audio)
        audio.append(QJsonObject{{"format", a.format}, {"channels", a.channels}});
    return QJsonObject{
        {"name", d.name.isEmpty() ? QJsonValue() : QJsonValue(d.name)},
        {"maker", d.maker},
        {"productCode", d.productCode},
        {"largestMode", d.largestMode.isEmpty() ? QJsonValue() : QJsonValue(d.largestMode)},
        {"maxTmdsMHz", d.maxTmdsMhz ? QJsonValue(*d.maxTmdsMhz) : QJsonValue()},
        {"hdmi", d.hdmi},
        {"hdr", QJsonObject{{"eotfs", QJsonArray::fromStringList(d.eotfs)},
                            {"maxLuminance", orNull(d.maxLuminance)},
                            {"maxFrameAverage", orNull(d.maxFrameAverage)},
                            {"minLuminance", orNull(d.minLuminance)}}},
        {"ycbcr420Vics", numbers(d.ycbcr420Vics)},
        {"ycbcr444", d.ycbcr444},
        {"ycbcr422", d.ycbcr422},
        {"deepColourBits", numbers(d.deepColourBits)},
        {"deepColour420Bits", numbers(d.deepColour420Bits)},
        {"audio", audio},
        {"physicalAddress",
         d.physicalAddress.isEmpty() ? QJsonValue() : QJsonValue(d.physicalAddress)},
    };
}

} // namespace

DisplaysRead readDisplays(DeviceSession &s)
{
    DisplaysRead out;
    const DeviceSession::Status st = s.readStatus();
    if (st.step.ok())
        out.signal = st.values;
    const edid::Source sources[] = {edid::Source::DisplayA, edid::Source::DisplayB};
    for (std::size_t i = 0; i < out.displays.size(); ++i) {
        const EdidRead read = s.readEdid(sources[i]);
        // The device refuses to fetch the table of an output without a display.
        if (read.step.op == Op::EdidFetch && read.step.result == cmd::Result::WrongEcho)
            continue;
        out.failed = !read.ok() ? read.step : read.busy;
        if (!out.failed.ok())
            return out;
        // An output without a display gives a table without the EDID header (zeros).
        if (edid::hasEdidHeader(read.table))
            out.displays[i] = summariseDisplay(
                edid::decodeEdid(edid::Bytes(read.table.begin(), read.table.end())));
    }
    return out;
}

QStringList displaysLines(const DisplaysRead &read)
{
    QStringList lines;
    if (read.signal) {
        using F = SignalField;
        const SignalSnapshot words = snapshotOf(*read.signal);
        const auto w = [&words](F f) { return words[int(f)]; };
        lines << QStringLiteral("Source: %1; clock %2; depth %3; %4; HDR %5")
                     .arg(w(F::Input), w(F::Clock), w(F::ColourDepth), w(F::ColourFormat),
                          w(F::Hdr));
    } else {
        lines << QStringLiteral("Source: the device did not say (status read failed)");
    }
    for (std::size_t i = 0; i < read.displays.size(); ++i) {
        lines << QStringLiteral("%1 (%2):").arg(QLatin1String(OutputLabels[i]),
                                                QLatin1String(OutputNames[i]));
        const std::optional<DisplaySummary> &d = read.displays[i];
        if (!d) {
            lines << QStringLiteral("  no display");
            continue;
        }
        lines << displayLines(*d);
        if (!read.signal)
            continue;
        const QStringList wrong = misfits(*d, *read.signal);
        if (wrong.isEmpty())
            lines << QStringLiteral("  fits: the source's signal reaches it as it is");
        for (const QString &m : wrong)
            lines << QStringLiteral("  does not fit: %1").arg(m);
    }
    return lines;
}

QJsonObject displaysJson(const DisplaysRead &read)
{
    QJsonValue source;
    if (read.signal) {
        const SignalSnapshot words = snapshotOf(*read.signal);
        QJsonObject fields;
        for (int f = 0; f < SignalFieldCount; ++f)
            fields[fieldName(SignalField(f))] = words[f];
        source = fields;
    }
    QJsonArray list;
    for (std::size_t i = 0; i < read.displays.size(); ++i) {
        const std::optional<DisplaySummary> &d = read.displays[i];
        QJsonObject item{{"output", QLatin1String(OutputNames[i])}};
        item["display"] = d ? QJsonValue(displayObject(*d)) : QJsonValue();
        item["misfits"] = d && read.signal
                              ? QJsonValue(QJsonArray::fromStringList(misfits(*d, *read.signal)))
                              : QJsonValue();
        list.append(item);
    }
    return QJsonObject{{"source", source}, {"outputs", list}};
}

} // namespace session
