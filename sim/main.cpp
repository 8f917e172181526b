// korvalis-sim: serves one simulated KORVALIS device as a virtual USB device.
#include "device/Clock.h"
#include "device/VirtualUsbApi.h"
#include "sim/DeviceModel.h"
#include "sim/SimServer.h"

#include <QStringList>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace
{

SimServer *g_server = nullptr;

void onSignal(int)
{
    if (g_server)
        g_server->stop();
}

const char kHelp[] =
    "Usage: korvalis-sim [options]\n"
    "Serves one simulated KORVALIS device at DIR/ID.sock, where the utility finds it like a USB\n"
    "device. DIR is $XDG_RUNTIME_DIR/korvalis-usb, or /tmp/korvalis-usb-<uid> without\n"
    "XDG_RUNTIME_DIR. Every request and reply is logged as one line of hex with a time stamp.\n"
    "The socket is removed on exit (also on SIGINT and SIGTERM). The program refuses to start\n"
    "when a live simulator already serves the same id.\n"
    "\n"
    "Options:\n"
    "  --id ID             identification string (default 2023; 1-64 of A-Z a-z 0-9 . _ -)\n"
    "  --dir DIR           serve in DIR instead of the default directory\n"
    "  --signal NAME       input signal (default 1080p60; see --list)\n"
    "  --display-a NAME    display on TX A (default tv-4k-hdr; 'none' for no display)\n"
    "  --display-b NAME    display on TX B (default none)\n"
    "  --list              list signal and display names and exit\n"
    "  --help              this text\n"
    "  --version           the program's version\n"
    "Fault options (for tests and demonstrations):\n"
    "  --no-reply          never answer\n"
    "  --short-reply       answer with the first byte only\n"
    "  --wrong-echo        answer with a wrong first byte\n"
    "  --long-reply        answer with 80 bytes\n"
    "  --delay MS          answer MS milliseconds late\n"
    "  --only CODE         the faults above only for command code CODE (hex, e.g. E1)\n"
    "  --busy-forever      report busy in every settings block\n"
    "  --unplug-after N    disappear after N requests\n"
    "\n"
    "Commands on standard input, one per line:\n"
    "  signal NAME         switch the input signal\n"
    "  set BYTE VALUE      set setting byte BYTE (0-39) to VALUE (decimal or 0x hex)\n"
    "  plug a|b [DISPLAY]  plug a display into TX A or TX B\n"
    "  unplug a|b          unplug the display of TX A or TX B\n"
    "  busy on|off|MS      start or stop busy, or be busy for MS milliseconds\n"
    "  fault KIND [MS]     none, no-reply, short-reply, wrong-echo, long-reply, delay MS\n"
    "  reset 1|2|3         factory reset: 1 EDID, 2 settings, 3 both\n"
    "  unplug-device       disappear (the socket goes)\n"
    "  replug              come back after unplug-device or --unplug-after\n"
    "  show                print the settings and the state\n"
    "  quit                stop\n";

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

bool parseNumber(const QByteArray &text, int base, int *out)
{
    bool ok = false;
    const int v = text.toInt(&ok, base);
    if (ok)
        *out = v;
    return ok;
}

bool faultFromName(const QByteArray &name, DeviceModel::FaultKind *kind)
{
    static const struct {
        const char *name;
        DeviceModel::FaultKind kind;
    } kinds[] = {{"no-reply", DeviceModel::FaultKind::NoReply},
                 {"short-reply", DeviceModel::FaultKind::ShortReply},
                 {"wrong-echo", DeviceModel::FaultKind::WrongEcho},
                 {"long-reply", DeviceModel::FaultKind::LongReply},
                 {"delay", DeviceModel::FaultKind::Delay}};
    for (const auto &k : kinds)
        if (name == k.name) {
            *kind = k.kind;
            return true;
        }
    return false;
}

bool outputFromName(const QByteArray &name, DeviceModel::Output *out)
{
    if (name == "a" || name == "A")
        *out = DeviceModel::Output::A;
    else if (name == "b" || name == "B")
        *out = DeviceModel::Output::B;
    else
        return false;
    return true;
}

void show(DeviceModel &m)
{
    say(QStringLiteral("signal %1, TX A %2, TX B %3, busy %4")
            .arg(m.signalName(), m.displayPlugged(DeviceModel::Output::A) ? "plugged" : "empty",
                 m.displayPlugged(DeviceModel::Output::B) ? "plugged" : "empty",
                 m.busy() ? "yes" : "no"));
    say(QStringLiteral("settings %1").arg(QString::fromLatin1(m.settings().toHex(' '))));
}

} // namespace

int main(int argc, char *argv[])
{
    SystemClock clock;
    DeviceModel model(clock);
    QByteArray id = "2023";
    QString directory;
    QList<DeviceModel::Fault> faults;
    int only = -1;

    const QStringList args = [&] {
        QStringList a;
        for (int i = 1; i < argc; ++i)
            a << QString::fromLocal8Bit(argv[i]);
        return a;
    }();
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString *out) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "korvalis-sim: %s needs a value\n", qPrintable(a));
                return false;
            }
            *out = args[++i];
            return true;
        };
        QString v;
        int n = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (a == "--version") {
            std::fputs("korvalis-sim " KORVALIS_VERSION "\n", stdout);
            return 0;
        } else if (a == "--list") {
            say("signals: " + DeviceModel::signalNames().join(' '));
            say("displays: " + edidgen::displayNames().join(' '));
            return 0;
        } else if (a == "--id" && value(&v)) {
            id = v.toLatin1();
        } else if (a == "--dir" && value(&v)) {
            directory = v;
        } else if (a == "--signal" && value(&v)) {
            if (!model.selectSignal(v)) {
                std::fprintf(stderr, "korvalis-sim: unknown signal %s (see --list)\n",
                             qPrintable(v));
                return 2;
            }
        } else if ((a == "--display-a" || a == "--display-b") && value(&v)) {
            const auto out = a.endsWith('a') ? DeviceModel::Output::A : DeviceModel::Output::B;
            if (v == "none") {
                model.unplugDisplay(out);
            } else if (!model.plugDisplay(out, v)) {
                std::fprintf(stderr, "korvalis-sim: unknown display %s (see --list)\n",
                             qPrintable(v));
                return 2;
            }
        } else if (a == "--no-reply" || a == "--short-reply" || a == "--wrong-echo" ||
                   a == "--long-reply") {
            DeviceModel::Fault f;
            faultFromName(a.mid(2).toLatin1(), &f.kind);
            faults << f;
        } else if (a == "--delay" && value(&v) && parseNumber(v.toLatin1(), 10, &n) && n >= 0) {
            DeviceModel::Fault f;
            f.kind = DeviceModel::FaultKind::Delay;
            f.delayMs = std::uint32_t(n);
            faults << f;
        } else if (a == "--only" && value(&v) && parseNumber(v.toLatin1(), 16, &n) && n >= 0 &&
                   n <= 0xFF) {
            only = n;
        } else if (a == "--busy-forever") {
            model.setBusy(true);
        } else if (a == "--unplug-after" && value(&v) && parseNumber(v.toLatin1(), 10, &n) &&
                   n > 0) {
            model.unplugAfter(n);
        } else {
            std::fprintf(stderr, "korvalis-sim: bad option %s (see --help)\n", qPrintable(a));
            return 2;
        }
    }
    for (DeviceModel::Fault f : faults) {
        f.code = only;
        model.addFault(f);
    }
    model.clearLog();
    if (directory.isEmpty())
        directory = VirtualUsbApi::defaultDirectory();

    SimServer server(model, clock);
    QString error;
    const SimServer::Start started = server.start(directory, id, &error);
    if (started != SimServer::Start::Ok) {
        std::fprintf(stderr, "korvalis-sim: %s\n", qPrintable(error));
        return started == SimServer::Start::AlreadyServed ? 3 : 1;
    }
    g_server = &server;
    struct sigaction action {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    server.log = say;
    server.setInput(STDIN_FILENO, [&](const QByteArray &line) {
        const QList<QByteArray> w = line.simplified().split(' ');
        const QByteArray cmd = w.value(0);
        int n = 0;
        DeviceModel::Output out;
        if (cmd.isEmpty()) {
            return;
        } else if (cmd == "signal" && w.size() == 2 &&
                   model.selectSignal(QString::fromLatin1(w[1]))) {
            say("signal " + model.signalName());
        } else if (cmd == "set" && w.size() == 3 && parseNumber(w[1], 0, &n) && n >= 0 && n < 40) {
            int value = 0;
            if (!parseNumber(w[2], 0, &value) || value < 0 || value > 255) {
                say("? value 0..255");
                return;
            }
            model.setSetting(n, std::uint8_t(value));
            say(QStringLiteral("setting %1 = %2").arg(n).arg(value));
        } else if (cmd == "plug" && (w.size() == 2 || w.size() == 3) &&
                   outputFromName(w[1], &out)) {
            if (!model.plugDisplay(out, QString::fromLatin1(w.value(2, "tv-4k-hdr"))))
                say("? unknown display; displays: " + edidgen::displayNames().join(' '));
            else
                say("plugged");
        } else if (cmd == "unplug" && w.size() == 2 && outputFromName(w[1], &out)) {
            model.unplugDisplay(out);
            say("unplugged");
        } else if (cmd == "busy" && w.size() == 2) {
            if (w[1] == "on")
                model.setBusy(true);
            else if (w[1] == "off")
                model.setBusy(false);
            else if (parseNumber(w[1], 10, &n) && n >= 0)
                model.setBusyFor(std::uint32_t(n));
            else
                say("? busy on|off|MS");
        } else if (cmd == "fault" && w.size() >= 2) {
            DeviceModel::Fault f;
            if (w[1] == "none") {
                model.clearFaults();
            } else if (faultFromName(w[1], &f.kind)) {
                if (f.kind == DeviceModel::FaultKind::Delay && parseNumber(w.value(2), 10, &n))
                    f.delayMs = std::uint32_t(std::max(n, 0));
                model.addFault(f);
            } else {
                say("? fault none|no-reply|short-reply|wrong-echo|long-reply|delay MS");
            }
        } else if (cmd == "reset" && w.size() == 2 && parseNumber(w[1], 10, &n) && n >= 1 &&
                   n <= 3) {
            model.factoryReset(std::uint8_t(n));
        } else if (cmd == "unplug-device") {
            model.setUnplugged(true);
            server.unplug();
            say("device unplugged");
        } else if (cmd == "replug") {
            model.setUnplugged(false);
            QString why;
            if (server.start(directory, id, &why) == SimServer::Start::Ok)
                say("serving \"" + QString::fromLatin1(id) + "\" at " + server.socketPath());
            else
                say("? " + why);
        } else if (cmd == "show") {
            show(model);
        } else if (cmd == "quit") {
            server.stop();
        } else if (cmd == "help") {
            std::fputs(kHelp, stdout);
        } else if (cmd == "signal") {
            say("? unknown signal '" + QString::fromLatin1(w.value(1)) +
                "'; signals: " + DeviceModel::signalNames().join(' '));
        } else if (cmd == "set") {
            say("? set BYTE VALUE: BYTE 0..39, VALUE 0..255");
        } else if (cmd == "plug" || cmd == "unplug") {
            say("? " + QString::fromLatin1(cmd) + " a|b" + (cmd == "plug" ? " [DISPLAY]" : ""));
        } else if (cmd == "reset") {
            say("? reset 1|2|3 (EDID, settings, both)");
        } else {
            say("? unknown command '" + QString::fromLatin1(cmd) + "' (try help)");
        }
    });
    say("korvalis-sim: serving \"" + QString::fromLatin1(id) + "\" at " + server.socketPath());
    server.run();
    g_server = nullptr;
    say("korvalis-sim: stopped");
    return 0;
}
