#pragma once

#include "status/StatusValues.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

// The input signal as a sequence of events: each status poll compared with the one before gives
// the fields that changed, and the device's coming, going and silence are events too. The header
// shows only the latest poll; these keep what happened between two looks.
namespace session
{

enum class SignalField {
    Input,        // format, HDMI or DVI, 3D
    Clock,        // TMDS clock
    ColourDepth,  // bits per component, where the clock tells it
    ColourFormat, // RGB or a YCbCr sampling
    Colorimetry,
    Hdcp,
    Outputs,
    Source, // the source's vendor and product
    Hdr,    // the HDR state of the captured infoframe
    // The captured HDR infoframe's metadata ("none" while nothing is captured).
    Eotf,
    MaxLuminance, // of the mastering display
    MaxCll,
    MaxFall,
};
constexpr int SignalFieldCount = int(SignalField::MaxFall) + 1;

// "input", "colour-format": the name a line or a JSON object carries.
QString fieldName(SignalField field);

// One poll's fields in words, indexed by SignalField.
using SignalSnapshot = std::array<QString, SignalFieldCount>;
SignalSnapshot snapshotOf(const status::Values &values);

struct SignalEvent {
    enum class Kind {
        Change,       // `field` went from `from` to `to`
        Arrival,      // the device is there (again)
        Departure,    // the device went away
        NotAnswering, // the device is there but its status read failed
        Answering,    // it answers again after not answering
    };
    Kind kind = Kind::Change;
    SignalField field = SignalField::Input; // Change only
    QString from, to;                        // Change only
};

// "arrival", "departure", "not-answering", "answering"; "change" for a change.
QString eventName(SignalEvent::Kind kind);

// Compares each poll with the last one that answered. The first poll only sets the start: what
// the signal is then is the status, not a change. After a departure or silence the next poll is
// compared with the last one seen, so what changed meanwhile shows as changes.
class SignalWatch
{
public:
    // One status poll: its values, or nothing when the device did not answer.
    QList<SignalEvent> polled(const std::optional<status::Values> &values);
    // An Arrival event (none when already present).
    QList<SignalEvent> arrived();
    // A Departure event (none when already gone).
    QList<SignalEvent> departed();

    const std::optional<SignalSnapshot> &last() const { return last_; }

private:
    std::optional<SignalSnapshot> last_;
    bool present_ = false;
    bool answering_ = true;
};

} // namespace session
