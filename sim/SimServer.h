#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

class Clock;
class DeviceModel;

// Serves one DeviceModel as a virtual USB device: a listening SEQPACKET socket <dir>/<id>.sock,
// one reply datagram per request datagram. Single-threaded around poll(); `stop()` may be
// called from another thread or a signal handler.
class SimServer
{
public:
    enum class Start { Ok, AlreadyServed, BadDirectory, Failed };

    SimServer(DeviceModel &model, Clock &clock);
    ~SimServer();
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Creates the directory (mode 0700) when missing, refuses a directory that is not private,
    // refuses when a live server already answers on the socket, replaces a stale socket file.
    Start start(const QString &directory, const QByteArray &id, QString *error = nullptr);
    QString socketPath() const { return path_; }
    bool listening() const { return listenFd_ >= 0; }

    // Runs until stop(). Returns after removing the socket file.
    void run();
    // One round of waiting (at most timeoutMs, -1: until something happens) and handling.
    void runOnce(int timeoutMs);
    void stop(); // async-signal-safe
    // The device disappears: connections and the socket file go. start() brings it back.
    void unplug();

    // Lines read from `fd` (for instance standard input) go to `onLine`, with the model locked.
    void setInput(int fd, std::function<void(const QByteArray &line)> onLine);
    // Every request and reply as one line (time stamp and hex), when set.
    std::function<void(const QString &line)> log;

    // Access to the model from another thread while the server runs.
    template <typename F> auto withModel(F f)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(model_);
    }

private:
    struct Client {
        int fd = -1;
    };
    struct Pending {
        int fd;
        QByteArray bytes;
        std::uint32_t due;
    };
    void acceptClient();
    void serveClient(int fd);
    void sendDue();
    void closeClient(int fd);
    void readInput();
    void logLine(char direction, const QByteArray &bytes, const char *note = nullptr);

    DeviceModel &model_;
    Clock &clock_;
    std::mutex mutex_;
    QString path_;
    QString directory_;
    QByteArray id_;
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    // Set by stop() from another thread or a signal handler: lock-free, so both are safe.
    std::atomic<bool> stopping_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "stop() runs in signal handlers");
    QList<int> clients_;
    QList<Pending> pending_;
    int inputFd_ = -1;
    QByteArray inputBuffer_;
    std::function<void(const QByteArray &)> onLine_;
};
