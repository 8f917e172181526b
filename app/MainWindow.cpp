#include "app/MainWindow.h"

#include "app/Prompts.h"
#include "device/DeviceLink.h"
#include "edid/EdidTableNames.h"
#include "session/DeviceSession.h"
#include "settings/ChoiceLists.h"
#include "ui_KorvalisForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{

template <std::size_t N> void fillCombo(QComboBox *combo, const std::array<const char *, N> &items)
{
    for (const char *item : items)
        combo->addItem(QString::fromLatin1(item));
}

} // namespace

MainWindow::MainWindow(DeviceLink &link, Prompts &prompts, QWidget *parent)
    : QMainWindow(parent, Qt::WindowFlags()), ui(new Ui::MainWindow), link_(link),
      prompts_(prompts),
      primitives_(link, [this](const QString &text, int ms) { showStatus(text, ms); })
{
    ui->setupUi(this);
    initialise();
}

MainWindow::~MainWindow()
{
    releaseForm();
    link_.closeDevice();
    stopPollTimer();
    QCoreApplication::exit(0);
}

void MainWindow::initialise()
{
    if (!link_.findDevice(QByteArray(DeviceLink::deviceIdString), link_.deviceIndexRef()))
        return;
    if (!link_.openDevice(link_.deviceIndex())) {
        prompts_.warning(this, tr("KORVALIS Utility"), tr("Hardware not found"));
        // Found but not usable: say why (and the fix) where it stays, and for a terminal.
        const QString why = openFailureMessage(link_.openFailure());
        if (!why.isEmpty()) {
            showStatus(why, 0);
            std::fprintf(stderr, "%s\n", why.toLocal8Bit().constData());
        }
        return;
    }

    pollSettings();

    cmd::ReplyBuffer firmware{}, storedHdr{}, storedAvi{};
    primitives_.readInfoBlock(cmd::info::Firmware, firmware, cmd::info::FirmwareLength);
    primitives_.readInfoBlock(cmd::info::StoredHdr, storedHdr, cmd::info::StoredHdrLength);
    if (primitives_.readInfoBlock(cmd::info::StoredAvi, storedAvi, cmd::info::StoredAviLength)) {
        ui->labelFw1->setText(QStringLiteral("ver: %1.%2.%3.%4")
                                  .arg(firmware[2])
                                  .arg(firmware[3])
                                  .arg(firmware[4])
                                  .arg(firmware[5]));
        ui->labelTitle->setText(QStringLiteral("KORVALIS GUI"));
    }

    fillCombo(ui->cmbInputSel, choices::InputPorts);
    fillCombo(ui->cmBEdid, edid::TableNames);
    fillCombo(ui->cmbLa, choices::CecDeviceTypes);
    fillCombo(ui->cmbEdidAlgo, choices::AutomixAlgorithms);

    ui->IFtext->setText(session::storedHdrTextOf(storedHdr));
    ui->AVItext->setText(session::storedAviTextOf(storedAvi));
    ui->CECtext->setPlainText(QStringLiteral("50:04"));

    startPollTimer(PollIntervalMs);
    pollStatus();
    ReadEDID();
    initialised_ = 1;
}

void MainWindow::startPollTimer(int intervalMs)
{
    if (timerRunning_ != 0)
        return;
    timerId_ = startTimer(intervalMs);
    timerRunning_ = 1;
    pollIntervalMs_ = intervalMs;
}

void MainWindow::stopPollTimer()
{
    if (timerRunning_ != 1)
        return;
    killTimer(timerId_);
    timerRunning_ = 0;
}

void MainWindow::timerEvent(QTimerEvent *)
{
    // A tick arriving while an exchange waits (for example inside a warning box) is dropped.
    if (link_.busy() || ui == nullptr)
        return;
    // A silent device costs one time-out per tick: the guard skips the tick's further exchanges.
    link_.beginPollTick();
    pollEdidRebuild();
    pollSettings();
    pollStatus();
    pacePollCycle(link_.endPollTick());
}

void MainWindow::pacePollCycle(bool silent)
{
    const QString notAnswering = tr("KORVALIS not answering");
    if (!silent) {
        if (statusBar()->currentMessage() == notAnswering)
            statusBar()->clearMessage();
        if (pollIntervalMs_ != PollIntervalMs && timerRunning_ != 0) {
            stopPollTimer();
            startPollTimer(PollIntervalMs);
        }
        return;
    }
    showStatus(notAnswering, 0); // stays until the device answers again
    const int next = pollIntervalMs_ < SilentFirstIntervalMs
                         ? SilentFirstIntervalMs
                         : std::min(2 * pollIntervalMs_, SilentMaxIntervalMs);
    // Restarted even at the same interval: the pause counts from the end of the silent tick.
    if (timerRunning_ != 0) {
        stopPollTimer();
        startPollTimer(next);
    }
}

void MainWindow::releaseForm()
{
    delete ui;
    ui = nullptr;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    releaseForm();
    link_.closeDevice();
    stopPollTimer();
    QCoreApplication::exit(0);
}

void MainWindow::FileExit()
{
    link_.closeDevice();
    stopPollTimer();
    releaseForm();
    std::exit(0);
}

void MainWindow::FileAbout()
{
    prompts_.about(this, tr("About KORVALIS Utility"),
                   tr("<h2>KORVALIS Utility Version 1.11</h2>"));
}

void MainWindow::showStatus(const QString &text, int timeoutMs)
{
    statusBar()->showMessage(text, timeoutMs);
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
