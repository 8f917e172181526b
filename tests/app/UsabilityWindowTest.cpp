// The window as people use it, over device models in fake time with its real boxes and file
// dialogs: the kept EDID table, No as every question's default, arrivals, the Device menu and
// the file dialogs' suffixes and filters.
#include "FakeClock.h"
#include "RecordingAlerts.h"
#include "TestWindow.h"
#include "app/DeviceMenu.h"
#include "app/QtPrompts.h"
#include "device/DeviceWatcher.h"
#include "edid/EdidText.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace
{

class ScriptedWatcher : public DeviceWatcher
{
public:
    std::vector<DeviceEvent> pending;
    std::vector<WatchedDevice> here;
    std::vector<DeviceEvent> poll(int) override { return std::exchange(pending, {}); }
    std::vector<WatchedDevice> present() const override { return here; }
};

class Prompts : public QtPrompts
{
public:
    int closings = 0;
    void closeAlerts() override { ++closings; }
};

// Answers each modal box with `key` (Qt::Key_Y: the Yes button) and each file dialog with
// `file` (empty: cancel), noting what they showed.
struct Answerer {
    Qt::Key key = Qt::Key_Return;
    QString file;
    QStringList boxes, filters;
    bool defaultNo = true;
    QTimer timer;
    Answerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                boxes << box->text() + ' ' + box->informativeText();
                defaultNo = defaultNo && box->defaultButton() != nullptr &&
                            box->defaultButton() == box->button(QMessageBox::No);
                if (key == Qt::Key_Y)
                    box->button(QMessageBox::Yes)->click();
                else
                    QTest::keyClick(box, key);
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                filters << dialog->nameFilters();
                dialog->selectFile(file);
                QMetaObject::invokeMethod(dialog, file.isEmpty() ? "reject" : "accept");
            }
        });
        timer.start(1);
    }
};

const char Connected[] = "KORVALIS USB connected";
const char NotAnswering[] = "KORVALIS not answering";

struct Rig {
    FakeClock clock;
    DeviceModel unitA{clock}, unitB{clock};
    DeviceModel *serving = &unitA;
    bool silent = false;
    ModelUsbApi usb{clock};
    RecordingAlerts alerts;
    DeviceLink link{usb, clock, alerts};
    Prompts prompts;
    Answerer answer;
    ScriptedWatcher *watcher = nullptr;
    std::unique_ptr<TestWindow> window;
    std::unique_ptr<DeviceMenu> menu;
    QStringList shown; // status bar messages in order
    QTemporaryDir dir;

    explicit Rig(int units = 1)
    {
        unitA.setSetting(2, 3); // CUSTOM mode with the uploaded table: uploads allowed
        unitA.setSetting(19, 1);
        unitB.setFirmwareVersion(2, 3, 4, 5);
        usb.responder = [this](const QByteArray &request) -> std::optional<QByteArray> {
            const DeviceModel::Reply r = serving->handle(request);
            return r.send && !silent ? std::optional<QByteArray>(r.bytes) : std::nullopt;
        };
        for (int i = 0; i < units; ++i)
            usb.devices.append(FakeDevice{"2023", false, 0, 0, i == 0 ? "1-4" : "1-5"});
        window = std::make_unique<TestWindow>(link, prompts);
        QObject::connect(window->statusBar(), &QStatusBar::messageChanged,
                         [this](const QString &m) { shown << m; });
        window->deviceWorker().watch(
            [&] {
                auto w = std::make_unique<ScriptedWatcher>();
                watcher = w.get();
                if (units > 0)
                    w->here = {{"2023", false, "1-4"}};
                return w;
            },
            window.get(), [this] { window->showDeparture(); });
        menu = std::make_unique<DeviceMenu>(*window, window->deviceWorker(), false);
        tick();
    }
    void tick()
    {
        QTimerEvent event(0x7ABC);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    void plug(DeviceEvent::Kind kind)
    {
        const WatchedDevice unit{"2023", false, "1-4"};
        const bool arrives = kind == DeviceEvent::Arrival;
        usb.devices = arrives ? QList<FakeDevice>{FakeDevice{"2023", false, 0, 0, unit.where}}
                              : QList<FakeDevice>{};
        watcher->here = arrives ? std::vector<WatchedDevice>{unit} : std::vector<WatchedDevice>{};
        watcher->pending.push_back({kind, unit});
        window->deviceWorker().requestDeviceCheck();
    }
    void run(const QString &command)
    {
        if (auto *action = window->findChild<QAction *>(command))
            action->trigger();
        else
            QVERIFY(QMetaObject::invokeMethod(window.get(), command.toLatin1().constData()));
    }
    QTextEdit *editor() const { return window->findChild<QTextEdit *>("EDIDtext"); }
    QString status() const { return window->statusBar()->currentMessage(); }
    edid::Table deviceTable() const
    {
        edid::Table t{};
        std::copy_n(serving->ownEdid().constData(), t.size(), t.begin());
        return t;
    }
    // The device's table with a byte changed, its checksums left wrong.
    QString otherText() const
    {
        edid::Table t = deviceTable();
        t[20] ^= 0x5A;
        return edid::edidTableText(t);
    }
    int writes() const
    {
        return unitA.countRequests(cmd::RegisterWrite, cmd::DirWrite) +
               unitA.countRequests(cmd::EdidData, cmd::DirWrite) +
               unitA.countRequests(cmd::EdidCommit);
    }
};

} // namespace

class UsabilityWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // A closed window ends the event loop (its quit stays pending): an exec of the application
    // clears that before the next window's boxes.
    void init()
    {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }

    void keptTable_data()
    {
        QTest::addColumn<QString>("editor"); // device, other, typed, written
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("kept");
        QTest::newRow("device's table") << "device" << int(Qt::Key_Return) << false;
        QTest::newRow("other table, Enter") << "other" << int(Qt::Key_Return) << true;
        QTest::newRow("other table, Yes") << "other" << int(Qt::Key_Y) << false;
        QTest::newRow("half typed, Escape") << "typed" << int(Qt::Key_Escape) << true;
        QTest::newRow("written table") << "written" << int(Qt::Key_Return) << false;
    }
    void keptTable()
    {
        QFETCH(QString, editor);
        QFETCH(int, key);
        QFETCH(bool, kept);
        Rig rig;
        const QString text = editor == "device" ? edid::edidTableText(rig.deviceTable())
                             : editor == "typed" ? QStringLiteral("00 FF FF F")
                                                 : rig.otherText();
        rig.editor()->setPlainText(text);
        if (editor == "written") {
            rig.answer.key = Qt::Key_Y; // the checksum question
            rig.run("WriteEDID");
            rig.answer.boxes.clear();
        }
        rig.answer.key = Qt::Key(key);
        rig.window->findChild<QAbstractButton *>("fixedEDID")->click();
        rig.unitA.setBusy(false);
        rig.tick();
        const bool asked = editor == "other" || editor == "typed";
        QCOMPARE(rig.answer.boxes.size(), asked ? 1 : 0);
        QVERIFY(rig.answer.defaultNo);
        QCOMPARE(rig.editor()->toPlainText(), kept ? text : edid::edidTableText(rig.deviceTable()));
        QCOMPARE(rig.status().contains("keeps its table"), kept);
    }

    void riskyQuestionsDefaultToNo_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("question"); // a part of the box's words
        QTest::newRow("no header") << "WriteEDID" << "no EDID header. Write it anyway?";
        QTest::newRow("wrong checksums") << "WriteEDID" << "Write anyway?";
        QTest::newRow("new checksum") << "CalculateChkSum" << "calculate a new checksum";
        QTest::newRow("other firmware") << "actionLoadConfiguration" << "Load it anyway?";
    }
    void riskyQuestionsDefaultToNo()
    {
        QFETCH(QString, command);
        QFETCH(QString, question);
        Rig rig;
        if (command == "actionLoadConfiguration") {
            rig.answer.file = rig.dir.filePath("unit.json");
            rig.run("actionSaveConfiguration");
            rig.unitA.setFirmwareVersion(9, 9, 9, 9);
            rig.unitA.setSetting(0, 2);
        }
        QString text = rig.otherText();
        if (question.contains("header"))
            text.replace(0, 2, QStringLiteral("11")); // a whole table, its header broken
        rig.editor()->setPlainText(text);
        const QString before = rig.editor()->toPlainText();
        rig.unitA.clearLog();
        rig.run(command);
        QCOMPARE(rig.answer.boxes.size(), 1);
        QVERIFY2(rig.answer.boxes[0].contains(question), qPrintable(rig.answer.boxes[0]));
        QVERIFY(rig.answer.defaultNo);
        QCOMPARE(rig.writes(), 0);
        QCOMPARE(rig.editor()->toPlainText(), before);
    }

    void fileDialogs_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("typed");   // empty: cancelled
        QTest::addColumn<QString>("written"); // the file that exists afterwards
        QTest::addColumn<QString>("filter");  // one the dialog offers
        QTest::newRow("Save to File") << "SaveEDIDtoFile" << "tv" << "tv.bin" << "Binary file (*.bin)";
        QTest::newRow("own suffix") << "SaveEDIDtoFile" << "tv.raw" << "tv.raw" << "Binary file (*.bin)";
        QTest::newRow("Save configuration") << "actionSaveConfiguration" << "unit" << "unit.json"
                                            << "Configuration files (*.json)";
        QTest::newRow("Load from File") << "LoadEDIDfromFile" << "" << ""
                                        << "EDID files (*.bin *.hex *.txt)";
        QTest::newRow("Load, all files") << "LoadEDIDfromFile" << "" << "" << "All files (*)";
    }
    void fileDialogs()
    {
        QFETCH(QString, command);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, filter);
        Rig rig;
        rig.answer.file = typed.isEmpty() ? QString() : rig.dir.filePath(typed);
        rig.run(command);
        QVERIFY2(rig.answer.filters.contains(filter), qPrintable(rig.answer.filters.join('|')));
        QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files),
                 written.isEmpty() ? QStringList() : QStringList{written});
    }

    void arrival_data()
    {
        QTest::addColumn<bool>("replug"); // else launched without a device
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QString>("status");
        QTest::newRow("launched without, answers") << false << true << Connected;
        QTest::newRow("launched without, silent") << false << false << NotAnswering;
        QTest::newRow("replugged, answers") << true << true << Connected;
        QTest::newRow("replugged, silent") << true << false << NotAnswering;
    }
    void arrival()
    {
        QFETCH(bool, replug);
        QFETCH(bool, answers);
        QFETCH(QString, status);
        Rig rig(replug ? 1 : 0);
        QCOMPARE(rig.alerts.shown.isEmpty(), replug);
        if (replug) {
            rig.plug(DeviceEvent::Departure);
            // A command's message covers the departure for a while, then it shows again.
            rig.window->statusBar()->showMessage("CEC sent", 2000);
            rig.window->statusBar()->clearMessage();
            QCOMPARE(rig.status(), QStringLiteral("KORVALIS USB disconnected"));
        }
        rig.silent = !answers;
        rig.shown.clear();
        rig.prompts.closings = 0;
        rig.plug(DeviceEvent::Arrival);
        QCOMPARE(rig.prompts.closings, 1); // the boxes about the missing device close
        QVERIFY2(!rig.shown.contains("KORVALIS USB disconnected"), qPrintable(rig.shown.join('|')));
        // Silent: said at once, not after the start-up's time-outs, and it stands.
        QCOMPARE(answers ? rig.status() : rig.shown.value(0), status);
        rig.window->statusBar()->clearMessage();
        QCOMPARE(rig.status(), answers ? QString() : status);
        // Drawn by the status bar alone.
        for (const QLabel *l : rig.window->statusBar()->findChildren<QLabel *>())
            QVERIFY(!l->isVisibleTo(rig.window.get()) || l->text() != rig.status());
    }

    void openWarningClosesAtArrival()
    {
        QtPrompts prompts;
        bool closed = false;
        QTimer::singleShot(1, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            prompts.closeAlerts();
            closed = box != nullptr && !box->isVisible();
        });
        prompts.alert("KORVALIS USB not connected!");
        QVERIFY(closed);
    }

    void deviceMenu_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("chosen"); // entry chosen, -1 none
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("firmware");
        QTest::newRow("one unit") << 1 << -1 << QStringList{"2023  1-4 *"} << "KORVALIS UTILITY"
                                  << "ver: 1.11.0.5";
        QTest::newRow("two units, second chosen")
            << 2 << 1 << QStringList{"2023  1-4", "2023  1-5 *"} << "KORVALIS UTILITY - 1-5"
            << "ver: 2.3.4.5";
    }
    void deviceMenu()
    {
        QFETCH(int, units);
        QFETCH(int, chosen);
        QFETCH(QStringList, entries);
        QFETCH(QString, title);
        QFETCH(QString, firmware);
        Rig rig(units);
        if (chosen >= 0) {
            rig.serving = &rig.unitB;
            rig.menu->menu()->actions().value(chosen)->trigger();
            QCOMPARE(rig.status(), QString(Connected));
        }
        rig.menu->refresh();
        QStringList shown;
        for (QAction *a : rig.menu->menu()->actions())
            shown << a->text() + (a->isChecked() ? " *" : "");
        QCOMPARE(shown, entries);
        QCOMPARE(rig.window->windowTitle(), title);
        QCOMPARE(rig.window->findChild<QLabel *>("labelFw1")->text(), firmware);
    }
};

QTEST_MAIN(UsabilityWindowTest)
#include "UsabilityWindowTest.moc"
