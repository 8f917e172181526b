// Not a test: the wall time of `korvalis-cli status` and `korvalis-cli set input port-b` as
// processes against a korvalis-sim process, next to the same commands run in this process over
// the same socket, and the ratio (the cost of starting a process). Target: under 50 ms a command.
#include "cli/Cli.h"
#include "device/Alerts.h"
#include "device/Clock.h"
#include "device/VirtualUsbApi.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace
{

constexpr int Rounds = 20;

class NoAlerts : public Alerts
{
public:
    void warning(const QString &) override {}
};

// Mean milliseconds of one run; -1 when a run failed.
double asProcess(const QStringList &args, const QString &runtimeDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Rounds; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORVALIS_CLI_PATH), args);
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return -1;
    }
    return double(t.nsecsElapsed()) / 1e6 / Rounds;
}

double inProcess(const QStringList &args, const QString &socketDir)
{
    VirtualUsbApi usb(socketDir);
    SystemClock clock;
    NoAlerts alerts;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Rounds; ++i) {
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const cli::Streams streams{out, err, false, false};
        if (cli::run(QStringList{"korvalis-cli"} + args, cli::Backend{usb, clock, alerts, {}},
                     streams) != 0)
            return -1;
    }
    return double(t.nsecsElapsed()) / 1e6 / Rounds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString socketDir = tmp.filePath("korvalis-usb");
    QProcess sim;
    sim.setStandardOutputFile(QProcess::nullDevice());
    sim.start(QStringLiteral(KORVALIS_SIM_PATH), {"--dir", socketDir});
    // The log goes nowhere, so wait for the socket instead of the "serving" line.
    QElapsedTimer started;
    started.start();
    while (!QFile::exists(socketDir + "/2023.sock") && started.elapsed() < 5000)
        QThread::msleep(5);
    if (!QFile::exists(socketDir + "/2023.sock")) {
        std::fprintf(stderr, "korvalis-sim did not start\n");
        return 1;
    }

    std::printf("%-26s %12s %12s %8s\n", "command", "process ms", "in-proc ms", "ratio");
    bool ok = true;
    for (const QStringList &args : {QStringList{"status"}, QStringList{"set", "input", "port-b"}}) {
        const double p = asProcess(args, tmp.path());
        const double q = inProcess(args, socketDir);
        ok = ok && p >= 0 && q >= 0 && p < 50.0;
        std::printf("%-26s %12.2f %12.2f %8.1f%s\n", qPrintable(args.join(' ')), p, q,
                    q > 0 ? p / q : 0.0, p >= 50.0 ? "  (over 50 ms)" : "");
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return ok ? 0 : 1;
}
