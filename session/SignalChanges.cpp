#include "session/SignalChanges.h"

#include "cec_infoframes/HdrInfoframe.h"
#include "status/StatusDecoder.h"

namespace session
{
namespace
{

// The header's own words for a value, without the line's label: one text per fact.
QString afterLabel(const QString &line, const QString &label)
{
    QString rest = line.startsWith(label) ? line.mid(label.size()) : line;
    rest = rest.trimmed();
    if (rest.endsWith(u','))
        rest.chop(1);
    return rest;
}

QString inputWords(const status::Video &video)
{
    // The input line without clock and HDCP: "1920x1080p60 HDMI", "1920x1080p60 Side-by-side 3D".
    QString line = formatInputLine(video, status::Clock{}, status::Hdcp::None);
    const QString noHdcp = QStringLiteral(" no HDCP");
    if (line.endsWith(noHdcp))
        line.chop(noHdcp.size());
    return afterLabel(line, QStringLiteral("Input :"));
}

QString clockWords(const status::Clock &clock)
{
    if (clock.mhz == 0)
        return QStringLiteral("not told");
    return QStringLiteral("%1 MHz").arg(clock.mhz);
}

QString depthWords(const status::Clock &clock)
{
    return clock.bitDepth == 0 ? QStringLiteral("not told")
                               : QStringLiteral("%1-bit").arg(clock.bitDepth);
}

QString colourFormatWords(status::ColourFormat format)
{
    status::ColourSpace plain;
    plain.format = format;
    return afterLabel(formatColourSpaceLine(plain), QStringLiteral("Color Space:"));
}

QString colorimetryWords(const status::ColourSpace &space)
{
    if (space.colorimetry == status::Colorimetry::None)
        return QStringLiteral("none");
    status::ColourSpace rgb = space;
    rgb.format = status::ColourFormat::Rgb;
    const QString plain = formatColourSpaceLine(status::ColourSpace{});
    return afterLabel(afterLabel(formatColourSpaceLine(rgb), plain), QStringLiteral(","));
}

QString hdcpWords(status::Hdcp hdcp)
{
    switch (hdcp) {
    case status::Hdcp::V14:
        return QStringLiteral("HDCP 1.4");
    case status::Hdcp::V22:
        return QStringLiteral("HDCP 2.2");
    case status::Hdcp::None:
        break;
    }
    return QStringLiteral("none");
}

QString hdrWords(const status::Hdr &hdr)
{
    const QString words = afterLabel(formatHdrLine(hdr), QStringLiteral("HDR input:"));
    return words.isEmpty() ? QStringLiteral("EOTF %1").arg(hdr.eotfCode) : words;
}

QString candelas(std::uint16_t value, const char *whenZero)
{
    return value == 0 ? QLatin1String(whenZero) : QStringLiteral("%1 cd/m2").arg(value);
}

void captureWords(const status::Capture &capture, SignalSnapshot &s)
{
    if (!capture.captured()) {
        for (SignalField f :
             {SignalField::Eotf, SignalField::MaxLuminance, SignalField::MaxCll, SignalField::MaxFall})
            s[int(f)] = QStringLiteral("none");
        return;
    }
    const infoframe::HdrMetadata m = infoframe::decodeHdrData(capture.payload).metadata;
    s[int(SignalField::Eotf)] = infoframe::eotfWord(m.eotf);
    s[int(SignalField::MaxLuminance)] = candelas(m.maxLuminance, "unknown");
    s[int(SignalField::MaxCll)] = candelas(m.maxCll, "not given");
    s[int(SignalField::MaxFall)] = candelas(m.maxFall, "not given");
}

} // namespace

QString fieldName(SignalField field)
{
    static const char *const names[SignalFieldCount] = {
        "input", "clock",   "colour-depth", "colour-format", "colorimetry",
        "hdcp",  "outputs", "source",       "hdr",           "eotf",
        "max-luminance", "maxcll", "maxfall"};
    return QLatin1String(names[int(field)]);
}

QString eventName(SignalEvent::Kind kind)
{
    switch (kind) {
    case SignalEvent::Kind::Arrival:
        return QStringLiteral("arrival");
    case SignalEvent::Kind::Departure:
        return QStringLiteral("departure");
    case SignalEvent::Kind::NotAnswering:
        return QStringLiteral("not-answering");
    case SignalEvent::Kind::Answering:
        return QStringLiteral("answering");
    case SignalEvent::Kind::Change:
        break;
    }
    return QStringLiteral("change");
}

SignalSnapshot snapshotOf(const status::Values &v)
{
    SignalSnapshot s;
    s[int(SignalField::Input)] = inputWords(v.video);
    s[int(SignalField::Clock)] = clockWords(v.clock);
    s[int(SignalField::ColourDepth)] = depthWords(v.clock);
    s[int(SignalField::ColourFormat)] = colourFormatWords(v.colourSpace.format);
    s[int(SignalField::Colorimetry)] = colorimetryWords(v.colourSpace);
    s[int(SignalField::Hdcp)] = hdcpWords(v.hdcp);
    s[int(SignalField::Outputs)] = afterLabel(formatOutputLine(v.outputs), QStringLiteral("Output:"));
    s[int(SignalField::Source)] =
        afterLabel(formatSourceLine(v.source), QStringLiteral("Source Info:"));
    s[int(SignalField::Hdr)] = hdrWords(v.hdr);
    captureWords(v.capture, s);
    return s;
}

QList<SignalEvent> SignalWatch::polled(const std::optional<status::Values> &values)
{
    QList<SignalEvent> events;
    if (!values) {
        if (answering_)
            events.append({SignalEvent::Kind::NotAnswering, {}, {}, {}});
        answering_ = false;
        return events;
    }
    if (!answering_)
        events.append({SignalEvent::Kind::Answering, {}, {}, {}});
    answering_ = true;
    const SignalSnapshot now = snapshotOf(*values);
    if (last_) {
        for (int f = 0; f < SignalFieldCount; ++f)
            if ((*last_)[f] != now[f])
                events.append({SignalEvent::Kind::Change, SignalField(f), (*last_)[f], now[f]});
    }
    last_ = now;
    return events;
}

QList<SignalEvent> SignalWatch::arrived()
{
    if (present_)
        return {};
    present_ = true;
    answering_ = true; // a new link: its first silence is news again
    return {{SignalEvent::Kind::Arrival, {}, {}, {}}};
}

QList<SignalEvent> SignalWatch::departed()
{
    if (!present_)
        return {};
    present_ = false;
    return {{SignalEvent::Kind::Departure, {}, {}, {}}};
}

} // namespace session
