#include "app/FormBinding.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>
#include <QWidget>

#include "settings/Catalog.h"
#include "settings/ChoiceLists.h"
#include "settings/EdidTableNames.h"

namespace binding
{

using namespace settings;

namespace
{

using C = std::array<const char *, 3>;
using V = std::array<int, 3>;
using D = std::array<const char *, 2>;
using N = std::array<const char *, 3>; // catalog value names, by control
constexpr V noValues{NoValue, NoValue, NoValue};
constexpr D noDeps{nullptr, nullptr};

// The values the controls stand for, from the catalog's names.
V valuesOf(Id id, const N &names)
{
    V values = noValues;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] != nullptr) {
            const std::optional<int> v = namedValue(setting(id), QLatin1String(names[i]));
            Q_ASSERT(v.has_value());
            values[i] = v.value_or(NoValue);
        }
    return values;
}

Row bound(Id id, const char *slot, C controls, V values, int noneValue, D dependents, Show show,
          Compute compute, int offset = 0, int readIndex = 0)
{
    return {id,      slot,   controls,  values,  noneValue, dependents, show,
            compute, offset, readIndex, nullptr, nullptr,   nullptr,    0};
}

Row checkBox(Id id, const char *slot, const char *box)
{
    return bound(id, slot, C{box, nullptr, nullptr}, valuesOf(id, N{"on", "off", nullptr}), NoValue,
                 noDeps, Show::CheckWhenOne, Compute::Checked);
}

// A radio pair: `first` shows when the byte holds its value, `second` for any other value. The
// slot reads the button `readIndex` and sends its value when it is checked, else the other's.
Row pair(Id id, const char *slot, const char *first, const char *firstName, const char *second,
         const char *secondName, int readIndex = 0)
{
    return bound(id, slot, C{first, second, nullptr},
                 valuesOf(id, N{firstName, secondName, nullptr}), NoValue, noDeps,
                 Show::PairWhenOne, Compute::Checked, 0, readIndex);
}

// Combo boxes write back only once initialised. Item 0 stands for the setting's first value.
template <std::size_t Count>
Row combo(Id id, const char *slot, const char *box, const std::array<const char *, Count> &items)
{
    const Setting &s = setting(id);
    const int offset = s.kind == Kind::Range ? s.minimum : s.values[0].value;
    Row r = bound(id, slot, C{box, nullptr, nullptr}, noValues, NoValue, noDeps, Show::ComboIndex,
                  Compute::ComboIndex, offset);
    r.items = items.data();
    r.itemCount = Count;
    return r;
}

Row oneOf(Id id, const char *slot, C controls, N names, const char *noneName, Compute compute,
          D dependents = noDeps)
{
    const int noneValue =
        noneName != nullptr ? valuesOf(id, N{noneName, nullptr, nullptr})[0] : NoValue;
    return bound(id, slot, controls, valuesOf(id, names), noneValue, dependents, Show::OneOf,
                 compute);
}

Row available(Id id, C controls, const char *gated = nullptr, const char *gate = nullptr)
{
    Row r = bound(id, nullptr, controls, valuesOf(id, N{"yes", "no", nullptr}), NoValue, noDeps,
                  Show::EnabledWhenOne, Compute::Nothing);
    r.gated = gated;
    r.gate = gate;
    return r;
}

Row factoryResetRow()
{
    return bound(Id::FactoryReset, "factoryReset()", C{ResetClearSettings, ResetClearEdid, nullptr},
                 noValues, NoValue, noDeps, Show::Nothing, Compute::ResetChoice);
}

// One row per id, in any order.
std::array<Row, std::size_t(Id::Count)> rowList()
{
    return {{
        combo(Id::Input, "SetActivePort()", "cmbInputSel", choices::InputPorts),
        oneOf(Id::AutoSwitch, "SetAutoSwitch()", C{"autoSwEn", "autoSwDis", nullptr},
              N{"on", "off", nullptr}, nullptr, Compute::Checked, D{"pPrioForce", "bPrioNorm"}),
        oneOf(Id::AudioSource, "SetAudioSource()", C{"audioHdmi", "audioJack", nullptr},
              N{"hdmi", "jack", nullptr}, "none", Compute::FirstChecked),
        oneOf(Id::Hdcp, "SetHDCP_Version()", C{"hdcp14", "hdcp22", nullptr},
              N{"1.4", "2.2", nullptr}, "none", Compute::FirstChecked),
        oneOf(Id::Output420, "SetOut_420()", C{"enable420", "disable420", nullptr},
              N{"on", "off", nullptr}, nullptr, Compute::Checked),
        oneOf(Id::EdidMode, "SetEDID_Mode()", C{"automixEDID", "fixedEDID", "customEDID"},
              N{"automix", "fixed", "custom"}, nullptr, Compute::FirstChecked),
        checkBox(Id::Stereo20, "force2c()", "cb2cForce"),
        checkBox(Id::Multi51, "force51()", "cb51"),
        checkBox(Id::Remove3d, "set3D()", "cb3D"),
        checkBox(Id::HdrPacket, "forceHdr()", "cbHdr"),
        checkBox(Id::FullAudio, "forceFullAudio()", "cbFull"),
        pair(Id::Priority, "setSwPriority()", "pPrioForce", "forced", "bPrioNorm", "normal"),
        combo(Id::EdidTable, "changeCustomEdid()", "cmBEdid", edid::TableNames),
        pair(Id::HdrHotkey, "CecLpRepurp()", "bHdrRepurpEn", "on", "bHdrRepurpDis", "off"),
        checkBox(Id::ForceHdr, "hdrForceActivate()", "cbHdrForceMode"),
        pair(Id::HdrMode, "hdrSamsung()", "bSamHdr", "samsung", "bFullHdr", "full"),
        pair(Id::GreenLed, "setLogoLed()", "enableLed", "on", "disableLed", "off"),
        pair(Id::BlueLeds, "setBlueLed()", "enableBLed", "on", "disableBLed", "off"),
        checkBox(Id::Bt2020, "setBt2020()", "cbBt2020"),
        factoryResetRow(),
        checkBox(Id::AllowYcbcr, "setYUV()", "cbYUV"),
        checkBox(Id::Cec, "setCEC()", "cbCec"),
        combo(Id::CecDeviceType, "setCecLa()", "cmbLa", choices::CecDeviceTypes),
        pair(Id::AvrAudio, "setAVR()", "enableAVR", "on", "disableAVR", "off"),
        combo(Id::AutomixAlgo, "setEdidAlgo()", "cmbEdidAlgo", choices::AutomixAlgorithms),
        checkBox(Id::ReplaceAvi, "setAviPers()", "cbAviPersistent"),
        // The device byte is 1 when TX HTPC mode is off: DISABLE shows for 1, ENABLE for any
        // other value. The slot reads the ENABLE button.
        pair(Id::TxHtpcMode, "setHpdForce()", "disableHPDFORCE", "off", "enableHPDFORCE", "on", 1),
        checkBox(Id::SplitScreen, "setSplitEnable()", "cbSplitEn"),
        pair(Id::SplitStyle, "setEvenOdd()", "rbEvenOdd", "even-odd", "rbLeftRight", "left-right"),
        pair(Id::SplitFeature, "setSenderReceiver()", "rbSender", "sender", "rbReceiver",
             "receiver"),
        // The EDID editor is editable only when the device offers the EDID controls AND the
        // shown mode is CUSTOM: uploads are refused in the other modes, and the mode slot
        // disables it there too, so a poll must not turn it back on.
        available(Id::EdidAvailable, C{"automixEDID", "customEDID", "fixedEDID"}, EdidEditor,
                  "customEDID"),
        available(Id::HdcpAvailable, C{"hdcp22", "hdcp14", nullptr}),
        available(Id::AudioAvailable, C{"audioHdmi", "audioJack", nullptr}),
    }};
}

std::array<Row, std::size_t(Id::Count)> byId(const std::array<Row, std::size_t(Id::Count)> &rows)
{
    std::array<Row, std::size_t(Id::Count)> out{};
    std::array<bool, std::size_t(Id::Count)> placed{};
    for (const Row &r : rows) {
        Q_ASSERT(!placed[std::size_t(r.id)]); // one row per id
        placed[std::size_t(r.id)] = true;
        out[std::size_t(r.id)] = r;
    }
    return out;
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
        ops.push_back({r.controls[0], byte == r.values[0] ? ControlOp::Check : ControlOp::Uncheck});
        return;
    case Show::PairWhenOne: {
        const bool first = byte == r.values[0];
        ops.push_back({r.controls[0], first ? ControlOp::Check : ControlOp::Uncheck});
        ops.push_back({r.controls[1], first ? ControlOp::Uncheck : ControlOp::Check});
        return;
    }
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
                    ops.push_back({dep, match == 0 ? ControlOp::Enable : ControlOp::Disable});
        return;
    }
    case Show::EnabledWhenOne: {
        const bool on = byte == r.values[0];
        for (const char *c : r.controls)
            if (c != nullptr)
                ops.push_back({c, on ? ControlOp::Enable : ControlOp::Disable});
        if (r.gated != nullptr)
            ops.push_back(on ? ControlOp{r.gated, ControlOp::EnableIfChecked, 0, r.gate}
                             : ControlOp{r.gated, ControlOp::Disable});
        return;
    }
    }
}

} // namespace

const Row &row(Id id)
{
    // Built on first use from the catalog, whatever the order of static initialisation.
    static const std::array<Row, std::size_t(Id::Count)> rows = byId(rowList());
    return rows[std::size_t(id)];
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
    for (const Setting *s : settings::pollOrder())
        if (s->byte >= 0 && s->byte < cmd::SettingsBytes)
            appendRowOps(row(s->id), bytes[std::size_t(s->byte)], ops);
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
    case Compute::Checked: {
        const std::size_t read = std::size_t(r.readIndex);
        return controls.isChecked(r.controls[read]) ? r.values[read] : r.values[1 - read];
    }
    case Compute::FirstChecked:
        for (int i = 0; i < 3; ++i)
            if (r.controls[std::size_t(i)] != nullptr &&
                controls.isChecked(r.controls[std::size_t(i)]))
                return r.values[std::size_t(i)];
        return std::nullopt;
    }
    return std::nullopt;
}

bool FormControls::isChecked(const char *name) const
{
    const auto *button = root_.findChild<QAbstractButton *>(QLatin1String(name));
    return button != nullptr && button->isChecked();
}

int FormControls::currentIndex(const char *name) const
{
    const auto *box = root_.findChild<QComboBox *>(QLatin1String(name));
    return box != nullptr ? box->currentIndex() : -1;
}

void FormControls::apply(const ControlOp &op)
{
    switch (op.kind) {
    case ControlOp::Check:
    case ControlOp::Uncheck:
        if (auto *button = root_.findChild<QAbstractButton *>(QLatin1String(op.name))) {
            const QSignalBlocker quiet(button);
            button->setChecked(op.kind == ControlOp::Check);
        }
        return;
    case ControlOp::SetIndex:
        if (auto *box = root_.findChild<QComboBox *>(QLatin1String(op.name))) {
            const QSignalBlocker quiet(box);
            box->setCurrentIndex(op.index);
        }
        return;
    case ControlOp::Enable:
    case ControlOp::Disable:
    case ControlOp::EnableIfChecked:
        if (auto *widget = root_.findChild<QWidget *>(QLatin1String(op.name))) {
            const bool on = op.kind == ControlOp::Enable ||
                            (op.kind == ControlOp::EnableIfChecked && isChecked(op.source));
            widget->setEnabled(on);
        }
        return;
    }
}

void FormControls::forEachCombo(const std::function<void(QComboBox &, const Row &)> &act)
{
    for (int i = 0; i < int(Id::Count); ++i) {
        const Row &r = row(Id(i));
        if (r.show != Show::ComboIndex)
            continue;
        if (auto *box = root_.findChild<QComboBox *>(QLatin1String(r.controls[0]))) {
            const QSignalBlocker quiet(box);
            act(*box, r);
        }
    }
}

void FormControls::fillCombos()
{
    forEachCombo([](QComboBox &box, const Row &r) {
        for (std::size_t k = 0; k < r.itemCount; ++k)
            box.addItem(QString::fromLatin1(r.items[k]));
    });
}

void FormControls::emptyCombos()
{
    forEachCombo([](QComboBox &box, const Row &) { box.clear(); });
}

} // namespace binding
