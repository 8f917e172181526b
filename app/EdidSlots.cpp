// EDID manager slots: the editor text in and out, the boxes and dialogs, the status bar. The
// parsing, checksums, files and transfers are the edid/ code's.
#include "app/MainWindow.h"

#include "app/Prompts.h"
#include "app/ResultTexts.h"
#include "app/ThemeColours.h"
#include "edid/EdidFile.h"
#include "edid/EdidMode.h"
#include "edid/EdidText.h"
#include "edid/EdidTransfer.h"
#include "edid/EdidWriteChecks.h"
#include "session/DeviceWorker.h"
#include "ui_KorvalisForm.h"

#include <QColor>
#include <QFont>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <algorithm>

namespace
{

// The problems a write question lists; empty when there are none.
QString writeProblemsText(const edid::Table &table)
{
    std::vector<edid::Problem> problems = edid::writeChecks(table);
    // The header and the checksums have questions of their own.
    const auto ownQuestion = [](const edid::Problem &p) {
        return (p.block == 0 && p.offset == 0) || p.offset == edid::BlockSize - 1;
    };
    problems.erase(std::remove_if(problems.begin(), problems.end(), ownQuestion), problems.end());
    if (problems.empty())
        return {};
    return MainWindow::tr("The table has problems:") + u'\n' + edid::problemLines(problems).join(u'\n');
}

} // namespace

void MainWindow::warnFormatError(const QString &reason)
{
    prompts_.detailedWarning(this, tr("KORVALIS Utility"), tr("Hex Format Error"), reason);
}

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
    // The theme's colours: a dark palette keeps the table readable.
    format.setForeground(
        QBrush(theme::editorTextColour(text.colour, editor->palette()), Qt::SolidPattern));
    if (text.pointSize > 0)
        format.setFontPointSize(text.pointSize);
    for (const edid::TextRun &run : text.runs) {
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        cursor.insertText(run.text, format);
    }
    // What the user types next continues in the same look.
    editor->setCurrentCharFormat(format);
}

bool MainWindow::refuseSecondTransfer()
{
    if (edidTransfers_ == 0)
        return false;
    showStatus(tr("An EDID transfer is running: wait for its end"), StatusTime::Result);
    return true;
}

void MainWindow::readEdidTable(edid::Source source)
{
    if (refuseSecondTransfer())
        return;
    placeProgressBar();
    ++edidTransfers_;
    tvReadPending_ = source == edid::Source::DisplayA;
    worker_.run<session::EdidReadResult>(
        [source, progress = worker_.progress()](session::WindowSession &w) {
            return w.readEdid(source, progress);
        },
        this,
        [this](const session::EdidReadResult &r) {
            --edidTransfers_;
            tvReadPending_ = false;
            if (ui == nullptr)
                return;
            present(r.steps);
            if (r.read.ok() && r.source == edid::Source::Own)
                deviceEdid_ = r.read.table;
            if (r.read.ok())
                showEditorText(edid::readTableText(r.read.table));
            // The check of the button's release looks at the table it read.
            if (checkAfterTvRead_) {
                checkAfterTvRead_ = false;
                checkEditorTable();
            }
        });
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
    // The device's own mode and table decide, as it last told them.
    const auto deviceValue = [this](const char *name) {
        return settings::currentValue(*settings::findSetting(name), settingsCopy_).raw;
    };
    if (!edid::uploadAllowed(deviceValue("edid-mode"), deviceValue("edid-table"))) {
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("\nSelect CUSTOM EDID TABLE mode to upload an EDID table\n"));
        return;
    }
    // The device is left to take the table in without a reset reminder.
    writeEdidTable();
}

void MainWindow::writeEdidTable()
{
    if (refuseSecondTransfer())
        return;
    placeProgressBar();
    const edid::TextCheck check = edid::checkEdidText(ui->EDIDtext->toPlainText());
    if (check.kind == edid::TextCheck::FormatError) {
        warnFormatError(check.problem);
        return;
    }
    // What a source may trip over is told, never a reason to refuse: the questions list it, or
    // a box does when none is asked.
    const QString problems = writeProblemsText(check.table);
    const bool headerless = !edid::hasEdidHeader(check.table);
    const bool inconsistent = check.kind == edid::TextCheck::Inconsistent;
    // A table of the wrong kind (no header) is written only when asked for.
    if (headerless && prompts_.question(tr("KORVALIS Utility"),
                                        tr("The table has no EDID header. Write it anyway?"),
                                        problems) != Prompts::Answer::Yes)
        return;
    if (inconsistent &&
        prompts_.question(QStringLiteral("KORVALIS Utility"),
                          QStringLiteral("The EDID Checksum is not correct."),
                          problems.isEmpty() ? QStringLiteral("Write anyway?")
                                             : problems + QStringLiteral("\n\nWrite anyway?")) !=
            Prompts::Answer::Yes)
        return;
    if (!headerless && !inconsistent && !problems.isEmpty())
        prompts_.information(this, tr("KORVALIS Utility"),
                             tr("The table is written as it is.") + u'\n' + problems);
    ++edidTransfers_;
    session::DeviceWorker *worker = &worker_;
    worker_.run<session::EdidWriteResult>(
        [table = check.table, progress = worker_.progress(), worker](session::WindowSession &w) {
            return w.writeEdid(table, progress, [worker] { return worker->stopping(); });
        },
        this,
        [this, table = check.table](const session::EdidWriteResult &r) {
            --edidTransfers_;
            // Committed: the editor's table is the device's now.
            if (r.step.ok())
                deviceEdid_ = table;
            if (ui != nullptr)
                present(r.steps);
        });
}

void MainWindow::CalculateChkSum()
{
    // Released after pressing TV A: the check waits for the table being read.
    if (tvReadPending_) {
        checkAfterTvRead_ = true;
        return;
    }
    checkEditorTable();
}

void MainWindow::checkEditorTable()
{
    const edid::TextCheck check = edid::checkEdidText(ui->EDIDtext->toPlainText());
    switch (check.kind) {
    case edid::TextCheck::FormatError:
        warnFormatError(check.problem);
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
        warnFormatError(parsed.problem);
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
                                                   tr("EDID files (*.bin *.hex *.txt);;All files (*)"));
    if (fileName.isEmpty())
        return;
    const edid::LoadResult result = edid::loadEdidFile(fileName);
    if (!result.ok) {
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("Cannot read file %1:\n%2.").arg(fileName, result.errorString));
        return;
    }
    // An empty file, a binary one of the wrong size, a bad character: the editor keeps its text.
    if (!result.decoded.ok()) {
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("Cannot load file %1:\n%2.").arg(fileName, result.decoded.problem));
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
    runSettingSlot(settings::Id::EdidMode, [this](const session::SettingResult &r) {
        // The copy holds the mode the device now has: the one sent, unless it was refused.
        const settings::Setting *mode = settings::settingOf(settings::Id::EdidMode);
        ui->EDIDtext->setEnabled(edid::editorEditable(r.copy[std::size_t(mode->byte)]));
        showStatus(tr("EDID Writing Busy"), StatusTime::Result);
    });
}
