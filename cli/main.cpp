// korvalis-cli: every device operation from the command line.
#include "cli/Cli.h"
#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/CombinedUsbApi.h"
#include "device/LibUsbApi.h"
#include "device/SourceWatcher.h"
#include "device/VirtualUsbApi.h"

#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <csignal>
#include <unistd.h>

namespace
{

// The CLI names every cause in its own error line; the session keeps the USB layer's warnings
// for that line, so nothing is shown here.
class QuietAlerts : public Alerts
{
public:
    void warning(const QString &) override {}
};

std::atomic<bool> interrupted{false};

void onInterrupt(int)
{
    interrupted.store(true);
}

// Without SA_RESTART, so that the watcher's wait ends at once.
const std::atomic<bool> *catchInterrupt()
{
    struct sigaction action {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    return &interrupted;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvalis-cli"));

    LibUsbApi real;
    VirtualUsbApi simulated;
    CombinedUsbApi usb{&real, &simulated};
    SystemClock clock;
    QuietAlerts alerts;
    const session::Locator locate = [&](std::uint32_t index, const QString &) {
        return usb.where(index);
    };
    const auto watch = [&](const QByteArray &idOrPath) {
        return makeDeviceWatcher(clock, idOrPath, simulated.directory());
    };

    QFile out, err, in;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    in.open(stdin, QIODevice::ReadOnly);
    const cli::Streams streams{out, err, ::isatty(STDOUT_FILENO) == 1, ::isatty(STDERR_FILENO) == 1,
                               &in};
    return cli::run(QCoreApplication::arguments(),
                    cli::Backend{usb, clock, alerts, locate, watch, catchInterrupt,
                                            simulated.directory()}, streams);
}
