// CEC and infoframe slots. The sends come with the CEC and infoframe work; until then these
// slots exist so that both forms connect, and do nothing.
#include "app/MainWindow.h"

#include "settings/RegisterMap.h"
#include "ui_KorvalisForm.h"

void MainWindow::WriteCEC() {}
void MainWindow::SaveCEC_1() {}
void MainWindow::SaveCEC_2() {}
void MainWindow::WriteIF() {}
bool MainWindow::sendAVI()
{
    return false;
}
void MainWindow::hdrForceActivate()
{
    // The HDR infoframe send (when checked) comes first, with the infoframe work.
    runSettingSlot(settings::Id::hdrForceActivate);
}
void MainWindow::setAviPers()
{
    // The AVI send (when checked) comes first, with the infoframe work.
    runSettingSlot(settings::Id::setAviPers);
}
