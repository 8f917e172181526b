// EDID manager slots. The transfers, files and checksum come with the EDID work; until then
// these slots exist so that both forms connect, and do nothing.
#include "app/MainWindow.h"

#include "settings/RegisterMap.h"
#include "ui_KorvalisForm.h"

void MainWindow::pollEdidRebuild() {}
void MainWindow::ReadEDID() {}
void MainWindow::readTvEdidA() {}
void MainWindow::readTvEdidB() {}
void MainWindow::WriteEDID() {}
void MainWindow::CalculateChkSum() {}
void MainWindow::SaveEDIDtoFile() {}
void MainWindow::LoadEDIDfromFile() {}
void MainWindow::SetEDID_Mode()
{
    // Register write and copy byte; the editor state, the busy message and the rebuild wait
    // follow here with the EDID work.
    runSettingSlot(settings::Id::SetEDID_Mode);
}
