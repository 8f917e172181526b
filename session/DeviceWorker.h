#pragma once

#include "session/DeviceSession.h"
#include "session/WindowSession.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class DeviceLink;
class DeviceWatcher;
struct WatchedDevice;
class QSocketNotifier;
class QTimer;

namespace session
{

class AlertQueue;

// The device thread: owns the session on the link and runs one job at a time, in the order
// they were posted, the poll ticks among them. Results go back to the caller's thread.
// Threaded, it runs on a thread of its own, so the window never waits for the device; Inline
// runs each job at once on the caller's thread (tests, in fake time).
class DeviceWorker : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Threaded, Inline };

    // `alerts`: where the link's warnings collect (the link's own Alerts), or nullptr when the
    // link shows them itself.
    DeviceWorker(DeviceLink &link, Mode mode, AlertQueue *alerts = nullptr);
    ~DeviceWorker() override;

    // Runs `job` on the device thread after the jobs posted before it; `done` gets its result
    // on `context`'s thread (dropped when `context` is gone).
    template <class Result>
    void run(std::function<Result(WindowSession &)> job, QObject *context,
             std::function<void(const Result &)> done)
    {
        post([this, job = std::move(job), context = QPointer<QObject>(context),
              done = std::move(done)] {
            const Result result = job(window_);
            deliverAlerts();
            if (done)
                deliver(context, [done, result] { done(result); });
        });
    }

    // The unit every start-up opens (an identification string, or where it sits: "1-4.2", a
    // socket file) instead of the id the window names. Call before the first start-up.
    void chooseDevice(const QByteArray &idOrPath) { chosen_ = idOrPath; }

    // Start-up on the device thread; the poll timer starts when the device opened.
    void startUp(const QByteArray &id, QObject *context,
                 std::function<void(const StartUpResult &)> done);

    // Follows the device's arrivals and departures with the watcher `make` builds (on the
    // device thread): an arrival without a device runs the start-up again, delivered to the
    // start-up's `done`; a departure of the open unit closes it and is delivered to `gone`.
    // The thread looks at the watcher only when one of its descriptors is ready or a rescan is
    // due (DeviceWatcher::waitSet): idle, it sleeps.
    void watch(std::function<std::unique_ptr<DeviceWatcher>()> make, QObject *context,
               std::function<void()> gone);

    // Where poll ticks, progress and the USB layer's warnings are delivered.
    void setTickHandler(QObject *context, std::function<void(const TickResult &)> handler);
    void setProgressHandler(QObject *context, std::function<void(int, int)> handler);
    void setAlertHandler(QObject *context, std::function<void(const QStringList &)> handler);

    // A progress callback for a job: forwards to the progress handler.
    edid::Progress progress();
    // True once stop() began: a long job ends between its steps.
    bool stopping() const { return stopping_; }

    // Leaves the open unit and runs the whole start-up on the one at `where` (a place), as at
    // an arrival; later start-ups open that unit too.
    void switchTo(const QByteArray &where);

    // Queues one poll tick, as the timer does (tests).
    void requestTick();
    // Queues one look at the watcher, as a ready descriptor or a due rescan does (tests).
    void requestDeviceCheck();
    bool pollTimerRunning() const;
    int pollIntervalMs() const;

    // Ends the current exchange at once, drops what is queued, ends the thread and closes the
    // device. Called by the destructor too; the second call does nothing.
    void stop();

    DeviceSession &session() { return session_; }
    WindowSession &window() { return window_; }

private:
    void post(std::function<void()> job);
    // Posts `job` unless it is queued already; `queued` (guarded by mutex_) says so.
    void postOnce(bool &queued, void (DeviceWorker::*job)());
    void drain();
    void tick();
    void startTimer(int intervalMs);
    void runStartUp(bool afterArrival);
    void checkDevices();
    // After each look: notifiers for the watcher's descriptors, the timer for its next rescan.
    void followWatcher();
    void descriptorReady();
    void deliverAlerts();
    void deliver(const QPointer<QObject> &context, std::function<void()> call);

    DeviceLink &link_;
    Mode mode_;
    AlertQueue *alerts_;
    DeviceSession session_;
    WindowSession window_;
    QThread thread_;
    QTimer *timer_ = nullptr;
    QTimer *watchTimer_ = nullptr; // single shot, at the watcher's next rescan
    std::vector<QSocketNotifier *> notifiers_;
    std::unique_ptr<DeviceWatcher> watcher_;
    bool watchQueued_ = false;
    QByteArray chosen_;
    QByteArray id_ = "2023";
    QString openedWhere_;
    OpenFailure lastFailure_ = OpenFailure::None;
    QPointer<QObject> startUpContext_, goneContext_;
    std::function<void(const StartUpResult &)> startUpDone_;
    std::function<void()> gone_;

    // A standard mutex rather than QMutex: ThreadSanitizer sees its order (Qt's is a futex
    // inside Qt, invisible to it), and the queue is what every job travels in.
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    bool tickQueued_ = false;
    bool draining_ = false;
    std::atomic<bool> stopping_{false};
    bool stopped_ = false;
    std::atomic<bool> timerRunning_{false};
    std::atomic<int> timerIntervalMs_{0};

    QPointer<QObject> tickContext_, progressContext_, alertContext_;
    std::function<void(const TickResult &)> tickHandler_;
    std::function<void(int, int)> progressHandler_;
    std::function<void(const QStringList &)> alertHandler_;
};

} // namespace session
