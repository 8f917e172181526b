#include "session/DeviceWorker.h"

#include "device/DeviceLink.h"
#include "device/DeviceWatcher.h"
#include "session/AlertQueue.h"
#include "session/ThreadHandOff.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <condition_variable>

namespace session
{

DeviceWorker::DeviceWorker(DeviceLink &link, Mode mode, AlertQueue *alerts)
    : link_(link), mode_(mode), alerts_(alerts), session_(link), window_(session_)
{
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &DeviceWorker::requestTick);
    watchTimer_ = new QTimer(this);
    watchTimer_->setSingleShot(true);
    watchTimer_->setTimerType(Qt::PreciseTimer); // never early: a look due is a look made
    connect(watchTimer_, &QTimer::timeout, this, &DeviceWorker::requestDeviceCheck);
    if (mode_ == Mode::Threaded) {
        thread_.setObjectName(QStringLiteral("device"));
        moveToThread(&thread_);
        // Returns once the thread runs with its event dispatcher: a post wakes the dispatcher
        // through a descriptor the new thread creates, so the thread's start is what a post
        // follows (Qt tells nobody; this wait tells ThreadSanitizer too).
        std::mutex m;
        std::condition_variable cv;
        bool started = false;
        const QMetaObject::Connection c = connect(
            &thread_, &QThread::started, &thread_,
            [&] {
                const std::lock_guard<std::mutex> lock(m);
                started = true;
                cv.notify_one();
            },
            Qt::DirectConnection);
        thread_.start();
        if (thread_.isRunning()) { // not when the thread could not be made
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return started; });
        }
        disconnect(c);
    }
}

DeviceWorker::~DeviceWorker()
{
    stop();
}

void DeviceWorker::post(std::function<void()> job)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return;
        queue_.push_back(std::move(job));
    }
    if (mode_ == Mode::Inline)
        drain();
    else
        QMetaObject::invokeMethod(this, HandedOffCall([this] { drain(); }), Qt::QueuedConnection);
}

void DeviceWorker::drain()
{
    // A job posted from inside a job (a result handler that starts another operation) waits
    // for the running one: one exchange sequence at a time.
    if (draining_)
        return;
    draining_ = true;
    for (;;) {
        std::function<void()> job;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty())
                break;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job();
    }
    draining_ = false;
}

void DeviceWorker::deliver(const QPointer<QObject> &context, std::function<void()> call)
{
    if (context.isNull())
        return;
    if (mode_ == Mode::Inline || context->thread() == QThread::currentThread())
        call();
    else
        QMetaObject::invokeMethod(context.data(), HandedOffCall(std::move(call)),
                                  Qt::QueuedConnection);
}

void DeviceWorker::deliverAlerts()
{
    if (alerts_ == nullptr || !alertHandler_)
        return;
    const QStringList texts = alerts_->take();
    if (!texts.isEmpty())
        deliver(alertContext_, [h = alertHandler_, texts] { h(texts); });
}

void DeviceWorker::startTimer(int intervalMs)
{
    timer_->start(intervalMs);
    timerIntervalMs_ = intervalMs;
    timerRunning_ = true;
}

void DeviceWorker::startUp(const QByteArray &id, QObject *context,
                           std::function<void(const StartUpResult &)> done)
{
    post([this, id = chosen_.isEmpty() ? id : chosen_, context = QPointer<QObject>(context),
          done = std::move(done)] {
        id_ = id;
        startUpContext_ = context;
        startUpDone_ = done;
        runStartUp(false);
    });
}

void DeviceWorker::switchTo(const QByteArray &where)
{
    post([this, where] {
        if (window_.connected()) {
            window_.deviceGone();
            timer_->stop();
            timerRunning_ = false;
        }
        chosen_ = id_ = where;
        runStartUp(true);
    });
}

void DeviceWorker::runStartUp(bool afterArrival)
{
    // A silent unit is told at once, as a silent tick, not after all its time-outs.
    const auto silent = [this] {
        TickResult t;
        t.silent = true;
        if (tickHandler_)
            deliver(tickContext_, [h = tickHandler_, t] { h(t); });
    };
    StartUpResult result = window_.startUp(id_, progress(), silent);
    result.afterArrival = afterArrival;
    lastFailure_ = result.failure;
    // The unit whose departure ends the session; empty where the library cannot tell.
    openedWhere_ = result.opened ? link_.deviceWhere() : QString();
    // The reason line must reach the window before any box opens: the boxes travel with it.
    if (alerts_ != nullptr)
        result.alerts = alerts_->take();
    if (result.opened)
        startTimer(WindowSession::PollIntervalMs);
    if (startUpDone_)
        deliver(startUpContext_, [done = startUpDone_, result] { done(result); });
}

void DeviceWorker::watch(std::function<std::unique_ptr<DeviceWatcher>()> make, QObject *context,
                         std::function<void()> gone)
{
    post([this, make = std::move(make), context = QPointer<QObject>(context),
          gone = std::move(gone)] {
        goneContext_ = context;
        gone_ = gone;
        watcher_ = make();
        if (!watcher_)
            return;
        // The watcher's library may change its descriptors on a thread of its own.
        watcher_->setWakeUp([this] { requestDeviceCheck(); });
        followWatcher();
        // Plugged in between the launch's look and the watcher's first: it counts as arrived.
        if (!window_.connected() && lastFailure_ == OpenFailure::NotConnected &&
            !watcher_->present().empty())
            runStartUp(true);
    });
}

void DeviceWorker::postOnce(bool &queued, void (DeviceWorker::*job)())
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        // Periodic jobs never pile up behind a long operation.
        if (queued)
            return;
        queued = true;
    }
    post([this, &queued, job] {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            queued = false;
        }
        (this->*job)();
    });
}

void DeviceWorker::requestDeviceCheck()
{
    postOnce(watchQueued_, &DeviceWorker::checkDevices);
}

void DeviceWorker::checkDevices()
{
    if (!watcher_)
        return;
    // Never waits: the queue is served between two looks.
    bool arrived = false, left = false;
    for (const DeviceEvent &e : watcher_->poll(0)) {
        if (e.kind == DeviceEvent::Arrival) {
            arrived = true;
        } else if (window_.connected() &&
                   (openedWhere_.isEmpty() || e.device.where == openedWhere_)) {
            window_.deviceGone();
            timer_->stop();
            timerRunning_ = false;
            left = true;
            if (gone_)
                deliver(goneContext_, gone_);
        }
    }
    // A replug (a new address, another unit) starts over as at launch; so does a departure
    // while another unit the watcher follows stays. A unit that could not be opened is tried
    // again only at its next arrival, never on every look.
    if (!window_.connected() && (arrived || (left && !watcher_->present().empty())))
        runStartUp(true);
    deliverAlerts();
    followWatcher();
}

void DeviceWorker::followWatcher()
{
    if (!watcher_)
        return;
    const DeviceWatcher::WaitSet wait = watcher_->waitSet();
    std::vector<QSocketNotifier *> kept;
    const auto follow = [&](int fd, QSocketNotifier::Type type) {
        const auto same = [&](QSocketNotifier *n) {
            return n->socket() == fd && n->type() == type;
        };
        auto found = std::find_if(notifiers_.begin(), notifiers_.end(), same);
        if (found != notifiers_.end()) {
            kept.push_back(*found);
            notifiers_.erase(found);
            return;
        }
        auto *n = new QSocketNotifier(fd, type, this);
        connect(n, &QSocketNotifier::activated, this, &DeviceWorker::descriptorReady);
        kept.push_back(n);
    };
    for (const pollfd &p : wait.descriptors) {
        if (p.events & POLLIN)
            follow(p.fd, QSocketNotifier::Read);
        if (p.events & POLLOUT)
            follow(p.fd, QSocketNotifier::Write);
    }
    // Descriptors the watcher no longer names (perhaps closed already). Never deleted at once:
    // this may run inside one of their signals.
    for (QSocketNotifier *n : notifiers_) {
        n->setEnabled(false);
        n->deleteLater();
    }
    notifiers_ = std::move(kept);
    for (QSocketNotifier *n : notifiers_)
        n->setEnabled(true);
    if (wait.dueInMs >= 0)
        watchTimer_->start(std::max(wait.dueInMs, 1));
    else
        watchTimer_->stop();
}

void DeviceWorker::descriptorReady()
{
    // Quiet until the look has taken what is there: the descriptor stays ready meanwhile, and
    // the look may wait behind a long job.
    for (QSocketNotifier *n : notifiers_)
        n->setEnabled(false);
    requestDeviceCheck();
}

void DeviceWorker::requestTick()
{
    postOnce(tickQueued_, &DeviceWorker::tick);
}

void DeviceWorker::tick()
{
    const TickResult result = window_.tick(progress());
    if (result.restartTimer && timerRunning_)
        startTimer(result.nextIntervalMs);
    deliverAlerts();
    if (tickHandler_)
        deliver(tickContext_, [h = tickHandler_, result] { h(result); });
}

edid::Progress DeviceWorker::progress()
{
    return [this](int value, int maximum) {
        if (progressHandler_)
            deliver(progressContext_,
                    [h = progressHandler_, value, maximum] { h(value, maximum); });
    };
}

void DeviceWorker::setTickHandler(QObject *context, std::function<void(const TickResult &)> h)
{
    tickContext_ = context;
    tickHandler_ = std::move(h);
}

void DeviceWorker::setProgressHandler(QObject *context, std::function<void(int, int)> h)
{
    progressContext_ = context;
    progressHandler_ = std::move(h);
}

void DeviceWorker::setAlertHandler(QObject *context, std::function<void(const QStringList &)> h)
{
    alertContext_ = context;
    alertHandler_ = std::move(h);
}

bool DeviceWorker::pollTimerRunning() const
{
    return timerRunning_;
}

int DeviceWorker::pollIntervalMs() const
{
    return timerIntervalMs_;
}

void DeviceWorker::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    link_.abortExchanges();
    if (mode_ == Mode::Threaded && thread_.isRunning()) {
        QThread *home = QCoreApplication::instance() != nullptr
                            ? QCoreApplication::instance()->thread()
                            : QThread::currentThread();
        // Runs after the current job: the timer is stopped on its own thread and the worker
        // comes home before the thread ends.
        QMetaObject::invokeMethod(
            this, HandedOffCall([this, home] {
                timer_->stop();
                watchTimer_->stop();
                qDeleteAll(notifiers_); // before the descriptors close with the watcher
                notifiers_.clear();
                watcher_.reset();
                moveToThread(home);
                handOff(&thread_); // the device thread's last touch of the worker and the link
                thread_.quit();
            }),
            Qt::QueuedConnection);
        thread_.wait();
        handedOff(&thread_);
    } else {
        timer_->stop();
        watchTimer_->stop();
        for (QSocketNotifier *n : notifiers_)
            n->setEnabled(false);
    }
    timerRunning_ = false;
    link_.closeDevice();
    link_.resumeExchanges();
}

} // namespace session
