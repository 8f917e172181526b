#pragma once

#include "session/SignalChanges.h"

#include <QDateTime>
#include <QString>
#include <deque>

// What happened since launch, newest last: signal changes, the status bar's messages and the
// device's comings and goings. Kept whole up to a cap, so a message missed in the status bar
// can be read again; the oldest lines go first.
namespace session
{

struct LogEntry {
    enum class Kind { Signal, Message, Device };
    QDateTime time;
    Kind kind = Kind::Message;
    QString field; // Signal: the field; Device: the event's name
    QString from, to; // Signal only
    QString text;     // Message: the message; Signal, Device: the line in words
};

// "signal", "message", "device".
QString kindName(LogEntry::Kind kind);

class EventLog
{
public:
    static constexpr int DefaultCap = 10000;

    explicit EventLog(int cap = DefaultCap) : cap_(cap > 0 ? cap : 1) {}

    void addMessage(const QDateTime &time, const QString &text);
    // A change as a Signal line, the others as Device lines.
    void addEvent(const QDateTime &time, const SignalEvent &event);

    const std::deque<LogEntry> &entries() const { return entries_; }
    int cap() const { return cap_; }
    // Lines dropped to keep the cap since launch.
    qint64 dropped() const { return dropped_; }

    // "TIME KIND TEXT".
    static QString line(const LogEntry &entry);

private:
    void add(LogEntry entry);

    int cap_;
    std::deque<LogEntry> entries_;
    qint64 dropped_ = 0;
};

enum class LogFormat { Csv, JsonLines };

// The entries in order: a header and one CSV record each
// (fields quoted where they need it), or one JSON object a line.
QByteArray exportLog(const std::deque<LogEntry> &entries, LogFormat format);

// Written whole or not at all: an existing file is replaced only once all is written.
// Empty on success, else why not.
QString saveLog(const QString &path, const std::deque<LogEntry> &entries, LogFormat format);

} // namespace session
