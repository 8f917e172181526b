#pragma once

#include "device/Commands.h"
#include "settings/SettingId.h"

#include <QAnyStringView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The device's settings as a user names them: one row per setting with its register, its
// setting byte and the values it takes. This is the only place that knows register numbers
// and setting bytes; the form binding (RegisterMap) takes them from here.
namespace settings
{

enum class Kind : std::uint8_t {
    Choice,  // one of the named values
    OnOff,   // "on" or "off"
    Range,   // a number from minimum to maximum
    ReadOnly // the device reports it, nothing writes it
};

// What a writer does around the register write to get the window's effect.
enum class Follow : std::uint8_t {
    Nothing,
    WaitWhileBusy,     // the device rebuilds its EDID and reports busy meanwhile
    HdrInfoframeFirst, // turning on sends the custom HDR infoframe first
    AviInfoframeFirst  // turning on sends the custom AVI infoframe first
};

// How the window's control of a setting answers a poll that changes it: a check box writes its
// new state back at once, a combo box its new index (only once start-up has filled it). Radio
// buttons react to clicks only. A combo box's own writes leave the settings copy to the next
// poll; every other write stores its value in the copy.
enum class Echo : std::uint8_t { None, Toggle, Index };

// What a settings poll does with a setting: `step` is its place in the poll (a later step
// overrides an earlier one on screen, and the write-backs of one poll go out in step order),
// `echo` whether the window's control writes a change back.
struct PollRule {
    int step;
    Echo echo;
};

struct ValueName {
    const char *name; // nullptr: unused slot
    int value;        // the register value, equal to the setting byte the device then holds
};

constexpr std::size_t MaxValueNames = 4;

// One setting: everything the device side needs to read, write and echo it. Adding a setting
// is a row here and a row in the window's binding (app/FormBinding.cpp).
struct Setting {
    const char *name;
    Id id;    // the form binding's row
    int reg;  // NoRegister for read-only settings
    int byte; // index in the 40 setting bytes
    Kind kind;
    std::array<ValueName, MaxValueNames> values; // Choice, OnOff, ReadOnly
    int minimum;                                 // Range
    int maximum;                                 // Range
    PollRule poll;
    Follow follow;
};

constexpr std::size_t SettingCount = 32;

using SettingBytes = std::array<std::uint8_t, cmd::SettingsBytes>;

// In the order a listing shows them (the header first, then page by page), which is also the
// order in which a configuration load writes them: the EDID mode before the EDID table.
const std::array<Setting, SettingCount> &catalog();

// Case-insensitive; nullptr when no setting has that name.
const Setting *findSetting(QAnyStringView name);
// The catalog row of a binding row; nullptr for rows that are no setting (the factory reset).
const Setting *settingOf(Id id);
// For ids that are settings.
const Setting &setting(Id id);

// The settings in the order a poll shows them (PollRule::step).
const std::array<const Setting *, SettingCount> &pollOrder();

// Whether a write of the setting's slot stores the value in the settings copy.
bool storesCopy(const Setting &setting);

// Whether the setting can be written with this value.
bool accepts(const Setting &setting, int value);
// The name of a value, nullptr when it has none (numbers of a range, unexpected bytes).
const char *valueName(const Setting &setting, int value);
// The value of a name; nothing when the setting has no such name. Case-insensitive.
std::optional<int> namedValue(const Setting &setting, QAnyStringView name);

struct ParsedValue {
    enum Error { None, Unknown, OutOfRange, ReadOnly } error = None;
    int value = 0;
};

// A value name, or a decimal number the setting accepts.
ParsedValue parseValue(const Setting &setting, QAnyStringView text);

struct CurrentValue {
    int raw = 0;
    const char *name = nullptr; // nullptr: the byte has no name, show the number
};

CurrentValue currentValue(const Setting &setting, const SettingBytes &bytes);
// The value name, or the number when the byte has none.
QString formatValue(const Setting &setting, const SettingBytes &bytes);

QString kindName(Kind kind);
// "port-a|port-b|..." or "1..25".
QString allowedValues(const Setting &setting);

// One line per setting: name, kind, allowed values, current value, in aligned columns; each
// value name with its number ("port-b=2"), which `set` takes as well.
QStringList listing(const SettingBytes &bytes);

// The register write that gives a setting a value; nothing for a read-only setting or a value
// it does not accept.
std::optional<cmd::Request> writeRequest(const Setting &setting, int value);

// The factory reset is no setting: one register, three values.
constexpr int FactoryResetRegister = 25;
namespace reset
{
constexpr int Edid = 1;
constexpr int Settings = 2;
constexpr int Both = 3;
} // namespace reset

} // namespace settings
