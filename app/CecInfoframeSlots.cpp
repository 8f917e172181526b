// CEC and infoframe slots: read the editor, run the command, report its outcome.
#include "app/MainWindow.h"

#include "cec_infoframes/CecCommands.h"
#include "cec_infoframes/InfoframeCommands.h"
#include "settings/RegisterMap.h"

#include <QAbstractButton>
#include <QStatusBar>
#include <QTextEdit>

namespace
{

QString editorText(const QWidget &window, const char *name)
{
    const auto *editor = window.findChild<QTextEdit *>(QLatin1String(name));
    return editor != nullptr ? editor->toPlainText() : QString();
}

bool isChecked(const QWidget &window, const char *name)
{
    const auto *button = window.findChild<QAbstractButton *>(QLatin1String(name));
    return button != nullptr && button->isChecked();
}

// The standard-output line never reaches the window; without a text the bar keeps its message.
void report(QMainWindow &window, const cecif::Outcome &outcome)
{
    if (!outcome.status.isEmpty())
        window.statusBar()->showMessage(outcome.status, outcome.statusMs);
    cecif::writeStdoutLine(outcome.stdoutLine);
}

} // namespace

void MainWindow::WriteCEC()
{
    report(*this, cecif::sendCec(link_, editorText(*this, "CECtext")));
}

void MainWindow::SaveCEC_1()
{
    report(*this, cecif::storeCec(link_, editorText(*this, "CECtext"), cecif::CecButton::Sp));
}

void MainWindow::SaveCEC_2()
{
    report(*this, cecif::storeCec(link_, editorText(*this, "CECtext"), cecif::CecButton::Lp));
}

void MainWindow::WriteIF()
{
    report(*this, cecif::sendHdrInfoframe(link_, editorText(*this, "IFtext")));
}

bool MainWindow::sendAVI()
{
    const cecif::Outcome outcome = cecif::sendAviInfoframe(
        link_, editorText(*this, "AVItext"), isChecked(*this, "cbAviPersistent"), settingsCopy_);
    report(*this, outcome);
    return outcome.result;
}

void MainWindow::hdrForceActivate()
{
    // Turning on sends the custom infoframe first; the register follows whatever it gave.
    if (isChecked(*this, "cbHdrForceMode"))
        WriteIF();
    runSettingSlot(settings::Id::hdrForceActivate);
}

void MainWindow::setAviPers()
{
    // Turning on sends the AVI bytes first; the register is written once more whatever they gave.
    if (isChecked(*this, "cbAviPersistent"))
        sendAVI();
    runSettingSlot(settings::Id::setAviPers);
}
