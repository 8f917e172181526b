#pragma once

#include <QObject>
#include <QString>

class QStatusBar;

// A status-bar message that stands while its state lasts (the device away, silent, not
// opened): a command's timed message covers it, and it comes back once that one is gone. The
// status bar alone draws it, so it is never drawn twice.
class StandingMessage : public QObject
{
public:
    explicit StandingMessage(QStatusBar &bar);

    // Replaces the standing message and shows it now.
    void show(const QString &text);
    // The state ended: gone from the bar too, unless another message covers it.
    void clear();
    const QString &text() const { return text_; }

private:
    QStatusBar &bar_;
    QString text_;
};
