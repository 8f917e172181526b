// EDID manager slots. The transfers, files and checksum come with the EDID work; until then
// these slots exist so that both forms connect, and do nothing.
#include "app/MainWindow.h"

#include "ui_KorvalisForm.h"

void MainWindow::pollEdidRebuild() {}
void MainWindow::ReadEDID() {}
void MainWindow::readTvEdidA() {}
void MainWindow::readTvEdidB() {}
void MainWindow::WriteEDID() {}
void MainWindow::CalculateChkSum() {}
void MainWindow::SaveEDIDtoFile() {}
void MainWindow::LoadEDIDfromFile() {}
void MainWindow::SetEDID_Mode() {}
