#pragma once

#include "device/Commands.h"
#include "device/OpenFailure.h"
#include "device/UsbApi.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

class Alerts;
class Clock;

// The program's single connection to the device: discovery, open and close, and one
// request/reply exchange per command. Results are bytes: 1 success, 0 failure.
class DeviceLink
{
public:
    // What the last transact saw, for callers that must tell "no reply" from a reply: a
    // request without echo (an EDID chunk read) cannot tell from transact's result alone.
    struct ExchangeInfo {
        bool deviceOpen = false; // a device was open, so something was sent
        bool replied = false;    // bytes arrived before the deadline
        bool timedOut = false;   // the request went out and nothing came back within 4000 ms
        std::uint32_t bytesReceived = 0; // bytes the read reported (capped at 64)
        // Nothing was sent: an earlier exchange of the same poll tick got no reply. Reported
        // as timed out, so callers treat it as the silence it stands for.
        bool skipped = false;
    };

    static constexpr const char *deviceIdString = "2023";
    static constexpr std::uint32_t ReplyTimeoutMs = 4000;

    DeviceLink(UsbApi &usb, Clock &clock, Alerts &alerts);

    // `idOrPath`: an identification string, or where one unit sits (UsbApi::where).
    std::uint8_t findDevice(QByteArray idOrPath, std::uint32_t &index);
    std::uint8_t openDevice(std::uint32_t index);
    void closeDevice();
    std::uint8_t usbWrite(const std::uint8_t *data, std::uint32_t count, std::uint32_t &written,
                          std::uint32_t timeoutMs);
    std::uint8_t usbRead(std::uint8_t *buffer, std::uint32_t capacity, std::uint32_t &read,
                         std::uint32_t timeoutMs);
    // Sends `length` request bytes as they are and copies the reply (at most 64 bytes) into
    // `reply`. No device open, or no reply within 4000 ms, leaves `reply` untouched and returns 1.
    std::uint8_t transact(cmd::ReplyBuffer &reply, const std::uint8_t *request,
                          std::uint8_t minimum, std::uint8_t length);
    std::uint8_t transact(cmd::ReplyBuffer &reply, const cmd::Request &request)
    {
        return transact(reply, request.bytes.data(), request.minimumReply, request.length);
    }

    // Poll tick guard: between begin and end, once one exchange got no reply, the tick's
    // further exchanges return at once as unanswered, so a silent device costs one time-out
    // per tick instead of one per exchange. Exchanges outside a tick are never skipped.
    void beginPollTick();
    // Ends the tick; true when one of its exchanges got no reply.
    bool endPollTick();

    // From any thread: the program is closing. The reply wait in progress ends now, and later
    // exchanges send nothing, as if unanswered.
    void abortExchanges() { aborted_ = true; }
    // Once nothing runs on the link any more: exchanges go out again.
    void resumeExchanges() { aborted_ = false; }

    UsbApi::Handle deviceHandle() const { return handle_; }
    std::uint32_t deviceIndex() const { return deviceIndex_; }
    std::uint32_t &deviceIndexRef() { return deviceIndex_; }
    bool isOpen() const { return handle_ != UsbApi::NoHandle; }
    // Where the unit the last findDevice chose sits; empty when the library cannot tell.
    const QString &deviceWhere() const { return where_; }
    // The open device stopped taking requests (unplugged): its handle was closed, and each
    // exchange first tries, without alerts, to find and open it again at its own place
    // (deviceWhere; without one, by its id while only one unit has it).
    bool deviceLost() const { return lost_; }
    std::uint8_t busy() const { return busy_; }
    const ExchangeInfo &lastExchange() const { return last_; }
    // Why the last findDevice/openDevice left no device open (None after a successful open).
    OpenFailure openFailure() const { return openFailure_; }
    Clock &clock() { return clock_; }
    UsbApi &usb() { return usb_; }

private:
    // Indexes of the units with `id`; with `where` not empty, only of the one at that place.
    std::vector<std::uint32_t> devicesWithId(const QByteArray &id, const QString &where);
    void dropLostDevice();
    void reopenLostDevice();

    UsbApi &usb_;
    Clock &clock_;
    Alerts &alerts_;
    UsbApi::Handle handle_ = UsbApi::NoHandle;
    std::uint32_t deviceIndex_ = 0;
    std::uint8_t busy_ = 0;
    ExchangeInfo last_;
    bool tickActive_ = false;
    bool tickSilent_ = false;
    OpenFailure openFailure_ = OpenFailure::None;
    QByteArray foundId_; // the identification string of the unit the last findDevice chose
    QString where_;
    bool lost_ = false;
    std::atomic<bool> aborted_{false};
};
