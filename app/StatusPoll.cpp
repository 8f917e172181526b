// The status poll: four info blocks in, the header texts out.
#include "app/MainWindow.h"

#include "status/StatusDecoder.h"
#include "ui_KorvalisForm.h"

#include <QLabel>
#include <QTextEdit>

void MainWindow::pollStatus()
{
    const std::optional<StatusTexts> texts = decodeStatus(readStatusBlocks(primitives_));
    if (!texts)
        return;

    findChild<QLabel *>(QStringLiteral("label_video_format"))->setText(texts->input);
    findChild<QLabel *>(QStringLiteral("lblOutput"))->setText(texts->output);
    findChild<QLabel *>(QStringLiteral("lblCsc"))->setText(texts->colourSpace);
    findChild<QLabel *>(QStringLiteral("lblVideoSource"))->setText(texts->source);
    findChild<QLabel *>(QStringLiteral("lblHdrInput"))->setText(texts->hdr);
    QTextEdit *capture = findChild<QTextEdit *>(QStringLiteral("txtHdrIf"));
    if (texts->capture.isEmpty())
        capture->clear();
    else
        capture->setText(texts->capture);
}
