// Status decoding: the four blocks of a status poll, each answered with any bytes, any length,
// late or not at all, read and decoded by the real poll code.
// Input: the device's behaviour for the four requests (blocks 6, 21, 30, 31), as FuzzDevice.h
// describes.
#include "FuzzCheck.h"
#include "FuzzClock.h"
#include "FuzzReader.h"
#include "FuzzDevice.h"
#include "NoAlerts.h"
#include "device/DeviceLink.h"
#include "session/DeviceSession.h"
#include "status/StatusDecoder.h"

#include <QRegularExpression>
#include <QString>
#include <vector>

namespace
{

// UTF-16 without a lone surrogate, no longer than the poll's 100-character text buffer.
bool boundedUtf16(const QString &text)
{
    if (text.size() > qsizetype(statusdecode::TextBufferSize))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader in(data, size);
    FuzzClock clock;
    FuzzDevice usb(in, clock);
    NoAlerts alerts;
    DeviceLink link(usb, clock, alerts);
    session::DeviceSession device(link);
    FUZZ_CHECK(device.open("2023") == OpenFailure::None);

    const session::DeviceSession::Status status = device.readStatus();
    const StatusBlocks &blocks = status.blocks;
    FUZZ_CHECK(usb.writes.size() == 4 && usb.earlier.size() == 3 && !usb.violation);
    std::vector<ModelUsbApi::Exchange> arrived = usb.earlier;
    arrived.push_back(usb.last);

    // Each block holds what arrived for it, as far as it was copied, and zeros beyond.
    const cmd::ReplyBuffer *buffers[] = {&blocks.status, &blocks.sourceInfo, &blocks.hdrCapture};
    for (int k = 0; k < 3; ++k) {
        const ModelUsbApi::Exchange &e = arrived[std::size_t(k)];
        const std::size_t copied =
            e.readCalled ? std::min<std::size_t>(e.reported, cmd::ReplySize) : 0;
        for (std::size_t i = 0; i < cmd::ReplySize; ++i)
            FUZZ_CHECK((*buffers[k])[i] ==
                       (i < copied && i < e.delivered.size() ? e.delivered[i] : 0));
    }

    // The gating read alone decides; it cannot succeed without an echo that arrived.
    const std::optional<StatusTexts> texts = decodeStatus(blocks);
    FUZZ_CHECK(texts.has_value() == status.step.ok());
    const ModelUsbApi::Exchange &gating = arrived.back();
    if (!gating.readCalled || gating.delivered.empty() || gating.delivered[0] != 0xE0)
        FUZZ_CHECK(!texts);
    if (!texts)
        return 0;

    for (const QString *t : {&texts->input, &texts->output, &texts->colourSpace, &texts->source,
                             &texts->hdr, &texts->capture})
        FUZZ_CHECK(boundedUtf16(*t));
    FUZZ_CHECK(texts->input.startsWith(QLatin1String("Input : ")));
    FUZZ_CHECK(texts->output.startsWith(QLatin1String("Output: ")));
    FUZZ_CHECK(texts->colourSpace.startsWith(QLatin1String("Color Space: ")));
    FUZZ_CHECK(texts->hdr.startsWith(QLatin1String("HDR input: ")));
    // Vendor (8) and product (16) never run past their fields.
    FUZZ_CHECK(texts->source.startsWith(QLatin1String("Source Info: ")));
    FUZZ_CHECK(texts->source.size() <= 13 + 8 + 1 + 16);

    // The capture dump shows the block's own payload bytes, never more than a read can hold.
    const cmd::ReplyBuffer &capture = blocks.hdrCapture;
    if (texts->capture.isEmpty()) {
        FUZZ_CHECK(capture[2] != 0x87 || capture[3] == 0);
    } else {
        const QStringList pairs = texts->capture.split(QLatin1Char(':'));
        const std::size_t most =
            statusdecode::ReceivedReplyBytes - statusdecode::CapturePayloadOffset;
        FUZZ_CHECK(std::size_t(pairs.size()) == std::min<std::size_t>(capture[3], most));
        for (qsizetype i = 0; i < pairs.size(); ++i) {
            bool ok = false;
            FUZZ_CHECK(pairs[i].size() == 2 && pairs[i] == pairs[i].toLower());
            FUZZ_CHECK(pairs[i].toUInt(&ok, 16) == capture[std::size_t(4 + i)] && ok);
        }
    }
    return 0;
}
