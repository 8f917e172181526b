#include "session/EventLog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace session
{
namespace
{

QString stamp(const QDateTime &time)
{
    return time.toString(Qt::ISODateWithMs);
}

// Quoted when it holds a separator, a quote or a line break; quotes doubled.
QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') &&
        !bytes.contains('\r'))
        return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

} // namespace

QString kindName(LogEntry::Kind kind)
{
    switch (kind) {
    case LogEntry::Kind::Signal:
        return QStringLiteral("signal");
    case LogEntry::Kind::Device:
        return QStringLiteral("device");
    case LogEntry::Kind::Message:
        break;
    }
    return QStringLiteral("message");
}

void EventLog::addMessage(const QDateTime &time, const QString &text)
{
    LogEntry e;
    e.time = time;
    e.kind = LogEntry::Kind::Message;
    e.text = text;
    add(std::move(e));
}

void EventLog::addEvent(const QDateTime &time, const SignalEvent &event)
{
    LogEntry e;
    e.time = time;
    if (event.kind == SignalEvent::Kind::Change) {
        e.kind = LogEntry::Kind::Signal;
        e.field = fieldName(event.field);
        e.from = event.from;
        e.to = event.to;
        e.text = QStringLiteral("%1 %2 -> %3").arg(e.field, e.from, e.to);
    } else {
        e.kind = LogEntry::Kind::Device;
        e.field = eventName(event.kind);
        e.text = e.field;
    }
    add(std::move(e));
}

void EventLog::add(LogEntry entry)
{
    entries_.push_back(std::move(entry));
    while (int(entries_.size()) > cap_) {
        entries_.pop_front();
        ++dropped_;
    }
}

QString EventLog::line(const LogEntry &entry)
{
    return QStringLiteral("%1 %2 %3").arg(stamp(entry.time), kindName(entry.kind), entry.text);
}

QByteArray exportLog(const std::deque<LogEntry> &entries, LogFormat format)
{
    QByteArray out;
    if (format == LogFormat::Csv)
        out += "time,kind,field,from,to,text\r\n";
    for (const LogEntry &e : entries) {
        if (format == LogFormat::Csv) {
            out += csvField(stamp(e.time)) + ',' + csvField(kindName(e.kind)) + ',' +
                   csvField(e.field) + ',' + csvField(e.from) + ',' + csvField(e.to) + ',' +
                   csvField(e.text) + "\r\n";
            continue;
        }
        QJsonObject o{{"time", stamp(e.time)}, {"kind", kindName(e.kind)}, {"text", e.text}};
        if (e.kind == LogEntry::Kind::Signal) {
            o["field"] = e.field;
            o["from"] = e.from;
            o["to"] = e.to;
        } else if (e.kind == LogEntry::Kind::Device) {
            o["event"] = e.field;
        }
        out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    return out;
}

QString saveLog(const QString &path, const std::deque<LogEntry> &entries, LogFormat format)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = exportLog(entries, format);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace session
