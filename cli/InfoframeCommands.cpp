#include "cli/InfoframeCommands.h"

#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryParse.h"
#include "cec_infoframes/HdrColour.h"
#include "cec_infoframes/InfoframeWords.h"
#include "cli/Cli.h"
#include "edid/EdidReport.h"
#include "status/StatusValues.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace cli
{

using namespace infoframe;

namespace
{

void writeLines(QIODevice &to, const QStringList &lines)
{
    for (const QString &line : lines)
        to.write(line.toUtf8() + '\n');
}

void writeJson(QIODevice &to, const QJsonValue &document)
{
    to.write(document.isArray() ? QJsonDocument(document.toArray()).toJson()
                                : QJsonDocument(document.toObject()).toJson());
}

int complain(QIODevice &err, int code, const QString &text)
{
    err.write("korvalis-cli: " + text.toUtf8() + '\n');
    return code;
}

void warn(QIODevice &err, const QStringList &problems)
{
    for (const QString &p : problems)
        err.write("korvalis-cli: warning: " + p.toUtf8() + '\n');
}

QStringList texts(const std::vector<HdrProblem> &problems)
{
    QStringList out;
    for (const HdrProblem &p : problems)
        out << p.text();
    return out;
}

QString hex(const QByteArray &bytes)
{
    return formatColonHex(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                          std::size_t(bytes.size()));
}

QByteArray hexBytes(const Request &r, const colonhex::EntryLimits &limits)
{
    return colonhex::parseEntry(r.hexText, limits).bytes.value_or(QByteArray());
}

QStringList indented(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines)
        out << QStringLiteral("  ") + l;
    return out;
}

// The source's captured data bytes, or nothing with the reason reported.
std::optional<QByteArray> readCapture(session::DeviceSession &s, const ConfigIo &io, int &exit)
{
    const auto block = s.readInfoBlock(cmd::info::HdrCapture, cmd::info::StatusPollLength);
    if (!block) {
        exit = io.failed(session::failureWords(s.lastStep()));
        return std::nullopt;
    }
    return status::decodeCaptureValue(*block).payload;
}

std::optional<QByteArray> readStored(session::DeviceSession &s, const ConfigIo &io, bool hdr,
                                     int &exit)
{
    const std::optional<QByteArray> bytes = hdr ? s.readStoredHdr() : s.readStoredAvi();
    if (!bytes)
        exit = io.failed(session::failureWords(s.lastStep()));
    return bytes;
}

int presets(const Request &r, QIODevice &out)
{
    QJsonArray list;
    QStringList lines;
    for (const HdrPreset &p : hdrPresets()) {
        const HdrDecoded d = decodeHdrFrame(encodeHdrFrame(p.metadata));
        QJsonObject o = hdrJson(d);
        o.insert("name", QLatin1String(p.name));
        o.insert("frame", hex(encodeHdrFrame(p.metadata)));
        list.append(o);
        lines << QStringLiteral("%1  %2").arg(QLatin1String(p.name), -10).arg(hdrSummary(d));
    }
    if (r.json)
        writeJson(out, QJsonObject{{"presets", list}}); // an object, as every document is
    else
        writeLines(out, lines);
    return exitcode::Ok;
}

} // namespace

int reportSent(const BuiltFrame &built, int exitStatus, QIODevice &out)
{
    if (exitStatus == exitcode::Ok && !built.sentLine.isEmpty())
        out.write(built.sentLine.toUtf8() + '\n');
    return exitStatus;
}

bool infoframeRunsWithoutDevice(Command command)
{
    return command == Command::HdrDecode || command == Command::AviDecode ||
           command == Command::HdrPresets;
}

int runInfoframeOffline(const Request &r, QIODevice &out, QIODevice &err)
{
    if (r.command == Command::HdrPresets)
        return presets(r, out);
    if (r.command == Command::HdrDecode) {
        const QByteArray bytes = hexBytes(r, colonhex::HdrLimits);
        if (bytes.isEmpty())
            return complain(err, exitcode::Usage, QStringLiteral("no HDR infoframe bytes"));
        const HdrDecoded d = decodeHdrBytes(bytes);
        if (r.json)
            writeJson(out, hdrJson(d));
        else
            writeLines(out, hdrWords(d));
        return exitcode::Ok;
    }
    const QByteArray bytes = hexBytes(r, colonhex::AviLimits);
    if (bytes.isEmpty())
        return complain(err, exitcode::Usage, QStringLiteral("no AVI infoframe bytes"));
    const AviDecoded d = decodeAviData(bytes);
    const QString mode = edid::vicMode(d.fields.vic);
    if (r.json)
        writeJson(out, aviJson(d, mode));
    else
        writeLines(out, aviWords(d, mode));
    return exitcode::Ok;
}

int showInfoframes(session::DeviceSession &s, const Request &r, const ConfigIo &io)
{
    int exit = exitcode::Ok;
    if (r.command == Command::AviShow) {
        const std::optional<QByteArray> avi = readStored(s, io, false, exit);
        if (!avi)
            return exit;
        const AviDecoded d = decodeAviData(*avi);
        const QString mode = edid::vicMode(d.fields.vic);
        if (r.json)
            writeJson(io.out, aviJson(d, mode));
        else
            writeLines(io.out, aviWords(d, mode));
        return exitcode::Ok;
    }
    const std::optional<QByteArray> captured = readCapture(s, io, exit);
    if (!captured)
        return exit;
    const std::optional<QByteArray> stored = readStored(s, io, true, exit);
    if (!stored)
        return exit;
    const std::optional<HdrDecoded> capture =
        captured->isEmpty() ? std::nullopt : std::optional(decodeHdrData(*captured));
    const HdrDecoded custom = decodeHdrFrame(*stored);
    if (r.json) {
        writeJson(io.out, QJsonObject{{"captured", capture ? QJsonValue(hdrJson(*capture))
                                                           : QJsonValue(QJsonValue::Null)},
                                      {"stored", hdrJson(custom)}});
        return exitcode::Ok;
    }
    QStringList lines;
    if (capture)
        lines << QStringLiteral("Captured from the source (%1):").arg(hex(*captured))
              << indented(hdrWords(*capture));
    else
        lines << QStringLiteral("Captured from the source: none");
    lines << QStringLiteral("Stored custom frame (%1):").arg(hex(*stored))
          << indented(hdrWords(custom));
    writeLines(io.out, lines);
    return exitcode::Ok;
}

BuiltFrame buildHdrFrame(session::DeviceSession &s, const Request &r, const ConfigIo &io)
{
    const HdrEdits &e = r.infoframe.hdr;
    if (e.base == HdrBase::Hex) {
        const QByteArray frame = hexBytes(r, colonhex::HdrLimits);
        // Malformed frames were refused before the device was opened, unless forced.
        warn(io.err, texts(decodeHdrFrame(frame).problems));
        return BuiltFrame{frame, exitcode::Ok, {}};
    }
    HdrMetadata m = e.base == HdrBase::Preset ? e.preset : HdrMetadata{};
    int exit = exitcode::Ok;
    if (e.base == HdrBase::Capture || e.base == HdrBase::Stored) {
        const std::optional<QByteArray> bytes =
            e.base == HdrBase::Capture ? readCapture(s, io, exit) : readStored(s, io, true, exit);
        if (!bytes)
            return BuiltFrame{std::nullopt, exit, {}};
        const char *what = e.base == HdrBase::Capture ? "captured" : "stored";
        if (bytes->isEmpty())
            return BuiltFrame{std::nullopt,
                              complain(io.err, exitcode::DeviceFailed,
                                       QStringLiteral("the source sends no HDR infoframe: "
                                                      "nothing to start from, nothing sent")),
                              {}};
        const HdrDecoded start =
            e.base == HdrBase::Capture ? decodeHdrData(*bytes) : decodeHdrFrame(*bytes);
        // Fields missing from a cut frame would go out as zeros the user never chose.
        for (const HdrProblem &p : start.problems)
            if (p.kind == HdrProblemKind::TooShort)
                return {std::nullopt,
                        complain(io.err, exitcode::DeviceFailed,
                                 QStringLiteral("the %1 frame (%2) is incomplete: %3; nothing sent")
                                     .arg(QLatin1String(what), hex(*bytes), p.text())),
                        {}};
        m = start.metadata;
    }
    e.applyTo(m);
    warn(io.err, texts(hdrValueProblems(m)));
    const QByteArray frame = encodeHdrFrame(m);
    return {frame, exitcode::Ok, QStringLiteral("HDR infoframe sent: %1").arg(hex(frame))};
}

BuiltFrame buildAviData(session::DeviceSession &s, const Request &r, const ConfigIo &io)
{
    QByteArray start;
    if (r.hexText.isEmpty()) {
        int exit = exitcode::Ok;
        const std::optional<QByteArray> stored = readStored(s, io, false, exit);
        if (!stored)
            return BuiltFrame{std::nullopt, exit, {}};
        start = *stored;
    } else {
        start = hexBytes(r, colonhex::AviLimits);
    }
    if (!r.infoframe.avi.any())
        return BuiltFrame{start, exitcode::Ok, {}};
    AviFields fields = decodeAviData(start).fields;
    r.infoframe.avi.applyTo(fields);
    const std::vector<QString> problems = aviProblems(fields);
    warn(io.err, QStringList(problems.begin(), problems.end()));
    const QByteArray data = encodeAviData(fields).left(
        std::max(int(start.size()), std::max(AviMinimumSize, r.infoframe.avi.lastByte())));
    return {data, exitcode::Ok, QStringLiteral("AVI data bytes sent: %1").arg(hex(data))};
}

} // namespace cli
