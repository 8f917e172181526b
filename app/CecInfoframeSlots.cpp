// CEC and infoframe slots: read the editor, run the command, report its outcome.
#include "app/MainWindow.h"

#include "app/Prompts.h"
#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryRequest.h"
#include "session/DeviceWorker.h"

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

} // namespace

bool MainWindow::refuseBadEntry(const QString &text, const colonhex::EntryLimits &limits)
{
    const std::optional<colonhex::BadChar> bad = cecif::badCharOf(text, limits);
    if (bad)
        prompts_.warning(this, tr("KORVALIS Utility"), bad->message());
    return bad.has_value();
}

void MainWindow::WriteCEC()
{
    const QString text = editorText(*this, "CECtext");
    if (refuseBadEntry(text, colonhex::CecSendLimits))
        return;
    worker_.run<session::CommandResult>(
        [text](session::WindowSession &w) { return w.sendCec(text); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
}

void MainWindow::SaveCEC_1()
{
    const QString text = editorText(*this, "CECtext");
    if (refuseBadEntry(text, colonhex::CecStoreLimits))
        return;
    worker_.run<session::CommandResult>(
        [text](session::WindowSession &w) { return w.storeCec(text, cecif::CecButton::Sp); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
}

void MainWindow::SaveCEC_2()
{
    const QString text = editorText(*this, "CECtext");
    if (refuseBadEntry(text, colonhex::CecStoreLimits))
        return;
    worker_.run<session::CommandResult>(
        [text](session::WindowSession &w) { return w.storeCec(text, cecif::CecButton::Lp); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
}

void MainWindow::WriteIF()
{
    const QString text = editorText(*this, "IFtext");
    if (refuseBadEntry(text, colonhex::HdrLimits))
        return;
    worker_.run<session::CommandResult>(
        [text](session::WindowSession &w) { return w.sendHdr(text); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
}

// True when the editor holds AVI bytes that went to the device; the outcome reaches the status
// bar once the device has answered.
bool MainWindow::sendAVI()
{
    const QString text = editorText(*this, "AVItext");
    if (refuseBadEntry(text, colonhex::AviLimits))
        return false;
    const bool replace = isChecked(*this, "cbAviPersistent");
    worker_.run<session::CommandResult>(
        [text, replace](session::WindowSession &w) { return w.sendAvi(text, replace); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
    return cecif::entryRequest(text, colonhex::AviLimits, colonhex::Mode::Plain,
                               cmd::AviInfoframeWrite)
        .request.has_value();
}
