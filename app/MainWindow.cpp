#include "app/MainWindow.h"

#include "app/CecWords.h"
#include "app/EdidDetails.h"
#include "app/FormBinding.h"
#include "app/InfoframeWords.h"
#include "app/KeyboardAccess.h"
#include "app/Prompts.h"
#include "app/ResultTexts.h"
#include "app/ScreenFit.h"
#include "app/StandingMessage.h"
#include "app/WindowLog.h"
#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryParse.h"
#include "edid/EdidText.h"
#include "session/DeviceWorker.h"
#include "settings/SettingsPoll.h"
#include "ui_KorvalisForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <cstdio>

MainWindow::MainWindow(session::DeviceWorker &worker, Prompts &prompts, QWidget *parent)
    : QMainWindow(parent, Qt::WindowFlags()), ui(new Ui::MainWindow), worker_(worker),
      prompts_(prompts)
{
    ui->setupUi(this);
    standing_ = new StandingMessage(*statusBar());
    attachEdidDetails(*ui->EDIDtext, *ui->EDIDdetails);
    attachInfoframeWords(*this);
    attachCecWords(*ui->CECtext, *ui->label_2);
    addEditInWordsButton();
    windowLog_ = new WindowLog(*this, prompts_, [this](auto done) {
        worker_.run<std::optional<session::DisplaysRead>>(
            [](session::WindowSession &w) -> std::optional<session::DisplaysRead> {
                if (!w.connected())
                    return std::nullopt;
                session::DisplaysRead read = session::readDisplays(w.session());
                w.session().takeSteps(); // the view says how the read ended
                return read;
            },
            this, done);
    });
    screenfit::makeScrollable(*this);
    keyboard::makeReachable(*this);
    initialise();
}

MainWindow::~MainWindow()
{
    releaseForm();
    endDeviceWork();
    QCoreApplication::exit(0);
}

bool MainWindow::pollTimerRunning() const
{
    return worker_.pollTimerRunning();
}

void MainWindow::initialise()
{
    worker_.setTickHandler(this, [this](const session::TickResult &r) { tickFinished(r); });
    worker_.setProgressHandler(this, [this](int a, int b) { on_ProgressChange(a, b); });
    worker_.setAlertHandler(this, [this](const QStringList &texts) { showAlerts(texts); });
    tellShownControls();
    placeProgressBar();
    ++edidTransfers_; // start-up ends with an EDID read
    worker_.startUp(QByteArray("2023"), this,
                    [this](const session::StartUpResult &r) { startUpFinished(r); });
}

void MainWindow::tellShownControls()
{
    std::vector<std::pair<settings::Id, int>> shown;
    const binding::FormControls controls(*this);
    for (const settings::Setting &s : settings::catalog()) {
        if (s.poll.echo != settings::Echo::Toggle)
            continue;
        if (const std::optional<int> v = binding::slotValue(s.id, controls, true))
            shown.emplace_back(s.id, *v);
    }
    worker_.run<bool>(
        [shown](session::WindowSession &w) {
            for (const auto &[id, value] : shown)
                w.setShown(id, value);
            return true;
        },
        this, {});
    // The actions are the connections' contexts: the window's own connections are the form's.
    connect(ui->actionSaveConfiguration, &QAction::triggered, ui->actionSaveConfiguration,
            [this] { saveConfiguration(); });
    connect(ui->actionLoadConfiguration, &QAction::triggered, ui->actionLoadConfiguration,
            [this] { loadConfiguration(); });
    // The editor is the connection's context: the window's own connections are the form's.
    connect(ui->IFtext, &QTextEdit::textChanged, ui->IFtext, [this] {
        if (ui == nullptr)
            return;
        worker_.run<bool>(
            [frame = colonhex::parseEntry(ui->IFtext->toPlainText(), colonhex::HdrLimits).bytes](
                session::WindowSession &w) {
                w.setHdrEditorFrame(frame);
                return true;
            },
            this, {});
    });
}

void MainWindow::showDeparture()
{
    if (ui == nullptr)
        return;
    windowLog_->departed();
    // A command's message covers it for a while; it shows again once that message is gone.
    showStanding(tr("KORVALIS USB disconnected"));
}

void MainWindow::startUpFinished(const session::StartUpResult &r)
{
    if (!r.afterArrival)
        --edidTransfers_;
    if (ui == nullptr)
        return;
    if (r.afterArrival) {
        // As at launch: the boxes are filled again by this start-up.
        initialised_ = 0;
        binding::FormControls(*this).emptyCombos();
    }
    if (!r.opened && r.afterArrival) {
        // A plugged device that cannot be opened: said where it stays, no box; the next
        // arrival tries again.
        const QString why =
            r.reason.isEmpty() ? tr("KORVALIS USB device could not be opened") : r.reason;
        showStanding(why);
        std::fprintf(stderr, "%s\n", why.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    if (!r.opened) {
        // Say why (and the fix) where it stays, and for a terminal, before any box waits.
        if (!r.reason.isEmpty()) {
            showStatus(r.reason, 0);
            std::fprintf(stderr, "%s\n", r.reason.toLocal8Bit().constData());
            std::fflush(stderr);
        }
        showAlerts(r.alerts);
        if (r.failure != OpenFailure::NotConnected && ui != nullptr)
            prompts_.warning(this, tr("KORVALIS Utility"), tr("Hardware not found"));
        return;
    }
    windowLog_->arrived();
    windowLog_->polled(r.statusValues);
    // Present now: the boxes about its absence close by themselves.
    prompts_.closeAlerts();
    if (r.silent)
        showStanding(tr("KORVALIS not answering"));
    else
        standing_->clear();
    if (!r.afterArrival)
        showAlerts(r.alerts);
    if (ui == nullptr)
        return;
    present(r.steps);
    if (r.settings)
        applySettings(*r.settings);
    if (r.firmware) {
        ui->labelFw1->setText(QStringLiteral("ver: %1").arg(*r.firmware));
        ui->labelTitle->setText(QStringLiteral("KORVALIS GUI"));
    }
    binding::FormControls(*this).fillCombos();
    const auto colonHex = [](const QByteArray &bytes) {
        return formatColonHex(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                              std::size_t(bytes.size()));
    };
    ui->IFtext->setText(colonHex(r.hdrFrame));
    ui->AVItext->setText(colonHex(r.aviData));
    ui->CECtext->setPlainText(QStringLiteral("50:04"));
    if (r.status)
        showStatusTexts(*r.status);
    if (r.edid && r.edid->ok())
        offerDeviceTable(r.edid->table);
    initialised_ = 1;
    if (r.afterArrival && !r.silent)
        showStatus(tr("KORVALIS USB connected"), 0);
}

void MainWindow::tickFinished(const session::TickResult &r)
{
    if (ui == nullptr)
        return;
    present(r.steps);
    if (r.edid && r.edid->ok())
        offerDeviceTable(r.edid->table);
    if (r.settings)
        applySettings(*r.settings);
    if (r.status)
        showStatusTexts(*r.status);
    if (!r.steps.isEmpty()) // a tick without a device polls nothing
        windowLog_->polled(r.statusValues);
    const QString notAnswering = tr("KORVALIS not answering");
    if (r.silent)
        showStanding(notAnswering); // stays until the device answers again
    else if (standing_->text() == notAnswering)
        standing_->clear();
}

void MainWindow::present(const QList<session::Step> &steps)
{
    for (const resulttexts::Report &report : resulttexts::reportsOf(steps)) {
        if (!report.text.isEmpty())
            showStatus(report.text, report.timeoutMs);
        if (!report.stdoutLine.isEmpty()) {
            std::fwrite(report.stdoutLine.constData(), 1, std::size_t(report.stdoutLine.size()),
                        stdout);
            std::fflush(stdout);
        }
    }
}

void MainWindow::commandDone(const session::CommandResult &result)
{
    if (ui == nullptr)
        return;
    present(result.steps);
    settingsCopy_ = result.copy;
}

void MainWindow::showAlerts(const QStringList &texts)
{
    for (const QString &text : texts)
        prompts_.alert(text);
}

void MainWindow::releaseForm()
{
    delete ui;
    ui = nullptr;
}

void MainWindow::endDeviceWork()
{
    // Ends the exchange in progress, drops what is queued (an EDID write never commits) and
    // closes the device on the way out.
    worker_.stop();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    releaseForm();
    endDeviceWork();
    QCoreApplication::exit(0);
}

void MainWindow::FileExit()
{
    // The same way out as the window's close button: closeEvent stops the device thread and
    // closes the device, then the event loop ends and main returns.
    close();
}

void MainWindow::FileAbout()
{
    prompts_.about(this, tr("About KORVALIS Utility"),
                   tr("<h2>KORVALIS Utility Version 1.11</h2>"));
}

void MainWindow::showStatus(const QString &text, int timeoutMs)
{
    windowLog_->message(text); // the status bar forgets it; the log keeps it
    statusBar()->showMessage(text, timeoutMs);
}

void MainWindow::showStanding(const QString &text)
{
    if (text != standing_->text())
        windowLog_->message(text); // once when it begins: it stands, it is not said again
    standing_->show(text);
}

void MainWindow::on_ProgressChange(int a, int b)
{
    if (progressBar_ == nullptr)
        return;
    if (a <= 0 || b <= 0) {
        progressBar_->hide();
        return;
    }
    progressBar_->show();
    progressBar_->setRange(0, b);
    progressBar_->setValue(a);
}
