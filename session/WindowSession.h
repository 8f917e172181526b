#pragma once

#include "cec_infoframes/CecCommands.h"
#include "cec_infoframes/Outcome.h"
#include "device/OpenFailure.h"
#include "edid/EdidTransfer.h"
#include "session/ShownSettings.h"
#include "settings/Catalog.h"
#include "status/StatusDecoder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace session
{

class DeviceSession;

// One status-bar message (empty text: none) and one standard-output line (empty: none).
struct Report {
    QString text;
    int timeoutMs = 0;
    QByteArray stdoutLine;
};
using Reports = QList<Report>;

struct StartUpResult {
    bool afterArrival = false; // run because the device was plugged in, not at launch
    OpenFailure failure = OpenFailure::NotConnected;
    QString reason;     // why a found device could not be opened; empty otherwise
    QStringList alerts; // the USB layer's warnings, when the caller collects them
    bool opened = false;
    std::optional<settings::SettingBytes> settings; // the start-up poll's block, when applied
    std::optional<QString> firmware;                // "1.11.0.5", when the info blocks came
    QString hdrText;
    QString aviText;
    std::optional<StatusTexts> status;
    std::optional<edid::ReadOutcome> edid;
    Reports reports;
};

struct TickResult {
    std::optional<edid::ReadOutcome> edid;          // the read after an EDID rebuild
    std::optional<settings::SettingBytes> settings; // applied block
    std::optional<StatusTexts> status;
    bool silent = false;       // an exchange went unanswered
    int nextIntervalMs = 0;    // when the next tick comes
    bool restartTimer = false; // the pause counts from the end of this tick
    Reports reports;
};

struct SettingResult {
    bool ok = false;
    settings::Id id{};
    settings::SettingBytes copy{}; // the device's last known setting bytes afterwards
    Reports reports;
};

struct EdidReadResult {
    edid::Source source = edid::Source::Own;
    edid::ReadOutcome outcome;
    Reports reports;
};

struct EdidWriteResult {
    edid::WriteOutcome outcome;
    Reports reports;
};

struct CommandResult {
    bool ok = false;
    Reports reports;
    settings::SettingBytes copy{}; // the settings copy afterwards (an AVI send sets a byte)
};

// The device work of the window, every step in the window's order and with the window's
// messages: start-up, the poll cycle (EDID rebuild wait, settings poll with its write-backs,
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

    StartUpResult startUp(const QByteArray &id, const edid::Progress &progress = {});
    TickResult tick(const edid::Progress &progress = {});

    // What a self-writing control stands for before start-up (its state in the form).
    void setShown(settings::Id id, int value) { shown_.set(id, value); }
    // The HDR editor's text, sent first when a poll turns forced HDR on.
    void setHdrEditorText(const QString &text) { hdrEditorText_ = text; }

    // A setting slot's register write. Only an echoed write counts; the copy keeps the
    // device's value otherwise.
    SettingResult writeSetting(settings::Id id, int value);
    CommandResult writeSettingsBlock();
    CommandResult factoryReset(int value);

    EdidReadResult readEdid(edid::Source source, const edid::Progress &progress);
    EdidWriteResult writeEdid(const edid::Table &table, const edid::Progress &progress,
                              const edid::StopRequested &stop);

    CommandResult sendCec(const QString &text);
    CommandResult storeCec(const QString &text, cecif::CecButton button);
    CommandResult sendHdr(const QString &text);
    CommandResult sendAvi(const QString &text, bool replace);

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
    edid::ReadOutcome readEdidTable(edid::Source source, const edid::Progress &progress);
    void add(const edid::StatusMessage &message);
    void add(const cecif::Outcome &outcome);
    Reports takeReports();
    CommandResult commandResult(const cecif::Outcome &outcome);

    DeviceSession &s_;
    Reports pending_; // reports since the last result, in the order they came
    ShownSettings shown_;
    settings::SettingBytes copy_{};
    QString hdrEditorText_;
    bool connected_ = false;
    QByteArray id_;
    bool initialised_ = false;
    bool rebuildPending_ = true;
    int intervalMs_ = PollIntervalMs;
};

} // namespace session
