#pragma once

#include "device/Commands.h"
#include "settings/SettingId.h"
#include "settings/SettingsPoll.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;

class QWidget;

// The form's binding to the device's settings, in both directions: how a settings block shows
// on the controls, and what each setting slot computes from them. Register numbers, setting
// bytes and the values the controls stand for come from the catalog (settings/Catalog.h);
// this file only says which controls show and write each catalog row.

namespace binding
{

using settings::Id;
using settings::NoValue;

// How the poll shows a setting byte. `values` hold the catalog value of each control.
enum class Show : std::uint8_t {
    Nothing,
    ComboIndex,    // controls[0] current index = byte - offset
    CheckWhenOne,  // controls[0] checked when the byte is exactly values[0] ("on", 1)
    OneOf,         // controls[i] checked when byte == values[i]; byte == noneValue unchecks all;
                   // any other value: no change. `dependents` enabled when controls[0] shows.
    PairWhenOne,   // byte == values[0]: controls[0] checked, controls[1] not; otherwise reverse
    EnabledWhenOne // all controls enabled when the byte is values[0] ("yes", 1), else disabled
};

// How a slot computes the value it sends.
enum class Compute : std::uint8_t {
    Nothing,
    ComboIndex,   // current index of controls[0] + offset, only once initialised
    Checked,      // values[readIndex] if controls[readIndex] is checked, else the other value
    FirstChecked, // values[i] of the first checked controls[i]; none checked: nothing sent
    ResetChoice   // from the reset check boxes (decideReset)
};

// What the window needs of one setting: the controls that show and write it, and its slot.
// Register, byte, values and poll rules are the catalog row's (settings::setting(id)).
struct Row {
    Id id;
    const char *slot; // slot signature, nullptr for device-only rows
    std::array<const char *, 3> controls;
    std::array<int, 3> values; // the value each control stands for (check box: on, off)
    int noneValue;             // OneOf: the value that unchecks every control
    std::array<const char *, 2> dependents;
    Show show;
    Compute compute;
    int offset;    // ComboIndex: index = byte - offset, value = index + offset
    int readIndex; // Checked: the control the slot reads
    // EnabledWhenOne: one more control, enabled only while the byte is on and `gate` is
    // checked at that point of the poll.
    const char *gated;
    const char *gate;
    // ComboIndex: the items start-up fills the box with, in index order.
    const char *const *items;
    std::size_t itemCount;
};

const Row &row(Id id);

// The editor of the EDID tab; its enabled state follows the poll (the EDID availability row).
constexpr const char *EdidEditor = "EDIDtext";

// ---- Poll side --------------------------------------------------------------------------

struct ControlOp {
    enum Kind : std::uint8_t {
        Check,
        Uncheck,
        SetIndex,
        Enable,
        Disable,
        EnableIfChecked // enable `name` when `source` is checked at this point, else disable
    };
    const char *name;
    Kind kind;
    int index = 0;                // SetIndex
    const char *source = nullptr; // EnableIfChecked
};

// The operations that show one row's byte value.
std::vector<ControlOp> rowOperations(Id id, int byteValue);

// The control operations of one applied poll, in the order they must run.
std::vector<ControlOp> pollOperations(const std::array<std::uint8_t, cmd::SettingsBytes> &bytes);

// ---- Slot side --------------------------------------------------------------------------

class ControlStates
{
public:
    virtual ~ControlStates() = default;
    virtual bool isChecked(const char *name) const = 0;
    virtual int currentIndex(const char *name) const = 0; // -1 when empty or missing
};

// The value `id`'s slot sends, or nothing when the slot must not write.
std::optional<int> slotValue(Id id, const ControlStates &controls, bool initialised);

// The form's controls as the binding sees them. A control missing from the form reads as
// unchecked / empty and ignores operations.
class FormControls : public ControlStates
{
public:
    explicit FormControls(QWidget &root) : root_(root) {}
    bool isChecked(const char *name) const override;
    int currentIndex(const char *name) const override;
    // Without the control's signals: what the device shows writes nothing back from here (the
    // device thread sends a poll's write-backs itself).
    void apply(const ControlOp &op);
    // Start-up fills the combo boxes with their rows' items, quietly (their slots would send
    // nothing yet anyway); a start-up after a replug empties them first.
    void fillCombos();
    void emptyCombos();

private:
    // Runs `act` on every combo box of the rows, quietly.
    void forEachCombo(const std::function<void(QComboBox &, const Row &)> &act);

    QWidget &root_;
};

// ---- Factory reset ----------------------------------------------------------------------

constexpr const char *ResetClearSettings = "cbClearSettings";
constexpr const char *ResetClearEdid = "cbClearEdid";
constexpr const char *ResetEdit = "leReset";

} // namespace binding
