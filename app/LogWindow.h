#pragma once

#include "session/EventLog.h"

#include <QWidget>
#include <array>

class Prompts;
class QCheckBox;
class QLabel;
class QPlainTextEdit;

// The "Log" window: every line of the event log, newest last, filtered by kind, saved as CSV or
// JSON Lines. While closed it does nothing: the log keeps the lines, the view reads them when
// shown.
class LogWindow : public QWidget
{
    Q_OBJECT

public:
    LogWindow(const session::EventLog &log, Prompts &prompts, QWidget *parent);

    // The log grew by its last entry.
    void appended();
    // The lines the filter lets through, in order.
    std::deque<session::LogEntry> shownEntries() const;
    // Save as...: asks for a file; the format follows the filter chosen or the file's suffix.
    void saveAs();

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool passes(const session::LogEntry &entry) const;
    void rebuild();
    void updateCount();

    const session::EventLog &log_;
    Prompts &prompts_;
    std::array<QCheckBox *, 3> kinds_{}; // signal, message, device
    QPlainTextEdit *view_ = nullptr;
    QLabel *count_ = nullptr;
};
