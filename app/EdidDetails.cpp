#include "app/EdidDetails.h"

#include "edid/EdidInput.h"

#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

void attachEdidDetails(QTextEdit &editor, QPlainTextEdit &details)
{
    auto *timer = new QTimer(&details);
    timer->setSingleShot(true);
    timer->setInterval(EdidDetailsDelayMs);
    // Typing restarts the wait, so a burst of changes decodes once.
    QObject::connect(&editor, &QTextEdit::textChanged, timer, qOverload<>(&QTimer::start));
    QObject::connect(timer, &QTimer::timeout, &details, [&editor, &details] {
        details.setPlainText(edid::detailsForEditorText(editor.toPlainText()));
    });
    details.setPlainText(edid::detailsForEditorText(editor.toPlainText()));
}
