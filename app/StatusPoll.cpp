// The status poll: four info blocks in, the header texts out.
#include "app/MainWindow.h"

#include "ui_KorvalisForm.h"

void MainWindow::pollStatus() {}
