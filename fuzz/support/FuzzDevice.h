#pragma once

#include "FuzzReader.h"
#include "sim/ModelUsbApi.h"

#include <cstdint>

// The in-process device (device "2023") whose behaviour at every request comes from the fuzz
// input; ModelUsbApi records what it really did, so that a target can check the link against
// what arrived.
//
// Per request written, the input gives:
//   flags   bit 0 the write fails, bit 1 the read fails (its bytes still arrive), bit 2 no
//           reply at all, bit 3 a count byte follows: that many queue checks fail, bit 4 an
//           extra byte follows: the read claims that many bytes more than it gave, bit 5 an
//           empty queue check costs 1 ms (as a real one) instead of 250 ms (fewer turns)
//   delay   the reply arrives delay * 20 ms after the write (beyond 4000 ms: too late)
//   length  reply length, 0 to 255 (more than 64 is cut by the reads' capacity)
//   bytes   the reply
struct FuzzDevice : ModelUsbApi {
    static constexpr std::uint32_t SlowCheckMs = 250;
    static constexpr std::uint32_t FineCheckMs = 1;

    FuzzDevice(FuzzReader &in, Clock &clock) : ModelUsbApi(clock)
    {
        devices = {FakeDevice{"2023"}};
        readTimeout = 111; // arbitrary starting pair, to see it restored
        writeTimeout = 222;
        behaviour = [&in](const QByteArray &) {
            ScriptedReply r;
            const std::uint8_t flags = in.byte();
            r.failingChecks = (flags & 0x08) ? in.byte() : 0;
            r.readReportsMore = (flags & 0x10) ? in.byte() : 0;
            r.emptyCheckMs = (flags & 0x20) ? FineCheckMs : SlowCheckMs;
            r.readFails = (flags & 0x02) != 0;
            r.delayMs = std::uint32_t(in.byte()) * 20;
            const std::vector<std::uint8_t> bytes = in.bytes(in.byte());
            r.bytes = QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
            r.none = (flags & 0x04) != 0;
            r.writeFails = (flags & 0x01) != 0;
            return r;
        };
    }
};
