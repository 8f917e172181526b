// korvalis-cli: every device operation from the command line.
#include "cli/Cli.h"
#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/CombinedUsbApi.h"
#include "device/LibUsbApi.h"
#include "device/VirtualUsbApi.h"

#include <QCoreApplication>
#include <QFile>
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
    // Real devices come first in the combined count.
    std::uint32_t realCount = 0;
    const session::Locator locate = [&](std::uint32_t index, const QString &id) {
        if (index == 0 && real.getNumDevices(&realCount) != 0)
            realCount = 0;
        if (index < realCount)
            return real.location(index);
        return simulated.directory() + QLatin1Char('/') + id + QStringLiteral(".sock");
    };

    QFile out, err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const cli::Streams streams{out, err, ::isatty(STDOUT_FILENO) == 1,
                               ::isatty(STDERR_FILENO) == 1};
    return cli::run(QCoreApplication::arguments(), cli::Backend{usb, clock, alerts, locate},
                    streams);
}
