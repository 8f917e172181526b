// The status header: the texts the status poll decoded.
#include "app/MainWindow.h"

#include "status/StatusDecoder.h"
#include "ui_KorvalisForm.h"

void MainWindow::showStatusTexts(const StatusTexts &texts)
{
    ui->label_video_format->setText(texts.input);
    ui->lblOutput->setText(texts.output);
    ui->lblCsc->setText(texts.colourSpace);
    ui->lblVideoSource->setText(texts.source);
    ui->lblHdrInput->setText(texts.hdr);
    if (texts.capture.isEmpty())
        ui->txtHdrIf->clear();
    else
        ui->txtHdrIf->setText(texts.capture);
}
