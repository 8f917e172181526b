// korvalis_bench_transport: what the socket transport costs.
//  (a) CPU time of one transact against a device that never answers (the 4000 ms wait), as a
//      share of its wall time;
//  (b) median transact time against a simulator thread, next to a bare SEQPACKET round trip.
#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/Commands.h"
#include "device/DeviceLink.h"
#include "device/VirtualUsbApi.h"
#include "sim/DeviceModel.h"
#include "sim/SimServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace
{

class PrintAlerts : public Alerts
{
public:
    void warning(const QString &text) override { std::printf("warning: %s\n", qPrintable(text)); }
};

double nowSeconds(clockid_t id)
{
    timespec t{};
    clock_gettime(id, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

bool openLink(DeviceLink &link)
{
    std::uint32_t index = 0;
    return link.findDevice("2023", index) && link.openDevice(index);
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/usb";
    QDir().mkdir(dir);
    ::chmod(QFile::encodeName(dir).constData(), 0700);
    SystemClock clock;
    PrintAlerts alerts;

    // (a) A listening socket that accepts and never answers.
    {
        const QByteArray path = QFile::encodeName(dir + "/2023.sock");
        const int listener = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            ::listen(listener, 1) != 0) {
            std::perror("listen");
            return 1;
        }
        VirtualUsbApi usb(dir);
        DeviceLink link(usb, clock, alerts);
        if (!openLink(link))
            return 1;
        const int accepted = ::accept(listener, nullptr, nullptr);
        cmd::ReplyBuffer reply{};
        const double wall0 = nowSeconds(CLOCK_MONOTONIC);
        const double cpu0 = nowSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const std::uint8_t result = link.transact(reply, cmd::settingsRead(42));
        const double cpu = nowSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        const double wall = nowSeconds(CLOCK_MONOTONIC) - wall0;
        std::printf("(a) silent device: transact result %u after %.0f ms wall, %.1f ms CPU = "
                    "%.2f%% of wall (limit 2%%)\n",
                    result, wall * 1e3, cpu * 1e3, 100.0 * cpu / wall);
        link.closeDevice();
        ::close(accepted);
        ::close(listener);
        ::unlink(path.constData());
        if (cpu / wall >= 0.02)
            std::printf("    over 2%%: compare with the bare poll() loop below\n");
    }
    // The floor: the same 4000 ms spent in bare 1 ms poll() calls on an idle socket.
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair) != 0)
            return 1;
        const double wall0 = nowSeconds(CLOCK_MONOTONIC);
        const double cpu0 = nowSeconds(CLOCK_PROCESS_CPUTIME_ID);
        while (nowSeconds(CLOCK_MONOTONIC) - wall0 < 4.0) {
            pollfd p{pair[0], POLLIN, 0};
            ::poll(&p, 1, 1);
        }
        const double cpu = nowSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        const double wall = nowSeconds(CLOCK_MONOTONIC) - wall0;
        std::printf("    bare poll(1 ms) loop for comparison: %.1f ms CPU = %.2f%% of wall\n",
                    cpu * 1e3, 100.0 * cpu / wall);
        ::close(pair[0]);
        ::close(pair[1]);
    }

    // (b) transact against a simulator thread.
    std::vector<double> transacts;
    {
        DeviceModel model(clock);
        SimServer server(model, clock);
        if (server.start(dir, "2023") != SimServer::Start::Ok)
            return 1;
        std::thread serving([&] { server.run(); });
        VirtualUsbApi usb(dir);
        DeviceLink link(usb, clock, alerts);
        if (openLink(link)) {
            const cmd::Request requests[] = {cmd::registerWrite(1, 1), cmd::settingsRead(42)};
            for (int i = 0; i < rounds; ++i) {
                cmd::ReplyBuffer reply{};
                const cmd::Request &r = requests[i % 2];
                const double t0 = nowSeconds(CLOCK_MONOTONIC);
                const std::uint8_t result = link.transact(reply, r);
                transacts.push_back(nowSeconds(CLOCK_MONOTONIC) - t0);
                if (!r.accepted(result, reply)) {
                    std::printf("exchange %d failed\n", i);
                    break;
                }
            }
            link.closeDevice();
        }
        server.stop();
        serving.join();
    }

    // Bare SEQPACKET round trip: a thread echoes a 2-byte reply to each 5-byte datagram.
    std::vector<double> bare;
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair) != 0)
            return 1;
        std::thread echo([fd = pair[1]] {
            char buffer[128];
            ssize_t n;
            while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                ::send(fd, buffer, 2, MSG_NOSIGNAL);
        });
        const char request[5] = {0x10, 0x04, char(0xE0), 1, 1};
        for (int i = 0; i < rounds; ++i) {
            char reply[128];
            const double t0 = nowSeconds(CLOCK_MONOTONIC);
            ::send(pair[0], request, sizeof request, 0);
            ::recv(pair[0], reply, sizeof reply, 0);
            bare.push_back(nowSeconds(CLOCK_MONOTONIC) - t0);
        }
        ::shutdown(pair[0], SHUT_RDWR);
        echo.join();
        ::close(pair[0]);
        ::close(pair[1]);
    }

    std::printf("(b) %d exchanges: median transact over the socket %.1f us, median bare "
                "SEQPACKET round trip %.1f us\n",
                rounds, median(transacts) * 1e6, median(bare) * 1e6);
    return 0;
}
