// korvalis_bench_decode [runs]: median microseconds to decode a 256-byte table (the simulator's
// 4k60 table with its CTA-861 extension) into the model, and to render its words report, next
// to a bare checksum pass over the same 256 bytes.
#include "edid/EdidDecoder.h"
#include "edid/EdidReport.h"
#include "edid/EdidTable.h"
#include "sim/EdidGenerator.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

double medianMicros(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    times.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const QByteArray table = edidgen::builtinTable(edidgen::BuiltinCount);
    const edid::Bytes bytes(table.begin(), table.end());
    volatile int sink = 0; // keeps the work from being optimised away

    const double checksum = medianMicros(runs, [&] {
        for (int b = 0; b < 2; ++b)
            sink = sink + edid::edidChecksum(bytes.data() + b * edid::BlockSize);
    });
    const double decode =
        medianMicros(runs, [&] { sink = sink + int(edid::decodeEdid(bytes).vics.size()); });
    const edid::EdidInfo info = edid::decodeEdid(bytes);
    const double words =
        medianMicros(runs, [&] { sink = sink + int(edid::reportText(info).size()); });
    std::printf("decode 256 bytes: %.2f us median (goal < 20 us); checksum pass: %.3f us; "
                "words report: %.2f us; %d runs\n",
                decode, checksum, words, runs);
    return 0;
}
