// The settings poll, the setting slots and the factory reset, end to end: the real window with
// its form, talking to the in-process device model. Requests are checked byte for byte.
#include "app/MainWindow.h"
#include "TestWindow.h"
#include "device/DeviceLink.h"
#include "app/FormBinding.h"
#include "sim/DeviceModel.h"
#include "sim/ModelUsbApi.h"

#include "Bytes.h"
#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimerEvent>
#include <QtTest>
#include <memory>

namespace
{

QByteArray registerWrite(int reg, int value)
{
    return bytes({0x10, 0x04, 0xE0, reg, value});
}

bool isRegisterWrite(const QByteArray &r)
{
    return r.size() == 5 && quint8(r[0]) == 0x10 && quint8(r[2]) == 0xE0;
}

// One device and one window on it, in fake time.
struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;

    // Starts the window on the device's current settings and runs the first tick (which also
    // finishes the start-up EDID wait), so later ticks are plain polls.
    void start()
    {
        model.setBusy(false);
        window = std::make_unique<TestWindow>(link, prompts);
        tick();
        model.setBusy(false);
        model.clearLog();
    }
    void tick()
    {
        // Not 0: QMainWindow takes timer id 0 for its own (inactive) separator timer.
        QTimerEvent event(0x7ABC);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    // Device-side change, without the EDID rebuild pause that some bytes cause.
    void set(int k, int value)
    {
        model.setSetting(k, std::uint8_t(value));
        model.setBusy(false);
    }
    template <class T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QList<QByteArray> registerWrites() const
    {
        QList<QByteArray> out;
        for (const QByteArray &r : model.requests())
            if (isRegisterWrite(r))
                out << r;
        return out;
    }
    // The transactions of the settings poll: its two reads and the register write-backs.
    QList<QByteArray> settingsPollTraffic() const
    {
        QList<QByteArray> out;
        for (const QByteArray &r : model.requests()) {
            const bool settingsRead = r == bytes({0x11, 42, 0xE1});
            const bool statusRead = r == bytes({0x11, 14, 0xE0, 6});
            if (settingsRead || statusRead || isRegisterWrite(r))
                out << r;
        }
        return out;
    }
    // Everything the poll can change, as text, to compare whole screens.
    QStringList screen() const
    {
        QStringList out;
        auto add = [&](const char *name) {
            if (name == nullptr)
                return;
            auto *w = find<QWidget>(name);
            QString s = QLatin1String(name) + (w && w->isEnabled() ? " on" : " off");
            if (auto *b = qobject_cast<QAbstractButton *>(w))
                s += b->isChecked() ? " checked" : " unchecked";
            if (auto *c = qobject_cast<QComboBox *>(w))
                s += " index " + QString::number(c->currentIndex());
            out << s;
        };
        for (int i = 0; i < int(settings::Id::Count); ++i) {
            const binding::Row &r = binding::row(settings::Id(i));
            for (const char *c : r.controls)
                add(c);
            for (const char *c : r.dependents)
                add(c);
        }
        add(binding::EdidEditor);
        return out;
    }
};

} // namespace

class SettingsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void formHasTheSettingControls();
    void startUpFillsCombosWithoutWriting();
    void busyDeviceChangesNothing();
    void failedReadChangesNothing_data();
    void failedReadChangesNothing();
    void edidModeAvailability_data();
    void edidModeAvailability();
    void autoSwitchAndPriority();
    void htpcModeIsInverted();
    void checkBoxFollowsByte_data();
    void checkBoxFollowsByte();
    void pollCostsTwoReadsPlusWriteBacks();
    void customEdidTable();
    void everySlotWritesItsRegister_data();
    void everySlotWritesItsRegister();
    void setEpStateSendsTheCopy();
    void factoryReset_data();
    void factoryReset();
    void settingsResetShowsAtNextPoll();
};

void SettingsWindowTest::formHasTheSettingControls()
{
    Rig rig;
    rig.start();
    for (int i = 0; i < int(settings::Id::Count); ++i)
        for (const char *c : binding::row(settings::Id(i)).controls)
            if (c != nullptr)
                QVERIFY2(rig.find<QWidget>(c) != nullptr, c);
    QVERIFY(rig.find<QWidget>(binding::EdidEditor) != nullptr);
    QVERIFY(rig.find<QLineEdit>(binding::ResetEdit) != nullptr);
    QVERIFY(rig.find<QAbstractButton>("pbReset") != nullptr);
}

void SettingsWindowTest::startUpFillsCombosWithoutWriting()
{
    Rig rig;
    rig.model.setBusy(false);
    rig.window = std::make_unique<TestWindow>(rig.link, rig.prompts);
    QVERIFY(rig.window->initialised());
    // Filling the combo boxes runs their slots before the flag is set: nothing may go out.
    for (int reg : {0, 14, 28, 32})
        QVERIFY2(rig.model.registerWrites(std::uint8_t(reg)).isEmpty(),
                 qPrintable(QString::number(reg)));
    auto *input = rig.find<QComboBox>("cmbInputSel");
    QCOMPARE(input->count(), 4);

    rig.model.clearLog();
    const auto copyBefore = rig.window->settingsCopy();
    input->setCurrentIndex(input->findText("MATRIX SWAP"));
    QCOMPARE(rig.registerWrites(), QList<QByteArray>{registerWrite(0, 4)});
    QCOMPARE(rig.model.setting(0), std::uint8_t(4));
    QCOMPARE(rig.window->settingsCopy(), copyBefore); // combo slots store nothing
}

void SettingsWindowTest::busyDeviceChangesNothing()
{
    Rig rig;
    rig.start();
    const QStringList before = rig.screen();
    const auto copyBefore = rig.window->settingsCopy();
    QByteArray other = DeviceModel::factorySettings();
    for (int k = 0; k < other.size(); ++k)
        other[k] = char(k == 0 ? 3 : (other[k] == 1 ? 0 : 1));
    rig.model.setSettings(other);
    rig.model.setBusy(true);
    rig.model.clearLog();
    rig.tick();
    QCOMPARE(rig.screen(), before);
    QCOMPARE(rig.window->settingsCopy(), copyBefore);
    QCOMPARE(rig.settingsPollTraffic().size(), 2); // the two reads, no write-back

    // Once idle again the same block shows.
    rig.model.setBusy(false);
    rig.tick();
    QVERIFY(rig.screen() != before);
    QCOMPARE(rig.find<QComboBox>("cmbInputSel")->currentIndex(), 2);
}

void SettingsWindowTest::failedReadChangesNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::newRow("settings read silent") << int(DeviceModel::FaultKind::NoReply) << 0xE1;
    QTest::newRow("settings read short") << int(DeviceModel::FaultKind::ShortReply) << 0xE1;
    QTest::newRow("settings read wrong echo") << int(DeviceModel::FaultKind::WrongEcho) << 0xE1;
    QTest::newRow("info block 6 silent") << int(DeviceModel::FaultKind::NoReply) << 0xE0;
    QTest::newRow("info block 6 wrong echo") << int(DeviceModel::FaultKind::WrongEcho) << 0xE0;
}

void SettingsWindowTest::failedReadChangesNothing()
{
    QFETCH(int, kind);
    QFETCH(int, code);
    Rig rig;
    rig.start();
    const QStringList before = rig.screen();
    rig.set(16, 1);
    rig.set(0, 2);
    rig.set(26, 0);
    // The settings poll's info-block read is the first E0 request of a tick.
    rig.model.addFault({DeviceModel::FaultKind(kind), code, 1, 0});
    rig.tick();
    QCOMPARE(rig.screen(), before);
    QVERIFY(rig.registerWrites().isEmpty());
}

void SettingsWindowTest::edidModeAvailability_data()
{
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("buttons");
    QTest::addColumn<bool>("editor");
    QTest::newRow("available, CUSTOM") << 1 << 3 << true << true;
    QTest::newRow("available, AUTOMIX") << 1 << 1 << true << false;
    QTest::newRow("available, FIXED") << 1 << 2 << true << false;
    QTest::newRow("unavailable, CUSTOM") << 0 << 3 << false << false;
    QTest::newRow("unavailable 2, CUSTOM") << 2 << 3 << false << false;
    QTest::newRow("available, mode 7 keeps CUSTOM") << 1 << 7 << true << true;
}

void SettingsWindowTest::edidModeAvailability()
{
    QFETCH(int, available);
    QFETCH(int, mode);
    QFETCH(bool, buttons);
    QFETCH(bool, editor);
    Rig rig;
    rig.set(2, 3); // start in CUSTOM with everything available
    rig.start();
    QVERIFY(rig.find<QWidget>(binding::EdidEditor)->isEnabled());

    rig.set(9, available);
    rig.set(2, mode);
    rig.tick();
    for (const char *name : {"automixEDID", "fixedEDID", "customEDID"})
        QCOMPARE(rig.find<QWidget>(name)->isEnabled(), buttons);
    QCOMPARE(rig.find<QWidget>(binding::EdidEditor)->isEnabled(), editor);
    QVERIFY(rig.registerWrites().isEmpty()); // radio buttons never write back
}

void SettingsWindowTest::autoSwitchAndPriority()
{
    Rig rig;
    rig.start();
    auto *on = rig.find<QAbstractButton>("autoSwEn");
    auto *off = rig.find<QAbstractButton>("autoSwDis");
    auto *forced = rig.find<QWidget>("pPrioForce");
    auto *normal = rig.find<QWidget>("bPrioNorm");
    QVERIFY(on->isChecked() && forced->isEnabled() && normal->isEnabled());

    struct Step {
        int value;
        bool onChecked, prioEnabled;
    };
    // 2 is no value of the auto switch: the buttons and the priority's state stay.
    for (const Step &s :
         {Step{0, false, false}, Step{2, false, false}, Step{1, true, true}, Step{2, true, true}}) {
        rig.set(6, s.value);
        rig.tick();
        QCOMPARE(on->isChecked(), s.onChecked);
        QCOMPARE(off->isChecked(), !s.onChecked);
        QCOMPARE(forced->isEnabled(), s.prioEnabled);
        QCOMPARE(normal->isEnabled(), s.prioEnabled);
    }
    QVERIFY(rig.registerWrites().isEmpty()); // selecting autoSwEn by the poll writes nothing
}

void SettingsWindowTest::htpcModeIsInverted()
{
    Rig rig;
    rig.set(35, 0);
    rig.start();
    auto *enable = rig.find<QAbstractButton>("enableHPDFORCE");
    auto *disable = rig.find<QAbstractButton>("disableHPDFORCE");
    QVERIFY(enable->isChecked());
    rig.set(35, 1);
    rig.tick();
    QVERIFY(disable->isChecked());
    QVERIFY(!enable->isChecked());
    QVERIFY(rig.registerWrites().isEmpty());

    enable->click();
    QCOMPARE(rig.registerWrites(), QList<QByteArray>{registerWrite(37, 0)});
    QCOMPARE(rig.window->settingsCopy()[35], std::uint8_t(0));
    QCOMPARE(rig.model.setting(35), std::uint8_t(0));
}

void SettingsWindowTest::checkBoxFollowsByte_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("reg"); // -1: the box reacts to clicks only
    QTest::newRow("cbCec") << "cbCec" << 5 << 27;
    QTest::newRow("cb2cForce") << "cb2cForce" << 13 << 8;
    QTest::newRow("cb51") << "cb51" << 14 << 9;
    QTest::newRow("cb3D") << "cb3D" << 15 << 10;
    QTest::newRow("cbHdr") << "cbHdr" << 16 << 11;
    QTest::newRow("cbFull") << "cbFull" << 17 << 12;
    QTest::newRow("cbHdrForceMode") << "cbHdrForceMode" << 22 << 17;
    QTest::newRow("cbBt2020") << "cbBt2020" << 28 << 24;
    QTest::newRow("cbYUV") << "cbYUV" << 29 << 26;
    QTest::newRow("cbAviPersistent") << "cbAviPersistent" << 33 << -1;
    QTest::newRow("cbSplitEn") << "cbSplitEn" << 36 << 38;
}

void SettingsWindowTest::checkBoxFollowsByte()
{
    QFETCH(QString, box);
    QFETCH(int, k);
    QFETCH(int, reg);
    Rig rig;
    rig.set(k, 0);
    rig.start();
    auto *b = rig.find<QAbstractButton>(qPrintable(box));
    QVERIFY(!b->isChecked());

    // Turned on by the poll: the box's slot writes the same value back.
    rig.set(k, 1);
    rig.tick();
    QVERIFY(b->isChecked());
    QList<QByteArray> expected;
    if (reg >= 0)
        expected << registerWrite(reg, 1);
    QCOMPARE(rig.registerWrites(), expected);

    // Any value but 1 shows unchecked.
    rig.model.clearLog();
    rig.set(k, 2);
    rig.tick();
    QVERIFY(!b->isChecked());
    expected.clear();
    if (reg >= 0)
        expected << registerWrite(reg, 0);
    QCOMPARE(rig.registerWrites(), expected);
    QCOMPARE(rig.window->settingsCopy()[std::size_t(k)], std::uint8_t(reg >= 0 ? 0 : 2));
}

void SettingsWindowTest::pollCostsTwoReadsPlusWriteBacks()
{
    Rig rig;
    rig.start();
    rig.set(16, 1); // cbHdr on: writes back
    rig.set(14, 1); // cb51 on: writes back
    rig.set(32, 2); // cmbEdidAlgo: writes back (initialised)
    rig.set(6, 0);  // auto switch radio pair: silent
    rig.set(37, 1); // split style radio pair: silent
    rig.set(33, 1); // cbAviPersistent reacts to clicks only: silent
    rig.tick();
    const QList<QByteArray> expected = {bytes({0x11, 42, 0xE1}), bytes({0x11, 14, 0xE0, 6}),
                                        registerWrite(32, 2), registerWrite(9, 1),
                                        registerWrite(11, 1)};
    QCOMPARE(rig.settingsPollTraffic(), expected);
    QVERIFY(rig.find<QAbstractButton>("rbEvenOdd")->isChecked());
    QVERIFY(rig.find<QAbstractButton>("cbAviPersistent")->isChecked());

    // Nothing changed: the two reads only.
    rig.model.setBusy(false);
    rig.model.clearLog();
    rig.tick();
    QCOMPARE(rig.settingsPollTraffic(), expected.mid(0, 2));
}

void SettingsWindowTest::customEdidTable()
{
    Rig rig;
    rig.start();
    auto *tables = rig.find<QComboBox>("cmBEdid");
    tables->setCurrentIndex(tables->findText("25 - 1080I-444 Stereo"));
    QCOMPARE(rig.registerWrites(), QList<QByteArray>{registerWrite(14, 25)});

    // The poll shows table number - 1.
    rig.set(19, 7);
    rig.model.clearLog();
    rig.tick();
    QCOMPARE(tables->currentIndex(), 6);
    QCOMPARE(rig.registerWrites(), QList<QByteArray>{registerWrite(14, 7)});

    // A table number the list does not have clears the box; nothing is written back for it.
    for (int outOfRange : {0, 26}) {
        rig.set(19, outOfRange);
        rig.model.clearLog();
        rig.tick();
        QCOMPARE(tables->currentIndex(), -1);
        QVERIFY(rig.registerWrites().isEmpty());
        QCOMPARE(rig.model.setting(19), std::uint8_t(outOfRange));
        rig.set(19, 7);
        rig.tick();
    }
}

void SettingsWindowTest::everySlotWritesItsRegister_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index"); // combo boxes: the index to choose; -1: click
    QTest::addColumn<int>("presetByte");
    QTest::addColumn<int>("presetValue");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("copyByte"); // -1: the slot stores nothing

    auto click = [](const char *tag, const char *control, int reg, int value, int copyByte,
                    int presetByte = -1, int presetValue = 0) {
        QTest::newRow(tag) << control << -1 << presetByte << presetValue << reg << value
                           << copyByte;
    };
    auto choose = [](const char *tag, const char *control, int index, int reg, int value) {
        QTest::newRow(tag) << control << index << -1 << 0 << reg << value << -1;
    };
    choose("SetActivePort", "cmbInputSel", 2, 0, 3);
    click("SetAutoSwitch off", "autoSwDis", 1, 0, 6);
    click("SetAutoSwitch on", "autoSwEn", 1, 1, 6, 6, 0);
    click("SetAudioSource jack", "audioJack", 2, 3, 1);
    click("SetAudioSource hdmi", "audioHdmi", 2, 1, 1, 1, 3);
    click("SetHDCP_Version 1.4", "hdcp14", 3, 2, 3);
    click("SetHDCP_Version 2.2", "hdcp22", 3, 3, 3, 3, 2);
    click("SetOut_420 on", "enable420", 4, 1, 4);
    click("SetOut_420 off", "disable420", 4, 0, 4, 4, 1);
    click("SetEDID_Mode automix", "automixEDID", 5, 1, 2, 2, 3);
    click("SetEDID_Mode fixed", "fixedEDID", 5, 2, 2);
    click("SetEDID_Mode custom", "customEDID", 5, 3, 2);
    click("force2c", "cb2cForce", 8, 1, 13);
    click("force51", "cb51", 9, 1, 14);
    click("set3D", "cb3D", 10, 1, 15);
    click("forceHdr", "cbHdr", 11, 1, 16);
    click("forceHdr off", "cbHdr", 11, 0, 16, 16, 1);
    click("forceFullAudio", "cbFull", 12, 1, 17);
    click("setSwPriority forced", "pPrioForce", 13, 1, 18);
    click("setSwPriority normal", "bPrioNorm", 13, 0, 18, 18, 1);
    choose("changeCustomEdid", "cmBEdid", 4, 14, 5);
    click("CecLpRepurp on", "bHdrRepurpEn", 16, 1, 21);
    click("CecLpRepurp off", "bHdrRepurpDis", 16, 0, 21, 21, 1);
    click("hdrForceActivate on", "cbHdrForceMode", 17, 1, 22);
    click("hdrForceActivate off", "cbHdrForceMode", 17, 0, 22, 22, 1);
    click("hdrSamsung", "bSamHdr", 19, 1, 24);
    click("hdrSamsung full", "bFullHdr", 19, 0, 24, 24, 1);
    click("setLogoLed off", "disableLed", 22, 0, 26);
    click("setLogoLed on", "enableLed", 22, 1, 26, 26, 0);
    click("setBlueLed off", "disableBLed", 23, 0, 27);
    click("setBlueLed on", "enableBLed", 23, 1, 27, 27, 0);
    click("setBt2020", "cbBt2020", 24, 1, 28);
    click("setYUV off", "cbYUV", 26, 0, 29);
    click("setCEC off", "cbCec", 27, 0, 5);
    choose("setCecLa", "cmbLa", 1, 28, 1);
    click("setAVR on", "enableAVR", 29, 1, 31);
    click("setAVR off", "disableAVR", 29, 0, 31, 31, 1);
    choose("setEdidAlgo", "cmbEdidAlgo", 3, 32, 3);
    click("setAviPers off", "cbAviPersistent", 33, 0, 33, 33, 1);
    click("setHpdForce enable", "enableHPDFORCE", 37, 0, 35);
    click("setHpdForce disable", "disableHPDFORCE", 37, 1, 35, 35, 0);
    click("setSplitEnable", "cbSplitEn", 38, 1, 36);
    click("setEvenOdd", "rbEvenOdd", 39, 1, 37);
    click("setEvenOdd left/right", "rbLeftRight", 39, 0, 37, 37, 1);
    click("setSenderReceiver", "rbSender", 40, 1, 38);
    click("setSenderReceiver receiver", "rbReceiver", 40, 0, 38, 38, 1);
}

void SettingsWindowTest::everySlotWritesItsRegister()
{
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(int, presetByte);
    QFETCH(int, presetValue);
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(int, copyByte);
    Rig rig;
    if (presetByte >= 0)
        rig.set(presetByte, presetValue);
    rig.start();
    const auto copyBefore = rig.window->settingsCopy();

    if (index >= 0) {
        auto *combo = rig.find<QComboBox>(qPrintable(control));
        QVERIFY(combo != nullptr);
        QVERIFY(combo->currentIndex() != index);
        combo->setCurrentIndex(index);
    } else {
        auto *button = rig.find<QAbstractButton>(qPrintable(control));
        QVERIFY(button != nullptr);
        QVERIFY(button->isEnabled());
        button->click();
    }
    QCOMPARE(rig.registerWrites(), QList<QByteArray>{registerWrite(reg, value)});
    auto expectedCopy = copyBefore;
    if (copyByte >= 0)
        expectedCopy[std::size_t(copyByte)] = std::uint8_t(value);
    QCOMPARE(rig.window->settingsCopy(), expectedCopy);
}

void SettingsWindowTest::setEpStateSendsTheCopy()
{
    Rig rig;
    rig.start();
    QByteArray block(DeviceModel::SettingsCount, '\0');
    for (int k = 0; k < block.size(); ++k)
        block[k] = char(0x40 + k); // unused bytes included: they must travel back unchanged
    block[0] = 2;
    rig.model.setSettings(block);
    rig.model.setBusy(false);
    rig.tick();
    const auto copy = rig.window->settingsCopy();
    for (int k : {7, 8, 12, 20, 23, 25, 34, 39})
        QCOMPARE(copy[std::size_t(k)], std::uint8_t(0x40 + k));

    rig.find<QAbstractButton>("enableLed")->click(); // the copy follows the slots
    rig.model.clearLog();
    QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "SetEPState"));
    QByteArray expected = bytes({0x10, 0x28, 0xE2});
    for (std::uint8_t b : rig.window->settingsCopy())
        expected.append(char(b));
    QCOMPARE(expected[3 + 26], char(1));
    QCOMPARE(rig.model.requests(), QList<QByteArray>{expected});
}

void SettingsWindowTest::factoryReset_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("clearSettings");
    QTest::addColumn<bool>("clearEdid");
    QTest::addColumn<bool>("writeFails");
    QTest::addColumn<int>("value");       // register 25 value sent; -1: nothing
    QTest::addColumn<QString>("message"); // status bar afterwards
    QTest::addColumn<bool>("accepted");

    const QString typeIt = "Type RESET into the text box and click OK";
    const QString choose = "Choose the reset from the checkboxes";
    QTest::newRow("lower case") << "reset" << true << false << false << -1 << typeIt << false;
    QTest::newRow("trailing blank") << "RESET " << false << true << false << -1 << typeIt << false;
    QTest::newRow("empty") << "" << true << true << false << -1 << typeIt << false;
    QTest::newRow("edid") << "RESET" << false << true << false << 1 << "" << true;
    QTest::newRow("settings") << "RESET" << true << false << false << 2 << "" << true;
    QTest::newRow("both") << "RESET" << true << true << false << 3 << "" << true;
    QTest::newRow("no box") << "RESET" << false << false << false << -1 << choose << true;
    QTest::newRow("write fails") << "RESET" << true << true << true << 3 << "Error Writing values"
                                 << true;
}

void SettingsWindowTest::factoryReset()
{
    QFETCH(QString, typed);
    QFETCH(bool, clearSettings);
    QFETCH(bool, clearEdid);
    QFETCH(bool, writeFails);
    QFETCH(int, value);
    QFETCH(QString, message);
    QFETCH(bool, accepted);
    Rig rig;
    rig.start();
    const QByteArray settingsBefore = rig.model.settings();
    auto *edit = rig.find<QLineEdit>("leReset");
    auto *boxSettings = rig.find<QAbstractButton>("cbClearSettings");
    auto *boxEdid = rig.find<QAbstractButton>("cbClearEdid");
    edit->setText(typed);
    boxSettings->setChecked(clearSettings);
    boxEdid->setChecked(clearEdid);
    if (writeFails)
        rig.model.addFault({DeviceModel::FaultKind::WrongEcho, 0xE0, 1, 0});
    rig.window->statusBar()->clearMessage();

    rig.find<QAbstractButton>("pbReset")->click();

    QList<QByteArray> expected;
    if (value >= 0)
        expected << registerWrite(25, value);
    QCOMPARE(rig.model.requests(), expected);
    QCOMPARE(rig.window->statusBar()->currentMessage(), message);
    QCOMPARE(edit->text(), accepted ? QString() : typed);
    QCOMPARE(boxSettings->isChecked(), accepted ? false : clearSettings);
    QCOMPARE(boxEdid->isChecked(), accepted ? false : clearEdid);
    if (value < 0)
        QCOMPARE(rig.model.settings(), settingsBefore);
}

void SettingsWindowTest::settingsResetShowsAtNextPoll()
{
    QStringList factoryScreen;
    {
        Rig fresh;
        fresh.start();
        factoryScreen = fresh.screen();
    }
    Rig rig;
    rig.start();
    rig.find<QAbstractButton>("cbHdr")->click();
    rig.find<QAbstractButton>("disableLed")->click();
    rig.find<QAbstractButton>("rbSender")->click();
    rig.find<QAbstractButton>("autoSwDis")->click();
    auto *input = rig.find<QComboBox>("cmbInputSel");
    input->setCurrentIndex(3);
    QVERIFY(rig.screen() != factoryScreen);

    rig.find<QLineEdit>("leReset")->setText("RESET");
    rig.find<QAbstractButton>("cbClearSettings")->setChecked(true);
    rig.find<QAbstractButton>("pbReset")->click();
    QCOMPARE(rig.model.settings(), DeviceModel::factorySettings());
    QVERIFY(rig.screen() != factoryScreen); // the slot itself changes no setting control

    rig.model.setBusy(false);
    rig.tick();
    QCOMPARE(rig.screen(), factoryScreen);
}

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
