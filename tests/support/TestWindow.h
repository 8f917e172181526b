#pragma once

#include "app/MainWindow.h"
#include "session/DeviceWorker.h"

#include <QAbstractEventDispatcher>
#include <QTimer>
#include <QTimerEvent>

// The window with its device thread run inline: every job runs at once, in fake time, so tests
// read the wire right after a click. A timer event sent to it stands for the poll timer's tick.
struct InlineWorker {
    explicit InlineWorker(DeviceLink &link) : worker(link, session::DeviceWorker::Mode::Inline) {}
    session::DeviceWorker worker;
};

class TestWindow : private InlineWorker, public MainWindow
{
public:
    TestWindow(DeviceLink &link, Prompts &prompts) : InlineWorker(link), MainWindow(worker, prompts)
    {
    }
    session::DeviceWorker &deviceWorker() { return worker; }
    bool edidRebuildPending() { return worker.window().rebuildPending(); }
    // Poll timers registered with the event dispatcher at `intervalMs`.
    int pollTimers(int intervalMs = session::WindowSession::PollIntervalMs) const
    {
        int n = 0;
        for (QTimer *timer : const_cast<session::DeviceWorker &>(worker).findChildren<QTimer *>())
            for (const auto &t : QAbstractEventDispatcher::instance()->registeredTimers(timer))
                n += t.interval == intervalMs ? 1 : 0;
        return n;
    }

protected:
    void timerEvent(QTimerEvent *) override { worker.requestTick(); }
};
