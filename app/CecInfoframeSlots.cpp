// CEC and infoframe slots: read the editor, parse it here, post the bytes, report the outcome.
#include "app/MainWindow.h"

#include "app/InfoframeWords.h"
#include "app/Prompts.h"
#include "app/ResultTexts.h"
#include "cec_infoframes/CecLength.h"
#include "cec_infoframes/EntryParse.h"
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

std::optional<QByteArray> MainWindow::editorBytes(const char *editor,
                                                  const colonhex::EntryLimits &limits,
                                                  colonhex::Mode mode)
{
    const QString text = editorText(*this, editor);
    const colonhex::Entry entry = colonhex::parseEntry(text, limits, mode);
    if (!entry.problem().isEmpty())
        prompts_.warning(this, tr("KORVALIS Utility"), entry.problem());
    else if (!entry.ok())
        showStatus(tr(limits.message), StatusTime::Result);
    return entry.bytes;
}

void MainWindow::WriteCEC()
{
    const auto payload = editorBytes("CECtext", colonhex::CecSendLimits, colonhex::Mode::LengthByte);
    if (!payload)
        return;
    // The payload carries the device's length byte besides the message.
    const QString tooLong = cec::lengthProblem(payload->size() - 1);
    if (!tooLong.isEmpty()) {
        showStatus(tooLong, StatusTime::Result);
        return;
    }
    worker_.run<session::CommandResult>(
        [payload = *payload](session::WindowSession &w) { return w.sendCec(payload); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
}

void MainWindow::storeCec(session::CecButton button)
{
    const QString text = editorText(*this, "CECtext");
    const QByteArray prepared = colonhex::prepareEntryText(text);
    if (!colonhex::CecStoreLimits.accepts(prepared.size())) {
        showStatus(tr(colonhex::CecStoreLimits.message), StatusTime::Result);
        return;
    }
    // Stored as text, but the device sends it as bytes later: no character may stand for another.
    const colonhex::Entry entry = colonhex::parseEntry(text, colonhex::CecStoreLimits);
    if (!entry.problem().isEmpty()) {
        prompts_.warning(this, tr("KORVALIS Utility"), entry.problem());
        return;
    }
    worker_.run<session::CommandResult>(
        [text = prepared, button](session::WindowSession &w) {
            return w.storeCec(text, button);
        },
        this, [this](const session::CommandResult &r) { commandDone(r); });
}

void MainWindow::SaveCEC_1()
{
    storeCec(session::CecButton::Sp);
}

void MainWindow::SaveCEC_2()
{
    storeCec(session::CecButton::Lp);
}

void MainWindow::WriteIF()
{
    const auto frame = editorBytes("IFtext", colonhex::HdrLimits, colonhex::Mode::Plain);
    if (!frame || !confirmHdrSend(prompts_, *frame))
        return;
    worker_.run<session::CommandResult>(
        [frame = *frame](session::WindowSession &w) { return w.sendHdr(frame); }, this,
        [this](const session::CommandResult &r) { commandDone(r); });
}

// True when the editor holds AVI bytes that went to the device; the outcome reaches the status
// bar once the device has answered.
bool MainWindow::sendAVI()
{
    const auto data = editorBytes("AVItext", colonhex::AviLimits, colonhex::Mode::Plain);
    if (!data)
        return false;
    const bool replace = isChecked(*this, "cbAviPersistent");
    worker_.run<session::CommandResult>(
        [data = *data, replace](session::WindowSession &w) { return w.sendAvi(data, replace); },
        this, [this](const session::CommandResult &r) { commandDone(r); });
    return true;
}
