#pragma once

#include "device/DeviceWatcher.h"
#include "session/DeviceList.h"

#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class Alerts;
class Clock;
class QIODevice;
class UsbApi;

// korvalis-cli as a function: the whole program but the choice of backend and streams.
namespace cli
{

namespace exitcode
{
constexpr int Ok = 0;
constexpr int DeviceFailed = 1; // the device refused, failed or did not answer
constexpr int Usage = 2;        // bad usage or bad input: nothing was sent
constexpr int NoDevice = 3;     // not connected, no permission, in use
} // namespace exitcode

struct Backend {
    UsbApi &usb;
    Clock &clock;
    Alerts &alerts;
    session::Locator locate; // where a listed device is
    // list --watch: a watcher of the devices named `idOrPath` (empty: every device); without
    // it, --watch is refused.
    std::function<std::unique_ptr<DeviceWatcher>(const QByteArray &idOrPath)> watch = {};
    // list --watch: from now on an interrupt ends the watch; returns the flag it sets.
    std::function<const std::atomic<bool> *()> catchInterrupt = {};
    // Where simulated units have their sockets, for --device PATH.
    QString socketDirectory = {};
};

// The longest wait of one watch poll.
constexpr int WatchPollMs = 250;

struct Streams {
    QIODevice &out;
    QIODevice &err;
    bool outIsTerminal = false;
    bool errIsTerminal = false; // progress is shown only on a terminal
    QIODevice *in = nullptr;    // standard input, for edid decode
};

// `arguments` starts with the program name. Returns the exit status.
int run(const QStringList &arguments, const Backend &backend, const Streams &streams);

} // namespace cli
