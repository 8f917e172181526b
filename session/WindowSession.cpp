#include "session/WindowSession.h"

#include "cec_infoframes/InfoframeCommands.h"
#include "device/DeviceLink.h"
#include "session/DeviceSession.h"
#include "settings/SettingsPoll.h"

#include <algorithm>

namespace session
{

WindowSession::WindowSession(DeviceSession &session) : s_(session)
{
    s_.setReportSink([this](const QString &text, int ms) { pending_.append({text, ms, {}}); });
}

Reports WindowSession::takeReports()
{
    Reports out;
    out.swap(pending_);
    return out;
}

void WindowSession::add(const edid::StatusMessage &message)
{
    if (!message.text.isEmpty())
        pending_.append({message.text, message.timeoutMs, {}});
}

void WindowSession::add(const cecif::Outcome &outcome)
{
    pending_.append({outcome.status, outcome.statusMs, outcome.stdoutLine});
}

void WindowSession::deviceGone()
{
    s_.link().closeDevice();
    connected_ = false;
}

StartUpResult WindowSession::startUp(const QByteArray &id, const edid::Progress &progress)
{
    // A start-up after a replug begins as at launch: the boxes are filled anew, the copy and
    // the rebuild wait start over.
    initialised_ = false;
    rebuildPending_ = true;
    copy_ = {};
    shown_.emptyCombos();
    StartUpResult r;
    id_ = id;
    r.failure = s_.open(id);
    if (r.failure != OpenFailure::None) {
        r.reason = openFailureMessage(r.failure);
        r.reports = takeReports();
        return r;
    }
    r.opened = connected_ = true;
    r.settings = pollSettings();

    CommandPrimitives &p = s_.primitives();
    cmd::ReplyBuffer firmware{}, storedHdr{}, storedAvi{};
    p.readInfoBlock(cmd::info::Firmware, firmware, cmd::info::FirmwareLength);
    p.readInfoBlock(cmd::info::StoredHdr, storedHdr, cmd::info::StoredHdrLength);
    // Only the last of the three reads decides whether the version is shown.
    if (p.readInfoBlock(cmd::info::StoredAvi, storedAvi, cmd::info::StoredAviLength))
        r.firmware = QStringLiteral("%1.%2.%3.%4")
                         .arg(firmware[2])
                         .arg(firmware[3])
                         .arg(firmware[4])
                         .arg(firmware[5]);
    shown_.fillCombos();
    r.hdrText = hdrEditorText_ = storedHdrTextOf(storedHdr);
    r.aviText = storedAviTextOf(storedAvi);
    intervalMs_ = PollIntervalMs;
    r.status = pollStatus();
    r.edid = readEdidTable(edid::Source::Own, progress);
    initialised_ = true;
    r.reports = takeReports();
    return r;
}

TickResult WindowSession::tick(const edid::Progress &progress)
{
    TickResult t;
    t.nextIntervalMs = intervalMs_;
    if (!connected_)
        return t;
    DeviceLink &link = s_.link();
    // A silent device costs one time-out per tick: the guard skips the tick's further exchanges.
    link.beginPollTick();
    // A failed read counts as busy: a silent device then costs this one time-out per tick and
    // no fetch on top.
    if (rebuildPending_ && edid::checkRebuild(s_.primitives()) == edid::RebuildState::Idle) {
        rebuildPending_ = false;
        t.edid = readEdidTable(edid::Source::Own, progress);
    }
    t.settings = pollSettings();
    t.status = pollStatus();
    t.silent = link.endPollTick();

    // Silent: back off, counted from the end of this tick. Answered again: the normal pace.
    const int before = intervalMs_;
    if (t.silent)
        intervalMs_ = intervalMs_ < SilentFirstIntervalMs
                          ? SilentFirstIntervalMs
                          : std::min(2 * intervalMs_, SilentMaxIntervalMs);
    else
        intervalMs_ = PollIntervalMs;
    t.restartTimer = t.silent || before != intervalMs_;
    t.nextIntervalMs = intervalMs_;
    t.reports = takeReports();
    return t;
}

std::optional<settings::SettingBytes> WindowSession::pollSettings()
{
    CommandPrimitives &p = s_.primitives();
    cmd::ReplyBuffer block{}, status{};
    const bool settingsRead = p.readSettings(block, cmd::SettingsReplyLength) != 0;
    // Only the success of this read counts; its data belong to the status poll.
    const bool statusRead =
        p.readInfoBlock(cmd::info::Status, status, cmd::info::StatusLengthSettingsPoll) != 0;
    if (settings::decidePoll(settingsRead, block, statusRead) != settings::PollOutcome::Apply)
        return std::nullopt;
    copy_ = settings::settingBytes(block);
    for (const ShownSettings::WriteBack &w : shown_.show(copy_, initialised_))
        writeBack(w);
    return copy_;
}

void WindowSession::writeBack(const ShownSettings::WriteBack &w)
{
    const settings::Setting *s = settings::settingOf(w.id);
    if (s == nullptr)
        return;
    // A box turned on by the poll sends the HDR editor's frame first, as a click would.
    if (s->follow == settings::Follow::HdrInfoframeFirst &&
        settings::namedValue(*s, "on") == w.value)
        add(cecif::sendHdrInfoframe(s_.link(), hdrEditorText_));
    if (s_.primitives().writeSetting(s->reg, w.value) != 0 && storesCopy(*s))
        copy_[std::size_t(s->byte)] = std::uint8_t(w.value);
}

bool WindowSession::storesCopy(const settings::Setting &s)
{
    return settings::storesCopy(s);
}

std::optional<StatusTexts> WindowSession::pollStatus()
{
    return decodeStatus(readStatusBlocks(s_.primitives()));
}

SettingResult WindowSession::writeSetting(settings::Id id, int value)
{
    SettingResult r;
    r.id = id;
    const settings::Setting *s = settings::settingOf(id);
    if (s != nullptr && s->reg != settings::NoRegister) {
        r.ok = s_.primitives().writeSetting(s->reg, value) != 0;
        if (r.ok && storesCopy(*s))
            copy_[std::size_t(s->byte)] = std::uint8_t(value & 0xFF);
        // A write the device did not take leaves the control on the device's value.
        if (s->byte >= 0 && s->byte < cmd::SettingsBytes)
            shown_.set(id, r.ok ? value : copy_[std::size_t(s->byte)]);
        // The device rebuilds its EDID; the poll reads it once the device is idle.
        if (s->follow == settings::Follow::WaitWhileBusy)
            rebuildPending_ = true;
    }
    r.copy = copy_;
    r.reports = takeReports();
    return r;
}

CommandResult WindowSession::writeSettingsBlock()
{
    CommandResult r;
    r.ok = s_.primitives().writeSettingsBlock(copy_.data()) != 0;
    r.reports = takeReports();
    r.copy = copy_;
    return r;
}

CommandResult WindowSession::factoryReset(int value)
{
    CommandResult r;
    r.ok = s_.primitives().writeSetting(settings::FactoryResetRegister, value) != 0;
    r.reports = takeReports();
    r.copy = copy_;
    return r;
}

edid::ReadOutcome WindowSession::readEdidTable(edid::Source source, const edid::Progress &progress)
{
    const edid::ReadOutcome outcome = s_.readEdid(source, progress);
    add(outcome.message);
    return outcome;
}

EdidReadResult WindowSession::readEdid(edid::Source source, const edid::Progress &progress)
{
    EdidReadResult r;
    r.source = source;
    r.outcome = readEdidTable(source, progress);
    r.reports = takeReports();
    return r;
}

EdidWriteResult WindowSession::writeEdid(const edid::Table &table, const edid::Progress &progress,
                                         const edid::StopRequested &stop)
{
    EdidWriteResult r;
    r.outcome = edid::writeEdidTable(s_.primitives(), table, progress, stop);
    add(r.outcome.message);
    r.reports = takeReports();
    return r;
}

CommandResult WindowSession::commandResult(const cecif::Outcome &outcome)
{
    add(outcome);
    return {outcome.result, takeReports(), copy_};
}

CommandResult WindowSession::sendCec(const QString &text)
{
    return commandResult(cecif::sendCec(s_.link(), text));
}

CommandResult WindowSession::storeCec(const QString &text, cecif::CecButton button)
{
    return commandResult(cecif::storeCec(s_.link(), text, button));
}

CommandResult WindowSession::sendHdr(const QString &text)
{
    return commandResult(cecif::sendHdrInfoframe(s_.link(), text));
}

CommandResult WindowSession::sendAvi(const QString &text, bool replace)
{
    return commandResult(cecif::sendAviInfoframe(s_.link(), text, replace, copy_));
}

} // namespace session
