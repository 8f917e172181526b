#pragma once

#include "device/OpenFailure.h"
#include "edid/EdidTransfer.h"
#include "session/DeviceSession.h"
#include "session/ShownSettings.h"
#include "session/Steps.h"
#include "settings/Catalog.h"
#include "status/StatusDecoder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace session
{

struct StartUpResult {
    bool afterArrival = false; // run because the device was plugged in, not at launch
    OpenFailure failure = OpenFailure::NotConnected;
    QString reason;     // why a found device could not be opened; empty otherwise
    QStringList alerts; // the USB layer's warnings, when the caller collects them
    bool opened = false;
    bool silent = false; // opened, but its first reads went unanswered
    std::optional<settings::SettingBytes> settings; // the start-up poll's block, when applied
    std::optional<QString> firmware;                // "1.11.0.5", when the info blocks came
    QByteArray hdrFrame; // the device's stored HDR infoframe, as its block holds it
    QByteArray aviData;  // the device's stored AVI data bytes
    std::optional<StatusTexts> status;
    std::optional<status::Values> statusValues; // the same poll as values
    std::optional<EdidRead> edid;
    Steps steps;
};

struct TickResult {
    std::optional<EdidRead> edid;                   // the read after an EDID rebuild
    std::optional<settings::SettingBytes> settings; // applied block
    std::optional<StatusTexts> status;
    std::optional<status::Values> statusValues; // the same poll as values
    bool silent = false;       // an exchange went unanswered
    int nextIntervalMs = 0;    // when the next tick comes
    bool restartTimer = false; // the pause counts from the end of this tick
    Steps steps;
};

struct SettingResult {
    bool ok = false;
    settings::Id id{};
    settings::SettingBytes copy{}; // the device's last known setting bytes afterwards
    Steps steps;
};

struct EdidReadResult {
    edid::Source source = edid::Source::Own;
    EdidRead read;
    Steps steps;
};

struct EdidWriteResult {
    Step step; // the commit, or where the write stopped
    Steps steps;
};

struct CommandResult {
    bool ok = false;
    Steps steps;
    settings::SettingBytes copy{}; // the settings copy afterwards (an AVI send sets a byte)
};

// The device work of the window, every step in the window's order: start-up, the poll cycle (EDID rebuild wait, settings poll with its write-backs,
// status poll, back-off) and each slot's operation. Holds what the window's device state is:
// the settings copy, what its self-writing controls show, the pending EDID rebuild.
class WindowSession
{
public:
    static constexpr int PollIntervalMs = 3000;
    // While the device stays silent the poll backs off: 6 s after the first silent tick, then
    // doubling up to 30 s.
    static constexpr int SilentFirstIntervalMs = 6000;
    static constexpr int SilentMaxIntervalMs = 30000;

    explicit WindowSession(DeviceSession &session);

    // `silent` runs as soon as the opened device leaves its first reads unanswered: the rest
    // of such a start-up waits out its time-outs.
    StartUpResult startUp(const QByteArray &id, const edid::Progress &progress = {},
                          const std::function<void()> &silent = {});
    TickResult tick(const edid::Progress &progress = {});

    // What a self-writing control stands for before start-up (its state in the form).
    void setShown(settings::Id id, int value) { shown_.set(id, value); }
    // The HDR editor's frame (none when its text is no frame), sent first when a poll turns
    // forced HDR on.
    void setHdrEditorFrame(const std::optional<QByteArray> &frame) { hdrEditorFrame_ = frame; }

    // A setting slot's register write, after the editor's infoframe of `first` when the setting
    // turns one on. Only an echoed write counts; the copy keeps the device's value otherwise.
    SettingResult writeSetting(settings::Id id, int value, const FirstFrames &first = {});
    CommandResult writeSettingsBlock();
    CommandResult factoryReset(int value);

    EdidReadResult readEdid(edid::Source source, const edid::Progress &progress);
    EdidWriteResult writeEdid(const edid::Table &table, const edid::Progress &progress,
                              const edid::StopRequested &stop);

    CommandResult sendCec(const QByteArray &payload);
    CommandResult storeCec(const QByteArray &text, CecButton button);
    CommandResult sendHdr(const QByteArray &frame);
    CommandResult sendAvi(const QByteArray &data, bool replace);

    // The device went away: closes it; the poll sends nothing until the next start-up.
    void deviceGone();

    bool connected() const { return connected_; }
    // The identification string (or path) the last start-up opened.
    const QByteArray &deviceId() const { return id_; }
    DeviceSession &session() { return s_; }
    bool initialised() const { return initialised_; }
    bool rebuildPending() const { return rebuildPending_; }
    int pollIntervalMs() const { return intervalMs_; }
    const settings::SettingBytes &settingsCopy() const { return copy_; }

private:
    // The settings poll; the write-backs it causes go out inside it.
    std::optional<settings::SettingBytes> pollSettings();
    std::optional<StatusTexts> pollStatus();
    void writeBack(const ShownSettings::WriteBack &w);
    static bool storesCopy(const settings::Setting &s);
    CommandResult commandResult(const Step &step);

    DeviceSession &s_;
    ShownSettings shown_;
    settings::SettingBytes copy_{};
    std::optional<QByteArray> hdrEditorFrame_;
    std::optional<status::Values> polledValues_; // of the last status poll
    bool connected_ = false;
    QByteArray id_;
    bool initialised_ = false;
    bool rebuildPending_ = true;
    int intervalMs_ = PollIntervalMs;
};

} // namespace session
