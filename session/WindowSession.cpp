#include "session/WindowSession.h"

#include "device/DeviceLink.h"
#include "session/DeviceSession.h"
#include "settings/SettingsPoll.h"

#include <algorithm>

namespace session
{

WindowSession::WindowSession(DeviceSession &session) : s_(session) {}

void WindowSession::deviceGone()
{
    s_.link().closeDevice();
    connected_ = false;
}

StartUpResult WindowSession::startUp(const QByteArray &id, const edid::Progress &progress,
                                     const std::function<void()> &silent)
{
    // A start-up after a replug begins as at launch: the boxes are filled anew, the copy and
    // the rebuild wait start over.
    initialised_ = false;
    rebuildPending_ = true;
    copy_ = {};
    shown_.emptyCombos();
    s_.takeSteps();
    StartUpResult r;
    id_ = id;
    r.failure = s_.open(id);
    if (r.failure != OpenFailure::None) {
        r.reason = openFailureMessage(r.failure);
        r.steps = s_.takeSteps();
        return r;
    }
    r.opened = connected_ = true;
    r.settings = pollSettings();
    r.silent = s_.link().lastExchange().timedOut;
    if (r.silent && silent)
        silent();

    CommandPrimitives &p = s_.primitives();
    cmd::ReplyBuffer firmware{}, storedHdr{}, storedAvi{};
    // Each block is shown as it came, even a failed read's zeros: the editors are filled anyway.
    const auto read = [&](int index, int length, cmd::ReplyBuffer &into) {
        return s_.record(Op::InfoBlockRead, p.readInfoBlock(index, into, length), index).ok();
    };
    read(cmd::info::Firmware, cmd::info::FirmwareLength, firmware);
    read(cmd::info::StoredHdr, cmd::info::StoredHdrLength, storedHdr);
    // Only the last of the three reads decides whether the version is shown.
    if (read(cmd::info::StoredAvi, cmd::info::StoredAviLength, storedAvi))
        r.firmware = firmwareText(firmware);
    shown_.fillCombos();
    r.hdrFrame = storedHdrFrame(storedHdr);
    hdrEditorFrame_ = r.hdrFrame;
    r.aviData = storedAviData(storedAvi);
    intervalMs_ = PollIntervalMs;
    r.status = pollStatus();
    r.statusValues = polledValues_;
    r.edid = s_.readEdid(edid::Source::Own, progress);
    initialised_ = true;
    r.steps = s_.takeSteps();
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
    if (rebuildPending_) {
        const std::optional<cmd::ReplyBuffer> block = s_.readSettingsBlock();
        if (block && !cmd::deviceBusy(*block)) {
            rebuildPending_ = false;
            t.edid = s_.readEdid(edid::Source::Own, progress);
        }
    }
    t.settings = pollSettings();
    t.status = pollStatus();
    t.statusValues = polledValues_;
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
    t.steps = s_.takeSteps();
    return t;
}

std::optional<settings::SettingBytes> WindowSession::pollSettings()
{
    const std::optional<cmd::ReplyBuffer> block = s_.readSettingsBlock();
    // Only the success of this read counts; its data belong to the status poll.
    const bool statusRead =
        s_.readInfoBlock(cmd::info::Status, cmd::info::StatusLengthSettingsPoll).has_value();
    if (settings::decidePoll(block.has_value(), block.value_or(cmd::ReplyBuffer{}), statusRead) !=
        settings::PollOutcome::Apply)
        return std::nullopt;
    copy_ = settings::settingBytes(*block);
    for (const ShownSettings::WriteBack &w : shown_.show(copy_, initialised_))
        writeBack(w);
    return copy_;
}

void WindowSession::writeBack(const ShownSettings::WriteBack &w)
{
    const settings::Setting *s = settings::settingOf(w.id);
    if (s == nullptr)
        return;
    // A box turned on by the poll sends the HDR editor's frame first, as a click would; the
    // copy keeps what the device echoed.
    settings::SettingBytes after = copy_;
    const Step written = s_.writeSetting(*s, w.value, after, {hdrEditorFrame_, std::nullopt}, false);
    if (written.ok() && storesCopy(*s))
        copy_[std::size_t(s->byte)] = std::uint8_t(w.value);
}

bool WindowSession::storesCopy(const settings::Setting &s)
{
    return settings::storesCopy(s);
}

std::optional<StatusTexts> WindowSession::pollStatus()
{
    const DeviceSession::Status st = s_.readStatus();
    polledValues_ = st.step.ok() ? std::optional(st.values) : std::nullopt;
    if (!st.step.ok())
        return std::nullopt;
    return st.texts;
}

SettingResult WindowSession::writeSetting(settings::Id id, int value, const FirstFrames &first)
{
    SettingResult r;
    r.id = id;
    const settings::Setting *s = settings::settingOf(id);
    if (s != nullptr && s->reg != settings::NoRegister) {
        settings::SettingBytes after = copy_;
        s_.writeSetting(*s, value, after, first, false);
        r.steps = s_.takeSteps();
        // The register write decides; an infoframe that failed before it has said so.
        const auto reg = std::find_if(r.steps.rbegin(), r.steps.rend(),
                                      [](const Step &st) { return st.op == Op::SettingWrite; });
        r.ok = reg != r.steps.rend() && reg->ok();
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
    return r;
}

CommandResult WindowSession::writeSettingsBlock()
{
    return commandResult(s_.writeSettingsBlock(copy_));
}

CommandResult WindowSession::factoryReset(int value)
{
    return commandResult(s_.factoryReset(value));
}

EdidReadResult WindowSession::readEdid(edid::Source source, const edid::Progress &progress)
{
    EdidReadResult r;
    r.source = source;
    r.read = s_.readEdid(source, progress);
    r.steps = s_.takeSteps();
    return r;
}

EdidWriteResult WindowSession::writeEdid(const edid::Table &table, const edid::Progress &progress,
                                         const edid::StopRequested &stop)
{
    EdidWriteResult r;
    r.step = s_.writeEdid(table, progress, stop);
    r.steps = s_.takeSteps();
    return r;
}

CommandResult WindowSession::commandResult(const Step &step)
{
    return {step.ok(), s_.takeSteps(), copy_};
}

CommandResult WindowSession::sendCec(const QByteArray &payload)
{
    return commandResult(s_.sendCec(payload));
}

CommandResult WindowSession::storeCec(const QByteArray &text, CecButton button)
{
    return commandResult(s_.storeCec(text, button));
}

CommandResult WindowSession::sendHdr(const QByteArray &frame)
{
    return commandResult(s_.sendHdr(frame));
}

CommandResult WindowSession::sendAvi(const QByteArray &data, bool replace)
{
    return commandResult(s_.sendAvi(data, replace, copy_));
}

} // namespace session
