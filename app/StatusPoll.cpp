// The status poll: four info blocks in, the header texts out.
#include "app/MainWindow.h"

#include "status/StatusDecoder.h"
#include "ui_KorvalisForm.h"

void MainWindow::pollStatus()
{
    const std::optional<StatusTexts> texts = decodeStatus(readStatusBlocks(primitives_));
    if (!texts)
        return;

    ui->label_video_format->setText(texts->input);
    ui->lblOutput->setText(texts->output);
    ui->lblCsc->setText(texts->colourSpace);
    ui->lblVideoSource->setText(texts->source);
    ui->lblHdrInput->setText(texts->hdr);
    if (texts->capture.isEmpty())
        ui->txtHdrIf->clear();
    else
        ui->txtHdrIf->setText(texts->capture);
}
