// Settings poll and the setting slots.
#include "app/MainWindow.h"

#include "ui_KorvalisForm.h"

void MainWindow::pollSettings() {}
void MainWindow::applySettingsBlock(const cmd::ReplyBuffer &) {}
void MainWindow::writeRegisterFromControls(int) {}

void MainWindow::SetActivePort() {}
void MainWindow::SetAutoSwitch() {}
void MainWindow::SetAudioSource() {}
void MainWindow::SetHDCP_Version() {}
void MainWindow::SetOut_420() {}
void MainWindow::SetEPState() {}
void MainWindow::force2c() {}
void MainWindow::force51() {}
void MainWindow::forceHdr() {}
void MainWindow::forceFullAudio() {}
void MainWindow::setSwPriority() {}
void MainWindow::changeCustomEdid() {}
void MainWindow::CecLpRepurp() {}
void MainWindow::hdrSamsung() {}
void MainWindow::setLogoLed() {}
void MainWindow::setBt2020() {}
void MainWindow::setBlueLed() {}
void MainWindow::factoryReset() {}
void MainWindow::setYUV() {}
void MainWindow::setCEC() {}
void MainWindow::setCecLa() {}
void MainWindow::setAVR() {}
void MainWindow::set3D() {}
void MainWindow::setEdidAlgo() {}
void MainWindow::setHpdForce() {}
void MainWindow::setEvenOdd() {}
void MainWindow::setSenderReceiver() {}
void MainWindow::setSplitEnable() {}
