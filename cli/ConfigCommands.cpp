#include "cli/ConfigCommands.h"

#include "cli/Cli.h"
#include "session/ConfigLoad.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli
{
namespace
{

using namespace session::config;

void writeJson(QIODevice &to, const QJsonObject &document)
{
    to.write(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

void writeLines(QIODevice &to, const QStringList &lines)
{
    for (const QString &line : lines)
        to.write(line.toUtf8() + '\n');
}

QJsonArray problemArray(const std::vector<Problem> &problems)
{
    QJsonArray list;
    for (const Problem &p : problems)
        list.append(QJsonObject{{"key", p.key}, {"reason", p.reason}});
    return list;
}

QJsonObject reportDocument(const Request &r, const LoadReport &report)
{
    QJsonArray items;
    for (const ItemResult &i : report.items) {
        QJsonObject item{{"key", itemKey(i.item)},
                         {"value", itemValue(i.item)},
                         {"result", resultName(i.result)}};
        if (i.result == ItemResult::Failed)
            item["failure"] = i.failure;
        items.append(item);
    }
    return QJsonObject{
        {"file", r.configFile}, {"dry_run", report.dryRun}, {"ok", report.ok()}, {"items", items}};
}

} // namespace

bool checkConfigFile(const Request &r, QIODevice &out, QIODevice &err, std::optional<Plan> &plan)
{
    const Checked checked = checkFile(r.configFile);
    plan = checked.plan;
    if (checked.plan)
        return true;
    if (r.json)
        writeJson(out, QJsonObject{{"file", r.configFile},
                                   {"ok", false},
                                   {"problems", problemArray(checked.problems)}});
    QStringList lines{
        QStringLiteral("korvalis-cli: %1 is not loaded, nothing was sent:").arg(r.configFile)};
    for (const QString &line : problemLines(checked.problems))
        lines << QStringLiteral("  ") + line;
    writeLines(err, lines);
    return false;
}

int configSave(session::DeviceSession &s, const Request &r, const ConfigIo &io,
               const QDateTime &now)
{
    const StateRead read = readState(s, r.deviceId, io.progress(QStringLiteral("reading")));
    if (!read.state)
        return io.failed(read.failure);
    const QByteArray contents = fileContents(*read.state, now);
    if (r.configFile == "-") {
        io.out.write(contents);
        return exitcode::Ok;
    }
    const QString why = writeFile(r.configFile, contents);
    if (!why.isEmpty()) {
        io.err.write(
            QStringLiteral("korvalis-cli: cannot write %1: %2\n").arg(r.configFile, why).toUtf8());
        return exitcode::Usage;
    }
    if (r.json)
        writeJson(io.out, QJsonObject{{"ok", true},
                                      {"file", r.configFile},
                                      {"device", QString::fromLatin1(read.state->id)},
                                      {"firmware", read.state->firmware},
                                      {"saved", now.toString(Qt::ISODate)}});
    return exitcode::Ok;
}

int configLoad(session::DeviceSession &s, const Request &r, const Plan &plan, const ConfigIo &io)
{
    const StateRead read = readState(s, r.deviceId, io.progress(QStringLiteral("reading")));
    if (!read.state)
        return io.failed(read.failure);
    const QString mismatch = firmwareMismatch(plan, *read.state);
    if (!mismatch.isEmpty() && !r.force) {
        if (r.json)
            writeJson(io.out,
                      QJsonObject{{"file", r.configFile},
                                  {"ok", false},
                                  {"problems", problemArray({{"device.firmware", mismatch}})}});
        io.err.write(QStringLiteral("korvalis-cli: %1: nothing was sent (--force loads it "
                                    "anyway)\n")
                         .arg(mismatch)
                         .toUtf8());
        return exitcode::Usage;
    }
    const std::vector<Item> items = diff(plan, *read.state);
    const LoadReport report =
        r.dryRun ? preview(items)
                 : apply(s, items, read.state->bytes, io.progress(QStringLiteral("writing")));
    if (r.json)
        writeJson(io.out, reportDocument(r, report));
    else
        writeLines(io.out, reportLines(report));
    if (report.ok())
        return exitcode::Ok;
    return io.failed(summary(report));
}

} // namespace cli
