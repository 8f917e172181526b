// Colon hex entry texts: prepared and parsed by the real code with each caller's limits (CEC
// send, CEC store, HDR, AVI) and both modes, then handed to the caller's real operation on a
// device link whose device answers from the input.
//
// Input: one selector byte: bits 0-1 the caller (CEC send, CEC store, HDR, AVI), bit 2 the text
// is Latin-1 (else UTF-8), bit 3 the text is built from well-formed pairs, bit 4 the LP button
// (CEC store), bit 5 replace AVI; then a scan length byte for the direct parse; then a length
// byte n and either n text bytes, or (well-formed) n % 40 byte values and a byte whose bit k
// writes pair k % 8 in lower case. What follows is the device's behaviour, as FuzzDevice.h
// describes.
#include "FuzzCheck.h"
#include "FuzzClock.h"
#include "FuzzReader.h"
#include "FuzzDevice.h"
#include "NoAlerts.h"
#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryParse.h"
#include "cec_infoframes/EntryText.h"
#include "device/DeviceLink.h"
#include "session/DeviceSession.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace
{

using colonhex::Mode;

struct Caller {
    const colonhex::EntryLimits &limits;
    Mode mode;
    std::uint8_t code;
    bool parses; // CEC store sends the text itself, unparsed
};
const Caller Callers[] = {
    {colonhex::CecSendLimits, Mode::LengthByte, cmd::CecSend, true},
    {colonhex::CecStoreLimits, Mode::Plain, cmd::CecStore1, false},
    {colonhex::HdrLimits, Mode::Plain, cmd::HdrInfoframeWrite, true},
    {colonhex::AviLimits, Mode::Plain, cmd::AviInfoframeWrite, true},
};

// The parser refuses a text with a colon at 0 or 1, or none at all, within what it scans.
bool hasPairs(const QByteArray &text, std::size_t scanLength)
{
    const QByteArray scanned = text.left(qsizetype(scanLength));
    const qsizetype colon = scanned.indexOf(':');
    return colon >= 2;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Never more than the buffer, nothing written behind the count; a refused text gives nothing;
// a bad character is one, within the text or right behind it.
std::uint8_t checkParse(const QByteArray &text, std::uint8_t scanLength, Mode mode,
                        colonhex::Output &out)
{
    out.fill(0x5A);
    const colonhex::Parsed parsed = colonhex::parseColonHex(text, out, scanLength, mode);
    const std::uint8_t count = parsed.count;
    FUZZ_CHECK(count <= colonhex::OutputSize);
    for (std::size_t i = count; i < out.size(); ++i)
        FUZZ_CHECK(out[i] == 0);
    if (parsed.badAt) {
        FUZZ_CHECK(count == 0);
        FUZZ_CHECK(*parsed.badAt <= std::size_t(text.size()));
        FUZZ_CHECK(*parsed.badAt == std::size_t(text.size()) ||
                   !isHexDigit(text[qsizetype(*parsed.badAt)]));
    }
    if (!hasPairs(text, scanLength)) {
        FUZZ_CHECK(count == 0 && !parsed.badAt);
    } else if (!parsed.badAt) {
        FUZZ_CHECK(count >= (mode == Mode::LengthByte ? 3 : 2));
        if (mode == Mode::LengthByte)
            FUZZ_CHECK(out[1] == count - 2);
    }
    return count;
}

// The caller's operation with the bytes its front end hands over.
session::Step runOperation(int caller, session::DeviceSession &s, const QByteArray &bytes, bool lp,
                           bool replaceAvi)
{
    settings::SettingBytes settings{};
    switch (caller) {
    case 0:
        return s.sendCec(bytes);
    case 1:
        return s.storeCec(bytes, lp ? session::CecButton::Lp : session::CecButton::Sp);
    case 2:
        return s.sendHdr(bytes);
    default:
        return s.sendAvi(bytes, replaceAvi, settings);
    }
}

std::vector<std::uint8_t> requestBytes(const cmd::Request &r)
{
    return {r.bytes.begin(), r.bytes.begin() + r.length};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader in(data, size);
    const std::uint8_t selector = in.byte();
    const int callerIndex = selector & 0x03;
    const Caller &caller = Callers[callerIndex];
    const std::uint8_t scanLength = in.byte();
    const std::uint8_t n = in.byte();

    QString text;
    std::vector<std::uint8_t> values;
    if (selector & 0x08) {
        values = in.bytes(n % 40);
        const std::uint8_t lower = in.byte();
        for (std::size_t k = 0; k < values.size(); ++k) {
            QString pair = QStringLiteral("%1").arg(values[k], 2, 16, QLatin1Char('0'));
            if (!(lower >> (k % 8) & 1))
                pair = pair.toUpper();
            text += (k > 0 ? QStringLiteral(":") : QString()) + pair;
        }
    } else {
        const std::vector<std::uint8_t> raw = in.bytes(n);
        const char *chars = reinterpret_cast<const char *>(raw.data());
        text = (selector & 0x04) ? QString::fromLatin1(chars, qsizetype(raw.size()))
                                 : QString::fromUtf8(chars, qsizetype(raw.size()));
    }

    const QByteArray prepared = colonhex::prepareEntryText(text);
    FUZZ_CHECK(!prepared.isEmpty() && prepared.endsWith(colonhex::CarriageReturn));
    FUZZ_CHECK(prepared.size() <= text.toUpper().size() + 1);

    colonhex::Output out;
    for (const Mode mode : {Mode::Plain, Mode::LengthByte}) {
        checkParse(prepared, scanLength, mode, out);
        const std::size_t whole = std::min<std::size_t>(std::size_t(prepared.size()), 255);
        const std::uint8_t count = checkParse(prepared, std::uint8_t(whole), mode, out);
        // k well-formed pairs: k bytes, or k + 1 with the length byte, in the order typed.
        if (values.size() >= 2) {
            const std::size_t k = values.size();
            FUZZ_CHECK(count == (mode == Mode::LengthByte ? k + 1 : k));
            FUZZ_CHECK(out[0] == values[0]);
            const std::size_t skip = mode == Mode::LengthByte ? 1 : 0;
            for (std::size_t i = 1; i < k; ++i)
                FUZZ_CHECK(out[i + skip] == values[i]);
        }
    }

    // The caller refuses a text outside its limits, one with a bad character in a pair and, when
    // it parses, one without pairs.
    const colonhex::Entry entry = colonhex::parseEntry(text, caller.limits, caller.mode);
    // Which characters and groups are bad does not depend on the mode.
    const colonhex::Entry plain = colonhex::parseEntry(text, caller.limits);
    FUZZ_CHECK(plain.problem() == entry.problem());
    const bool bad = !entry.problem().isEmpty();
    FUZZ_CHECK(bad == (entry.badChar || entry.badGroup));
    if (entry.badChar)
        FUZZ_CHECK(entry.badChar->position >= 1 && entry.badChar->position <= text.size() + 1);
    if (entry.badGroup)
        FUZZ_CHECK(entry.badGroup->position >= 1 && entry.badGroup->group.size() != 2 &&
                   entry.badGroup->position + entry.badGroup->group.size() <= text.size() + 1);
    const bool refused = !caller.limits.accepts(prepared.size()) || bad ||
                         (caller.parses && !hasPairs(prepared, std::size_t(prepared.size())));
    if (!values.empty()) {
        FUZZ_CHECK(!bad);
        FUZZ_CHECK(refused ==
                   (values.size() < 2 || !caller.limits.accepts(qsizetype(3 * values.size()))));
    }
    std::optional<cmd::Request> request;
    if (caller.parses) {
        FUZZ_CHECK(entry.ok() == !refused);
        if (entry.ok()) {
            const std::uint8_t count =
                colonhex::parseColonHex(prepared, out, std::uint8_t(prepared.size()), caller.mode)
                    .count;
            FUZZ_CHECK(entry.bytes->size() == count &&
                       std::equal(out.begin(), out.begin() + count, entry.bytes->begin(),
                                  [](std::uint8_t a, char b) { return a == std::uint8_t(b); }));
            request = cmd::payloadWrite(
                caller.code, reinterpret_cast<const std::uint8_t *>(entry.bytes->constData()),
                std::size_t(entry.bytes->size()));
        }
    } else if (!refused) {
        const std::uint8_t code = (selector & 0x10) ? cmd::CecStore2 : cmd::CecStore1;
        request = cmd::cecStore(code, reinterpret_cast<const std::uint8_t *>(prepared.constData()),
                                std::size_t(prepared.size()));
    }

    // A refused text never reaches the device: the front ends parse before they post.
    if (refused)
        return 0;
    // The real operation on an open device, with what the front end hands over.
    FuzzClock clock;
    FuzzDevice usb(in, clock);
    NoAlerts alerts;
    DeviceLink link(usb, clock, alerts);
    session::DeviceSession device(link);
    FUZZ_CHECK(device.open("2023") == OpenFailure::None);
    const session::Step step = runOperation(callerIndex, device, caller.parses ? *entry.bytes : prepared,
                                            selector & 0x10, selector & 0x20);
    FUZZ_CHECK(!usb.violation);
    FUZZ_CHECK(step.result != cmd::Result::BadInput);
    FUZZ_CHECK(!usb.writes.isEmpty() && request);
    const ModelUsbApi::Exchange &first = usb.earlier.empty() ? usb.last : usb.earlier.front();
    FUZZ_CHECK(first.request == requestBytes(*request));
    return 0;
}
