#include "session/DeviceSession.h"

#include "device/Clock.h"
#include "device/FindDevice.h"
#include "settings/SettingsPoll.h"

#include <algorithm>

namespace session
{

DeviceSession::DeviceSession(UsbApi &usb, Clock &clock, Alerts &alerts)
    : alerts_(std::make_unique<CollectedAlerts>(alerts)),
      ownedLink_(std::make_unique<DeviceLink>(usb, clock, *alerts_)), link_(*ownedLink_),
      primitives_(link_)
{
}

DeviceSession::DeviceSession(DeviceLink &link) : link_(link), primitives_(link_) {}

DeviceSession::~DeviceSession()
{
    link_.closeDevice();
}

Steps DeviceSession::takeSteps()
{
    Steps out;
    out.swap(steps_);
    return out;
}

Step DeviceSession::record(Op op, cmd::Result result, int detail)
{
    const Step step{op, result, detail};
    steps_.append(step);
    return step;
}

Step DeviceSession::exchange(Op op, const cmd::Request &request, int detail)
{
    cmd::ReplyBuffer reply;
    return record(op, primitives_.exchange(request, reply), detail);
}

OpenFailure DeviceSession::open(const QByteArray &idOrPath, std::uint32_t waitMs)
{
    Clock &clock = link_.clock();
    const std::uint32_t start = clock.tickCount();
    // Looked for quietly while waiting; the one find that counts names a missing device.
    while (!findDeviceIndex(link_.usb(), idOrPath) && clock.tickCount() - start < waitMs)
        clock.sleep(WaitStepMs);
    if (!link_.findDevice(idOrPath, link_.deviceIndexRef()))
        return OpenFailure::NotConnected;
    if (!link_.openDevice(link_.deviceIndex()))
        return link_.openFailure() == OpenFailure::None ? OpenFailure::Other : link_.openFailure();
    return OpenFailure::None;
}

std::optional<cmd::ReplyBuffer> DeviceSession::readSettingsBlock()
{
    cmd::ReplyBuffer block;
    if (!record(Op::SettingsRead, primitives_.readSettings(block, cmd::SettingsReplyLength)).ok())
        return std::nullopt;
    return block;
}

std::optional<cmd::ReplyBuffer> DeviceSession::readInfoBlock(int index, int length)
{
    cmd::ReplyBuffer block;
    if (!record(Op::InfoBlockRead, primitives_.readInfoBlock(index, block, length), index).ok())
        return std::nullopt;
    return block;
}

BusyWait DeviceSession::waitWhileBusy(const edid::Progress &progress)
{
    BusyWait wait;
    while (wait.checks < edid::MaxBusyChecks) {
        const std::optional<cmd::ReplyBuffer> block = readSettingsBlock();
        ++wait.checks;
        if (!block) {
            wait.step = steps_.back();
            break;
        }
        if (!cmd::deviceBusy(*block)) {
            wait.bytes = settings::settingBytes(*block);
            break;
        }
        if (progress)
            progress(wait.checks, edid::MaxBusyChecks);
        link_.clock().sleep(edid::BusyPollPauseMs);
        if (wait.checks == edid::MaxBusyChecks)
            wait.step = record(Op::BusyWait, cmd::Result::StillBusy, wait.checks);
    }
    if (progress && wait.checks > 1)
        progress(0, 0);
    return wait;
}

std::optional<QString> DeviceSession::readFirmware()
{
    const auto block = readInfoBlock(cmd::info::Firmware, cmd::info::FirmwareLength);
    if (!block)
        return std::nullopt;
    return firmwareText(*block);
}

std::optional<QByteArray> DeviceSession::readStoredHdr()
{
    const auto block = readInfoBlock(cmd::info::StoredHdr, cmd::info::StoredHdrLength);
    return block ? std::optional<QByteArray>(storedHdrFrame(*block)) : std::nullopt;
}

std::optional<QByteArray> DeviceSession::readStoredAvi()
{
    const auto block = readInfoBlock(cmd::info::StoredAvi, cmd::info::StoredAviLength);
    return block ? std::optional<QByteArray>(storedAviData(*block)) : std::nullopt;
}

DeviceSession::Status DeviceSession::readStatus()
{
    Status out;
    StatusBlocks &blocks = out.blocks;
    // Each block keeps what came, even for a failed read: only the gating read decides.
    const auto read = [this](int index, int length, cmd::ReplyBuffer &into) {
        return record(Op::InfoBlockRead, primitives_.readInfoBlock(index, into, length), index)
            .ok();
    };
    read(cmd::info::Status, cmd::info::StatusLength, blocks.status);
    read(cmd::info::SourceInfo, cmd::info::StatusPollLength, blocks.sourceInfo);
    read(cmd::info::HdrCapture, cmd::info::StatusPollLength, blocks.hdrCapture);
    cmd::ReplyBuffer gating{};
    blocks.gatingRead = read(cmd::info::Gating, cmd::info::StatusPollLength, gating);
    // Only the last read decides whether the status is shown.
    out.step = steps_.back();
    const std::optional<status::Values> values = decodeStatusValues(blocks);
    if (values) {
        out.values = *values;
        out.texts = formatStatus(*values);
    }
    return out;
}

namespace
{
bool turnsOn(const settings::Setting &setting, int value)
{
    return setting.kind == settings::Kind::OnOff &&
           settings::valueName(setting, value) == QByteArrayView("on");
}
} // namespace

FirstFrames DeviceSession::storedFramesFor(const settings::Setting &setting, int value)
{
    FirstFrames first;
    if (turnsOn(setting, value) && setting.follow == settings::Follow::HdrInfoframeFirst)
        first.hdr = readStoredHdr();
    if (turnsOn(setting, value) && setting.follow == settings::Follow::AviInfoframeFirst)
        first.avi = readStoredAvi();
    return first;
}

Step DeviceSession::writeSetting(const settings::Setting &setting, int value,
                                 settings::SettingBytes &bytes, const FirstFrames &first,
                                 bool waitAfter, const edid::Progress &progress)
{
    // Turning these on first sends the infoframe; the register follows whatever that gave.
    std::optional<Step> firstFailure;
    const bool turningOn = turnsOn(setting, value);
    if (turningOn && setting.follow == settings::Follow::HdrInfoframeFirst && first.hdr) {
        const Step sent = sendHdr(*first.hdr);
        if (!sent.ok())
            firstFailure = sent;
    } else if (turningOn && setting.follow == settings::Follow::AviInfoframeFirst && first.avi) {
        const Step sent = sendAvi(*first.avi, true, bytes);
        if (!sent.ok())
            firstFailure = sent;
    }

    const std::optional<cmd::Request> request = settings::writeRequest(setting, value);
    if (!request)
        return record(Op::SettingWrite, cmd::Result::BadInput, setting.reg);
    const Step written = exchange(Op::SettingWrite, *request, setting.reg);
    if (!written.ok())
        return written;
    if (setting.byte >= 0 && setting.byte < cmd::SettingsBytes)
        bytes[std::size_t(setting.byte)] = std::uint8_t(value & 0xFF);
    if (firstFailure)
        return *firstFailure;

    if (waitAfter && setting.follow == settings::Follow::WaitWhileBusy) {
        // The device raises its busy flag once it starts the rebuild.
        link_.clock().sleep(edid::FetchPauseMs);
        const BusyWait wait = waitWhileBusy(progress);
        if (!wait.step.ok())
            return wait.step;
        bytes = wait.bytes;
    }
    return written;
}

Step DeviceSession::writeSettingsBlock(const settings::SettingBytes &bytes)
{
    // A silent device took nothing: only the echo counts.
    return exchange(Op::SettingsBlockWrite, cmd::settingsBlockWrite(bytes.data()));
}

Step DeviceSession::factoryReset(int what)
{
    return exchange(Op::FactoryReset, cmd::registerWrite(std::uint8_t(settings::FactoryResetRegister),
                                                         std::uint8_t(what)));
}

EdidRead DeviceSession::readEdid(edid::Source source, const edid::Progress &progress)
{
    EdidRead out;
    const auto stopAt = [&](const Step &step) {
        out.step = step;
        if (progress)
            progress(0, 0);
        return out;
    };
    // A failed fetch leaves whatever was fetched before in the buffer: reading it would show
    // the wrong table as a success.
    const Step fetched = exchange(Op::EdidFetch, cmd::edidFetch(edid::fetchCode(source)));
    if (!fetched.ok())
        return stopAt(fetched);
    link_.clock().sleep(edid::FetchPauseMs);
    // The table is read however the wait ended, as the window always has; a script looks at
    // `busy` and does not trust it.
    out.busy = waitWhileBusy().step;
    link_.clock().sleep(edid::BusyPollPauseMs);

    for (int offset = 0; offset < edid::TableSize; offset += cmd::EdidReadChunk) {
        if (progress)
            progress(offset, edid::TableSize - 1);
        cmd::ReplyBuffer reply;
        cmd::Result r = primitives_.exchange(cmd::edidDataRead(std::uint8_t(offset)), reply);
        // A chunk read has no echo: only a whole chunk is one.
        if (r == cmd::Result::Done && link_.lastExchange().bytesReceived < std::uint32_t(cmd::EdidReadChunk))
            r = cmd::Result::Refused;
        const Step chunk = record(Op::EdidChunkRead, r, offset);
        if (!chunk.ok())
            return stopAt(chunk);
        std::copy_n(reply.begin(), cmd::EdidReadChunk, out.table.begin() + offset);
    }
    return stopAt(record(Op::EdidRead, cmd::Result::Done, int(source)));
}

Step DeviceSession::writeEdid(const edid::Table &table, const edid::Progress &progress,
                              const edid::StopRequested &stop)
{
    const auto end = [&](const Step &step) {
        if (progress)
            progress(0, 0);
        return step;
    };
    for (int chunk = 0; chunk < edid::WriteChunks; ++chunk) {
        const int offset = chunk * cmd::EdidWriteChunk;
        if (stop && stop())
            return end(record(Op::EdidChunkWrite, cmd::Result::Stopped, offset));
        if (progress)
            progress(chunk, edid::WriteChunks);
        const Step written = exchange(
            Op::EdidChunkWrite, cmd::edidDataWrite(std::uint8_t(offset), table.data() + offset),
            offset);
        if (!written.ok())
            return end(written);
        link_.clock().sleep(edid::WriteChunkPauseMs);
    }
    return end(exchange(Op::EdidCommit, cmd::edidCommit()));
}

Step DeviceSession::writeEdidVerified(const edid::Table &table, const edid::Progress &writing,
                                      const edid::Progress &verifying)
{
    const Step written = writeEdid(table, writing);
    if (!written.ok())
        return written;
    const EdidRead back = readEdid(edid::Source::Own, verifying);
    if (!back.ok())
        return back.step;
    const auto differs = std::mismatch(back.table.begin(), back.table.end(), table.begin());
    if (differs.first == back.table.end())
        return written;
    return record(Op::EdidVerify, cmd::Result::WrongEcho, int(differs.first - back.table.begin()));
}

Step DeviceSession::storeAndActivate(Op store, Op activate, const cmd::Request &write,
                                     std::uint8_t selector, bool activateAfterFailure)
{
    const Step stored = exchange(store, write);
    if (!stored.ok() && !activateAfterFailure)
        return stored;
    link_.clock().sleep(ActivatePauseMs);
    const Step activated = exchange(activate, cmd::activateAfter(write, selector));
    return stored.ok() ? activated : stored;
}

Step DeviceSession::sendCec(const QByteArray &payload)
{
    if (payload.isEmpty() || payload.size() > cmd::MaxPayload)
        return record(Op::CecSend, cmd::Result::BadInput);
    return storeAndActivate(
        Op::CecSend, Op::CecActivate,
        cmd::payloadWrite(cmd::CecSend, reinterpret_cast<const std::uint8_t *>(payload.constData()),
                          std::size_t(payload.size())),
        cmd::ActivateCec, true);
}

Step DeviceSession::storeCec(const QByteArray &text, CecButton button)
{
    if (text.isEmpty() || text.size() > cmd::MaxPayload - cmd::CecStorePrefix)
        return record(Op::CecStore, cmd::Result::BadInput);
    const std::uint8_t code = button == CecButton::Sp ? cmd::CecStore1 : cmd::CecStore2;
    return exchange(Op::CecStore,
                    cmd::cecStore(code, reinterpret_cast<const std::uint8_t *>(text.constData()),
                                  std::size_t(text.size())));
}

Step DeviceSession::sendHdr(const QByteArray &frame)
{
    if (frame.isEmpty() || frame.size() > cmd::MaxPayload)
        return record(Op::HdrStore, cmd::Result::BadInput);
    // The activate still goes out, but a frame the device did not store is no success.
    return storeAndActivate(
        Op::HdrStore, Op::HdrActivate,
        cmd::payloadWrite(cmd::HdrInfoframeWrite,
                          reinterpret_cast<const std::uint8_t *>(frame.constData()),
                          std::size_t(frame.size())),
        cmd::ActivateHdr, true);
}

Step DeviceSession::sendAvi(const QByteArray &data, bool replace, settings::SettingBytes &bytes)
{
    if (data.isEmpty() || data.size() > cmd::MaxPayload)
        return record(Op::AviStore, cmd::Result::BadInput);
    const Step activated = storeAndActivate(
        Op::AviStore, Op::AviActivate,
        cmd::payloadWrite(cmd::AviInfoframeWrite,
                          reinterpret_cast<const std::uint8_t *>(data.constData()),
                          std::size_t(data.size())),
        cmd::ActivateAvi, false);
    if (!activated.ok())
        return activated;
    const settings::Setting &row = *settings::findSetting("replace-avi");
    const std::uint8_t value = replace ? 1 : 0;
    const Step written =
        record(Op::ReplaceAviWrite, primitives_.writeSetting(row.reg, value), row.reg);
    // The device holds what it echoed; silence leaves its byte as it was.
    if (written.ok() && row.byte >= 0 && row.byte < cmd::SettingsBytes)
        bytes[std::size_t(row.byte)] = value;
    return written;
}

QString firmwareText(const cmd::ReplyBuffer &reply)
{
    return QStringLiteral("%1.%2.%3.%4").arg(reply[2]).arg(reply[3]).arg(reply[4]).arg(reply[5]);
}

QByteArray storedHdrFrame(const cmd::ReplyBuffer &reply)
{
    const std::size_t wanted = std::size_t(reply[4]) + 4;
    const std::size_t available = cmd::info::StoredHdrLength - 2;
    return QByteArray(reinterpret_cast<const char *>(reply.data()) + 2,
                      qsizetype(std::min(wanted, available)));
}

QByteArray storedAviData(const cmd::ReplyBuffer &reply)
{
    return QByteArray(reinterpret_cast<const char *>(reply.data()) + 2,
                      cmd::info::StoredAviLength - 2);
}

} // namespace session
