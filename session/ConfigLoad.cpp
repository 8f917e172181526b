#include "session/ConfigLoad.h"

#include "device/StatusSink.h"

#include <algorithm>

namespace session::config
{
namespace
{

// A send counts as done only when both its store and its activation went through.
bool sent(const cecif::Outcome &o)
{
    return o.result;
}

// The HDR send activates even after a failed store, so the last exchange tells only of the
// activation: a store that got no answer must not read as refused.
QString hdrFailure(const DeviceSession &s, const cecif::Outcome &o)
{
    const bool storeFailed = o.statusMs == StatusTime::DeviceFailure;
    const bool activationFailed = !o.stdoutLine.isEmpty();
    const QString activation = s.failureOf(QStringLiteral("HDR infoframe activation"));
    if (!storeFailed)
        return activation;
    const QString store =
        QStringLiteral("the device did not store the HDR infoframe (%1)").arg(o.status);
    return activationFailed ? store + QStringLiteral(", and ") + activation : store;
}

Step write(DeviceSession &s, const Item &item, settings::SettingBytes &bytes,
           const edid::Progress &progress)
{
    switch (item.kind) {
    case Item::Setting:
        return s.writeSetting(*item.setting, item.value, bytes, progress);
    case Item::StoredHdr: {
        const cecif::Outcome o = s.sendHdr(item.text);
        if (sent(o))
            return Step::done();
        return Step::failed(hdrFailure(s, o));
    }
    case Item::StoredAvi:
        return sent(s.sendAvi(item.text, item.replaceAvi, bytes))
                   ? Step::done()
                   : Step::failed(s.failureOf(QStringLiteral("AVI infoframe")));
    case Item::Edid:
        return writeEdidVerified(s, item.table, progress, progress);
    }
    return Step::failed(QStringLiteral("unknown item"));
}

} // namespace

StateRead readState(DeviceSession &s, const QByteArray &id, const edid::Progress &progress)
{
    DeviceState state;
    state.id = id;
    const std::optional<QString> firmware = s.readFirmware();
    if (!firmware)
        return {std::nullopt, s.failureOf(QStringLiteral("firmware read"))};
    state.firmware = *firmware;
    const BusyWait wait = s.readSettings(progress);
    if (!wait.step.ok)
        return {std::nullopt, wait.step.failure};
    state.bytes = wait.bytes;
    const std::optional<QString> hdr = s.storedHdrText();
    if (!hdr)
        return {std::nullopt, s.failureOf(QStringLiteral("stored HDR infoframe read"))};
    state.storedHdr = *hdr;
    const std::optional<QString> avi = s.storedAviText();
    if (!avi)
        return {std::nullopt, s.failureOf(QStringLiteral("stored AVI infoframe read"))};
    state.storedAvi = *avi;
    const edid::ReadOutcome read = s.readEdid(edid::Source::Own, progress);
    if (!read.ok())
        return {std::nullopt, read.result == edid::ReadOutcome::FetchFailed
                                  ? s.failureOf(QStringLiteral("EDID fetch"))
                                  : s.failureOf(QStringLiteral("EDID read at byte %1")
                                                    .arg(read.chunksRead * cmd::EdidReadChunk))};
    state.edid = read.table;
    return {state, QString()};
}

Step writeEdidVerified(DeviceSession &s, const edid::Table &table, const edid::Progress &writing,
                       const edid::Progress &verifying)
{
    const edid::WriteOutcome written = s.writeEdid(table, writing);
    if (!written.ok())
        return Step::failed(
            written.result == edid::WriteOutcome::CommitFailed
                ? s.failureOf(QStringLiteral("EDID commit"))
                : s.failureOf(QStringLiteral("EDID write at byte %1")
                                  .arg(written.chunksWritten * cmd::EdidWriteChunk)));
    const edid::ReadOutcome back = s.readEdid(edid::Source::Own, verifying);
    if (!back.ok())
        return Step::failed(s.failureOf(QStringLiteral("EDID read-back")));
    const auto differs = std::mismatch(back.table.begin(), back.table.end(), table.begin());
    if (differs.first == back.table.end())
        return Step::done();
    return Step::failed(QStringLiteral("the table read back differs at byte %1 "
                                       "(0x%2, written 0x%3)")
                            .arg(differs.first - back.table.begin())
                            .arg(*differs.first, 2, 16, QLatin1Char('0'))
                            .arg(*differs.second, 2, 16, QLatin1Char('0')));
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
            r.result = step.ok ? ItemResult::Set : ItemResult::Failed;
            r.failure = step.failure;
            stopped = !step.ok;
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
