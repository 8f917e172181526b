#pragma once

#include "device/Clock.h"
#include "sim/EdidGenerator.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

// The device's side of the protocol: settings, registers, EDID store, info blocks, CEC and
// infoframe stores, a simulated input signal and two outputs. One request in, at most one reply
// out. Time (busy periods, reply delays) comes from the Clock given to it.
class DeviceModel
{
public:
    enum class Output { A, B };

    // What the device sends back for one request.
    struct Reply {
        bool send = false; // false: the device stays silent
        QByteArray bytes;
        std::uint32_t delayMs = 0; // the reply leaves the device this much later
    };

    // One exchange as the device saw it.
    struct Exchange {
        QByteArray request;
        Reply reply;
        std::uint32_t tick = 0;
    };

    // Fault injection. A fault applies to requests whose command code (byte 2) is `code`, or to
    // every request when `code` is -1, for `count` requests (-1: until cleared).
    enum class FaultKind {
        NoReply,    // the device stays silent
        ShortReply, // only the first byte of the reply
        WrongEcho,  // byte 0 of the reply is changed
        LongReply,  // the reply is padded to 80 bytes
        Delay,      // the reply leaves `delayMs` later
    };
    struct Fault {
        FaultKind kind = FaultKind::NoReply;
        int code = -1;
        int count = -1;
        std::uint32_t delayMs = 0;
    };

    static constexpr int SettingsCount = 40;
    static constexpr int LongReplySize = 80;

    explicit DeviceModel(Clock &clock);

    // Handles one request exactly as written by the host.
    Reply handle(const QByteArray &request);
    Reply handle(const std::uint8_t *data, std::size_t length);

    // --- Request log ---
    const QList<Exchange> &exchanges() const { return log_; }
    QList<QByteArray> requests() const;
    int requestCount() const { return int(log_.size()); }
    // Requests whose command code (byte 2) is `code`, optionally with direction byte `direction`.
    int countRequests(std::uint8_t code, int direction = -1) const;
    // Register writes of `reg` in the log, in order (their values).
    QList<std::uint8_t> registerWrites(std::uint8_t reg) const;
    void clearLog() { log_.clear(); }

    // --- Settings and registers ---
    std::uint8_t setting(int byte) const;
    void setSetting(int byte, std::uint8_t value);
    QByteArray settings() const;
    void setSettings(const QByteArray &forty);
    static QByteArray factorySettings();
    // Setting byte written by register `reg`, or -1 for registers kept in the register file.
    static int settingByteOfRegister(int reg);
    // Last value of any register (mapped or not); 0 when never written.
    std::uint8_t registerValue(int reg) const { return registers_[std::size_t(reg & 0xFF)]; }
    void factoryReset(std::uint8_t what); // 1 EDID, 2 settings, 3 both

    // --- Busy ---
    bool busy() const;
    void setBusy(bool on); // busy until cleared (busy that never clears)
    void setBusyFor(std::uint32_t ms);
    void setFetchBusyMs(std::uint32_t ms) { fetchBusyMs_ = ms; }
    void setRebuildBusyMs(std::uint32_t ms) { rebuildBusyMs_ = ms; }
    std::uint32_t rebuildBusyMs() const { return rebuildBusyMs_; }

    // --- Input signal ---
    static QStringList signalNames();
    bool selectSignal(const QString &name);
    QString signalName() const { return signal_; }

    // --- Outputs ---
    void plugDisplay(Output output, const QByteArray &edid256);  // any 256 bytes
    bool plugDisplay(Output output, const QString &displayName); // one of displayNames()
    void unplugDisplay(Output output);
    bool displayPlugged(Output output) const;
    QByteArray displayEdid(Output output) const;

    // --- EDID ---
    QByteArray ownEdid() const { return ownEdid_; }
    QByteArray uploadedEdid() const { return uploaded_; }
    QByteArray transferBuffer() const { return buffer_; }
    void setTransferBuffer(const QByteArray &edid256);
    int edidRebuilds() const { return rebuilds_; }
    void rebuildOwnEdid(); // also starts the rebuild busy period

    // --- Info blocks and stores ---
    void setFirmwareVersion(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    // Block contents as the device would answer them (first byte the echo), at least 64 bytes.
    QByteArray infoBlock(std::uint8_t index) const;
    QByteArray storedHdrInfoframe() const { return storedHdr_; }
    QByteArray storedAviInfoframe() const { return storedAvi_; }
    void setStoredHdrInfoframe(const QByteArray &bytes);
    void setStoredAviInfoframe(const QByteArray &bytes);
    QList<QByteArray> cecSent() const { return cecSent_; } // payloads of 0xB2
    QByteArray cecStored(int button) const;                // 1 SP, 2 LP: text after "CEC "
    QList<std::uint8_t> activations() const { return activations_; } // selectors of 0xB3

    // --- Faults and unplugging ---
    void addFault(const Fault &fault) { faults_.append(fault); }
    void clearFaults() { faults_.clear(); }
    // The device disappears once it has received `requests` more requests (-1: never).
    void unplugAfter(int requests) { unplugAfter_ = requests; }
    bool unplugged() const { return unplugged_; }
    void setUnplugged(bool gone) { unplugged_ = gone; }

private:
    Reply dispatch(const QByteArray &r);
    Reply ack(std::uint8_t code) const;
    Reply nak() const;
    Reply readReply(std::uint8_t echo, const QByteArray &content, int length) const;
    void applyFaults(std::uint8_t code, Reply &reply);
    void writeRegister(std::uint8_t reg, std::uint8_t value);
    void settingsChanged(const QByteArray &before);
    edidgen::Profile automixProfile() const;
    QByteArray statusBlock() const;
    void startBusy(std::uint32_t ms);

    Clock &clock_;
    std::array<std::uint8_t, SettingsCount> settings_{};
    std::array<std::uint8_t, 256> registers_{};
    QList<Exchange> log_;
    bool busyForever_ = false;
    bool busyTimed_ = false;
    std::uint32_t busyUntil_ = 0;
    std::uint32_t fetchBusyMs_ = 200;
    std::uint32_t rebuildBusyMs_ = 1500;
    QString signal_;
    std::optional<QByteArray> display_[2];
    std::optional<edidgen::Profile> displayProfile_[2];
    QByteArray ownEdid_;
    QByteArray uploaded_;
    QByteArray buffer_;
    int rebuilds_ = 0;
    std::uint8_t firmware_[4] = {1, 11, 0, 5};
    QByteArray storedHdr_;
    QByteArray storedAvi_;
    QList<QByteArray> cecSent_;
    QByteArray cecStore_[2];
    QList<std::uint8_t> activations_;
    QList<Fault> faults_;
    int unplugAfter_ = -1;
    bool unplugged_ = false;
};
