#pragma once

#include "session/ConfigFile.h"
#include "session/DeviceSession.h"

#include <QStringList>
#include <optional>
#include <vector>

// The device side of configuration files: reading what a file covers, and writing the items of
// a load in order. Runs on whichever thread owns the session.
namespace session::config
{

struct StateRead {
    std::optional<DeviceState> state;
    QString failure; // when no state
};

// Firmware, settings, stored infoframes and the device's own EDID. Reads only.
StateRead readState(DeviceSession &session, const QByteArray &id,
                    const edid::Progress &progress = {});

struct ItemResult {
    enum Result { Set, Unchanged, Failed, NotApplied } result = NotApplied;
    Item item;
    QString failure; // Failed: why
};

struct LoadReport {
    std::vector<ItemResult> items; // every item, in order
    bool dryRun = false;
    bool ok() const;
    int count(ItemResult::Result result) const;
};

// Writes the items that change something, in order, and stops at the first failure: the items
// after it are reported as not applied. `bytes` are the device's settings before the load.
LoadReport apply(DeviceSession &session, const std::vector<Item> &items,
                 settings::SettingBytes bytes, const edid::Progress &progress = {});

// What apply would report when every write went through; sends nothing.
LoadReport preview(const std::vector<Item> &items);

// "set", "unchanged", "failed", "not applied".
QString resultName(ItemResult::Result result);
// One line per item ("set input port-b"), the failure's cause on its line.
QStringList reportLines(const LoadReport &report);
// For a status bar: "Configuration loaded: 3 set, 29 unchanged" or what failed and what was
// not applied.
QString summary(const LoadReport &report);

} // namespace session::config
