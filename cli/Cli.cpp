#include "cli/Cli.h"

#include "cec_infoframes/EntryParse.h"
#include "cli/CecWords.h"
#include "cli/Completion.h"
#include "cli/ConfigCommands.h"
#include "cli/DisplaysCommand.h"
#include "cli/GlobalOptions.h"
#include "cli/InfoframeCommands.h"
#include "cli/JsonEnding.h"
#include "cli/Output.h"
#include "cli/Request.h"
#include "cli/StatusWatch.h"
#include "cli/TableSource.h"
#include "device/Clock.h"
#include "device/UsbApi.h"
#include "edid/EdidFile.h"
#include "edid/EdidInput.h"
#include "edid/EdidMode.h"
#include "edid/EdidReport.h"
#include "edid/EdidText.h"
#include "session/ConfigLoad.h"
#include "session/DeviceSession.h"

#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QJsonDocument>
#include <QSaveFile>

namespace cli
{
namespace
{

void writeLines(QIODevice &to, const QStringList &lines)
{
    for (const QString &line : lines)
        to.write(line.toUtf8() + '\n');
}

void writeJson(QIODevice &to, const QJsonObject &document)
{
    to.write(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

int complain(QIODevice &err, int code, const QString &text)
{
    err.write("korvalis-cli: " + text.toUtf8() + '\n');
    return code;
}

// A table in words, or as one JSON document; problems in it are part of the report.
int printDecoded(const edid::Bytes &bytes, bool json, QIODevice &out)
{
    const edid::EdidInfo info = edid::decodeEdid(bytes);
    if (json)
        writeJson(out, edid::reportJson(info));
    else
        out.write(edid::reportText(info).toUtf8());
    return exitcode::Ok;
}

// edid decode: a file or standard input, without any device.
int decodeInput(const Request &r, const Streams &io)
{
    const TableSource source = readTableSource(r.decodeFile, io.in, false);
    if (!source.error.isEmpty())
        return complain(io.err, exitcode::Usage, source.error);
    return printDecoded(source.input.bytes, r.json, io.out);
}

// One line on a terminal, rewritten in place; gone when the operation ends.
class ProgressLine
{
public:
    ProgressLine(QIODevice &err, bool enabled) : err_(err), enabled_(enabled) {}
    edid::Progress operator()(const QString &label)
    {
        if (!enabled_)
            return {};
        return [this, label](int value, int maximum) {
            if (value <= 0 && maximum <= 0) {
                if (shown_)
                    err_.write("\r\033[K");
                shown_ = false;
                return;
            }
            err_.write(QStringLiteral("\r%1 %2/%3").arg(label).arg(value).arg(maximum).toUtf8());
            shown_ = true;
        };
    }

private:
    QIODevice &err_;
    bool enabled_;
    bool shown_ = false;
};

// Runs one request on an open session.
class Runner
{
public:
    Runner(session::DeviceSession &s, const Request &r, const Streams &io,
           const std::optional<session::config::Plan> &plan)
        : s_(s), r_(r), io_(io), plan_(plan), progress_(io.err, io.errIsTerminal && !r.quiet)
    {
    }

    int run()
    {
        switch (r_.command) {
        case Command::Status:
            return status();
        case Command::Get:
        case Command::Settings:
            return values();
        case Command::Set:
        case Command::EdidMode:
            return assign();
        case Command::EdidRead:
            return edidRead();
        case Command::EdidWrite:
            return edidWrite();
        case Command::EdidEdit:
            return runEdidEdit(r_.edidEdit, io_, [this](edid::Table &t) { return readTable(t); },
                               [this](const edid::Table &t) { return writeEdited(t); });
        case Command::CecSend:
            if (!r_.cec.name.isEmpty())
                return sendNamedCec(r_, io_.out, [this](const QByteArray &payload) {
                    return step(s_.sendCec(payload));
                });
            return step(s_.sendCec(entryBytes(colonhex::CecSendLimits, colonhex::Mode::LengthByte)));
        case Command::CecStore:
            return step(s_.storeCec(colonhex::prepareEntryText(r_.hexText), r_.button));
        case Command::HdrSend: {
            const BuiltFrame built = buildHdrFrame(s_, r_, configIo());
            return built.bytes ? reportSent(built, step(s_.sendHdr(*built.bytes)), io_.out)
                               : built.exitStatus;
        }
        case Command::AviSend: {
            const BuiltFrame built = buildAviData(s_, r_, configIo());
            return built.bytes ? reportSent(built, aviSend(*built.bytes), io_.out)
                               : built.exitStatus;
        }
        case Command::HdrShow:
        case Command::AviShow:
            return showInfoframes(s_, r_, configIo());
        case Command::Reset:
            return step(s_.factoryReset(r_.resetValue));
        case Command::ConfigSave:
            return cli::configSave(s_, r_, configIo(), QDateTime::currentDateTimeUtc());
        case Command::ConfigLoad:
            return plan_ ? cli::configLoad(s_, r_, *plan_, configIo()) : exitcode::Usage;
        case Command::Help:
        case Command::List:
        case Command::EdidDecode:
        case Command::HdrDecode:
        case Command::AviDecode:
        case Command::HdrPresets:
        case Command::CecDecode:
        case Command::CecCommands:
        case Command::Version:
        case Command::Completion:
        case Command::Displays:
            break;
        }
        return exitcode::Ok;
    }

private:
    ConfigIo configIo()
    {
        return {io_.out, io_.err, [this](const QString &label) { return progress_(label); },
                [this](const QString &failure) { return failed(failure); }};
    }

    // A device failure: the cause, and what the USB layer warned of on the way.
    int failed(const QString &text)
    {
        QString line = text;
        if (!s_.warnings().isEmpty())
            line += QStringLiteral(" (USB: %1)").arg(s_.warnings().join(QStringLiteral("; ")));
        return complain(io_.err, exitcode::DeviceFailed, line);
    }
    int step(const session::Step &st)
    {
        return st.ok() ? exitcode::Ok : failed(session::failureWords(st));
    }

    // The bytes of the command's checked colon hex (the check ran before the device was opened).
    QByteArray entryBytes(const colonhex::EntryLimits &limits,
                          colonhex::Mode mode = colonhex::Mode::Plain) const
    {
        return colonhex::parseEntry(r_.hexText, limits, mode).bytes.value_or(QByteArray());
    }

    bool settingsRead(settings::SettingBytes &bytes)
    {
        const session::BusyWait wait = s_.waitWhileBusy(progress_(QStringLiteral("device busy")));
        bytes = wait.bytes;
        if (!wait.step.ok())
            step(wait.step);
        return wait.step.ok();
    }

    int status()
    {
        const std::optional<QString> firmware = s_.readFirmware();
        if (!firmware)
            return step(s_.lastStep());
        const session::DeviceSession::Status st = s_.readStatus();
        if (!st.step.ok())
            return step(st.step);
        settings::SettingBytes bytes{};
        if (!settingsRead(bytes))
            return exitcode::DeviceFailed;
        if (r_.json)
            writeJson(io_.out, statusDocument(*firmware, st.values, st.texts, bytes));
        else
            writeLines(io_.out, statusLines(*firmware, st.texts, bytes));
        return exitcode::Ok;
    }

    int values()
    {
        settings::SettingBytes bytes{};
        if (!settingsRead(bytes))
            return exitcode::DeviceFailed;
        if (r_.command == Command::Settings) {
            if (r_.json)
                writeJson(io_.out, catalogDocument(bytes));
            else
                writeLines(io_.out, settings::listing(bytes));
            return exitcode::Ok;
        }
        const auto which = r_.names.empty() ? allSettings() : r_.names;
        if (r_.json)
            writeJson(io_.out, valueObject(which, bytes, r_.numbers));
        else
            writeLines(io_.out, valueLines(which, bytes, r_.numbers));
        return exitcode::Ok;
    }

    int assign()
    {
        // The bytes only keep what the writes change; nothing here needs the device's others.
        settings::SettingBytes bytes{};
        for (const Assignment &a : r_.assignments) {
            const int done = write(*a.setting, a.value, bytes);
            if (done != exitcode::Ok)
                return done;
        }
        return exitcode::Ok;
    }

    // One setting with its follow-up steps; turning one on first sends the device's own stored
    // infoframe, which must then have come.
    int write(const settings::Setting &setting, int value, settings::SettingBytes &bytes)
    {
        const session::FirstFrames first = s_.storedFramesFor(setting, value);
        if (!s_.lastStep().ok())
            return step(s_.lastStep());
        return step(s_.writeSetting(setting, value, bytes, first, true,
                                    progress_(QStringLiteral("device busy"))));
    }

    int edidRead()
    {
        const session::EdidRead read =
            s_.readEdid(r_.source, progress_(QStringLiteral("reading EDID")));
        if (!read.ok())
            return step(read.step);
        // A table read while the device was still rebuilding it may be half old, half new.
        if (!read.busy.ok())
            return step(read.busy);
        if (r_.decode)
            return printDecoded(edid::Bytes(read.table.begin(), read.table.end()), r_.json,
                                io_.out);
        if (r_.hex) {
            const QString text = edid::edidTableText(read.table);
            if (r_.json && r_.outputFile.isEmpty()) {
                static const char *const names[] = {"own", "tv-a", "tv-b"};
                writeJson(io_.out, QJsonObject{{"source", names[int(r_.source)]},
                                               {"consistent", edid::isConsistent(read.table)},
                                               {"edid", text}});
                return exitcode::Ok;
            }
            if (r_.outputFile.isEmpty()) {
                io_.out.write(text.toLatin1());
                return exitcode::Ok;
            }
            QSaveFile file(r_.outputFile);
            if (file.open(QIODevice::WriteOnly) && file.write(text.toLatin1()) == text.size() &&
                file.commit())
                return exitcode::Ok;
            return complain(
                io_.err, exitcode::Usage,
                QStringLiteral("cannot write %1: %2").arg(r_.outputFile, file.errorString()));
        }
        if (r_.outputFile.isEmpty()) {
            io_.out.write(reinterpret_cast<const char *>(read.table.data()), edid::TableSize);
            return exitcode::Ok;
        }
        const edid::FileResult saved = edid::saveEdidFile(r_.outputFile, read.table);
        if (!saved.ok)
            return complain(
                io_.err, exitcode::Usage,
                QStringLiteral("cannot write %1: %2").arg(r_.outputFile, saved.errorString));
        return exitcode::Ok;
    }

    // The device's table for edid edit: a read as edid read does.
    int readTable(edid::Table &table)
    {
        const session::EdidRead read =
            s_.readEdid(*r_.edidEdit.from, progress_(QStringLiteral("reading EDID")));
        if (!read.ok())
            return step(read.step);
        if (!read.busy.ok())
            return step(read.busy);
        table = read.table;
        return exitcode::Ok;
    }

    // The edited table goes the way of edid write --verify.
    int writeEdited(const edid::Table &table)
    {
        Request w = r_;
        w.command = Command::EdidWrite;
        w.table = table;
        w.verify = true;
        w.selectCustom = r_.edidEdit.selectCustom;
        return Runner(s_, w, io_, plan_).run();
    }

    int edidWrite()
    {
        warnWriteProblems(r_.table, io_.err);
        settings::SettingBytes bytes{};
        if (!settingsRead(bytes))
            return exitcode::DeviceFailed;
        const settings::Setting &mode = *settings::findSetting("edid-mode");
        const settings::Setting &table = *settings::findSetting("edid-table");
        const int m = settings::currentValue(mode, bytes).raw;
        const int t = settings::currentValue(table, bytes).raw;
        if (!edid::uploadAllowed(m, t)) {
            if (!r_.selectCustom)
                return failed(QStringLiteral(
                    "the device takes an EDID only in CUSTOM mode with table 1: run "
                    "'korvalis-cli edid mode custom --table 1' first, or add --select-custom"));
            const int custom = *settings::namedValue(mode, "custom");
            for (const Assignment &a : {Assignment{&table, 1}, Assignment{&mode, custom}}) {
                const int done = write(*a.setting, a.value, bytes);
                if (done != exitcode::Ok)
                    return done;
            }
        }
        if (r_.verify)
            return step(s_.writeEdidVerified(r_.table, progress_(QStringLiteral("writing EDID")),
                                             progress_(QStringLiteral("verifying EDID"))));
        return step(s_.writeEdid(r_.table, progress_(QStringLiteral("writing EDID"))));
    }

    int aviSend(const QByteArray &data)
    {
        settings::SettingBytes bytes{};
        bool replace = false;
        if (r_.replace) {
            replace = *r_.replace;
        } else {
            // As the window writes its check box: the device's current choice.
            if (!settingsRead(bytes))
                return exitcode::DeviceFailed;
            replace = settings::currentValue(*settings::findSetting("replace-avi"), bytes).raw == 1;
        }
        return step(s_.sendAvi(data, replace, bytes));
    }

    session::DeviceSession &s_;
    const Request &r_;
    const Streams &io_;
    const std::optional<session::config::Plan> &plan_;
    ProgressLine progress_;
};

QString openFailureLine(OpenFailure failure, const QByteArray &id)
{
    if (failure == OpenFailure::NotConnected && id.contains('/'))
        return QStringLiteral("no KORVALIS device answers on %1 (is its simulator running? "
                              "'korvalis-cli list' shows what is)")
            .arg(QString::fromLocal8Bit(id));
    if (failure == OpenFailure::NotConnected)
        return QStringLiteral("no KORVALIS device with id %1 is connected ('korvalis-cli list' "
                              "shows what is)")
            .arg(QString::fromLocal8Bit(id));
    return session::openFailureMessage(failure);
}

// Prints the devices present, then each arrival and departure as it comes, until interrupted.
int watchDevices(const Request &r, const Backend &backend, const Streams &io)
{
    if (!backend.watch || !backend.catchInterrupt)
        return complain(io.err, exitcode::Usage, QStringLiteral("--watch is not available here"));
    const std::unique_ptr<DeviceWatcher> watcher =
        backend.watch(r.deviceGiven ? r.deviceId : QByteArray());
    const std::atomic<bool> *interrupted = backend.catchInterrupt();
    const auto print = [&](const QString &what, const WatchedDevice &device) {
        const QString time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
        if (r.json)
            io.out.write(
                QJsonDocument(watchObject(time, what, device)).toJson(QJsonDocument::Compact) +
                '\n');
        else
            io.out.write(watchLine(time, what, device).toUtf8() + '\n');
        // Standard output into a pipe or a file is block-buffered: a script reading line by
        // line gets each event as it happens, not when the watch ends.
        if (auto *file = qobject_cast<QFileDevice *>(&io.out))
            file->flush();
    };
    for (const WatchedDevice &d : watcher->present())
        print(QStringLiteral("present"), d);
    while (!interrupted->load()) {
        for (const DeviceEvent &e : watcher->poll(WatchPollMs))
            print(e.kind == DeviceEvent::Arrival ? QStringLiteral("arrival")
                                                 : QStringLiteral("departure"),
                  e.device);
    }
    return exitcode::Ok;
}

int runParsed(const Parsed &parsed, const Backend &backend, const Streams &streams)
{
    if (!parsed.request)
        return complain(streams.err, exitcode::Usage, parsed.error);
    const Request &r = *parsed.request;
    if (!parsed.help.isEmpty()) {
        streams.out.write(parsed.help.toUtf8());
        return exitcode::Ok;
    }

    if (r.command == Command::List && r.watch)
        return watchDevices(r, backend, streams);
    if (r.command == Command::List) {
        const auto devices = session::listDevices(backend.usb, backend.locate);
        const std::vector<session::ListedDevice> none;
        const auto &list = devices ? *devices : none; // a failing count lists nothing
        if (r.json)
            writeJson(streams.out, deviceDocument(list));
        else
            writeLines(streams.out, deviceLines(list));
        return exitcode::Ok;
    }

    if (r.command == Command::Completion) {
        streams.out.write(bashCompletion().toUtf8());
        return exitcode::Ok;
    }
    if (r.command == Command::EdidDecode)
        return decodeInput(r, streams);
    if (infoframeRunsWithoutDevice(r.command))
        return runInfoframeOffline(r, streams.out, streams.err);
    if (r.command == Command::CecDecode || r.command == Command::CecCommands)
        return printCecWords(r, streams.out);
    if (r.command == Command::EdidEdit && !r.edidEdit.needsDevice())
        return runEdidEdit(r.edidEdit, streams, {}, {});
    // A file is checked whole before any device is opened.
    std::optional<session::config::Plan> plan;
    if (r.command == Command::ConfigLoad && !checkConfigFile(r, streams.out, streams.err, plan))
        return exitcode::Usage;

    const DevicePlace place = devicePlace(r.deviceId, backend.socketDirectory, r.waitSeconds > 0);
    if (!place.error.isEmpty())
        return complain(streams.err, place.exitStatus, place.error);
    session::DeviceSession s(backend.usb, backend.clock, backend.alerts);
    const OpenFailure failure = s.open(place.id, std::uint32_t(r.waitSeconds) * 1000u);
    if (failure != OpenFailure::None)
        return complain(streams.err, exitcode::NoDevice, openFailureLine(failure, r.deviceId));
    if (r.command == Command::Status && r.watch)
        return watchStatus(s, r, backend, streams);
    if (r.command == Command::Displays)
        return showDisplays(s, r, streams);
    return Runner(s, r, streams, plan).run();
}

} // namespace

int run(const QStringList &arguments, const Backend &backend, const Streams &streams)
{
    const Parsed parsed = parseArguments(arguments, streams.outIsTerminal);
    JsonEnding ending(arguments, parsed, streams);
    return ending.finish(runParsed(parsed, backend, ending.streams()));
}

} // namespace cli
