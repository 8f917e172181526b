// Settings poll, the setting slots and the factory reset. The register map decides everything;
// this file only reaches the controls by object name and runs the device commands.
#include "app/MainWindow.h"

#include "device/StatusSink.h"
#include "settings/RegisterMap.h"
#include "ui_KorvalisForm.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

namespace
{

// The form's controls as the register map sees them. A control missing from the form reads as
// unchecked / empty and ignores operations.
class FormControls : public settings::ControlStates
{
public:
    explicit FormControls(QWidget &root) : root_(root) {}

    bool isChecked(const char *name) const override
    {
        const auto *button = root_.findChild<QAbstractButton *>(QLatin1String(name));
        return button != nullptr && button->isChecked();
    }
    int currentIndex(const char *name) const override
    {
        const auto *box = root_.findChild<QComboBox *>(QLatin1String(name));
        return box != nullptr ? box->currentIndex() : -1;
    }

    // Signals stay connected: check boxes and combo boxes changed here write their value back
    // through their slots, radio buttons (clicked()) do not.
    void apply(const settings::ControlOp &op)
    {
        using Op = settings::ControlOp;
        switch (op.kind) {
        case Op::Check:
        case Op::Uncheck:
            if (auto *button = root_.findChild<QAbstractButton *>(QLatin1String(op.name)))
                button->setChecked(op.kind == Op::Check);
            return;
        case Op::SetIndex:
            if (auto *box = root_.findChild<QComboBox *>(QLatin1String(op.name)))
                box->setCurrentIndex(op.index);
            return;
        case Op::Enable:
        case Op::Disable:
        case Op::EnableIfChecked:
            if (auto *widget = root_.findChild<QWidget *>(QLatin1String(op.name))) {
                const bool on = op.kind == Op::Enable ||
                                (op.kind == Op::EnableIfChecked && isChecked(op.source));
                widget->setEnabled(on);
            }
            return;
        }
    }

private:
    QWidget &root_;
};

} // namespace

void MainWindow::pollSettings()
{
    cmd::ReplyBuffer block{};
    cmd::ReplyBuffer status{};
    const bool settingsRead = primitives_.readSettings(block, cmd::SettingsReplyLength) != 0;
    // Only the success of this read counts; its data belong to the status poll.
    const bool statusRead = primitives_.readInfoBlock(cmd::info::Status, status,
                                                      cmd::info::StatusLengthSettingsPoll) != 0;
    if (settings::decidePoll(settingsRead, block, statusRead) == settings::PollOutcome::Apply)
        applySettingsBlock(block);
}

void MainWindow::applySettingsBlock(const cmd::ReplyBuffer &block)
{
    settingsCopy_ = settings::settingBytes(block);
    const std::vector<settings::ControlOp> ops = settings::pollOperations(settingsCopy_);
    FormControls controls(*this);
    for (const settings::ControlOp &op : ops)
        controls.apply(op);
}

void MainWindow::runSettingSlot(settings::Id id)
{
    const FormControls controls(*this);
    const std::optional<int> value = settings::slotValue(id, controls, initialised_ != 0);
    if (!value)
        return;
    const settings::Row &row = settings::row(id);
    primitives_.writeSetting(row.reg, *value);
    // Stored whether or not the write succeeded; the next applied poll corrects it.
    if (row.storesCopy && row.byte >= 0 && row.byte < cmd::SettingsBytes)
        settingsCopy_[std::size_t(row.byte)] = std::uint8_t(*value & 0xFF);
}

void MainWindow::SetEPState()
{
    primitives_.writeSettingsBlock(settingsCopy_.data());
}

void MainWindow::factoryReset()
{
    using settings::ResetDecision;
    auto *edit = findChild<QLineEdit *>(QLatin1String(settings::ResetEdit));
    auto *clearSettings = findChild<QAbstractButton *>(QLatin1String(settings::ResetClearSettings));
    auto *clearEdid = findChild<QAbstractButton *>(QLatin1String(settings::ResetClearEdid));

    const ResetDecision decision =
        settings::decideReset(edit != nullptr ? edit->text() : QString(),
                              clearSettings != nullptr && clearSettings->isChecked(),
                              clearEdid != nullptr && clearEdid->isChecked());
    if (decision.kind == ResetDecision::WrongWord) {
        showStatus(tr("Type RESET into the text box and click OK"), StatusTime::Result);
        return;
    }
    if (decision.kind == ResetDecision::Send)
        primitives_.writeSetting(settings::registerOf(settings::Id::factoryReset), decision.value);
    else
        showStatus(tr("Choose the reset from the checkboxes"), StatusTime::Result);

    // The word is used up by every accepted attempt, sent or not, failed or not.
    if (edit != nullptr)
        edit->clear();
    if (clearSettings != nullptr)
        clearSettings->setChecked(false);
    if (clearEdid != nullptr)
        clearEdid->setChecked(false);
}

void MainWindow::SetActivePort()
{
    runSettingSlot(settings::Id::SetActivePort);
}
void MainWindow::SetAutoSwitch()
{
    runSettingSlot(settings::Id::SetAutoSwitch);
}
void MainWindow::SetAudioSource()
{
    runSettingSlot(settings::Id::SetAudioSource);
}
void MainWindow::SetHDCP_Version()
{
    runSettingSlot(settings::Id::SetHDCP_Version);
}
void MainWindow::SetOut_420()
{
    runSettingSlot(settings::Id::SetOut_420);
}
void MainWindow::force2c()
{
    runSettingSlot(settings::Id::force2c);
}
void MainWindow::force51()
{
    runSettingSlot(settings::Id::force51);
}
void MainWindow::forceHdr()
{
    runSettingSlot(settings::Id::forceHdr);
}
void MainWindow::forceFullAudio()
{
    runSettingSlot(settings::Id::forceFullAudio);
}
void MainWindow::setSwPriority()
{
    runSettingSlot(settings::Id::setSwPriority);
}
void MainWindow::changeCustomEdid()
{
    runSettingSlot(settings::Id::changeCustomEdid);
}
void MainWindow::CecLpRepurp()
{
    runSettingSlot(settings::Id::CecLpRepurp);
}
void MainWindow::hdrSamsung()
{
    runSettingSlot(settings::Id::hdrSamsung);
}
void MainWindow::setLogoLed()
{
    runSettingSlot(settings::Id::setLogoLed);
}
void MainWindow::setBt2020()
{
    runSettingSlot(settings::Id::setBt2020);
}
void MainWindow::setBlueLed()
{
    runSettingSlot(settings::Id::setBlueLed);
}
void MainWindow::setYUV()
{
    runSettingSlot(settings::Id::setYUV);
}
void MainWindow::setCEC()
{
    runSettingSlot(settings::Id::setCEC);
}
void MainWindow::setCecLa()
{
    runSettingSlot(settings::Id::setCecLa);
}
void MainWindow::setAVR()
{
    runSettingSlot(settings::Id::setAVR);
}
void MainWindow::set3D()
{
    runSettingSlot(settings::Id::set3D);
}
void MainWindow::setEdidAlgo()
{
    runSettingSlot(settings::Id::setEdidAlgo);
}
void MainWindow::setHpdForce()
{
    runSettingSlot(settings::Id::setHpdForce);
}
void MainWindow::setEvenOdd()
{
    runSettingSlot(settings::Id::setEvenOdd);
}
void MainWindow::setSenderReceiver()
{
    runSettingSlot(settings::Id::setSenderReceiver);
}
void MainWindow::setSplitEnable()
{
    runSettingSlot(settings::Id::setSplitEnable);
}
