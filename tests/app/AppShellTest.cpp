#include "ExitGuard.h"
#include "FakeLink.h"
#include "FakePrompts.h"
#include "ScriptedDevice.h"
#include "TestWindow.h"
#include "app/MainWindow.h"
#include "device/DeviceLink.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMetaMethod>
#include <QResource>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimerEvent>
#include <QtCore/private/qobject_p.h>
#include <QtTest>

namespace
{

// Slots that ran on the window, recorded by Qt's signal-spy hook (connections made by the
// form are string based, so the hook sees the slot's method index).
QObject *spiedWindow = nullptr;
QStringList slotsRun;
void slotBegin(QObject *receiver, int index, void **)
{
    if (receiver == spiedWindow && receiver)
        slotsRun << QString::fromLatin1(receiver->metaObject()->method(index).methodSignature());
}
QSignalSpyCallbackSet spyCallbacks = {nullptr, slotBegin, nullptr, nullptr};

QList<QByteArray> writesWithCode(const ModelUsbApi &usb, std::uint8_t direction, std::uint8_t code)
{
    QList<QByteArray> found;
    for (const QByteArray &w : usb.writes)
        if (w.size() > 2 && std::uint8_t(w[0]) == direction && std::uint8_t(w[2]) == code)
            found << w;
    return found;
}

const char *const SlotSignatures[] = {"on_ProgressChange(int,int)",
                                      "SaveEDIDtoFile()",
                                      "LoadEDIDfromFile()",
                                      "FileExit()",
                                      "FileAbout()",
                                      "ReadEDID()",
                                      "WriteEDID()",
                                      "WriteCEC()",
                                      "WriteIF()",
                                      "CalculateChkSum()",
                                      "SetActivePort()",
                                      "SetAutoSwitch()",
                                      "SetAudioSource()",
                                      "SetHDCP_Version()",
                                      "SetOut_420()",
                                      "SetEDID_Mode()",
                                      "SetEPState()",
                                      "SaveCEC_1()",
                                      "SaveCEC_2()",
                                      "force2c()",
                                      "force51()",
                                      "forceHdr()",
                                      "forceFullAudio()",
                                      "setSwPriority()",
                                      "changeCustomEdid()",
                                      "sendAVI()",
                                      "CecLpRepurp()",
                                      "hdrForceActivate()",
                                      "hdrSamsung()",
                                      "setLogoLed()",
                                      "setBt2020()",
                                      "setBlueLed()",
                                      "factoryReset()",
                                      "setYUV()",
                                      "setCEC()",
                                      "setCecLa()",
                                      "setAVR()",
                                      "readTvEdidA()",
                                      "readTvEdidB()",
                                      "set3D()",
                                      "setEdidAlgo()",
                                      "setAviPers()",
                                      "setHpdForce()",
                                      "setEvenOdd()",
                                      "setSenderReceiver()",
                                      "setSplitEnable()"};

} // namespace

class AppShellTest : public QObject
{
    Q_OBJECT

    struct Rig : FakeLink {
        FakePrompts prompts;
        ScriptedDevice device;
        std::unique_ptr<TestWindow> window;

        void start() { window = std::make_unique<TestWindow>(link, prompts); }
        template <typename T> T *widget(const char *name) { return window->findChild<T *>(name); }
        // Poll timers the window holds in the event dispatcher.
        int pollTimers() const { return window->pollTimers(); }
        void tick()
        {
            QTimerEvent event(1); // Qt drops timer events with id 0
            QCoreApplication::sendEvent(window.get(), &event);
        }
    };
    std::unique_ptr<Rig> rig;
    ExitGuard exitGuard; // File > Exit (a connection row) closes the window, never the program

private slots:
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup()
    {
        rig.reset();
        slotsRun.clear();
        spiedWindow = nullptr;
    }

    void startWithoutDevice()
    {
        rig->start();
        QCOMPARE(rig->alerts.shown, QStringList{"KORVALIS USB not connected!"});
        for (const char *name : {"cmbInputSel", "cmBEdid", "cmbLa", "cmbEdidAlgo"})
            QCOMPARE(rig->widget<QComboBox>(name)->count(), 0);
        QVERIFY(!rig->window->pollTimerRunning());
        QCOMPARE(rig->pollTimers(), 0);
        QVERIFY(!rig->window->initialised());
        QCOMPARE(rig->widget<QLabel>("labelFw1")->text(), QStringLiteral("ver: "));
        rig->tick(); // no timer runs; even a stray tick sends nothing
        QVERIFY(rig->usb.writes.isEmpty());
    }

    void openFailure()
    {
        rig->usb.devices = {{"2023", false, 4}};
        rig->start();
        QCOMPARE(rig->alerts.shown, QStringList{"Usb device open error!"});
        QCOMPARE(rig->prompts.shown.size(), 1);
        QCOMPARE(rig->prompts.shown[0].kind, QStringLiteral("warning"));
        QCOMPARE(rig->prompts.shown[0].title, QStringLiteral("KORVALIS Utility"));
        QCOMPARE(rig->prompts.shown[0].text, QStringLiteral("Hardware not found"));
        QVERIFY(rig->prompts.shown[0].hadParent);
        QVERIFY(!rig->window->pollTimerRunning());
        QVERIFY(rig->usb.writes.isEmpty());
        QCOMPARE(rig->widget<QComboBox>("cmbInputSel")->count(), 0);
    }

    void startupReadsInOrder()
    {
        rig->device.attachTo(rig->usb);
        rig->start();
        QStringList reads;
        for (const QByteArray &w : rig->usb.writes)
            if (std::uint8_t(w[0]) == cmd::DirRead && w.size() >= 3)
                reads << QString(w.toHex());
        const QStringList expectedStart = {"112ae1",   "110ee006", "1108e007",
                                           "1121e023", "110fe024", "110fe006",
                                           "111fe015", "111fe01e", "111fe01f"};
        QCOMPARE(reads.mid(0, expectedStart.size()), expectedStart);
        QVERIFY(rig->window->pollTimerRunning());
        QCOMPARE(rig->pollTimers(), 1);
        QVERIFY(rig->window->initialised());
        QCOMPARE(rig->widget<QComboBox>("cmbInputSel")->itemText(3), QStringLiteral("MATRIX SWAP"));
        QCOMPARE(rig->widget<QComboBox>("cmBEdid")->count(), 25);
        QCOMPARE(rig->widget<QComboBox>("cmbLa")->count(), 2);
        QCOMPARE(rig->widget<QComboBox>("cmbEdidAlgo")->itemText(1),
                 QStringLiteral("Max Audio, Min Video [Default]"));
        QCOMPARE(rig->widget<QTextEdit>("CECtext")->toPlainText(), QStringLiteral("50:04"));
    }

    void fillingCombosSendsNoRegisterWrite()
    {
        rig->device.attachTo(rig->usb);
        rig->start();
        for (const QByteArray &w : writesWithCode(rig->usb, cmd::DirWrite, cmd::RegisterWrite)) {
            const int reg = std::uint8_t(w[3]);
            QVERIFY2(reg != 0 && reg != 14 && reg != 28 && reg != 32, w.toHex().constData());
        }
    }

    // Start-up against silent info blocks: QList of the blocks that never answer.
    void versionAndStoredInfoframes_data()
    {
        QTest::addColumn<QList<int>>("silent");
        QTest::addColumn<QByteArray>("storedHdr");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("hdrStart");
        QTest::addColumn<int>("hdrBytes");
        QTest::addColumn<QString>("avi");

        QByteArray hdr26 = QByteArray::fromHex("00870f1a");
        for (int i = 0; i < 29; ++i)
            hdr26 += char(i + 1);
        QByteArray hdr40 = hdr26;
        hdr40[3] = 40;
        const QString avi = "60:c8:60:61:00:00:00:00:00:00:00:00:00";
        const QString zeros13 = "00:00:00:00:00:00:00:00:00:00:00:00:00";

        QTest::newRow("all answer, HDR length 26") << QList<int>{} << hdr26 << "ver: 1.11.0.5"
                                                   << "87:0f:1a" << 30 << avi;
        QTest::newRow("HDR length 40 stops at the reply end")
            << QList<int>{} << hdr40 << "ver: 1.11.0.5"
            << "87:0f:28" << 31 << avi;
        QTest::newRow("block 36 silent: labels keep the form texts")
            << QList<int>{36} << hdr26 << "ver: "
            << "87:0f:1a" << 30 << zeros13;
        QTest::newRow("block 7 silent: version from the zeroed buffer")
            << QList<int>{7} << hdr26 << "ver: 0.0.0.0"
            << "87:0f:1a" << 30 << avi;
        QTest::newRow("block 35 silent: four zero bytes")
            << QList<int>{35} << hdr26 << "ver: 1.11.0.5"
            << "00:00:00:00" << 4 << avi;
    }
    void versionAndStoredInfoframes()
    {
        QFETCH(QList<int>, silent);
        QFETCH(QByteArray, storedHdr);
        QFETCH(QString, version);
        QFETCH(QString, hdrStart);
        QFETCH(int, hdrBytes);
        QFETCH(QString, avi);
        rig->device.infoBlocks[cmd::info::Firmware] = QByteArray::fromHex("00010b0005");
        rig->device.infoBlocks[cmd::info::StoredHdr] = storedHdr;
        rig->device.infoBlocks[cmd::info::StoredAvi] = QByteArray::fromHex("0060c8606100");
        for (int block : silent)
            rig->device.silentInfoBlocks << block;
        rig->device.attachTo(rig->usb);
        rig->start();

        QCOMPARE(rig->widget<QLabel>("labelFw1")->text(), version);
        const QString hdrText = rig->widget<QTextEdit>("IFtext")->toPlainText();
        QCOMPARE(hdrText.split(':').size(), hdrBytes);
        QVERIFY2(hdrText.startsWith(hdrStart), qPrintable(hdrText));
        QCOMPARE(rig->widget<QTextEdit>("AVItext")->toPlainText(), avi);
        QVERIFY(rig->window->initialised()); // a failed read does not stop start-up
        QCOMPARE(rig->widget<QComboBox>("cmBEdid")->count(), 25);
        // Start-up ends with the EDID read, whose report replaces any earlier one.
        QCOMPARE(rig->window->statusBar()->currentMessage(), QStringLiteral("EDID values read."));
    }

    void tickDuringOperationWaits()
    {
        rig->device.attachTo(rig->usb);
        rig->start();
        const int before = rig->usb.writes.size();
        int writesSeenInside = -1;
        rig->usb.responder = [&](const QByteArray &request) {
            if (writesSeenInside < 0) {
                const int atEntry = rig->usb.writes.size();
                rig->tick(); // arrives while the exchange is in progress
                writesSeenInside = rig->usb.writes.size() - atEntry;
            }
            return rig->device.answer(request);
        };
        // A tick arriving during an operation runs after it, never inside its exchange.
        rig->window->deviceWorker().run<bool>(
            [](session::WindowSession &w) {
                return w.writeSetting(settings::Id::AutoSwitch, 1).ok;
            },
            rig->window.get(), {});
        QCOMPARE(writesSeenInside, 0);
        QVERIFY(rig->usb.writes.size() > before + 1);
        QCOMPARE(rig->usb.writes.at(before).toHex(), QByteArray("1004e00101"));
    }

    void tickRunsFullCycle()
    {
        rig->device.attachTo(rig->usb);
        rig->start();
        rig->usb.writes.clear();
        rig->tick();
        QVERIFY(!writesWithCode(rig->usb, cmd::DirRead, cmd::SettingsRead).isEmpty());
        QCOMPARE(writesWithCode(rig->usb, cmd::DirRead, cmd::InfoBlockRead).last().toHex(),
                 QByteArray("111fe01f"));
    }

    void slotTable()
    {
        rig->start();
        const QMetaObject *meta = rig->window->metaObject();
        QCOMPARE(meta->className(), "MainWindow");
        QCOMPARE(meta->methodCount() - meta->methodOffset(), 46);
        QCOMPARE(meta->propertyCount(), meta->superClass()->propertyCount());
        for (int i = 0; i < 46; ++i) {
            const QMetaMethod m = meta->method(meta->methodOffset() + i);
            QCOMPARE(m.methodSignature(), QByteArray(SlotSignatures[i]));
            QCOMPARE(m.methodType(), QMetaMethod::Slot);
            QCOMPARE(m.access(), i == 0 ? QMetaMethod::Public : QMetaMethod::Private);
            QCOMPARE(m.returnType(), i == 25 ? int(QMetaType::Bool) : int(QMetaType::Void));
        }
        const QMetaMethod progress = meta->method(meta->methodOffset());
        QCOMPARE(progress.parameterNames(), (QList<QByteArray>{"a", "b"}));
        QVERIFY(rig->window->qt_metacast("MainWindow") == rig->window.get());
        // An index past our slots is handed on, reduced by our count, and runs nothing here.
        spiedWindow = rig->window.get();
        void *args[] = {nullptr};
        const int rest = rig->window->qt_metacall(QMetaObject::InvokeMetaMethod,
                                                  meta->methodOffset() + 46, args);
        QCOMPARE(rest, 0);
        QVERIFY(rig->usb.writes.isEmpty());
    }

    void pressAndReleaseTvAReadsThenChecks()
    {
        rig->start();
        auto *button = rig->window->findChild<QAbstractButton *>("pbReadTvEdidA");
        spiedWindow = rig->window.get();
        qt_register_signal_spy_callbacks(&spyCallbacks);
        QTest::mouseClick(button, Qt::LeftButton);
        qt_register_signal_spy_callbacks(nullptr);
        QCOMPARE(slotsRun.mid(0, 2), (QStringList{"readTvEdidA()", "CalculateChkSum()"}));
    }

    void closingEndsEventLoopWithZero()
    {
        rig->device.attachTo(rig->usb);
        rig->start();
        QCOMPARE(rig->pollTimers(), 1);
        rig->window->show();
        QTimer::singleShot(0, rig->window.get(), [this] { rig->window->close(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!rig->window->pollTimerRunning());
        QCOMPARE(rig->pollTimers(), 0);
        QCOMPARE(rig->usb.closes, 1);
        QVERIFY(!rig->link.isOpen());
        rig->window.reset(); // the destructor after a close releases nothing twice
        QCOMPARE(rig->usb.closes, 1);
    }

    void embeddedResources_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("compressed");
        QTest::newRow("png") << ":/Korvalis.png" << false;
        QTest::newRow("ico") << ":/Korvalis.ico" << true;
        QTest::newRow("48") << ":/Korvalis_48.png" << false;
        QTest::newRow("32") << ":/Korvalis_32.png" << false;
        QTest::newRow("16") << ":/Korvalis_16.png" << false;
        QTest::newRow("form") << ":/QT/forms/KorvalisForm.ui" << true;
    }
    void embeddedResources()
    {
        QFETCH(QString, path);
        QFETCH(bool, compressed);
        const QResource resource(path);
        QVERIFY2(resource.isValid(), qPrintable(path));
        QVERIFY(resource.size() > 0);
        if (compressed)
            QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
        if (path.endsWith(".png"))
            QVERIFY(!QImage(path).isNull());
    }

    void aboutBox()
    {
        rig->start();
        rig->window->findChild<QAction *>("actionAbout")->trigger();
        QCOMPARE(rig->prompts.shown.size(), 1);
        QCOMPARE(rig->prompts.shown[0].title, QStringLiteral("About KORVALIS Utility"));
        QCOMPARE(rig->prompts.shown[0].text,
                 QStringLiteral("<h2>KORVALIS Utility Version 1.11</h2>"));
    }
};

QTEST_MAIN(AppShellTest)
#include "AppShellTest.moc"
