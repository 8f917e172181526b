#include "session/ConfigLoad.h"

#include "cec_infoframes/ColonHex.h"

#include <algorithm>

namespace session::config
{
namespace
{

Step write(DeviceSession &s, const Item &item, settings::SettingBytes &bytes,
           const edid::Progress &progress)
{
    switch (item.kind) {
    case Item::Setting:
        return s.writeSetting(*item.setting, item.value, bytes, {}, true, progress);
    case Item::StoredHdr:
        return s.sendHdr(item.bytes);
    case Item::StoredAvi:
        return s.sendAvi(item.bytes, item.replaceAvi, bytes);
    case Item::Edid:
        return s.writeEdidVerified(item.table, progress, progress);
    }
    return s.record(Op::Open, cmd::Result::BadInput);
}

} // namespace

StateRead readState(DeviceSession &s, const QByteArray &id, const edid::Progress &progress)
{
    DeviceState state;
    state.id = id;
    const auto failed = [&s] { return StateRead{std::nullopt, failureWords(s.takeSteps().back())}; };
    const std::optional<QString> firmware = s.readFirmware();
    if (!firmware)
        return failed();
    state.firmware = *firmware;
    const BusyWait wait = s.waitWhileBusy(progress);
    if (!wait.step.ok())
        return {std::nullopt, failureWords(wait.step)};
    state.bytes = wait.bytes;
    const std::optional<QByteArray> hdr = s.readStoredHdr();
    if (!hdr)
        return failed();
    state.storedHdr = formatColonHex(reinterpret_cast<const std::uint8_t *>(hdr->constData()),
                                     std::size_t(hdr->size()));
    const std::optional<QByteArray> avi = s.readStoredAvi();
    if (!avi)
        return failed();
    state.storedAvi = formatColonHex(reinterpret_cast<const std::uint8_t *>(avi->constData()),
                                     std::size_t(avi->size()));
    const EdidRead read = s.readEdid(edid::Source::Own, progress);
    // A table taken while the device was still rebuilding it is no state to save.
    if (!read.busy.ok())
        return {std::nullopt, failureWords(read.busy)};
    if (!read.ok())
        return {std::nullopt, failureWords(read.step)};
    state.edid = read.table;
    return {state, QString()};
}

bool LoadReport::ok() const
{
    return count(ItemResult::Failed) == 0 && count(ItemResult::NotApplied) == 0;
}

int LoadReport::count(ItemResult::Result result) const
{
    return int(std::count_if(items.begin(), items.end(),
                             [result](const ItemResult &r) { return r.result == result; }));
}

LoadReport apply(DeviceSession &s, const std::vector<Item> &items, settings::SettingBytes bytes,
                 const edid::Progress &progress)
{
    LoadReport report;
    bool stopped = false;
    for (const Item &item : items) {
        ItemResult r;
        r.item = item;
        if (stopped) {
            r.result = ItemResult::NotApplied;
        } else if (!item.changes) {
            r.result = ItemResult::Unchanged;
        } else {
            const Step step = write(s, item, bytes, progress);
            r.result = step.ok() ? ItemResult::Set : ItemResult::Failed;
            r.failure = failureWords(step);
            stopped = !step.ok();
        }
        report.items.push_back(r);
    }
    return report;
}

LoadReport preview(const std::vector<Item> &items)
{
    LoadReport report;
    report.dryRun = true;
    for (const Item &item : items)
        report.items.push_back(
            {item.changes ? ItemResult::Set : ItemResult::Unchanged, item, QString()});
    return report;
}

QString resultName(ItemResult::Result result)
{
    switch (result) {
    case ItemResult::Set:
        return QStringLiteral("set");
    case ItemResult::Unchanged:
        return QStringLiteral("unchanged");
    case ItemResult::Failed:
        return QStringLiteral("failed");
    case ItemResult::NotApplied:
        return QStringLiteral("not applied");
    }
    return QString();
}

QStringList reportLines(const LoadReport &report)
{
    QStringList lines;
    for (const ItemResult &r : report.items) {
        QString line = QStringLiteral("%1 %2 %3")
                           .arg(resultName(r.result), itemKey(r.item), itemValue(r.item));
        if (r.result == ItemResult::Failed)
            line += QStringLiteral(": ") + r.failure;
        lines << line;
    }
    return lines;
}

QString summary(const LoadReport &report)
{
    const int set = report.count(ItemResult::Set);
    const int unchanged = report.count(ItemResult::Unchanged);
    if (report.dryRun)
        return QStringLiteral("Dry run: %1 to set, %2 unchanged, nothing written")
            .arg(set)
            .arg(unchanged);
    if (report.ok())
        return QStringLiteral("Configuration loaded: %1 set, %2 unchanged").arg(set).arg(unchanged);
    const auto failed =
        std::find_if(report.items.begin(), report.items.end(),
                     [](const ItemResult &r) { return r.result == ItemResult::Failed; });
    return QStringLiteral("Configuration load stopped at %1 (%2): %3 set, %4 unchanged, %5 not "
                          "applied")
        .arg(itemKey(failed->item), failed->failure)
        .arg(set)
        .arg(unchanged)
        .arg(report.count(ItemResult::NotApplied));
}

} // namespace session::config
