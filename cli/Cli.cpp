#include "cli/Cli.h"

#include "cli/Completion.h"
#include "cli/ConfigCommands.h"
#include "cli/Output.h"
#include "cli/Request.h"
#include "device/Clock.h"
#include "device/FindDevice.h"
#include "device/OpenRetry.h"
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

// At most MaxInputSize + 1 bytes, so that a longer input shows as too long.
QByteArray readBounded(QIODevice &from)
{
    QByteArray data;
    while (data.size() <= edid::MaxInputSize) {
        const QByteArray chunk = from.read(edid::MaxInputSize + 1 - data.size());
        if (chunk.isEmpty())
            break;
        data += chunk;
    }
    return data;
}

// edid decode: a file or standard input, without any device.
int decodeInput(const Request &r, const Streams &io)
{
    const bool standardInput = r.decodeFile.isEmpty() || r.decodeFile == "-";
    const QString name = standardInput ? QStringLiteral("standard input") : r.decodeFile;
    QFile file(r.decodeFile);
    QIODevice *from = standardInput ? io.in : &file;
    if (from == nullptr || (!standardInput && !file.open(QIODevice::ReadOnly)))
        return complain(io.err, exitcode::Usage,
                        QStringLiteral("cannot read %1: %2")
                            .arg(name, from ? file.errorString() : QStringLiteral("not open")));
    const edid::TableInput in = edid::tableFromContents(readBounded(*from));
    if (!in.ok())
        return complain(io.err, exitcode::Usage,
                        QStringLiteral("no EDID table in %1: %2").arg(name, in.error));
    return printDecoded(in.bytes, r.json, io.out);
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
        case Command::CecSend:
            return outcome(QStringLiteral("CEC send"), s_.sendCec(r_.hexText), false);
        case Command::CecStore:
            return outcome(QStringLiteral("CEC store"), s_.storeCec(r_.hexText, r_.button), false);
        case Command::HdrSend:
            return outcome(QStringLiteral("HDR infoframe"), s_.sendHdr(r_.hexText), true);
        case Command::AviSend:
            return aviSend();
        case Command::Reset:
            return step(s_.factoryReset(r_.resetValue));
        case Command::ConfigSave:
            return cli::configSave(s_, r_, configIo(), QDateTime::currentDateTimeUtc());
        case Command::ConfigLoad:
            return plan_ ? cli::configLoad(s_, r_, *plan_, configIo()) : exitcode::Usage;
        case Command::Help:
        case Command::List:
        case Command::EdidDecode:
        case Command::Version:
        case Command::Completion:
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
    int step(const session::Step &st) { return st.ok ? exitcode::Ok : failed(st.failure); }

    bool settingsRead(settings::SettingBytes &bytes)
    {
        const session::BusyWait wait = s_.readSettings(progress_(QStringLiteral("device busy")));
        bytes = wait.bytes;
        if (!wait.step.ok)
            failed(wait.step.failure);
        return wait.step.ok;
    }

    int status()
    {
        const std::optional<QString> firmware = s_.readFirmware();
        if (!firmware)
            return failed(s_.failureOf(QStringLiteral("firmware read")));
        const session::DeviceSession::Status st = s_.readStatus();
        if (!st.step.ok)
            return failed(st.step.failure);
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
            writeJson(io_.out, valueObject(which, bytes));
        else
            writeLines(io_.out, valueLines(which, bytes));
        return exitcode::Ok;
    }

    int assign()
    {
        // The bytes only keep what the writes change; nothing here needs the device's others.
        settings::SettingBytes bytes{};
        for (const Assignment &a : r_.assignments) {
            const session::Step st = s_.writeSetting(*a.setting, a.value, bytes,
                                                     progress_(QStringLiteral("device busy")));
            if (!st.ok)
                return failed(st.failure);
        }
        return exitcode::Ok;
    }

    int edidRead()
    {
        const edid::ReadOutcome read =
            s_.readEdid(r_.source, progress_(QStringLiteral("reading EDID")));
        if (!read.ok())
            return failed(read.result == edid::ReadOutcome::FetchFailed
                              ? s_.failureOf(QStringLiteral("EDID fetch"))
                              : s_.failureOf(QStringLiteral("EDID read at byte %1")
                                                 .arg(read.chunksRead * cmd::EdidReadChunk)));
        if (r_.decode)
            return printDecoded(edid::Bytes(read.table.begin(), read.table.end()), r_.json,
                                io_.out);
        if (r_.hex) {
            const QString text = edid::edidTableText(read.table);
            if (r_.json) {
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

    int edidWrite()
    {
        settings::SettingBytes bytes{};
        if (!settingsRead(bytes))
            return exitcode::DeviceFailed;
        const settings::Setting &mode = *settings::findSetting("edid-mode");
        const settings::Setting &table = *settings::findSetting("edid-table");
        const int m = settings::currentValue(mode, bytes).raw;
        const int t = settings::currentValue(table, bytes).raw;
        if (!edid::uploadAllowed(m == 1, m == 2, m == 3, t - 1)) {
            if (!r_.selectCustom)
                return failed(QStringLiteral(
                    "the device takes an EDID only in CUSTOM mode with table 1: run "
                    "'korvalis-cli edid mode custom --table 1' first, or add --select-custom"));
            for (const Assignment &a : {Assignment{&table, 1}, Assignment{&mode, 3}}) {
                const session::Step st = s_.writeSetting(*a.setting, a.value, bytes,
                                                         progress_(QStringLiteral("device busy")));
                if (!st.ok)
                    return failed(st.failure);
            }
        }
        if (r_.verify)
            return step(session::config::writeEdidVerified(
                s_, r_.table, progress_(QStringLiteral("writing EDID")),
                progress_(QStringLiteral("verifying EDID"))));
        const edid::WriteOutcome written =
            s_.writeEdid(r_.table, progress_(QStringLiteral("writing EDID")));
        if (!written.ok())
            return failed(
                written.result == edid::WriteOutcome::CommitFailed
                    ? s_.failureOf(QStringLiteral("EDID commit"))
                    : s_.failureOf(QStringLiteral("EDID write at byte %1")
                                       .arg(written.chunksWritten * cmd::EdidWriteChunk)));
        return exitcode::Ok;
    }

    int aviSend()
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
        return outcome(QStringLiteral("AVI infoframe"), s_.sendAvi(r_.hexText, replace, bytes),
                       true);
    }

    // A CEC or infoframe command's outcome; `reportFails` when a device-failure report on its
    // status bar means failure even though the last step went through.
    int outcome(const QString &what, const cecif::Outcome &o, bool reportFails)
    {
        const bool reportedFailure = o.statusMs == StatusTime::DeviceFailure;
        if (o.result && !(reportFails && reportedFailure))
            return exitcode::Ok;
        QStringList said;
        if (reportedFailure)
            said << o.status;
        if (!o.stdoutLine.trimmed().isEmpty())
            said << QString::fromLatin1(o.stdoutLine.trimmed());
        // A send that activates after a failed store ends with an answered exchange: its
        // failure is the store's, not a refusal.
        const QString cause =
            o.result ? QStringLiteral("the device did not take the store") : s_.failureOf(what);
        return failed(
            QStringLiteral("%1 failed (%2): %3").arg(what, said.join(QStringLiteral(" ")), cause));
    }

    session::DeviceSession &s_;
    const Request &r_;
    const Streams &io_;
    const std::optional<session::config::Plan> &plan_;
    ProgressLine progress_;
};

QString openFailureLine(OpenFailure failure, const QByteArray &id)
{
    if (failure == OpenFailure::NotConnected)
        return QStringLiteral("no KORVALIS device with id %1 is connected ('korvalis-cli list' "
                              "shows what is)")
            .arg(QString::fromLocal8Bit(id));
    return openFailureMessage(failure);
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

// Opens the device named by an identification string or a place, after waiting up to
// `waitSeconds` for it to appear and up to the permission retry for the right to open it.
OpenFailure openNamed(session::DeviceSession &s, const Backend &backend, const Request &r)
{
    Clock &clock = backend.clock;
    const std::uint32_t start = clock.tickCount();
    const std::uint32_t waitMs = std::uint32_t(r.waitSeconds) * 1000u;
    std::optional<std::uint32_t> index = findDeviceIndex(backend.usb, r.deviceId);
    while (!index && clock.tickCount() - start < waitMs) {
        clock.sleep(WaitStepMs);
        index = findDeviceIndex(backend.usb, r.deviceId);
    }
    if (!index)
        return OpenFailure::NotConnected;
    UsbApi::Handle probe = UsbApi::NoHandle;
    const int status = openWithPermissionRetry(backend.usb, *index, clock, &probe);
    if (status != 0)
        return openFailureOf(status) == OpenFailure::None ? OpenFailure::Other
                                                          : openFailureOf(status);
    backend.usb.close(probe);
    // The link keeps the identification string, to find the unit again after a loss.
    char id[UsbApi::StringBufferSize] = {};
    if (backend.usb.getProductString(*index, id, 0) != 0)
        return OpenFailure::NotConnected;
    id[sizeof id - 1] = '\0';
    DeviceLink &link = s.link();
    if (!link.findDevice(QByteArray(id), link.deviceIndexRef()))
        return OpenFailure::NotConnected;
    link.deviceIndexRef() = *index; // the unit asked for, not the first with its id
    if (!link.openDevice(*index))
        return link.openFailure() == OpenFailure::None ? OpenFailure::Other : link.openFailure();
    return OpenFailure::None;
}

} // namespace

int run(const QStringList &arguments, const Backend &backend, const Streams &streams)
{
    const Parsed parsed = parseArguments(arguments, streams.outIsTerminal);
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
    // A file is checked whole before any device is opened.
    std::optional<session::config::Plan> plan;
    if (r.command == Command::ConfigLoad && !checkConfigFile(r, streams.out, streams.err, plan))
        return exitcode::Usage;

    session::DeviceSession s(backend.usb, backend.clock, backend.alerts);
    const OpenFailure failure = openNamed(s, backend, r);
    if (failure != OpenFailure::None)
        return complain(streams.err, exitcode::NoDevice, openFailureLine(failure, r.deviceId));
    return Runner(s, r, streams, plan).run();
}

} // namespace cli
