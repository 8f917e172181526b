#include "session/DeviceSession.h"

#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/InfoframeCommands.h"
#include "device/Clock.h"
#include "settings/SettingsPoll.h"

#include <algorithm>

namespace session
{

DeviceSession::DeviceSession(UsbApi &usb, Clock &clock, Alerts &alerts)
    : alerts_(std::make_unique<CollectedAlerts>(alerts)),
      ownedLink_(std::make_unique<DeviceLink>(usb, clock, *alerts_)), link_(*ownedLink_),
      primitives_(link_, [this](const QString &text, int ms) { report(text, ms); })
{
}

DeviceSession::DeviceSession(DeviceLink &link)
    : link_(link), primitives_(link_, [this](const QString &text, int ms) { report(text, ms); })
{
}

void DeviceSession::report(const QString &text, int timeoutMs)
{
    lastReport_ = text;
    if (reportSink_)
        reportSink_(text, timeoutMs);
}

DeviceSession::~DeviceSession()
{
    link_.closeDevice();
}

OpenFailure DeviceSession::open(const QByteArray &id)
{
    if (!link_.findDevice(id, link_.deviceIndexRef()))
        return OpenFailure::NotConnected;
    if (!link_.openDevice(link_.deviceIndex()))
        return link_.openFailure() == OpenFailure::None ? OpenFailure::Other : link_.openFailure();
    return OpenFailure::None;
}

QString DeviceSession::failureOf(const QString &what) const
{
    const DeviceLink::ExchangeInfo &seen = link_.lastExchange();
    if (!seen.deviceOpen)
        return QStringLiteral("no device is open for the %1").arg(what);
    if (seen.timedOut)
        return QStringLiteral("the device did not answer the %1 within %2 ms")
            .arg(what)
            .arg(DeviceLink::ReplyTimeoutMs);
    if (!seen.replied)
        return QStringLiteral("the USB transfer of the %1 failed").arg(what);
    return QStringLiteral("the device refused the %1").arg(what);
}

BusyWait DeviceSession::readSettings(const edid::Progress &progress)
{
    return waitWhileBusy(progress);
}

BusyWait DeviceSession::waitWhileBusy(const edid::Progress &progress)
{
    BusyWait wait;
    while (wait.checks < edid::MaxBusyChecks) {
        cmd::ReplyBuffer block;
        const bool read = primitives_.readSettings(block, cmd::SettingsReplyLength) != 0;
        ++wait.checks;
        if (!read) {
            wait.step = Step::failed(failureOf(QStringLiteral("settings read")));
            break;
        }
        if (!cmd::deviceBusy(block)) {
            wait.bytes = settings::settingBytes(block);
            break;
        }
        if (progress)
            progress(wait.checks, edid::MaxBusyChecks);
        link_.clock().sleep(edid::BusyPollPauseMs);
        if (wait.checks == edid::MaxBusyChecks)
            wait.step = Step::failed(
                QStringLiteral("the device stayed busy (rebuilding its EDID) through %1 checks")
                    .arg(wait.checks));
    }
    if (progress && wait.checks > 1)
        progress(0, 0);
    return wait;
}

std::optional<QString> DeviceSession::readFirmware()
{
    cmd::ReplyBuffer firmware;
    if (!primitives_.readInfoBlock(cmd::info::Firmware, firmware, cmd::info::FirmwareLength))
        return std::nullopt;
    return QStringLiteral("%1.%2.%3.%4")
        .arg(firmware[2])
        .arg(firmware[3])
        .arg(firmware[4])
        .arg(firmware[5]);
}

DeviceSession::Status DeviceSession::readStatus()
{
    Status out;
    const StatusBlocks blocks = readStatusBlocks(primitives_);
    const std::optional<status::Values> values = decodeStatusValues(blocks);
    if (!values) {
        out.step = Step::failed(failureOf(QStringLiteral("status read")));
        return out;
    }
    out.values = *values;
    out.texts = formatStatus(*values);
    return out;
}

Step DeviceSession::writeSetting(const settings::Setting &setting, int value,
                                 settings::SettingBytes &bytes, const edid::Progress &progress)
{
    const QString what = QStringLiteral("write of %1").arg(QLatin1String(setting.name));
    // Turning these on first sends the device's stored infoframe, as the window sends its
    // editor (filled from the same block); the register follows whatever that gave.
    QString firstFailure;
    const bool turningOn = setting.kind == settings::Kind::OnOff &&
                           settings::valueName(setting, value) == QByteArrayView("on");
    if (turningOn && setting.follow == settings::Follow::HdrInfoframeFirst) {
        const std::optional<QString> text = storedHdrText();
        const cecif::Outcome sent = text ? sendHdr(*text) : cecif::Outcome{};
        if (!sent.result)
            firstFailure = failureOf(QStringLiteral("HDR infoframe"));
    } else if (turningOn && setting.follow == settings::Follow::AviInfoframeFirst) {
        const std::optional<QString> text = storedAviText();
        const cecif::Outcome sent = text ? sendAvi(*text, true, bytes) : cecif::Outcome{};
        if (!sent.result)
            firstFailure = failureOf(QStringLiteral("AVI infoframe"));
    }

    // The window's write reports success on silence; a script must hear the echo.
    const std::optional<cmd::Request> request = settings::writeRequest(setting, value);
    if (!request)
        return Step::failed(QStringLiteral("%1 does not take the value %2")
                                .arg(QLatin1String(setting.name))
                                .arg(value));
    cmd::ReplyBuffer reply;
    if (!primitives_.exchange(*request, reply) || !link_.lastExchange().replied)
        return Step::failed(failureOf(what));
    if (setting.byte >= 0 && setting.byte < cmd::SettingsBytes)
        bytes[std::size_t(setting.byte)] = std::uint8_t(value & 0xFF);
    if (!firstFailure.isEmpty())
        return Step::failed(firstFailure);

    if (setting.follow == settings::Follow::WaitWhileBusy) {
        // The device raises its busy flag once it starts the rebuild.
        link_.clock().sleep(edid::FetchPauseMs);
        const BusyWait wait = waitWhileBusy(progress);
        if (!wait.step.ok)
            return wait.step;
        bytes = wait.bytes;
    }
    return Step::done();
}

Step DeviceSession::factoryReset(int what)
{
    cmd::ReplyBuffer reply;
    const cmd::Request request =
        cmd::registerWrite(std::uint8_t(settings::FactoryResetRegister), std::uint8_t(what));
    if (primitives_.exchange(request, reply) && link_.lastExchange().replied)
        return Step::done();
    return Step::failed(failureOf(QStringLiteral("factory reset")));
}

std::optional<QString> DeviceSession::storedHdrText()
{
    cmd::ReplyBuffer reply;
    if (!primitives_.readInfoBlock(cmd::info::StoredHdr, reply, cmd::info::StoredHdrLength))
        return std::nullopt;
    return storedHdrTextOf(reply);
}

std::optional<QString> DeviceSession::storedAviText()
{
    cmd::ReplyBuffer reply;
    if (!primitives_.readInfoBlock(cmd::info::StoredAvi, reply, cmd::info::StoredAviLength))
        return std::nullopt;
    return storedAviTextOf(reply);
}

edid::ReadOutcome DeviceSession::readEdid(edid::Source source, const edid::Progress &progress)
{
    return edid::readEdidTable(primitives_, source, progress);
}

edid::WriteOutcome DeviceSession::writeEdid(const edid::Table &table,
                                            const edid::Progress &progress)
{
    return edid::writeEdidTable(primitives_, table, progress);
}

cecif::Outcome DeviceSession::sendCec(const QString &hex)
{
    return cecif::sendCec(link_, hex);
}

cecif::Outcome DeviceSession::storeCec(const QString &hex, cecif::CecButton button)
{
    return cecif::storeCec(link_, hex, button);
}

cecif::Outcome DeviceSession::sendHdr(const QString &hex)
{
    return cecif::sendHdrInfoframe(link_, hex);
}

cecif::Outcome DeviceSession::sendAvi(const QString &hex, bool replace,
                                      settings::SettingBytes &bytes)
{
    return cecif::sendAviInfoframe(link_, hex, replace, bytes);
}

QString storedHdrTextOf(const cmd::ReplyBuffer &reply)
{
    const std::size_t wanted = std::size_t(reply[4]) + 4;
    const std::size_t available = cmd::info::StoredHdrLength - 2;
    return formatColonHex(reply.data() + 2, std::min(wanted, available));
}

QString storedAviTextOf(const cmd::ReplyBuffer &reply)
{
    return formatColonHex(reply.data() + 2, cmd::info::StoredAviLength - 2);
}

} // namespace session
