// The device model's request handling: the simulator hands it whatever arrives on its socket.
// Any request bytes, in any order, with time passing between them and optionally one fault.
#include "FuzzCheck.h"
#include "FuzzClock.h"
#include "FuzzReader.h"
#include "device/Commands.h"
#include "sim/DeviceModel.h"

#include <QByteArray>
#include <algorithm>

namespace
{

constexpr int MaxRequests = 64;

QByteArray request(std::initializer_list<int> bytes)
{
    QByteArray r;
    for (int b : bytes)
        r.append(char(b));
    return r;
}

// What the device says about itself must agree with what it holds.
void checkConsistent(DeviceModel &model)
{
    FUZZ_CHECK(model.settings().size() == DeviceModel::SettingsCount);
    FUZZ_CHECK(model.ownEdid().size() == cmd::EdidSize);
    FUZZ_CHECK(model.uploadedEdid().size() == cmd::EdidSize);
    FUZZ_CHECK(model.transferBuffer().size() == cmd::EdidSize);
    FUZZ_CHECK(model.storedHdrInfoframe().size() <= cmd::info::StoredHdrLength - 2);
    FUZZ_CHECK(model.storedAviInfoframe().size() <= cmd::info::StoredAviLength - 2);

    model.clearFaults();
    model.unplugAfter(-1);
    model.setUnplugged(false);
    const DeviceModel::Reply settings = model.handle(request({0x11, 42, 0xE1}));
    FUZZ_CHECK(settings.send && settings.bytes.size() == cmd::SettingsReplyLength);
    FUZZ_CHECK(std::uint8_t(settings.bytes[0]) == cmd::SettingsRead);
    FUZZ_CHECK((settings.bytes[1] & 1) == (model.busy() ? 1 : 0));
    FUZZ_CHECK(settings.bytes.mid(2) == model.settings());

    const QByteArray table = model.transferBuffer();
    for (int offset = 0; offset < cmd::EdidSize; offset += cmd::EdidReadChunk) {
        const DeviceModel::Reply chunk = model.handle(request({0x11, 16, 0xB0, offset}));
        FUZZ_CHECK(chunk.send && chunk.bytes == table.mid(offset, cmd::EdidReadChunk));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader in(data, size);
    FuzzClock clock;
    DeviceModel model(clock);

    // First byte: 0 no fault, else a fault of kind (b - 1) % 5 for the command code of the next
    // byte (0xFF: every command), lasting for the count of the byte after (0xFF: until cleared).
    const std::uint8_t faultByte = in.byte();
    const bool faulty = faultByte != 0;
    if (faulty) {
        DeviceModel::Fault f;
        f.kind = DeviceModel::FaultKind((faultByte - 1) % 5);
        const std::uint8_t code = in.byte(), count = in.byte();
        f.code = code == 0xFF ? -1 : code;
        f.count = count == 0xFF ? -1 : count;
        f.delayMs = in.byte() * 100u;
        model.addFault(f);
    }
    if (in.byte() & 1)
        model.unplugAfter(1 + in.byte() % 8);

    // Then requests: time passing (10 ms units), a length, the bytes.
    for (int n = 0; n < MaxRequests && !in.atEnd(); ++n) {
        clock.now += in.byte() * 10u;
        const std::vector<std::uint8_t> bytes = in.bytes(in.byte());
        const int before = model.requestCount();
        const bool unplugged = model.unplugged();
        const DeviceModel::Reply reply = model.handle(bytes.data(), bytes.size());

        FUZZ_CHECK(model.requestCount() == before + 1);
        const int most = faulty ? DeviceModel::LongReplySize : cmd::ReplySize;
        FUZZ_CHECK(reply.bytes.size() <= most);
        if (unplugged)
            FUZZ_CHECK(!reply.send);
        if (!faulty && reply.send) {
            FUZZ_CHECK(!reply.bytes.isEmpty() && reply.delayMs == 0);
            // A read that the device takes is answered with the count it asked for.
            const bool read = bytes.size() >= 3 && bytes[0] == cmd::DirRead;
            const bool knownRead = read && ((bytes[2] == cmd::InfoBlockRead && bytes.size() == 4) ||
                                            (bytes[2] == cmd::SettingsRead && bytes.size() == 3) ||
                                            (bytes[2] == cmd::EdidData && bytes.size() == 4));
            if (knownRead)
                FUZZ_CHECK(reply.bytes.size() == std::clamp(int(bytes[1]), 1, cmd::ReplySize));
        }
        if (!faulty && !reply.send)
            FUZZ_CHECK(reply.bytes.isEmpty());
    }
    checkConsistent(model);
    return 0;
}
