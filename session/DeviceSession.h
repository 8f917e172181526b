#pragma once

#include "device/Alerts.h"
#include "device/CommandPrimitives.h"
#include "device/DeviceLink.h"
#include "device/OpenFailure.h"
#include "edid/EdidTable.h"
#include "edid/EdidTransfer.h"
#include "session/Steps.h"
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

// What a busy wait ended with.
struct BusyWait {
    Step step{Op::BusyWait};
    settings::SettingBytes bytes{}; // the first block read while not busy
    int checks = 0;                 // settings reads made
};

struct EdidRead {
    Step step{Op::EdidRead};   // done, or the step it stopped at
    edid::Table table{};       // when done
    Step busy{Op::BusyWait};   // how the wait for the loaded table ended
    bool ok() const { return step.ok(); }
};

// Which CEC button of the device a stored message belongs to.
enum class CecButton { Sp, Lp };

// The stored infoframe bytes turning on a setting sends before its register (the window's
// editors, or the device's own stored frames); an absent one is not sent.
struct FirstFrames {
    std::optional<QByteArray> hdr; // a whole HDR infoframe
    std::optional<QByteArray> avi; // AVI data bytes 1 to 13
};

// One open device and every multi-step operation on it, each once: open, the busy wait, the
// settings and status reads, a setting written with its follow-up steps, the EDID, CEC and
// infoframe operations, the factory reset. Each returns the step it ended at; every step taken
// is also kept in order (takeSteps) for a front end that reports each. Closes the device when
// destroyed.
class DeviceSession
{
public:
    // The pause between a write and its activate request.
    static constexpr int ActivatePauseMs = 100;
    // How often a device that is not there yet is looked for.
    static constexpr int WaitStepMs = 100;

    // Owns its link; the USB layer's warnings are kept (warnings()) and passed on.
    DeviceSession(UsbApi &usb, Clock &clock, Alerts &alerts);
    // On a link the caller made (and its alerts); warnings() stays empty.
    explicit DeviceSession(DeviceLink &link);
    ~DeviceSession();
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    // Finds the unit by identification string or place and opens it once, looking again every
    // WaitStepMs for up to `waitMs` while it is not there; a refused permission is retried by
    // the link. OpenFailure::None when open.
    OpenFailure open(const QByteArray &idOrPath, std::uint32_t waitMs = 0);
    bool isOpen() const { return link_.isOpen(); }

    DeviceLink &link() { return link_; }
    CommandPrimitives &primitives() { return primitives_; }
    // Warnings of the USB layer since the session began.
    const QStringList &warnings() const { return alerts_ ? alerts_->shown : noWarnings_; }
    // The steps taken since the last call, in order.
    Steps takeSteps();
    // The last step taken (an Open step that was done when none was).
    Step lastStep() const { return steps_.isEmpty() ? Step{} : steps_.back(); }

    // One exchange recorded as step `op`.
    Step record(Op op, cmd::Result result, int detail = 0);

    // Settings reads until the busy bit is clear, paced and bounded (edid::MaxBusyChecks):
    // a busy device's block is not trusted. StillBusy when it stays set.
    BusyWait waitWhileBusy(const edid::Progress &progress = {});
    // One settings read, its block when it came.
    std::optional<cmd::ReplyBuffer> readSettingsBlock();
    std::optional<cmd::ReplyBuffer> readInfoBlock(int index, int length);

    // "1.2.3.4", or nothing when the firmware block did not come.
    std::optional<QString> readFirmware();
    std::optional<QByteArray> readStoredHdr(); // the whole frame the device keeps
    std::optional<QByteArray> readStoredAvi(); // its 13 AVI data bytes

    struct Status {
        Step step{Op::InfoBlockRead}; // the gating read: only it decides
        StatusBlocks blocks;          // as they came, zeros where nothing did
        status::Values values;
        StatusTexts texts;
    };
    Status readStatus();

    // The register write with the steps its catalog row asks for around it: the infoframe of
    // `first` before a setting that turns one on, the busy wait after one that rebuilds the EDID
    // (when `waitAfter`). Only an echoed write is done; `bytes` (the device's setting bytes)
    // keeps what the device took.
    // The device's own stored frames that writing `value` to `setting` sends first (none read
    // when it sends none).
    FirstFrames storedFramesFor(const settings::Setting &setting, int value);
    Step writeSetting(const settings::Setting &setting, int value, settings::SettingBytes &bytes,
                      const FirstFrames &first = {}, bool waitAfter = true,
                      const edid::Progress &progress = {});
    Step writeSettingsBlock(const settings::SettingBytes &bytes);
    Step factoryReset(int what);

    EdidRead readEdid(edid::Source source, const edid::Progress &progress = {});
    // 32 chunks, then the commit; stops at the first chunk that fails, or before a chunk when
    // `stop` says so, without committing: the device never keeps half a table.
    Step writeEdid(const edid::Table &table, const edid::Progress &progress = {},
                   const edid::StopRequested &stop = {});
    // Written, read back and compared.
    Step writeEdidVerified(const edid::Table &table, const edid::Progress &writing = {},
                           const edid::Progress &verifying = {});

    // `payload`: header, length byte, opcode and operands, as the device frames a CEC message.
    // Activated after the pause whatever the send gave.
    Step sendCec(const QByteArray &payload);
    // `text`: the text the device keeps for the button (prepared, carriage return included).
    Step storeCec(const QByteArray &text, CecButton button);
    // Stored, then activated after the pause whatever the store gave; done only when both were.
    Step sendHdr(const QByteArray &frame);
    // Stored; only then activated after the pause and, once activated, the replace-AVI register
    // written (1 when `replace`) and kept in `bytes`.
    Step sendAvi(const QByteArray &data, bool replace, settings::SettingBytes &bytes);

private:
    Step exchange(Op op, const cmd::Request &request, int detail = 0);
    Step storeAndActivate(Op store, Op activate, const cmd::Request &write, std::uint8_t selector,
                          bool activateAfterFailure);

    std::unique_ptr<CollectedAlerts> alerts_;
    std::unique_ptr<DeviceLink> ownedLink_;
    DeviceLink &link_;
    CommandPrimitives primitives_;
    Steps steps_;
    QStringList noWarnings_;
};

// "a.b.c.d" of a firmware info block.
QString firmwareText(const cmd::ReplyBuffer &reply);
// The whole HDR frame of a stored HDR infoframe block: reply bytes 2 .. 5 + L (L at byte 4),
// bounded by what the read asked for.
QByteArray storedHdrFrame(const cmd::ReplyBuffer &reply);
// The 13 data bytes of a stored AVI infoframe block.
QByteArray storedAviData(const cmd::ReplyBuffer &reply);

} // namespace session
