// File menu: the device's configuration saved to and loaded from a file, through the same core
// code as korvalis-cli config save/load. The file is read and checked here; the device work
// runs on the device thread.
#include "app/MainWindow.h"

#include "app/Prompts.h"
#include "app/ResultTexts.h"
#include "edid/EdidText.h"
#include "session/ConfigLoad.h"
#include "session/DeviceWorker.h"
#include "ui_KorvalisForm.h"

#include <QDateTime>

using namespace session::config;

namespace
{
// Results stay in the status bar until the next message.
constexpr int Kept = 0;
const QString ConfigFilter = QStringLiteral("Configuration files (*.json);;All files (*)");

// The device's configuration as it stands, read on the device thread.
StateRead readConfiguration(session::WindowSession &w, const edid::Progress &progress)
{
    if (!w.connected())
        return {std::nullopt, QStringLiteral("KORVALIS USB not connected")};
    StateRead read = readState(w.session(), w.deviceId(), progress);
    w.session().takeSteps(); // the load reports as a whole
    return read;
}

QStringList changeLines(const std::vector<Item> &items)
{
    QStringList lines;
    for (const Item &item : items)
        if (item.changes)
            lines << QStringLiteral("%1 %2").arg(itemKey(item), itemValue(item));
    return lines;
}
} // namespace

void MainWindow::saveConfiguration()
{
    const QString fileName =
        prompts_.saveFileName(this, tr("Save configuration"), QString(), ConfigFilter);
    if (fileName.isEmpty() || refuseSecondTransfer())
        return;
    placeProgressBar();
    ++edidTransfers_; // the save reads the device's EDID
    worker_.run<StateRead>(
        [progress = worker_.progress()](session::WindowSession &w) {
            return readConfiguration(w, progress);
        },
        this,
        [this, fileName](const StateRead &read) {
            --edidTransfers_;
            if (ui == nullptr)
                return;
            QString why = read.failure;
            if (read.state)
                why =
                    writeFile(fileName, fileContents(*read.state, QDateTime::currentDateTimeUtc()));
            showStatus(why.isEmpty() ? tr("Configuration saved to %1").arg(fileName)
                                     : tr("Cannot save configuration: %1").arg(why),
                       Kept);
        });
}

void MainWindow::loadConfiguration()
{
    const QString fileName =
        prompts_.openFileName(this, tr("Load configuration"), QString(), ConfigFilter);
    if (fileName.isEmpty())
        return;
    // The whole file is checked before the device hears of it.
    const Checked checked = checkFile(fileName);
    if (!checked.plan) {
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("%1 is not loaded, nothing was sent:\n%2")
                             .arg(fileName, problemLines(checked.problems).join('\n')));
        return;
    }
    if (refuseSecondTransfer())
        return;
    placeProgressBar();
    ++edidTransfers_;
    worker_.run<StateRead>(
        [progress = worker_.progress()](session::WindowSession &w) {
            return readConfiguration(w, progress);
        },
        this,
        [this, plan = *checked.plan](const StateRead &read) {
            --edidTransfers_;
            if (ui != nullptr)
                confirmConfiguration(plan, read);
        });
}

void MainWindow::confirmConfiguration(const Plan &plan, const StateRead &read)
{
    if (!read.state) {
        showStatus(tr("Cannot load configuration: %1").arg(read.failure), Kept);
        return;
    }
    const QString mismatch = firmwareMismatch(plan, *read.state);
    if (!mismatch.isEmpty() && prompts_.question(tr("KORVALIS Utility"), mismatch,
                                                 tr("Load it anyway?")) != Prompts::Answer::Yes)
        return;
    const std::vector<Item> items = diff(plan, *read.state);
    const QStringList changes = changeLines(items);
    if (changes.isEmpty()) {
        showStatus(tr("The device already holds this configuration"), StatusTime::Result);
        return;
    }
    if (prompts_.question(tr("KORVALIS Utility"), tr("Write these changes to the device?"),
                          changes.join('\n')) != Prompts::Answer::Yes)
        return;
    if (refuseSecondTransfer())
        return;
    ++edidTransfers_;
    worker_.run<LoadReport>(
        [items, bytes = read.state->bytes, progress = worker_.progress()](
            session::WindowSession &w) {
            LoadReport report = apply(w.session(), items, bytes, progress);
            w.session().takeSteps(); // the load reports as a whole
            return report;
        },
        this,
        [this](const LoadReport &report) {
            --edidTransfers_;
            if (ui == nullptr)
                return;
            showStatus(summary(report), Kept);
            // A table the load wrote is what the editor shows now.
            for (const ItemResult &r : report.items)
                if (r.item.kind == Item::Edid && r.result == ItemResult::Set) {
                    deviceEdid_ = r.item.table;
                    showEditorText(edid::readTableText(r.item.table));
                }
        });
}
