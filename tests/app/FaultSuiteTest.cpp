// Every user-visible operation against every fault the device model can show: the real window
// on the in-process model, in fake time. Rows are operation x fault, built from two tables.
#include "TestWindow.h"
#include "app/FormBinding.h"
#include "app/MainWindow.h"
#include "device/VirtualUsbApi.h"
#include "edid/EdidText.h"

#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimerEvent>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

namespace
{

using Kind = DeviceModel::FaultKind;
constexpr std::uint32_t TimeoutMs = 4000;
constexpr int BusyWaitReads = 502;
const QString Before = QStringLiteral("before"); // the bar's text before each run
const char *const Editors[] = {"EDIDtext", "CECtext", "IFtext", "AVItext"};

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;
    int seed = 0x10; // makes each run's payload differ from the last

    void start()
    {
        window = std::make_unique<TestWindow>(link, prompts);
        tick(); // finishes the start-up rebuild wait
    }
    void tick()
    {
        QTimerEvent event(0x7ABC);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    template <class T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    void click(const char *button) { find<QAbstractButton>(button)->click(); }
    void type(const char *editor, const QString &text)
    {
        find<QTextEdit>(editor)->setPlainText(text);
    }
    QString text(const char *editor) const { return find<QTextEdit>(editor)->toPlainText(); }
    QString status() const { return window ? window->statusBar()->currentMessage() : QString(); }
    QStringList editors() const
    {
        QStringList out;
        for (const char *e : Editors)
            out << text(e);
        return out;
    }
    QString colonSeed() { return QString::number(++seed, 16).rightJustified(2, '0'); }
    void heal()
    {
        model.clearFaults();
        model.setBusy(false);
        model.unplugAfter(-1);
        model.setUnplugged(false);
    }
};

QString tableText(const QByteArray &b)
{
    edid::Table t{};
    std::copy_n(b.constData(), std::min<int>(int(b.size()), edid::TableSize), t.begin());
    return edid::edidTableText(t);
}

// One operation: how to set it up, run it and see its effect on the device, its texts, and
// what bounds its time: requests x 4000 ms, its fixed pauses, and the busy wait of a fetch.
struct Operation {
    const char *name;
    std::function<void(Rig &)> prepare, run;
    std::function<bool(Rig &)> effect; // the device (or the screen, for reads) shows it worked
    QStringList success, failure;      // status-bar texts; Before: the bar is left alone
    int requests;                      // at most, besides the busy wait
    int pausesMs;
    bool busyWait;
    // Unplugged halfway through its requests; false: gone before the first (the ones whose
    // later requests are activates, whose failure goes to standard output only, by design).
    bool unplugMid;
    bool writesEdid = false;
    bool effectWhileBusy = true; // false: a busy device's block is ignored, by design
};

const QStringList readFailures{"Error Writing values", "Error Reading values", Before};
const int Wait = 100 + 10 * BusyWaitReads; // fetch pause and the busy checks' pauses

// clang-format off
const std::vector<Operation> &operations()
{
    static const std::vector<Operation> ops = {
        {"start-up",
         [](Rig &r) { r.window.reset(); },
         [](Rig &r) { r.window = std::make_unique<TestWindow>(r.link, r.prompts); },
         [](Rig &r) { return r.window->initialised() && r.window->pollTimerRunning() &&
                             r.text("EDIDtext") == tableText(r.model.ownEdid()); },
         {"EDID values read."}, {"Error Writing values", "Error Reading values", "...", ""},
         26, Wait, true, true},
        {"poll tick",
         [](Rig &r) { r.find<QAbstractButton>("disable420")->setChecked(true);
                      r.model.setSetting(4, 1);
                      r.model.setBusy(false); },
         [](Rig &r) { r.tick(); },
         [](Rig &r) { return r.find<QAbstractButton>("enable420")->isChecked(); },
         {Before}, {"KORVALIS not answering", "Error Reading values", "..."},
         6, 0, false, true, false, false},
        {"setting write",
         [](Rig &r) { r.model.setSetting(4, 0);
                      r.model.setBusy(false); },
         [](Rig &r) { r.click("enable420"); },
         [](Rig &r) { return r.model.setting(4) == 1; },
         {Before}, {"Error Writing values"}, 1, 0, false, false},
        {"EDID read",
         [](Rig &r) { r.type("EDIDtext", "AB"); },
         [](Rig &r) { r.click("ButReadEDID"); },
         [](Rig &r) { return r.text("EDIDtext") == tableText(r.model.ownEdid()); },
         {"EDID values read."}, readFailures, 17, Wait, true, true},
        {"EDID write",
         [](Rig &r) { r.model.setSetting(2, 3); // CUSTOM with the uploaded table, shown by a poll
                      r.model.setSetting(19, 1);
                      r.model.setBusy(false);
                      r.tick();
                      edid::Table t{};
                      t.fill(std::uint8_t(++r.seed));
                      std::copy_n("\x00\xFF\xFF\xFF\xFF\xFF\xFF\x00", 8, t.begin());
                      r.type("EDIDtext", edid::edidTableText(edid::withChecksums(t))); },
         [](Rig &r) { r.click("ButWriteEDID"); },
         [](Rig &r) { return tableText(r.model.uploadedEdid()) == r.text("EDIDtext"); },
         {"EDID values written..."},
         {"Error Writing EDID values.", "Error Populating EDID values."},
         33, 32 * 30, false, true, true},
        {"TV read",
         [](Rig &r) { r.type("EDIDtext", "AB");
                      r.model.plugDisplay(DeviceModel::Output::A,
                                          QByteArray(256, char(++r.seed))); },
         [](Rig &r) { emit r.find<QAbstractButton>("pbReadTvEdidA")->pressed(); },
         [](Rig &r) { return r.text("EDIDtext") ==
                             tableText(r.model.displayEdid(DeviceModel::Output::A)); },
         {"TV EDID values read."}, readFailures, 17, Wait, true, true},
        {"CEC send",
         [](Rig &r) { r.type("CECtext", "50:" + r.colonSeed()); },
         [](Rig &r) { r.click("ButWriteCEC"); },
         // The frame has the count between the bytes: its last byte is the seed.
         [](Rig &r) { return !r.model.cecSent().isEmpty() &&
                             r.model.cecSent().last().endsWith(
                                 QByteArray::fromHex(r.text("CECtext").right(2).toLatin1())); },
         {"CEC values written..."}, {"Error Writing CEC command."}, 2, 100, false, false},
        {"CEC store",
         [](Rig &r) { r.type("CECtext", "50:" + r.colonSeed()); },
         [](Rig &r) { r.click("ButSaveCEC_1"); },
         [](Rig &r) { return r.model.cecStored(1).startsWith(
                                 r.text("CECtext").toUpper().toLatin1()); },
         {"CEC values written..."}, {"Error Writing CEC values."}, 1, 0, false, false},
        {"HDR send",
         [](Rig &r) { r.type("IFtext", "87:01:02:aa:" + r.colonSeed());
                      r.prompts.answers = {Prompts::Answer::Yes}; }, // malformed: "Send anyway?"
         [](Rig &r) { r.click("ButWriteIF"); },
         [](Rig &r) { return r.model.storedHdrInfoframe() ==
                             QByteArray::fromHex(r.text("IFtext").toLatin1()); },
         {"Infoframe values written..."}, {"Error Writing Infoframe values."},
         2, 100, false, false},
        {"AVI send",
         [](Rig &r) { r.type("AVItext", "60:c8:60:61:" + r.colonSeed()); },
         [](Rig &r) { r.click("ButWriteAVI"); },
         [](Rig &r) { return r.model.storedAviInfoframe() ==
                             QByteArray::fromHex(r.text("AVItext").toLatin1()); },
         {"AVI values written..."}, {"Error Writing AVI command.", "Error Writing values"},
         3, 100, false, false},
        {"factory reset",
         [](Rig &r) { r.model.setSetting(4, 1); // away from the factory value
                      r.model.setBusy(false);
                      r.find<QLineEdit>(binding::ResetEdit)->setText("RESET");
                      r.find<QAbstractButton>(binding::ResetClearSettings)->setChecked(true);
                      r.find<QAbstractButton>(binding::ResetClearEdid)->setChecked(true); },
         [](Rig &r) { r.click("pbReset"); },
         [](Rig &r) { return r.model.settings() == DeviceModel::factorySettings(); },
         {Before}, {"Error Writing values"}, 1, 0, false, false},
    };
    return ops;
}

constexpr int Busy = -1, Unplug = -2;
struct FaultCase {
    const char *name;
    int kind;   // a FaultKind, Busy or Unplug
    bool fails; // the operation's requests fail
    std::uint32_t delayMs;
    // The same through korvalis-sim: its options (reply faults only for the CEC send, 0xB2),
    // the standard-input line that starts the fault later, and the one that clears it.
    QStringList simOptions;
    const char *simLater, *simClear;
};
const char *const NoFault = "fault none";
const FaultCase faultCases[] = {
    {"no reply", int(Kind::NoReply), true, 0, {"--no-reply"}, "", NoFault},
    {"short reply", int(Kind::ShortReply), true, 0, {"--short-reply"}, "", NoFault},
    {"wrong echo", int(Kind::WrongEcho), true, 0, {"--wrong-echo"}, "", NoFault},
    // 64 bytes are read, the rest is flushed before the next request.
    {"80-byte reply", int(Kind::LongReply), false, 0, {"--long-reply"}, "", NoFault},
    {"late reply", int(Kind::Delay), true, TimeoutMs + 500, {"--delay", "4500"}, "", NoFault},
    {"busy forever", Busy, false, 0, {"--busy-forever"}, "", "busy off"},
    {"unplug mid-operation", Unplug, true, 0, {}, "unplug-device", "replug"},
};
// clang-format on

// Requests of the operation on a healthy device.
int healthyRequests(const Operation &op)
{
    Rig dry;
    dry.start();
    op.prepare(dry);
    dry.model.clearLog();
    op.run(dry);
    return dry.model.requestCount();
}

void inject(Rig &r, const FaultCase &f, const Operation &op)
{
    if (f.kind == Busy)
        r.model.setBusy(true);
    else if (f.kind == Unplug && op.unplugMid)
        r.model.unplugAfter(healthyRequests(op) / 2);
    else if (f.kind == Unplug)
        r.model.setUnplugged(true);
    else
        r.model.addFault({Kind(f.kind), -1, -1, f.delayMs});
}

std::uint64_t boundMs(const Operation &op)
{
    const int requests = op.requests + (op.busyWait ? BusyWaitReads : 0);
    return std::uint64_t(requests) * TimeoutMs + std::uint64_t(op.pausesMs);
}

// Runs the operation as set up, in front of a known status text; returns its fake time.
std::uint64_t runTimed(Rig &r, const Operation &op)
{
    if (r.window)
        r.window->statusBar()->showMessage(Before);
    r.model.clearLog();
    const std::uint32_t start = r.clock.now;
    op.run(r);
    return r.clock.now - start;
}

// korvalis-sim in a private runtime directory, driven on its standard input. Its log goes to a
// file: a pipe nobody reads while the window blocks would fill and stall the simulator.
struct Simulator {
    QTemporaryDir runtime; // XDG_RUNTIME_DIR of the programs this test starts
    QProcess process;

    QString dir() const { return runtime.path() + "/korvalis-usb"; }
    QByteArray log() const
    {
        QFile file(runtime.filePath("sim.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool waitFor(const QByteArray &text, int count = 1)
    {
        QElapsedTimer t;
        t.start();
        while (log().count(text) < count && t.elapsed() < 10000)
            QThread::msleep(5);
        return log().count(text) >= count;
    }
    bool start(const QStringList &options, const QString &program)
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(runtime.filePath("sim.log"));
        process.start(program, QStringList{"--dir", dir()} + options);
        return process.waitForStarted() && waitFor("serving");
    }
    // Sends one line; "show" after it tells when it was taken.
    bool command(const char *line)
    {
        const int shown = int(log().count("\nsettings "));
        process.write(QByteArray(line) + "\nshow\n");
        process.waitForBytesWritten(1000);
        return waitFor("\nsettings ", shown + 1);
    }
    int cli(const QString &program, const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        p.setProcessEnvironment(env);
        p.start(program, QStringList{"--quiet"} + args);
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode()
                                                                                  : -1;
    }
    ~Simulator()
    {
        process.write("quit\n");
        process.waitForBytesWritten(1000);
        if (!process.waitForFinished(3000))
            process.kill();
    }
};

// The window on the socket backend, in real time.
struct SocketRig {
    SystemClock clock;
    RecordingAlerts alerts;
    VirtualUsbApi usb;
    DeviceLink link{usb, clock, alerts};
    FakePrompts prompts;
    TestWindow window{link, prompts};
    explicit SocketRig(const QString &dir) : usb(dir) {}
    QString sendCec()
    {
        window.statusBar()->showMessage(Before);
        window.findChild<QAbstractButton *>("ButWriteCEC")->click();
        return window.statusBar()->currentMessage();
    }
};

} // namespace

class FaultSuiteTest : public QObject
{
    Q_OBJECT

private slots:
    void faults_data();
    void faults();
    void throughSocket_data();
    void throughSocket();
};

void FaultSuiteTest::faults_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("fault");
    for (int o = 0; o < int(operations().size()); ++o)
        for (int f = 0; f < int(std::size(faultCases)); ++f)
            QTest::addRow("%s, %s", operations()[std::size_t(o)].name, faultCases[f].name)
                << o << f;
}

void FaultSuiteTest::faults()
{
    QFETCH(int, op);
    QFETCH(int, fault);
    const Operation &o = operations()[std::size_t(op)];
    const FaultCase &f = faultCases[fault];
    Rig r;
    r.start();
    o.prepare(r);
    const QStringList editorsBefore = r.window ? r.editors() : QStringList();
    const QByteArray uploadedBefore = r.model.uploadedEdid();
    inject(r, f, o);

    const std::uint64_t elapsed = runTimed(r, o);
    const QString status = r.status();
    QVERIFY2(elapsed <= boundMs(o), qPrintable(QString("%1 ms").arg(elapsed)));
    if (f.fails) {
        QVERIFY2(!o.success.contains(status), qPrintable(status));
        QVERIFY2(o.failure.contains(status), qPrintable(status));
        if (!editorsBefore.isEmpty())
            QCOMPARE(r.editors(), editorsBefore);
    } else {
        QVERIFY2(o.success.contains(status), qPrintable(status));
        if (f.kind != Busy || o.effectWhileBusy)
            QVERIFY(o.effect(r));
    }
    if (o.writesEdid && !o.success.contains(status)) {
        QCOMPARE(r.model.countRequests(cmd::EdidCommit), 0);
        QCOMPARE(r.model.uploadedEdid(), uploadedBefore);
    }

    // Once the device is well again, the same operation works.
    r.heal();
    o.prepare(r);
    runTimed(r, o);
    QVERIFY2(o.success.contains(r.status()), qPrintable(r.status()));
    QVERIFY(o.effect(r));
}

void FaultSuiteTest::throughSocket_data()
{
    QTest::addColumn<int>("fault");
    for (int f = 0; f < int(std::size(faultCases)); ++f)
        QTest::newRow(faultCases[f].name) << f;
}

// One command (CEC send) per fault through korvalis-sim: the window, then korvalis-cli.
void FaultSuiteTest::throughSocket()
{
#ifndef KORVALIS_SIM_PATH
    QSKIP("run once, in the main form's suite");
#else
    QFETCH(int, fault);
    const FaultCase &f = faultCases[fault];
    const QString cli = QStringLiteral(KORVALIS_CLI_PATH);
    const QStringList send{"cec", "send", "50:04"};
    const QByteArray sent = "< 10 03 b2 50 01 04\n";
    Simulator sim;
    const QStringList only = f.kind >= 0 ? QStringList{"--only", "B2"} : QStringList();
    QVERIFY(sim.start(f.simOptions + only, QStringLiteral(KORVALIS_SIM_PATH)));
    SocketRig r(sim.dir());
    QVERIFY(r.window.initialised());
    if (*f.simLater != '\0')
        QVERIFY(sim.command(f.simLater));

    QCOMPARE(r.sendCec(), f.fails ? "Error Writing CEC command." : "CEC values written...");
    const bool haveCli = QFile::exists(cli);
    // No device at all is its own status; a refused or silent command is 1.
    if (haveCli)
        QCOMPARE(sim.cli(cli, send), f.kind == Unplug ? 3 : f.fails ? 1 : 0);

    QVERIFY(sim.command(f.simClear));
    const int before = int(sim.log().count(sent));
    const QString again = r.sendCec();
    // After a replug this is a new connection, which the window opens by itself.
    QCOMPARE(again, QStringLiteral("CEC values written..."));
    if (haveCli)
        QCOMPARE(sim.cli(cli, send), 0);
    QVERIFY(sim.command("")); // the log is read up to here
    // Every success claimed is a request the device took.
    QCOMPARE(int(sim.log().count(sent)),
             before + int(again == "CEC values written...") + int(haveCli));
    if (!haveCli)
        QSKIP("korvalis-cli not built: its exit status is not checked");
#endif
}

QTEST_MAIN(FaultSuiteTest)
#include "FaultSuiteTest.moc"
