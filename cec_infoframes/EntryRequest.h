#pragma once

#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryText.h"
#include "cec_infoframes/Outcome.h"
#include "device/Commands.h"

#include <QString>
#include <optional>

class CommandPrimitives;

namespace cecif
{

// The pause of the GUI thread between a write and its activate request.
constexpr std::uint32_t ActivatePauseMs = 100;

// An editor's text as a write request, or why there is none.
struct Entry {
    std::optional<cmd::Request> request;
    std::optional<colonhex::BadChar> badChar; // when a pair holds a character that is no digit
};

// The write request `code` for an editor's text parsed in `mode`; none when the text is outside
// `limits`, has no pairs to parse or a character in a pair that is no hex digit.
Entry entryRequest(const QString &plainText, const colonhex::EntryLimits &limits,
                   colonhex::Mode mode, std::uint8_t code);

// The bad character that keeps a text of a length `limits` accepts from the device, checked
// where the text is typed, before any device work is queued.
std::optional<colonhex::BadChar> badCharOf(const QString &plainText,
                                           const colonhex::EntryLimits &limits);

// The outcome of a text refused by `limits`: its message, no device traffic.
Outcome refused(const colonhex::EntryLimits &limits);
// The outcome of a text that gave no request: its bad character's message, else the length one.
Outcome refused(const Entry &entry, const colonhex::EntryLimits &limits);

// Waits the pause, then sends the activate request for `write`; true when it was accepted.
bool activateAfterPause(CommandPrimitives &primitives, const cmd::Request &write,
                        std::uint8_t selector);

} // namespace cecif
