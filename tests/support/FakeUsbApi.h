#pragma once

#include "device/UsbApi.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <functional>
#include <optional>

class FakeClock;

struct FakeDevice {
    QByteArray id;
    bool stringQueryFails = false;
    int openStatus = 0;
    int closeStatus = 0;
    QString where = QString(); // the place UsbApi::where reports
};

// One scripted answer to one request: bytes after a delay (fake ms), or nothing at all.
struct ScriptedReply {
    QByteArray bytes;
    std::uint32_t delayMs = 0;
    bool none = false;

    static ScriptedReply of(QByteArray b, std::uint32_t delay = 0)
    {
        return {std::move(b), delay, false};
    }
    static ScriptedReply silence() { return {QByteArray(), 0, true}; }
};

// A scriptable USB library. Replies come from `script` (one entry per write, in order) and,
// once it is used up, from `responder` (which may be the in-process device model). A device
// with nothing to say makes each empty queue check cost 1 ms of fake time, as a real blocking
// check would.
class FakeUsbApi : public UsbApi
{
public:
    explicit FakeUsbApi(FakeClock &clock);

    // Setup
    QList<FakeDevice> devices;
    int countStatus = 0;
    QList<ScriptedReply> script;
    std::function<std::optional<QByteArray>(const QByteArray &request)> responder;
    bool failWrites = false;
    bool failReads = false;
    int failQueueChecks = 0;            // number of checks that fail from now on; -1: all
    std::uint32_t readReportsExtra = 0; // a read that claims more bytes than it may
    std::function<void()> onCount;      // runs at each count, before it (devices may change)

    // What happened
    QList<QByteArray> writes;
    QList<Handle> writeHandles; // the handle of each write
    int flushes = 0;
    int opens = 0;
    int closes = 0;
    int queueChecks = 0;
    QList<QPair<std::uint32_t, std::uint32_t>> timeoutsAtWrite; // (read, write) in force
    QList<QPair<std::uint32_t, std::uint32_t>> timeoutsAtRead;
    std::uint32_t readTimeout = 1234; // arbitrary starting pair, to see it restored
    std::uint32_t writeTimeout = 5678;

    QByteArray queued() const { return queue_; }
    // Requests written whose code byte (offset 2) is `code`.
    int countWrites(std::uint8_t code) const;

    int getNumDevices(std::uint32_t *count) override;
    int getProductString(std::uint32_t index, char *buffer, std::uint32_t option) override;
    int open(std::uint32_t index, Handle *handle) override;
    int close(Handle handle) override;
    int read(Handle handle, std::uint8_t *buffer, std::uint32_t capacity,
             std::uint32_t *bytesRead) override;
    int write(Handle handle, const std::uint8_t *data, std::uint32_t count,
              std::uint32_t *bytesWritten) override;
    int flushBuffers(Handle handle, std::uint8_t flushTransmit, std::uint8_t flushReceive) override;
    int setTimeouts(std::uint32_t readTimeout, std::uint32_t writeTimeout) override;
    int getTimeouts(std::uint32_t *readTimeout, std::uint32_t *writeTimeout) override;
    int checkRxQueue(Handle handle, std::uint32_t *bytesInQueue,
                     std::uint32_t *queueStatus) override;
    QString where(std::uint32_t index) const override;

private:
    FakeClock &clock_;
    QByteArray queue_;
    QByteArray pending_;
    bool hasPending_ = false;
    std::uint32_t writtenAt_ = 0;
    std::uint32_t delay_ = 0;
};
