// korvalis_bench_edid: wall time of one EDID write and one EDID read over the simulator's
// socket on the real clock, next to their protocol floor measured in the same run:
//   write: 32 chunks x 30 ms + 33 round trips (32 chunk writes, the commit);
//   read:  100 ms + the busy checks (each a round trip + 10 ms) + 17 round trips (fetch, chunks).
#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/CommandPrimitives.h"
#include "device/Commands.h"
#include "device/DeviceLink.h"
#include "device/VirtualUsbApi.h"
#include "edid/EdidTransfer.h"
#include "session/DeviceSession.h"
#include "sim/DeviceModel.h"
#include "sim/SimServer.h"

#include <QDir>
#include <algorithm>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <time.h>
#include <vector>

namespace
{

class PrintAlerts : public Alerts
{
public:
    void warning(const QString &text) override { std::printf("warning: %s\n", qPrintable(text)); }
};

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Median time of one exchange of `request`, in milliseconds.
double roundTrip(CommandPrimitives &primitives, const cmd::Request &request, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        cmd::ReplyBuffer reply;
        const double t0 = nowMs();
        primitives.exchange(request, reply);
        times.push_back(nowMs() - t0);
    }
    return median(times);
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/usb";
    SystemClock clock;
    PrintAlerts alerts;
    DeviceModel model(clock);
    SimServer server(model, clock);
    if (server.start(dir, "2023") != SimServer::Start::Ok)
        return 1;
    std::thread serving([&] { server.run(); });

    int status = 0;
    {
        VirtualUsbApi usb(dir);
        DeviceLink link(usb, clock, alerts);
        session::DeviceSession device(link);
        CommandPrimitives &primitives = device.primitives();
        if (device.open("2023") != OpenFailure::None) {
            status = 1;
        } else {
            edid::Table table{};
            for (int i = 0; i < edid::TableSize; ++i)
                table[std::size_t(i)] = std::uint8_t(i);
            table = edid::withChecksums(table);
            std::vector<double> writeRatios, readRatios;
            for (int run = 0; run < runs; ++run) {
                const double rtWrite =
                    roundTrip(primitives, cmd::edidDataWrite(0, table.data()), 50);
                const double rtRead = roundTrip(primitives, cmd::edidDataRead(0), 50);
                const double rtSettings =
                    roundTrip(primitives, cmd::settingsRead(cmd::SettingsReplyLength), 50);

                double t0 = nowMs();
                const session::Step w = device.writeEdid(table);
                const double writeMs = nowMs() - t0;
                const double writeFloor =
                    edid::WriteChunks * edid::WriteChunkPauseMs + (edid::WriteChunks + 1) * rtWrite;

                t0 = nowMs();
                device.takeSteps();
                const session::EdidRead r = device.readEdid(edid::Source::Own);
                const double readMs = nowMs() - t0;
                const session::Steps steps = device.takeSteps();
                const int busyChecks = int(std::count_if(steps.begin(), steps.end(), [](const session::Step &st) {
                    return st.op == session::Op::SettingsRead;
                }));
                const double readFloor = edid::FetchPauseMs +
                                         busyChecks * (rtSettings + edid::BusyPollPauseMs) +
                                         (edid::ReadChunks + 1) * rtRead;
                if (!w.ok() || !r.ok()) {
                    std::printf("run %d: transfer failed (write %d, read %d)\n", run, int(w.result),
                                int(r.step.result));
                    status = 1;
                    break;
                }
                writeRatios.push_back(writeMs / writeFloor);
                readRatios.push_back(readMs / readFloor);
                std::printf("run %d: write %.1f ms, floor %.1f ms (round trip %.3f ms), ratio "
                            "%.3f | read %.1f ms, floor %.1f ms (%d busy checks, round trips "
                            "%.3f/%.3f ms), ratio %.3f\n",
                            run, writeMs, writeFloor, rtWrite, writeMs / writeFloor, readMs,
                            readFloor, busyChecks, rtSettings, rtRead, readMs / readFloor);
            }
            if (status == 0)
                std::printf("median ratio: write %.3f, read %.3f (target: within 1.05)\n",
                            median(writeRatios), median(readRatios));
            link.closeDevice();
        }
    }
    server.stop();
    serving.join();
    return status;
}
