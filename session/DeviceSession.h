#pragma once

#include "cec_infoframes/CecCommands.h"
#include "cec_infoframes/Outcome.h"
#include "device/Alerts.h"
#include "device/CommandPrimitives.h"
#include "device/DeviceLink.h"
#include "device/OpenFailure.h"
#include "edid/EdidTransfer.h"
#include "settings/Catalog.h"
#include "status/StatusDecoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class Clock;
class UsbApi;

namespace session
{

// Forwards the USB layer's warnings and keeps them, so a front end without boxes can name them.
class CollectedAlerts : public Alerts
{
public:
    explicit CollectedAlerts(Alerts &next) : next_(next) {}
    void warning(const QString &text) override
    {
        shown << text;
        next_.warning(text);
    }
    QStringList shown;

private:
    Alerts &next_;
};

// How a step ended: done, or why not, in one line for a person.
struct Step {
    bool ok = true;
    QString failure; // empty when ok
    static Step done() { return {}; }
    static Step failed(const QString &why) { return {false, why}; }
};

// What a busy wait ended with.
struct BusyWait {
    Step step;
    settings::SettingBytes bytes{}; // the first block read while not busy
    int checks = 0;                 // settings reads made
};

// One open device and the multi-step operations both front ends run on it: the settings block,
// the status blocks, a setting written with its follow-up steps, and the EDID, CEC and infoframe
// operations. Closes the device when destroyed.
class DeviceSession
{
public:
    // Owns its link; the USB layer's warnings are kept (warnings()) and passed on.
    DeviceSession(UsbApi &usb, Clock &clock, Alerts &alerts);
    // On a link the caller made (and its alerts); warnings() stays empty.
    explicit DeviceSession(DeviceLink &link);
    ~DeviceSession();
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    // Finds the device by its identification string and opens it; OpenFailure::None when open.
    OpenFailure open(const QByteArray &id);
    bool isOpen() const { return link_.isOpen(); }

    DeviceLink &link() { return link_; }
    // Every status-bar text a primitive reports also goes here.
    void setReportSink(StatusSink sink) { reportSink_ = std::move(sink); }
    CommandPrimitives &primitives() { return primitives_; }
    // Warnings of the USB layer since the session began.
    const QStringList &warnings() const { return alerts_ ? alerts_->shown : noWarnings_; }
    // The last status-bar text a primitive reported.
    QString lastReport() const { return lastReport_; }

    // Why the last exchange failed: silence, or a reply that was not the right one.
    QString failureOf(const QString &what) const;

    // One settings read. A busy device's block is not trusted: the read is repeated, paced and
    // bounded like the EDID read's busy wait, until the device is free.
    BusyWait readSettings(const edid::Progress &progress = {});
    // Settings reads until the busy bit is clear (same bound); fails when it stays set.
    BusyWait waitWhileBusy(const edid::Progress &progress = {});

    // "1.2.3.4", or nothing when the firmware block did not come.
    std::optional<QString> readFirmware();

    struct Status {
        Step step;
        status::Values values;
        StatusTexts texts;
    };
    Status readStatus();

    // The register write with the steps the catalog row asks for around it. `bytes` is the
    // device's current setting bytes (the replace-AVI byte is kept up to date in it).
    Step writeSetting(const settings::Setting &setting, int value, settings::SettingBytes &bytes,
                      const edid::Progress &progress = {});
    Step factoryReset(int what);

    // The texts of the device's stored HDR and AVI infoframes, as the window's editors show them.
    std::optional<QString> storedHdrText();
    std::optional<QString> storedAviText();

    edid::ReadOutcome readEdid(edid::Source source, const edid::Progress &progress);
    edid::WriteOutcome writeEdid(const edid::Table &table, const edid::Progress &progress);

    cecif::Outcome sendCec(const QString &hex);
    cecif::Outcome storeCec(const QString &hex, cecif::CecButton button);
    cecif::Outcome sendHdr(const QString &hex);
    cecif::Outcome sendAvi(const QString &hex, bool replace, settings::SettingBytes &bytes);

private:
    void report(const QString &text, int timeoutMs);

    std::unique_ptr<CollectedAlerts> alerts_;
    std::unique_ptr<DeviceLink> ownedLink_;
    DeviceLink &link_;
    CommandPrimitives primitives_;
    QString lastReport_;
    StatusSink reportSink_;
    QStringList noWarnings_;
};

// The text of a stored HDR infoframe block: reply bytes 2 .. 5 + L (L at byte 4), bounded by
// what the read asked for.
QString storedHdrTextOf(const cmd::ReplyBuffer &reply);
// The 13 data bytes of a stored AVI infoframe block.
QString storedAviTextOf(const cmd::ReplyBuffer &reply);

} // namespace session
