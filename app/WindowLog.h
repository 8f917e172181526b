#pragma once

#include "app/DisplaysDialog.h"
#include "session/EventLog.h"
#include "session/SignalChanges.h"

#include <QObject>
#include <QPointer>
#include <optional>

class LogWindow;
class Prompts;
class QMainWindow;

// What the window keeps of what happened, and where it shows it: the event log fed by the
// status bar, the poll and the device's comings and goings; the View menu with "Log" and
// "Displays..."; the two windows, made when first asked for.
class WindowLog : public QObject
{
    Q_OBJECT

public:
    WindowLog(QMainWindow &window, Prompts &prompts, DisplaysDialog::Reader readDisplays);

    void message(const QString &text);
    // One status poll of the window: its values, nothing when the device did not answer.
    void polled(const std::optional<status::Values> &values);
    void arrived();
    void departed();

    const session::EventLog &log() const { return log_; }
    LogWindow *showLog();
    DisplaysDialog *showDisplays();

private:
    void add(const QList<session::SignalEvent> &events);
    void appended();

    QMainWindow &window_;
    Prompts &prompts_;
    DisplaysDialog::Reader readDisplays_;
    session::EventLog log_;
    session::SignalWatch watch_;
    QPointer<LogWindow> logWindow_;
    QPointer<DisplaysDialog> displays_;
};
