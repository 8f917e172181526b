// The device's EDID re-read never silently replaces a table the user made in the editor.
#include "app/KeptTable.h"

#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "app/ResultTexts.h"
#include "ui_KorvalisForm.h"

namespace keptedid
{

bool editorHoldsUserTable(const QString &editorText, const std::optional<edid::Table> &device)
{
    if (editorText.trimmed().isEmpty())
        return false;
    const edid::ParsedText parsed = edid::parseEdidText(editorText);
    // A half-typed text is the user's too.
    return !parsed.ok() || !device || parsed.table != *device;
}

} // namespace keptedid

void MainWindow::offerDeviceTable(const edid::Table &table)
{
    const bool ask = keptedid::editorHoldsUserTable(ui->EDIDtext->toPlainText(), deviceEdid_);
    deviceEdid_ = table;
    if (ask &&
        prompts_.question(tr("KORVALIS Utility"),
                          tr("Replace the table in the editor with the device's?"),
                          QString()) != Prompts::Answer::Yes) {
        showStatus(tr("The editor keeps its table; the device's table was not loaded"), 0);
        return;
    }
    showEditorText(edid::readTableText(table));
}
