#include "cli/StatusWatch.h"

#include "device/Clock.h"
#include "session/DeviceSession.h"
#include "session/SignalChanges.h"

#include <QDateTime>
#include <QFileDevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace cli
{
namespace
{

// How long one pause between reads waits before it looks at the interrupt again.
constexpr std::uint32_t PauseSliceMs = 50;

class WatchPrinter
{
public:
    WatchPrinter(QIODevice &out, bool json) : out_(out), json_(json) {}

    // The signal as it is: a line per field.
    void status(const session::SignalSnapshot &now)
    {
        const QString time = stamp();
        for (int f = 0; f < session::SignalFieldCount; ++f) {
            const QString field = session::fieldName(session::SignalField(f));
            if (json_)
                object({{"time", time}, {"event", "status"}, {"field", field}, {"value", now[f]}});
            else
                line(QStringList{time, field, now[f]}.join(u' '));
        }
    }

    void events(const QList<session::SignalEvent> &events)
    {
        for (const session::SignalEvent &e : events) {
            const QString time = stamp();
            if (e.kind != session::SignalEvent::Kind::Change) {
                const QString name = session::eventName(e.kind);
                if (json_)
                    object({{"time", time}, {"event", name}});
                else
                    line(time + u' ' + name);
                continue;
            }
            const QString field = session::fieldName(e.field);
            if (json_)
                object({{"time", time}, {"field", field}, {"from", e.from}, {"to", e.to}});
            else
                line(QStringLiteral("%1 %2 %3 -> %4").arg(time, field, e.from, e.to));
        }
    }

private:
    static QString stamp() { return QDateTime::currentDateTime().toString(Qt::ISODateWithMs); }

    void object(const QJsonObject &o) { write(QJsonDocument(o).toJson(QJsonDocument::Compact)); }
    void line(const QString &text) { write(text.toUtf8()); }
    void write(const QByteArray &bytes)
    {
        out_.write(bytes + '\n');
        // A script reading through a pipe gets each line as it happens.
        if (auto *file = qobject_cast<QFileDevice *>(&out_))
            file->flush();
    }

    QIODevice &out_;
    bool json_;
};

// The pause between two reads, cut short by an interrupt.
void pause(Clock &clock, int ms, const std::atomic<bool> &interrupted)
{
    const std::uint32_t start = clock.tickCount();
    while (!interrupted.load()) {
        const std::uint32_t passed = clock.tickCount() - start;
        if (passed >= std::uint32_t(ms))
            return;
        clock.sleep(std::min(PauseSliceMs, std::uint32_t(ms) - passed));
    }
}

} // namespace

bool parseWatchInterval(Request &r, const QString &text, QString &error)
{
    if (!r.watch) {
        error = QStringLiteral("--interval applies to status --watch");
        return false;
    }
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    const double ms = seconds * 1000.0;
    if (!ok || !std::isfinite(ms) || ms < MinWatchIntervalMs || ms > MaxWatchIntervalMs) {
        error = QStringLiteral("--interval takes seconds from %1 to %2, not '%3'")
                    .arg(MinWatchIntervalMs / 1000.0)
                    .arg(MaxWatchIntervalMs / 1000)
                    .arg(text);
        return false;
    }
    r.watchIntervalMs = int(std::lround(ms));
    return true;
}

int watchStatus(session::DeviceSession &s, const Request &r, const Backend &backend,
                const Streams &io)
{
    if (!backend.catchInterrupt) {
        io.err.write("korvalis-cli: --watch is not available here\n");
        return exitcode::Usage;
    }
    const std::atomic<bool> &interrupted = *backend.catchInterrupt();
    WatchPrinter print(io.out, r.json);
    session::SignalWatch watch;
    watch.arrived(); // it was opened: the status says it is there
    bool statusShown = false;
    while (!interrupted.load()) {
        const session::DeviceSession::Status st = s.readStatus();
        s.takeSteps(); // nothing reports them; a long watch keeps none
        if (s.link().deviceLost()) {
            // Each later exchange looks for it again at its place.
            print.events(watch.departed());
        } else {
            print.events(watch.arrived());
            const bool answered = st.step.ok();
            print.events(watch.polled(answered ? std::optional(st.values) : std::nullopt));
            if (answered && !statusShown) {
                print.status(*watch.last());
                statusShown = true;
            }
        }
        pause(backend.clock, r.watchIntervalMs, interrupted);
    }
    return exitcode::Ok;
}

} // namespace cli
