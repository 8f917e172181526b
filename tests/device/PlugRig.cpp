#include <umockdev.h> // before Qt: GLib uses the name "signals"

#include "PlugRig.h"
#include "UsbfsDevice.h"
#include "device/Clock.h"
#include "device/LibUsbApi.h"
#include "device/LibUsbSource.h"
#include "device/SocketDirSource.h"
#include "device/SourceWatcher.h"
#include "device/VirtualUsbApi.h"
#include "sim/SimServer.h"

#include <thread>
#include <vector>

namespace
{

std::unique_ptr<DeviceWatcher> watcherOver(Clock &clock, std::unique_ptr<DeviceSource> source)
{
    std::vector<std::unique_ptr<DeviceSource>> sources;
    sources.push_back(std::move(source));
    return std::make_unique<SourceWatcher>(clock, "2023", std::move(sources));
}

class UsbRig : public PlugRig
{
public:
    UsbRig(UMockdevTestbed *testbed, Clock &clock) : testbed_(testbed), clock_(clock) {}
    UsbApi &api() override { return usb_; }
    std::unique_ptr<DeviceWatcher> watcher() override
    {
        return watcherOver(clock_, std::make_unique<LibUsbSource>());
    }
    bool plug(std::uint8_t minor) override
    {
        UsbfsDeviceSpec s;
        s.address = 2 + int(units_.size());
        s.port = "4";
        s.serial = "2023";
        units_.push_back(std::make_unique<UsbfsDevice>(s));
        units_.back()->withModel([minor](DeviceModel &m) {
            m.setFirmwareVersion(1, minor, 0, 0);
            return 0;
        });
        return !units_.back()->addTo(testbed_).isEmpty();
    }
    void unplug() override { units_.back()->removeFrom(testbed_); }
    int requestsSeen() override
    {
        return units_.back()->withModel([](DeviceModel &m) { return m.requestCount(); });
    }

private:
    UMockdevTestbed *testbed_;
    Clock &clock_;
    LibUsbApi usb_;
    std::vector<std::unique_ptr<UsbfsDevice>> units_;
};

struct ServedDevice {
    SystemClock clock;
    DeviceModel model{clock};
    SimServer server{model, clock};
    std::thread thread;
    ~ServedDevice()
    {
        server.stop();
        if (thread.joinable())
            thread.join();
    }
};

class SocketRig : public PlugRig
{
public:
    SocketRig(const QString &directory, Clock &clock)
        : directory_(directory), clock_(clock), usb_(directory)
    {
    }
    UsbApi &api() override { return usb_; }
    std::unique_ptr<DeviceWatcher> watcher() override
    {
        return watcherOver(clock_, std::make_unique<SocketDirSource>(directory_));
    }
    bool plug(std::uint8_t minor) override
    {
        served_ = std::make_unique<ServedDevice>();
        served_->model.setFirmwareVersion(1, minor, 0, 0);
        if (served_->server.start(directory_, "2023") != SimServer::Start::Ok)
            return false;
        served_->thread = std::thread([s = served_.get()] { s->server.run(); });
        return true;
    }
    void unplug() override { served_.reset(); }
    int requestsSeen() override
    {
        return served_ ? served_->server.withModel([](DeviceModel &m) { return m.requestCount(); })
                       : 0;
    }

private:
    QString directory_;
    Clock &clock_;
    VirtualUsbApi usb_;
    std::unique_ptr<ServedDevice> served_;
};

} // namespace

std::unique_ptr<PlugRig> PlugRig::usb(UMockdevTestbed *testbed, Clock &clock)
{
    return std::make_unique<UsbRig>(testbed, clock);
}

std::unique_ptr<PlugRig> PlugRig::socket(const QString &directory, Clock &clock)
{
    return std::make_unique<SocketRig>(directory, clock);
}
