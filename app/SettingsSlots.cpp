// The setting slots and the factory reset: the binding computes the value from the controls,
// the device thread writes it; a failed write puts the control back on the device's value.
#include "app/FormBinding.h"
#include "app/MainWindow.h"
#include "app/ResultTexts.h"
#include "session/DeviceWorker.h"
#include "settings/SettingsPoll.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QStatusBar>

void MainWindow::applySettings(const settings::SettingBytes &bytes)
{
    settingsCopy_ = bytes;
    binding::FormControls controls(*this);
    for (const binding::ControlOp &op : binding::pollOperations(bytes))
        controls.apply(op);
}

void MainWindow::runSettingSlot(settings::Id id)
{
    runSettingSlot(id, {});
}

void MainWindow::runSettingSlot(settings::Id id, const session::FirstFrames &first,
                                std::function<void(const session::SettingResult &)> then)
{
    const binding::FormControls controls(*this);
    const std::optional<int> value = binding::slotValue(id, controls, initialised_ != 0);
    if (!value)
        return;
    worker_.run<session::SettingResult>(
        [id, v = *value, first](session::WindowSession &w) { return w.writeSetting(id, v, first); },
        this,
        [this, then = std::move(then)](const session::SettingResult &r) {
            settingWritten(r);
            if (then && ui != nullptr)
                then(r);
        });
}

void MainWindow::settingWritten(const session::SettingResult &r)
{
    if (ui == nullptr)
        return;
    present(r.steps);
    settingsCopy_ = r.copy;
    if (r.ok)
        return;
    const settings::Setting *s = settings::settingOf(r.id);
    if (s == nullptr || s->byte < 0 || s->byte >= cmd::SettingsBytes)
        return;
    binding::FormControls controls(*this);
    for (const binding::ControlOp &op : binding::rowOperations(r.id, r.copy[std::size_t(s->byte)]))
        controls.apply(op);
}

void MainWindow::SetEPState()
{
    worker_.run<session::CommandResult>(
        [](session::WindowSession &w) { return w.writeSettingsBlock(); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
}

void MainWindow::factoryReset()
{
    using settings::ResetDecision;
    auto *edit = findChild<QLineEdit *>(QLatin1String(binding::ResetEdit));
    auto *clearSettings = findChild<QAbstractButton *>(QLatin1String(binding::ResetClearSettings));
    auto *clearEdid = findChild<QAbstractButton *>(QLatin1String(binding::ResetClearEdid));

    const ResetDecision decision =
        settings::decideReset(edit != nullptr ? edit->text() : QString(),
                              clearSettings != nullptr && clearSettings->isChecked(),
                              clearEdid != nullptr && clearEdid->isChecked());
    if (decision.kind == ResetDecision::WrongWord) {
        showStatus(tr("Type RESET into the text box and click OK"), StatusTime::Result);
        return;
    }
    if (decision.kind == ResetDecision::Send)
        worker_.run<session::CommandResult>(
            [value = decision.value](session::WindowSession &w) { return w.factoryReset(value); },
            this, [this](const session::CommandResult &r) { commandDone(r); });
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
