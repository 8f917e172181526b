// transact and the command primitives against a device that answers any bytes, any length,
// late or not at all, with poll ticks around some of the exchanges.
//
// Input: 4 bytes, the tick counter at the start (high byte first); then operations, one byte
// each (value % 8) with its arguments: 0 transact (minimum, request length % 68, the request,
// the reply buffer's first byte), 1 readInfoBlock (index, length), 2 writeSetting (register and
// value, 16 bits each), 3 readSettings (length), 4 writeSettingsBlock (40 bytes), 5 begin and
// 6 end a poll tick, 7 close or reopen the device. Each request that goes out takes the
// device's behaviour from the input as FuzzDevice.h describes.
#include "FuzzCheck.h"
#include "FuzzClock.h"
#include "FuzzReader.h"
#include "FuzzDevice.h"
#include "NoAlerts.h"
#include "device/CommandPrimitives.h"
#include "device/DeviceLink.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <optional>

namespace
{

constexpr std::uint8_t Untouched = 0xA5;
constexpr int MaxOps = 48;

struct Rig {
    FuzzReader &in;
    FuzzClock clock;
    FuzzDevice usb{in, clock};
    NoAlerts alerts;
    DeviceLink link{usb, clock, alerts};
    CommandPrimitives primitives{link};
    bool tick = false;
    bool tickTimedOut = false; // an exchange of the current tick got no reply

    explicit Rig(FuzzReader &input) : in(input) {}
};

// A signed 16-bit value, high byte first.
int word(FuzzReader &in)
{
    const int high = in.byte();
    return std::int16_t(high << 8 | in.byte());
}

struct Before {
    bool open;
    bool skip; // an earlier exchange of this tick got no reply
    std::uint32_t start, readTimeout, writeTimeout;
};

Before prepare(Rig &rig)
{
    rig.usb.clearLast();
    // A lost device is opened again by the exchange: this library always lists it.
    return {rig.link.isOpen() || rig.link.deviceLost(),
            rig.tick && rig.tickTimedOut,
            rig.clock.now,
            rig.usb.readTimeout,
            rig.usb.writeTimeout};
}

// What every exchange must satisfy, whatever the device did. `before` is the reply buffer as
// handed in and `reply` as handed back (both null where the caller keeps its buffer to itself);
// `result` is transact's, where the caller sees it.
void checkExchange(Rig &rig, const Before &b, const cmd::ReplyBuffer *before,
                   const cmd::ReplyBuffer *reply, std::uint8_t minimum,
                   std::optional<std::uint8_t> result)
{
    const ModelUsbApi::Exchange &seen = rig.usb.last;
    const DeviceLink::ExchangeInfo &info = rig.link.lastExchange();
    const bool untouched = reply == nullptr || *reply == *before;
    FUZZ_CHECK(!rig.usb.violation);
    FUZZ_CHECK(rig.link.busy() == 0);
    FUZZ_CHECK(rig.usb.readTimeout == b.readTimeout && rig.usb.writeTimeout == b.writeTimeout);
    FUZZ_CHECK(info.bytesReceived <= cmd::ReplySize);

    if (!b.open || b.skip) { // nothing goes out, the buffer stays, and that counts as 1
        FUZZ_CHECK(!seen.written && untouched && result.value_or(1) == 1);
        FUZZ_CHECK(info.skipped == b.skip && info.timedOut == b.skip);
        return;
    }
    FUZZ_CHECK(seen.written && !info.skipped);
    if (seen.writeFailed) {
        FUZZ_CHECK(result.value_or(0) == 0 && untouched && !seen.readCalled);
        FUZZ_CHECK(!rig.link.isOpen() && rig.link.deviceLost());
        return;
    }
    // The wait ends at the deadline counted from the start, neither before nor long after it.
    const std::uint32_t waited = rig.clock.now - b.start;
    if (info.timedOut) {
        FUZZ_CHECK(!seen.readCalled && untouched && seen.failedChecks == 0);
        FUZZ_CHECK(waited >= DeviceLink::ReplyTimeoutMs);
        FUZZ_CHECK(waited <= DeviceLink::ReplyTimeoutMs + FuzzDevice::SlowCheckMs);
        FUZZ_CHECK(result.value_or(1) == 1);
        return;
    }
    if (!seen.readCalled) { // a failed queue check ends the exchange without a read
        FUZZ_CHECK(seen.failedChecks > 0 && result.value_or(0) == 0 && untouched);
        return;
    }
    // Exactly what arrived is copied, never more than the 64-byte reply holds; a claim beyond
    // what the library gave yields zeros, and the rest of the buffer stays as it was.
    FUZZ_CHECK(seen.readCapacity == cmd::ReplySize);
    const std::uint32_t copied = std::min<std::uint32_t>(seen.reported, cmd::ReplySize);
    FUZZ_CHECK(info.bytesReceived == copied && info.replied == (copied > 0));
    if (reply != nullptr) {
        for (std::size_t i = 0; i < reply->size(); ++i) {
            const std::uint8_t expected = i >= copied                 ? (*before)[i]
                                          : i < seen.delivered.size() ? seen.delivered[i]
                                                                      : 0;
            FUZZ_CHECK((*reply)[i] == expected);
        }
    }
    const bool sound = !seen.readFailed && seen.failedChecks == 0 && copied >= minimum;
    if (result)
        FUZZ_CHECK((*result == 1) == sound);
}

void noteTick(Rig &rig)
{
    if (rig.tick && rig.link.lastExchange().timedOut)
        rig.tickTimedOut = true;
}

// A primitive's request goes out byte for byte as framed, into a zero-filled buffer; it is
// done only on a sound reply carrying the echo, and says why not otherwise.
void checkPrimitive(Rig &rig, const Before &b, const cmd::Request &request,
                    const cmd::ReplyBuffer *reply, cmd::Result result)
{
    const bool succeeded = result == cmd::Result::Done;
    if (!b.open)
        FUZZ_CHECK(result == cmd::Result::NoDevice);
    const ModelUsbApi::Exchange &seen = rig.usb.last;
    if (b.open && !b.skip)
        FUZZ_CHECK(seen.request ==
                   std::vector<std::uint8_t>(request.bytes.begin(),
                                             request.bytes.begin() + request.length));
    const cmd::ReplyBuffer zeros{};
    checkExchange(rig, b, &zeros, reply, request.minimumReply, std::nullopt);
    if (succeeded) {
        FUZZ_CHECK(seen.readCalled && !seen.readFailed && seen.failedChecks == 0);
        FUZZ_CHECK(!seen.delivered.empty() && seen.delivered[0] == request.code());
        FUZZ_CHECK(rig.link.lastExchange().bytesReceived >= request.minimumReply);
    } else if (rig.link.lastExchange().timedOut) {
        FUZZ_CHECK(result == cmd::Result::NoReply || result == cmd::Result::NoDevice);
    }
    noteTick(rig);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader in(data, size);
    Rig rig(in);
    rig.clock.now = in.u32(); // anywhere, so that the counter's wrap-around is met
    std::uint32_t index = 0;
    FUZZ_CHECK(rig.link.findDevice("2023", index) == 1 && rig.link.openDevice(index) == 1);

    for (int op = 0; op < MaxOps && !in.atEnd(); ++op) {
        switch (in.byte() % 8) {
        case 0: { // any request, any minimum, into a buffer holding anything
            const std::uint8_t minimum = in.byte();
            const std::vector<std::uint8_t> request =
                in.bytes(in.byte() % (cmd::MaxRequestSize + 1));
            auto reply = std::make_unique<cmd::ReplyBuffer>(); // alone on the heap: ASan sees
            reply->fill(Untouched);                            // any write past its 64 bytes
            (*reply)[0] = in.byte();
            const cmd::ReplyBuffer before = *reply;
            const Before b = prepare(rig);
            const std::uint8_t result =
                rig.link.transact(*reply, request.data(), minimum, std::uint8_t(request.size()));
            checkExchange(rig, b, &before, reply.get(), minimum, result);
            noteTick(rig);
            break;
        }
        case 1: {
            const int index = in.byte(), length = in.byte();
            auto reply = std::make_unique<cmd::ReplyBuffer>();
            reply->fill(Untouched);
            const Before b = prepare(rig);
            const cmd::Result r = rig.primitives.readInfoBlock(index, *reply, length);
            checkPrimitive(rig, b, cmd::infoBlockRead(std::uint8_t(index), std::uint8_t(length)),
                           reply.get(), r);
            break;
        }
        case 2: { // any int: the low 8 bits go out
            const int reg = word(in);
            const int value = word(in);
            const Before b = prepare(rig);
            const cmd::Result r = rig.primitives.writeSetting(reg, value);
            checkPrimitive(rig, b, cmd::registerWrite(std::uint8_t(reg), std::uint8_t(value)),
                           nullptr, r);
            break;
        }
        case 3: {
            const int length = in.byte();
            auto reply = std::make_unique<cmd::ReplyBuffer>();
            reply->fill(Untouched);
            const Before b = prepare(rig);
            const cmd::Result r = rig.primitives.readSettings(*reply, length);
            checkPrimitive(rig, b, cmd::settingsRead(std::uint8_t(length)), reply.get(), r);
            break;
        }
        case 4: {
            const std::vector<std::uint8_t> block = in.bytes(cmd::SettingsBytes);
            const Before b = prepare(rig);
            const cmd::Result r = rig.primitives.writeSettingsBlock(block.data());
            checkPrimitive(rig, b, cmd::settingsBlockWrite(block.data()), nullptr, r);
            break;
        }
        case 5:
            rig.link.beginPollTick();
            rig.tick = true;
            rig.tickTimedOut = false;
            break;
        case 6:
            FUZZ_CHECK(rig.link.endPollTick() == (rig.tick && rig.tickTimedOut));
            rig.tick = rig.tickTimedOut = false;
            break;
        case 7: // unplugged and found again
            if (rig.link.isOpen())
                rig.link.closeDevice();
            else
                FUZZ_CHECK(rig.link.openDevice(0) == 1);
            break;
        }
    }
    return 0;
}
