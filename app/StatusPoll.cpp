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

    // Reached by name until the forms carry these widgets.
    const auto setLabel = [this](const char *name, const QString &text) {
        if (QLabel *label = findChild<QLabel *>(QLatin1String(name)))
            label->setText(text);
    };
    setLabel("label_video_format", texts->input);
    setLabel("lblOutput", texts->output);
    setLabel("lblCsc", texts->colourSpace);
    setLabel("lblVideoSource", texts->source);
    setLabel("lblHdrInput", texts->hdr);
    if (QTextEdit *capture = findChild<QTextEdit *>(QStringLiteral("txtHdrIf"))) {
        if (texts->capture.isEmpty())
            capture->clear();
        else
            capture->setText(texts->capture);
    }
}
