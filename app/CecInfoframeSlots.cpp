// CEC and infoframe slots. The sends come with the CEC and infoframe work; until then these
// slots exist so that both forms connect, and do nothing.
#include "app/MainWindow.h"

#include "ui_KorvalisForm.h"

void MainWindow::WriteCEC() {}
void MainWindow::SaveCEC_1() {}
void MainWindow::SaveCEC_2() {}
void MainWindow::WriteIF() {}
bool MainWindow::sendAVI() { return false; }
void MainWindow::hdrForceActivate() {}
void MainWindow::setAviPers() {}
