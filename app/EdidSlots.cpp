// EDID manager slots: the editor text in and out, the boxes and dialogs, the status bar. The
// parsing, checksums, files and transfers are the edid/ code's.
#include "app/MainWindow.h"

#include "app/Prompts.h"
#include "device/StatusSink.h"
#include "edid/EdidFile.h"
#include "edid/EdidMode.h"
#include "edid/EdidText.h"
#include "edid/EdidTransfer.h"
#include "settings/RegisterMap.h"
#include "ui_KorvalisForm.h"

#include <QColor>
#include <QFont>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextCharFormat>
#include <QTextCursor>

void MainWindow::placeProgressBar()
{
    if (progressBar_ == nullptr) {
        progressBar_ = new QProgressBar(statusBar());
        statusBar()->addPermanentWidget(progressBar_, 0);
    }
    progressBar_->setTextVisible(false);
    progressBar_->hide();
}

void MainWindow::showEditorText(const edid::EditorText &text)
{
    QTextEdit *editor = ui->EDIDtext;
    editor->clear();
    QTextCursor cursor(editor->document());
    QTextCharFormat format;
    const edid::Colour &c = text.colour;
    format.setForeground(QBrush(QColor(c.red, c.green, c.blue, c.alpha), Qt::SolidPattern));
    if (text.pointSize > 0)
        format.setFontPointSize(text.pointSize);
    for (const edid::TextRun &run : text.runs) {
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        cursor.insertText(run.text, format);
    }
    // What the user types next continues in the same look.
    editor->setCurrentCharFormat(format);
}

void MainWindow::readEdidTable(edid::Source source)
{
    placeProgressBar();
    const edid::ReadOutcome outcome = edid::readEdidTable(
        primitives_, source, [this](int value, int maximum) { on_ProgressChange(value, maximum); });
    if (!outcome.message.text.isEmpty())
        showStatus(outcome.message.text, outcome.message.timeoutMs);
    if (outcome.ok())
        showEditorText(edid::readTableText(outcome.table));
}

void MainWindow::ReadEDID()
{
    readEdidTable(edid::Source::Own);
}

void MainWindow::readTvEdidA()
{
    readEdidTable(edid::Source::DisplayA);
}

void MainWindow::readTvEdidB()
{
    readEdidTable(edid::Source::DisplayB);
}

void MainWindow::WriteEDID()
{
    if (!edid::uploadAllowed(ui->automixEDID->isChecked(), ui->fixedEDID->isChecked(),
                             ui->customEDID->isChecked(), ui->cmBEdid->currentIndex())) {
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("\nSelect CUSTOM EDID TABLE mode to upload an EDID table\n"));
        return;
    }
    // The device is left to take the table in without a reset reminder.
    writeEdidTable();
}

void MainWindow::writeEdidTable()
{
    placeProgressBar();
    const edid::TextCheck check = edid::checkEdidText(ui->EDIDtext->toPlainText());
    if (check.kind == edid::TextCheck::FormatError) {
        prompts_.warning(this, tr("KORVALIS Utility"), tr("Hex Format Error"));
        return;
    }
    if (check.kind == edid::TextCheck::Inconsistent &&
        prompts_.question(QStringLiteral("KORVALIS Utility"),
                          QStringLiteral("The EDID Checksum is not correct."),
                          QStringLiteral("Write anyway?")) != Prompts::Answer::Yes)
        return;
    const edid::WriteOutcome outcome =
        edid::writeEdidTable(primitives_, check.table,
                             [this](int value, int maximum) { on_ProgressChange(value, maximum); });
    showStatus(outcome.message.text, outcome.message.timeoutMs);
}

void MainWindow::CalculateChkSum()
{
    const edid::TextCheck check = edid::checkEdidText(ui->EDIDtext->toPlainText());
    switch (check.kind) {
    case edid::TextCheck::FormatError:
        prompts_.warning(this, tr("KORVALIS Utility"), tr("Hex Format Error"));
        return;
    case edid::TextCheck::Consistent:
        showEditorText(edid::renderedTable(check.table));
        return;
    case edid::TextCheck::Inconsistent:
        if (prompts_.question(QString(), QStringLiteral("The EDID Checksum is not correct."),
                              QStringLiteral("Do you want to calculate a new checksum?")) ==
            Prompts::Answer::Yes)
            showEditorText(edid::renderedTable(edid::withChecksums(check.table)));
        return;
    }
}

void MainWindow::SaveEDIDtoFile()
{
    const edid::ParsedText parsed = edid::parseEdidText(ui->EDIDtext->toPlainText());
    if (!parsed.ok()) {
        prompts_.warning(this, tr("KORVALIS Utility"), tr("Hex Format Error"));
        return;
    }
    const QString fileName = prompts_.saveFileName(
        this, tr("Save File"), QStringLiteral("KORVALIS_edid0.bin"), tr("Binary file (*.bin)"));
    if (fileName.isEmpty())
        return;
    const edid::FileResult result = edid::saveEdidFile(
        fileName, parsed.table, [this] { showStatus(tr("Saving file..."), StatusTime::Result); });
    if (!result.ok) {
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("Cannot write file %1:\n%2.").arg(fileName, result.errorString));
        return;
    }
    showStatus(tr("File saved"), StatusTime::Result);
}

void MainWindow::LoadEDIDfromFile()
{
    const QString fileName = prompts_.openFileName(this, tr("Open file"), QString(),
                                                   tr("Binary Files (*.bin);;All files (*.*)"));
    if (fileName.isEmpty())
        return;
    const edid::LoadResult result = edid::loadEdidFile(fileName);
    if (!result.ok) {
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("Cannot read file %1:\n%2.").arg(fileName, result.errorString));
        return;
    }
    if (result.decoded.binary)
        showEditorText(edid::renderedTable(result.decoded.table));
    else
        showEditorText(edid::loadedText(result.decoded.text));
    showStatus(tr("File loaded"), StatusTime::Result);
}

void MainWindow::SetEDID_Mode()
{
    runSettingSlot(settings::Id::SetEDID_Mode);
    // The copy byte now holds the mode just sent.
    const int mode = settingsCopy_[std::size_t(settings::row(settings::Id::SetEDID_Mode).byte)];
    ui->EDIDtext->setEnabled(edid::editorEditable(mode));
    showStatus(tr("EDID Writing Busy"), StatusTime::Result);
    edidRebuildPending_ = true;
}

void MainWindow::pollEdidRebuild()
{
    if (!edidRebuildPending_)
        return;
    // A read that fails counts as busy: a silent device then costs this one time-out per tick
    // and no fetch on top.
    if (edid::checkRebuild(primitives_) != edid::RebuildState::Idle)
        return;
    edidRebuildPending_ = false;
    ReadEDID();
}
