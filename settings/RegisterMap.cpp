#include "settings/RegisterMap.h"

#include <cstring>

namespace settings
{

namespace
{

using C = std::array<const char *, 3>;
using V = std::array<int, 3>;
using D = std::array<const char *, 2>;
constexpr C none3{nullptr, nullptr, nullptr};
constexpr V noValues{NoValue, NoValue, NoValue};
constexpr D noDeps{nullptr, nullptr};

constexpr Row checkBox(Id id, const char *slot, int byte, int reg, const char *box)
{
    return {id,
            slot,
            byte,
            reg,
            true,
            C{box, nullptr, nullptr},
            noValues,
            NoValue,
            noDeps,
            Show::CheckWhenOne,
            Compute::Checked,
            0,
            0};
}

// A radio pair whose first button stands for byte value 1; the slot reads that first button.
constexpr Row pair(Id id, const char *slot, int byte, int reg, const char *on, const char *off)
{
    return {id,
            slot,
            byte,
            reg,
            true,
            C{on, off, nullptr},
            noValues,
            NoValue,
            noDeps,
            Show::PairWhenOne,
            Compute::Checked,
            0,
            0};
}

// Combo boxes write back only once initialised and store nothing in the copy.
constexpr Row combo(Id id, const char *slot, int byte, int reg, const char *box, int offset)
{
    return {id,
            slot,
            byte,
            reg,
            false,
            C{box, nullptr, nullptr},
            noValues,
            NoValue,
            noDeps,
            Show::ComboIndex,
            Compute::ComboIndex,
            offset,
            0};
}

constexpr Row oneOf(Id id, const char *slot, int byte, int reg, C controls, V values, int noneValue,
                    Compute compute, D dependents = noDeps)
{
    return {id,        slot,       byte,        reg,     true, controls, values,
            noneValue, dependents, Show::OneOf, compute, 0,    0};
}

constexpr Row available(Id id, int byte, C controls)
{
    return {id,
            nullptr,
            byte,
            NoRegister,
            false,
            controls,
            noValues,
            NoValue,
            noDeps,
            Show::EnabledWhenOne,
            Compute::Nothing,
            0,
            0};
}

// Indexed by Id.
const std::array<Row, std::size_t(Id::Count)> rows = {{
    combo(Id::SetActivePort, "SetActivePort()", 0, 0, "cmbInputSel", 1),
    oneOf(Id::SetAutoSwitch, "SetAutoSwitch()", 6, 1, C{"autoSwEn", "autoSwDis", nullptr},
          V{1, 0, NoValue}, NoValue, Compute::Checked, D{"pPrioForce", "bPrioNorm"}),
    oneOf(Id::SetAudioSource, "SetAudioSource()", 1, 2, C{"audioHdmi", "audioJack", nullptr},
          V{1, 3, NoValue}, 2, Compute::FirstChecked),
    oneOf(Id::SetHDCP_Version, "SetHDCP_Version()", 3, 3, C{"hdcp14", "hdcp22", nullptr},
          V{2, 3, NoValue}, 1, Compute::FirstChecked),
    oneOf(Id::SetOut_420, "SetOut_420()", 4, 4, C{"enable420", "disable420", nullptr},
          V{1, 0, NoValue}, NoValue, Compute::Checked),
    oneOf(Id::SetEDID_Mode, "SetEDID_Mode()", 2, 5, C{"automixEDID", "fixedEDID", "customEDID"},
          V{1, 2, 3}, NoValue, Compute::FirstChecked),
    checkBox(Id::force2c, "force2c()", 13, 8, "cb2cForce"),
    checkBox(Id::force51, "force51()", 14, 9, "cb51"),
    checkBox(Id::set3D, "set3D()", 15, 10, "cb3D"),
    checkBox(Id::forceHdr, "forceHdr()", 16, 11, "cbHdr"),
    checkBox(Id::forceFullAudio, "forceFullAudio()", 17, 12, "cbFull"),
    pair(Id::setSwPriority, "setSwPriority()", 18, 13, "pPrioForce", "bPrioNorm"),
    combo(Id::changeCustomEdid, "changeCustomEdid()", 19, 14, "cmBEdid", 1),
    pair(Id::CecLpRepurp, "CecLpRepurp()", 21, 16, "bHdrRepurpEn", "bHdrRepurpDis"),
    checkBox(Id::hdrForceActivate, "hdrForceActivate()", 22, 17, "cbHdrForceMode"),
    pair(Id::hdrSamsung, "hdrSamsung()", 24, 19, "bSamHdr", "bFullHdr"),
    pair(Id::setLogoLed, "setLogoLed()", 26, 22, "enableLed", "disableLed"),
    pair(Id::setBlueLed, "setBlueLed()", 27, 23, "enableBLed", "disableBLed"),
    checkBox(Id::setBt2020, "setBt2020()", 28, 24, "cbBt2020"),
    {Id::factoryReset, "factoryReset()", NoByte, 25, false,
     C{ResetClearSettings, ResetClearEdid, nullptr}, noValues, NoValue, noDeps, Show::Nothing,
     Compute::ResetChoice, 0, 0},
    checkBox(Id::setYUV, "setYUV()", 29, 26, "cbYUV"),
    checkBox(Id::setCEC, "setCEC()", 5, 27, "cbCec"),
    combo(Id::setCecLa, "setCecLa()", 30, 28, "cmbLa", 0),
    pair(Id::setAVR, "setAVR()", 31, 29, "enableAVR", "disableAVR"),
    combo(Id::setEdidAlgo, "setEdidAlgo()", 32, 32, "cmbEdidAlgo", 0),
    checkBox(Id::setAviPers, "setAviPers()", 33, 33, "cbAviPersistent"),
    // TX HTPC mode is stored inverted: byte 1 means off. The slot reads the ENABLE button.
    {Id::setHpdForce, "setHpdForce()", 35, 37, true,
     C{"disableHPDFORCE", "enableHPDFORCE", nullptr}, noValues, NoValue, noDeps, Show::PairWhenOne,
     Compute::Unchecked, 0, 1},
    checkBox(Id::setSplitEnable, "setSplitEnable()", 36, 38, "cbSplitEn"),
    pair(Id::setEvenOdd, "setEvenOdd()", 37, 39, "rbEvenOdd", "rbLeftRight"),
    pair(Id::setSenderReceiver, "setSenderReceiver()", 38, 40, "rbSender", "rbReceiver"),
    available(Id::EdidAvailable, 9, C{"automixEDID", "customEDID", "fixedEDID"}),
    available(Id::HdcpAvailable, 10, C{"hdcp22", "hdcp14", nullptr}),
    available(Id::AudioAvailable, 11, C{"audioHdmi", "audioJack", nullptr}),
}};

bool rowsIndexedById()
{
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (std::size_t(rows[i].id) != i)
            return false;
    return true;
}

void appendRowOps(const Row &r, int byte, std::vector<ControlOp> &ops)
{
    switch (r.show) {
    case Show::Nothing:
        return;
    case Show::ComboIndex:
        ops.push_back({r.controls[0], ControlOp::SetIndex, byte - r.offset});
        return;
    case Show::CheckWhenOne:
        ops.push_back({r.controls[0], byte == 1 ? ControlOp::Check : ControlOp::Uncheck});
        return;
    case Show::PairWhenOne:
        ops.push_back({r.controls[0], byte == 1 ? ControlOp::Check : ControlOp::Uncheck});
        ops.push_back({r.controls[1], byte == 1 ? ControlOp::Uncheck : ControlOp::Check});
        return;
    case Show::OneOf: {
        int match = -1;
        for (int i = 0; i < 3; ++i)
            if (r.controls[i] != nullptr && r.values[i] == byte)
                match = i;
        if (match < 0 && (r.noneValue == NoValue || byte != r.noneValue))
            return; // a value the device should not report: keep what is shown
        for (int i = 0; i < 3; ++i)
            if (r.controls[i] != nullptr)
                ops.push_back({r.controls[i], i == match ? ControlOp::Check : ControlOp::Uncheck});
        if (match >= 0)
            for (const char *dep : r.dependents)
                if (dep != nullptr)
                    ops.push_back({dep, byte == 1 ? ControlOp::Enable : ControlOp::Disable});
        return;
    }
    case Show::EnabledWhenOne:
        for (const char *c : r.controls)
            if (c != nullptr)
                ops.push_back({c, byte == 1 ? ControlOp::Enable : ControlOp::Disable});
        // The EDID editor is editable only when the device offers the EDID controls AND the
        // shown mode is CUSTOM: uploads are refused in the other modes, and the mode slot
        // disables it there too, so a poll must not turn it back on.
        if (r.id == Id::EdidAvailable) {
            if (byte == 1)
                ops.push_back(
                    {EdidEditor, ControlOp::EnableIfChecked, 0, row(Id::SetEDID_Mode).controls[2]});
            else
                ops.push_back({EdidEditor, ControlOp::Disable});
        }
        return;
    }
}

} // namespace

bool ControlOp::operator==(const ControlOp &o) const
{
    auto same = [](const char *a, const char *b) {
        return a == b || (a != nullptr && b != nullptr && std::strcmp(a, b) == 0);
    };
    return same(name, o.name) && kind == o.kind && index == o.index && same(source, o.source);
}

const std::array<Row, std::size_t(Id::Count)> &table()
{
    static const bool ok = rowsIndexedById();
    Q_ASSERT(ok);
    (void)ok;
    return rows;
}

const Row &row(Id id)
{
    return table()[std::size_t(id)];
}

int registerOf(Id id)
{
    return row(id).reg;
}

const Row *findBySlot(const char *slotSignature)
{
    if (slotSignature == nullptr)
        return nullptr;
    for (const Row &r : table())
        if (r.slot != nullptr && std::strcmp(r.slot, slotSignature) == 0)
            return &r;
    return nullptr;
}

const std::vector<Id> &applyOrder()
{
    static const std::vector<Id> order = {
        // combo boxes
        Id::SetActivePort, Id::changeCustomEdid, Id::setCecLa, Id::setEdidAlgo,
        // audio source, EDID mode, HDCP, 4:2:0, auto switch with the priority buttons
        Id::SetAudioSource, Id::SetEDID_Mode, Id::SetHDCP_Version, Id::SetOut_420,
        Id::SetAutoSwitch,
        // what the device lets the user change
        Id::AudioAvailable, Id::HdcpAvailable, Id::EdidAvailable,
        // EDID option boxes
        Id::force2c, Id::force51, Id::forceFullAudio, Id::set3D, Id::forceHdr,
        // radio pairs and the remaining boxes
        Id::setSwPriority, Id::CecLpRepurp, Id::setHpdForce, Id::setEvenOdd, Id::setSenderReceiver,
        Id::setSplitEnable, Id::hdrSamsung, Id::hdrForceActivate, Id::setLogoLed, Id::setBlueLed,
        Id::setCEC, Id::setYUV, Id::setBt2020, Id::setAVR, Id::setAviPers};
    return order;
}

PollOutcome decidePoll(bool settingsRead, const cmd::ReplyBuffer &block, bool infoBlockRead)
{
    if ((block[1] & 0x01) != 0)
        return PollOutcome::DeviceBusy;
    return settingsRead && infoBlockRead ? PollOutcome::Apply : PollOutcome::ReadFailed;
}

std::array<std::uint8_t, cmd::SettingsBytes> settingBytes(const cmd::ReplyBuffer &block)
{
    std::array<std::uint8_t, cmd::SettingsBytes> bytes{};
    for (int k = 0; k < cmd::SettingsBytes; ++k)
        bytes[std::size_t(k)] = block[std::size_t(k + 2)];
    return bytes;
}

std::vector<ControlOp> rowOperations(Id id, int byteValue)
{
    std::vector<ControlOp> ops;
    appendRowOps(row(id), byteValue, ops);
    return ops;
}

std::vector<ControlOp> pollOperations(const std::array<std::uint8_t, cmd::SettingsBytes> &bytes)
{
    std::vector<ControlOp> ops;
    for (Id id : applyOrder()) {
        const Row &r = row(id);
        if (r.byte >= 0 && r.byte < cmd::SettingsBytes)
            appendRowOps(r, bytes[std::size_t(r.byte)], ops);
    }
    return ops;
}

std::optional<int> slotValue(Id id, const ControlStates &controls, bool initialised)
{
    const Row &r = row(id);
    switch (r.compute) {
    case Compute::Nothing:
    case Compute::ResetChoice: // needs the typed word too: decideReset
        return std::nullopt;
    case Compute::ComboIndex: {
        if (!initialised)
            return std::nullopt;
        // A cleared combo box (the poll showing a value out of range) has no item to send.
        const int index = controls.currentIndex(r.controls[0]);
        if (index < 0)
            return std::nullopt;
        return index + r.offset;
    }
    case Compute::Checked:
        return controls.isChecked(r.controls[std::size_t(r.readIndex)]) ? 1 : 0;
    case Compute::Unchecked:
        return controls.isChecked(r.controls[std::size_t(r.readIndex)]) ? 0 : 1;
    case Compute::FirstChecked:
        for (int i = 0; i < 3; ++i)
            if (r.controls[std::size_t(i)] != nullptr &&
                controls.isChecked(r.controls[std::size_t(i)]))
                return r.values[std::size_t(i)];
        return std::nullopt;
    }
    return std::nullopt;
}

ResetDecision decideReset(const QString &typed, bool clearSettings, bool clearEdid)
{
    if (typed != QLatin1String(ResetWord))
        return {ResetDecision::WrongWord};
    if (clearSettings && clearEdid)
        return {ResetDecision::Send, 3};
    if (clearSettings)
        return {ResetDecision::Send, 2};
    if (clearEdid)
        return {ResetDecision::Send, 1};
    return {ResetDecision::NoChoice};
}

} // namespace settings
