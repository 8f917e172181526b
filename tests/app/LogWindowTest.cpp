// The window's log and DISPLAYS view against the device model: what reaches the log, what
// Save as... writes of it, and the displays read only on demand.
#include "FakePrompts.h"
#include "ModelLink.h"
#include "TestWindow.h"
#include "app/LogWindow.h"
#include "app/WindowLog.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimerEvent>
#include <QtTest>

namespace
{

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;

    Rig()
    {
        model.setBusy(false);
        window = std::make_unique<TestWindow>(link, prompts);
        tick();
    }
    void tick()
    {
        QTimerEvent event(0x7ABC); // not 0: QMainWindow's own timer
        QCoreApplication::sendEvent(window.get(), &event);
    }
    void trigger(const char *action)
    {
        window->findChild<QAction *>(QLatin1String(action))->trigger();
    }
    QStringList kindsAndTexts() const
    {
        QStringList out;
        for (const session::LogEntry &e : window->windowLog().log().entries())
            out << session::kindName(e.kind) + u' ' + e.text;
        return out;
    }
    int tvFetches() const
    {
        return model.countRequests(cmd::EdidFetchTvA) + model.countRequests(cmd::EdidFetchTvB);
    }
};

} // namespace

class LogWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // The device's coming, the signal's changes, its silence and the status bar's words, in
    // the order they happened.
    void whatReachesTheLog()
    {
        Rig rig;
        QVERIFY(rig.model.selectSignal(QStringLiteral("4k60-444-600")));
        rig.tick();
        rig.model.addFault({DeviceModel::FaultKind::NoReply, -1, -1, 0});
        rig.tick();
        rig.tick(); // still silent
        rig.model.clearFaults();
        rig.tick();
        const QStringList log = rig.kindsAndTexts();
        const auto at = [&log](const QString &line) { return log.indexOf(line); };
        QCOMPARE(at("device arrival"), 0);
        const int change = at("signal clock not told -> 600 MHz");
        const int silent = at("device not-answering");
        const int message = at("message KORVALIS not answering");
        const int back = at("device answering");
        QVERIFY2(change > 0 && silent > change && message > change && back > silent,
                 qPrintable(log.join(u'\n')));
        QCOMPARE(log.count("device not-answering"), 1); // the status bar says it each tick
    }

    // Save as... writes the lines the filter shows, in the format the file's suffix names.
    void saveAsWritesWhatIsShown_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("hidden"); // the kind whose box is cleared
        QTest::addColumn<QString>("kept");   // a kind that is still saved
        QTest::newRow("csv without signal lines") << "log.csv" << "signal" << "device";
        QTest::newRow("json lines without device lines") << "log.jsonl" << "device" << "signal";
    }
    void saveAsWritesWhatIsShown()
    {
        QFETCH(QString, file);
        QFETCH(QString, hidden);
        QFETCH(QString, kept);
        Rig rig;
        QVERIFY(rig.model.selectSignal(QStringLiteral("4k60-444-600")));
        rig.tick();
        rig.trigger("actionLog");
        LogWindow *w = rig.window->findChild<LogWindow *>();
        QVERIFY(w != nullptr && w->isVisible());
        w->findChild<QCheckBox *>(QStringLiteral("logShow") + hidden)->setChecked(false);
        QVERIFY(!w->findChild<QPlainTextEdit *>()->toPlainText().contains(u' ' + hidden + u' '));

        QTemporaryDir dir;
        rig.prompts.fileNames << dir.filePath(file);
        w->findChild<QPushButton *>(QStringLiteral("logSaveAs"))->click();
        QFile saved(dir.filePath(file));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        const bool json = file.endsWith(".jsonl");
        QCOMPARE(bytes.startsWith("time,kind,"), !json);
        QCOMPARE(bytes.startsWith("{"), json);
        const auto kindField = [json](const QString &kind) {
            return (json ? "\"kind\":\"" + kind + "\"" : u',' + kind + u',').toUtf8();
        };
        QVERIFY(!bytes.contains(kindField(hidden)));
        QVERIFY(bytes.contains(kindField(kept)));
    }

    // The poll never reads a display's table; Read does, and the view says what it found.
    void displaysReadOnDemand()
    {
        Rig rig;
        rig.model.unplugDisplay(DeviceModel::Output::B);
        rig.tick();
        rig.tick();
        QCOMPARE(rig.tvFetches(), 0);
        rig.trigger("actionDisplays");
        auto *read = rig.window->findChild<QPushButton *>(QStringLiteral("displaysRead"));
        QVERIFY(read != nullptr);
        read->click();
        QCOMPARE(rig.tvFetches(), 2);
        const QString text = rig.window->findChild<QPlainTextEdit *>(QStringLiteral("displaysView"))
                                 ->toPlainText();
        QVERIFY2(text.startsWith("Source: ") && text.contains("TX A (tv-a):\n  display: ") &&
                     text.contains("TX B (tv-b):\n  no display"),
                 qPrintable(text));
        QVERIFY(read->isEnabled());
    }
};

QTEST_MAIN(LogWindowTest)
#include "LogWindowTest.moc"
