// The setting slots and the factory reset: the binding computes the value from the controls,
// the device thread writes it; a failed write puts the control back on the device's value.
#include "app/FormBinding.h"
#include "app/MainWindow.h"
#include "app/ResultTexts.h"
#include "cec_infoframes/EntryText.h"
#include "cec_infoframes/ColonHex.h"
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

void MainWindow::runSettingSlot(settings::Id id,
                                std::function<void(const session::SettingResult &)> then)
{
    const binding::FormControls controls(*this);
    const std::optional<int> value = binding::slotValue(id, controls, initialised_ != 0);
    if (!value)
        return;
    // Turning these on sends the editor's infoframe first, in the same job; the register follows
    // whatever it gave (after an AVI send, which writes it too, once more).
    session::FirstFrames first;
    const settings::Setting *s = settings::settingOf(id);
    if (s != nullptr && settings::namedValue(*s, "on") == *value) {
        if (s->follow == settings::Follow::HdrInfoframeFirst)
            first.hdr = editorBytes("IFtext", colonhex::HdrLimits, colonhex::Mode::Plain);
        else if (s->follow == settings::Follow::AviInfoframeFirst)
            first.avi = editorBytes("AVItext", colonhex::AviLimits, colonhex::Mode::Plain);
    }
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
    runSettingSlot(settings::Id::Input);
}
void MainWindow::SetAutoSwitch()
{
    runSettingSlot(settings::Id::AutoSwitch);
}
void MainWindow::SetAudioSource()
{
    runSettingSlot(settings::Id::AudioSource);
}
void MainWindow::SetHDCP_Version()
{
    runSettingSlot(settings::Id::Hdcp);
}
void MainWindow::SetOut_420()
{
    runSettingSlot(settings::Id::Output420);
}
void MainWindow::force2c()
{
    runSettingSlot(settings::Id::Stereo20);
}
void MainWindow::force51()
{
    runSettingSlot(settings::Id::Multi51);
}
void MainWindow::forceHdr()
{
    runSettingSlot(settings::Id::HdrPacket);
}
void MainWindow::forceFullAudio()
{
    runSettingSlot(settings::Id::FullAudio);
}
void MainWindow::setSwPriority()
{
    runSettingSlot(settings::Id::Priority);
}
void MainWindow::changeCustomEdid()
{
    runSettingSlot(settings::Id::EdidTable);
}
void MainWindow::CecLpRepurp()
{
    runSettingSlot(settings::Id::HdrHotkey);
}
void MainWindow::hdrSamsung()
{
    runSettingSlot(settings::Id::HdrMode);
}
void MainWindow::setLogoLed()
{
    runSettingSlot(settings::Id::GreenLed);
}
void MainWindow::setBt2020()
{
    runSettingSlot(settings::Id::Bt2020);
}
void MainWindow::setBlueLed()
{
    runSettingSlot(settings::Id::BlueLeds);
}
void MainWindow::setYUV()
{
    runSettingSlot(settings::Id::AllowYcbcr);
}
void MainWindow::setCEC()
{
    runSettingSlot(settings::Id::Cec);
}
void MainWindow::setCecLa()
{
    runSettingSlot(settings::Id::CecDeviceType);
}
void MainWindow::setAVR()
{
    runSettingSlot(settings::Id::AvrAudio);
}
void MainWindow::set3D()
{
    runSettingSlot(settings::Id::Remove3d);
}
void MainWindow::setEdidAlgo()
{
    runSettingSlot(settings::Id::AutomixAlgo);
}
void MainWindow::setHpdForce()
{
    runSettingSlot(settings::Id::TxHtpcMode);
}
void MainWindow::setEvenOdd()
{
    runSettingSlot(settings::Id::SplitStyle);
}
void MainWindow::setSenderReceiver()
{
    runSettingSlot(settings::Id::SplitFeature);
}
void MainWindow::setSplitEnable()
{
    runSettingSlot(settings::Id::SplitScreen);
}
void MainWindow::hdrForceActivate()
{
    runSettingSlot(settings::Id::ForceHdr);
}
void MainWindow::setAviPers()
{
    runSettingSlot(settings::Id::ReplaceAvi);
}
