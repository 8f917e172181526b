// A device that stops answering: the poll cycle waits at most one time-out per tick, backs off,
// says so in the status bar, and returns to the normal cycle at the first answered tick.
#include "TestWindow.h"
#include "app/MainWindow.h"
#include "settings/Catalog.h"

#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QStatusBar>
#include <QTimer>
#include <QTimerEvent>
#include <QtTest>
#include <memory>

namespace
{

const QString NotAnswering = QStringLiteral("KORVALIS not answering");

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;

    void start()
    {
        window = std::make_unique<TestWindow>(link, prompts);
        tick(); // finishes the start-up EDID wait: later ticks are plain polls
        model.setBusy(false);
        model.clearLog();
    }
    // One tick; returns the fake milliseconds it took.
    std::uint32_t tick()
    {
        const std::uint32_t before = clock.now;
        QTimerEvent event(0x7ABC); // not 0: QMainWindow owns timer id 0
        QCoreApplication::sendEvent(window.get(), &event);
        return clock.now - before;
    }
    void silence(int code) { model.addFault({DeviceModel::FaultKind::NoReply, code, -1, 0}); }
    // The interval of the window's poll timer as registered with the event loop; -1 unless
    // exactly one poll-length timer runs.
    int pollInterval() const
    {
        int found = -1, count = 0;
        for (int interval = session::WindowSession::PollIntervalMs;
             interval <= session::WindowSession::SilentMaxIntervalMs; interval += 1000)
            if (const int n = window->pollTimers(interval)) {
                found = interval;
                count += n;
            }
        return count == 1 ? found : -1;
    }
    QStatusBar *bar() const { return window->statusBar(); }
    // A message shown with a display time runs a timer of the status bar.
    bool messageExpires() const
    {
        for (const QTimer *t : bar()->findChildren<QTimer *>())
            if (t->isActive())
                return true;
        return false;
    }
    int unanswered() const
    {
        int n = 0;
        for (const DeviceModel::Exchange &e : model.exchanges())
            n += e.reply.send ? 0 : 1;
        return n;
    }
};

} // namespace

class PollBackOffTest : public QObject
{
    Q_OBJECT

private slots:
    void backsOffAndRecovers_data();
    void backsOffAndRecovers();
    void userCommandStillSent();
};

void PollBackOffTest::backsOffAndRecovers_data()
{
    QTest::addColumn<int>("silentCode");
    QTest::newRow("every request") << -1;
    QTest::newRow("settings read") << int(cmd::SettingsRead);
    QTest::newRow("info blocks") << int(cmd::InfoBlockRead);
}

void PollBackOffTest::backsOffAndRecovers()
{
    QFETCH(int, silentCode);
    Rig rig;
    rig.start();
    rig.tick();
    const QList<QByteArray> healthyTick = rig.model.requests();
    QVERIFY(healthyTick.size() > 2);
    QCOMPARE(rig.pollInterval(), session::WindowSession::PollIntervalMs);

    rig.silence(silentCode);
    for (int expected : {6000, 12000, 24000, 30000, 30000}) {
        rig.model.clearLog();
        const std::uint32_t took = rig.tick();
        // One time-out, and nothing is sent after the exchange that got no reply.
        QVERIFY2(took >= DeviceLink::ReplyTimeoutMs && took < 2 * DeviceLink::ReplyTimeoutMs,
                 qPrintable(QString::number(took)));
        QCOMPARE(rig.unanswered(), 1);
        QVERIFY(!rig.model.exchanges().constLast().reply.send);
        QCOMPARE(rig.pollInterval(), expected);
        QCOMPARE(rig.bar()->currentMessage(), NotAnswering);
        QVERIFY(!rig.messageExpires());
    }

    rig.model.clearFaults();
    rig.model.clearLog();
    QVERIFY(rig.tick() < DeviceLink::ReplyTimeoutMs);
    QCOMPARE(rig.model.requests(), healthyTick);
    QCOMPARE(rig.pollInterval(), session::WindowSession::PollIntervalMs);
    QCOMPARE(rig.bar()->currentMessage(), QString());
}

void PollBackOffTest::userCommandStillSent()
{
    Rig rig;
    rig.start();
    rig.silence(-1);
    rig.tick();
    rig.tick();
    QCOMPARE(rig.pollInterval(), 12000);

    rig.model.clearLog();
    const std::uint32_t before = rig.clock.now;
    auto *off = rig.window->findChild<QAbstractButton *>(QStringLiteral("autoSwDis"));
    QVERIFY(off != nullptr);
    off->click();
    const int reg = settings::setting(settings::Id::AutoSwitch).reg;
    QCOMPARE(rig.model.registerWrites(std::uint8_t(reg)), QList<std::uint8_t>{0});
    QVERIFY(rig.clock.now - before >= DeviceLink::ReplyTimeoutMs); // waited for its reply
    QCOMPARE(rig.pollInterval(), 12000);                           // only ticks pace the poll
}

QTEST_MAIN(PollBackOffTest)
#include "PollBackOffTest.moc"
