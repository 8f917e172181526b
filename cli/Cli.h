#pragma once

#include "session/DeviceList.h"

#include <QStringList>

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
};

struct Streams {
    QIODevice &out;
    QIODevice &err;
    bool outIsTerminal = false;
    bool errIsTerminal = false; // progress is shown only on a terminal
};

// `arguments` starts with the program name. Returns the exit status.
int run(const QStringList &arguments, const Backend &backend, const Streams &streams);

} // namespace cli
