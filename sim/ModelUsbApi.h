#pragma once

#include "device/UsbApi.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

class Clock;
class DeviceModel;

// One listed device, as the library's count, string query, open and close see it.
struct FakeDevice {
    QByteArray id;
    bool stringQueryFails = false;
    int openStatus = 0;
    int closeStatus = 0;
    QString where = QString(); // the place UsbApi::where reports
};

// What the device does with one request: reply bytes after a delay, or nothing, and how the
// library around it misbehaves until the next request.
struct ScriptedReply {
    QByteArray bytes;
    std::uint32_t delayMs = 0;
    bool none = false;
    bool writeFails = false;         // the write itself fails (nothing is answered)
    bool readFails = false;          // the read fails, though its bytes still arrive
    int failingChecks = 0;           // that many queue checks fail first
    std::uint32_t readReportsMore = 0; // the read claims that many bytes more than it gave
    std::uint32_t emptyCheckMs = 1;  // what a queue check with nothing to say costs

    static ScriptedReply of(QByteArray b, std::uint32_t delay = 0)
    {
        ScriptedReply r;
        r.bytes = std::move(b);
        r.delayMs = delay;
        return r;
    }
    static ScriptedReply silence()
    {
        ScriptedReply r;
        r.none = true;
        return r;
    }
};

// The USB library in the same process, in the caller's clock: the one fake device of the
// simulator, the tests and the fuzz targets.
//
// Replies come, in this order, from `script` (one entry per write), from `behaviour` (a fuzz
// input, say), from `responder`, and from the DeviceModel when there is one. Byte-queue
// semantics follow the socket backend: a reply joins the receive queue once its delay has
// passed, a read takes up to the capacity from the front, a flush empties the queue (a reply
// still on its way is not affected), and an empty queue check costs 1 ms of the clock, so a
// silent device times out in fake time. It records what the caller did, and `violation` when
// the caller broke the library's contract (a handle it does not hold).
class ModelUsbApi : public UsbApi
{
public:
    // Devices from `devices`, replies from the script, behaviour or responder only.
    explicit ModelUsbApi(Clock &clock);
    // One device with identification `id`, answered by the model unless scripted; gone while
    // the model is unplugged.
    ModelUsbApi(DeviceModel &model, Clock &clock, QByteArray id = "2023");

    // What happened at one request written.
    struct Exchange {
        bool written = false;
        bool writeFailed = false;
        std::vector<std::uint8_t> request;
        bool readCalled = false;
        bool readFailed = false;
        std::uint32_t readCapacity = 0;
        std::vector<std::uint8_t> delivered; // bytes the read put into the caller's buffer
        std::uint32_t reported = 0;          // bytes the read claimed
        int failedChecks = 0;
    };

    // Setup
    QList<FakeDevice> devices;
    int countStatus = 0;
    QList<ScriptedReply> script;
    std::function<ScriptedReply(const QByteArray &request)> behaviour;
    std::function<std::optional<QByteArray>(const QByteArray &request)> responder;
    bool failWrites = false;
    bool failReads = false;
    int failQueueChecks = 0;            // number of checks that fail from now on; -1: all
    std::uint32_t readReportsExtra = 0; // a read that claims more bytes than it may
    std::function<void()> onCount;      // runs at each count, before it (devices may change)

    void setId(const QByteArray &id);
    // false: no device is attached at all (count 0).
    void setAttached(bool attached) { attached_ = attached; }

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
    Exchange last;
    std::vector<Exchange> earlier; // the exchanges before `last`, in order
    bool violation = false;

    // Forgets the last exchange, so that a request that never went out is visible.
    void clearLast() { last = Exchange{}; }
    bool isOpen() const { return !open_.empty(); }
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

    // Device `index` opens as FirstHandle + index.
    static constexpr Handle FirstHandle = 100;
    enum Status {
        Ok = 0,
        InvalidHandle = 1,
        NoDevice = 2,
        IoError = 4,
        WriteFailed = 5,
        CheckFailed = 6,
        ReadFailed = 7
    };

private:
    bool present() const;
    bool validHandle(Handle handle) const { return open_.count(handle) != 0; }
    ScriptedReply next(const QByteArray &request);
    void deliverDue();

    DeviceModel *model_ = nullptr;
    Clock &clock_;
    bool attached_ = true;
    std::set<Handle> open_;
    QByteArray queue_;
    bool pending_ = false;
    QByteArray pendingBytes_;
    std::uint32_t pendingDue_ = 0;
    // Set by the last request's ScriptedReply.
    bool readFails_ = false;
    int checksToFail_ = 0;
    std::uint32_t readExtra_ = 0;
    std::uint32_t checkCost_ = 1;
};
