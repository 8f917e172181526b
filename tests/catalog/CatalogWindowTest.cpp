// Every catalog row against the window and the device model: a value set by name goes out as
// exactly one register write, and the device then reads back as the same name.
#include "app/MainWindow.h"
#include "TestWindow.h"
#include "device/CommandPrimitives.h"
#include "settings/Catalog.h"
#include "sim/DeviceModel.h"

#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSet>
#include <QTimerEvent>
#include <QtTest>
#include <memory>

namespace
{

QByteArray wire(const cmd::Request &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.bytes.data()), r.length);
}

QByteArray registerWrite(int reg, int value)
{
    return QByteArray::fromRawData("\x10\x04\xE0", 3) + char(reg) + char(value);
}

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;

    void start()
    {
        model.setBusy(false);
        window = std::make_unique<TestWindow>(link, prompts);
        QTimerEvent tick(0x7ABC); // the first tick ends the start-up EDID wait
        QCoreApplication::sendEvent(window.get(), &tick);
        model.setBusy(false);
        model.clearLog();
    }
    QList<QByteArray> registerWrites() const
    {
        QList<QByteArray> out;
        for (const QByteArray &r : model.requests())
            if (r.size() == 5 && r.startsWith(QByteArray::fromRawData("\x10\x04\xE0", 3)))
                out << r;
        return out;
    }
    settings::SettingBytes deviceBytes() const
    {
        settings::SettingBytes b{};
        const QByteArray s = model.settings();
        for (int k = 0; k < cmd::SettingsBytes && k < s.size(); ++k)
            b[std::size_t(k)] = std::uint8_t(s[k]);
        return b;
    }
};

// How a case reaches the device: a control of the window, or the catalog's own write where
// the window has no control for the value (or its sequence belongs to another area).
struct Case {
    const char *name;
    const char *value;
    const char *control; // nullptr: the catalog's write
    int index;           // combo box index to choose; -1: click the control
    int reg;
    int sent;
};

const Case cases[] = {
    {"input", "port-b", "cmbInputSel", 1, 0, 2},
    {"input", "matrix-swap", "cmbInputSel", 3, 0, 4},
    {"auto-switch", "off", "autoSwDis", -1, 1, 0},
    {"auto-switch", "on", "autoSwEn", -1, 1, 1},
    {"priority", "forced", "pPrioForce", -1, 13, 1},
    {"priority", "normal", "bPrioNorm", -1, 13, 0},
    {"audio-source", "jack", "audioJack", -1, 2, 3},
    {"audio-source", "hdmi", "audioHdmi", -1, 2, 1},
    {"audio-source", "none", nullptr, -1, 2, 2},
    {"hdcp", "1.4", "hdcp14", -1, 3, 2},
    {"hdcp", "2.2", "hdcp22", -1, 3, 3},
    {"hdcp", "none", nullptr, -1, 3, 1},
    {"edid-mode", "fixed", "fixedEDID", -1, 5, 2},
    {"edid-mode", "custom", "customEDID", -1, 5, 3},
    {"edid-mode", "automix", "automixEDID", -1, 5, 1},
    {"edid-table", "25", "cmBEdid", 24, 14, 25},
    {"2.0-stereo", "on", "cb2cForce", -1, 8, 1},
    {"5.1-multi", "on", "cb51", -1, 9, 1},
    {"full-audio", "on", "cbFull", -1, 12, 1},
    {"allow-ycbcr", "off", "cbYUV", -1, 26, 0},
    {"bt.2020", "on", "cbBt2020", -1, 24, 1},
    {"hdr-packet", "on", "cbHdr", -1, 11, 1},
    {"3d-remove", "on", "cb3D", -1, 10, 1},
    {"cec", "off", "cbCec", -1, 27, 0},
    {"cec-device-type", "audio-system", "cmbLa", 1, 28, 1},
    {"force-hdr", "on", "cbHdrForceMode", -1, 17, 1},
    {"hdr-mode", "samsung", "bSamHdr", -1, 19, 1},
    {"hdr-mode", "full", "bFullHdr", -1, 19, 0},
    {"replace-avi", "off", "cbAviPersistent", -1, 33, 0},
    {"replace-avi", "on", nullptr, -1, 33, 1},
    {"green-led", "off", "disableLed", -1, 22, 0},
    {"blue-leds", "off", "disableBLed", -1, 23, 0},
    {"hdr-hotkey", "on", "bHdrRepurpEn", -1, 16, 1},
    {"420-output", "on", "enable420", -1, 4, 1},
    {"automix-algo", "max-audio-max-video", "cmbEdidAlgo", 3, 32, 3},
    {"tx-htpc-mode", "on", "enableHPDFORCE", -1, 37, 0},
    {"tx-htpc-mode", "off", "disableHPDFORCE", -1, 37, 1},
    {"avr-audio", "on", "enableAVR", -1, 29, 1},
    {"split-screen", "on", "cbSplitEn", -1, 38, 1},
    {"split-feature", "sender", "rbSender", -1, 40, 1},
    {"split-feature", "receiver", "rbReceiver", -1, 40, 0},
    {"split-style", "even-odd", "rbEvenOdd", -1, 39, 1},
    {"split-style", "left-right", "rbLeftRight", -1, 39, 0},
};

// A value the setting accepts other than `value`, so that the control has something to change.
int otherValue(const settings::Setting &s, int value)
{
    for (int v = 0; v < 256; ++v)
        if (v != value && settings::accepts(s, v))
            return v;
    return value;
}

} // namespace

class CatalogWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void everyWritableRowIsCovered();
    void setByName_data();
    void setByName();
};

void CatalogWindowTest::everyWritableRowIsCovered()
{
    QSet<QString> covered;
    for (const Case &c : cases)
        covered.insert(QLatin1String(c.name));
    for (const settings::Setting &s : settings::catalog())
        if (s.kind != settings::Kind::ReadOnly)
            QVERIFY2(covered.contains(QLatin1String(s.name)), s.name);
}

void CatalogWindowTest::setByName_data()
{
    QTest::addColumn<int>("caseIndex");
    for (int i = 0; i < int(std::size(cases)); ++i)
        QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(cases[i].name, cases[i].value))) << i;
}

void CatalogWindowTest::setByName()
{
    QFETCH(int, caseIndex);
    const Case &c = cases[caseIndex];
    const settings::Setting *s = settings::findSetting(QLatin1String(c.name));
    QVERIFY(s != nullptr);
    const settings::ParsedValue parsed = settings::parseValue(*s, QLatin1String(c.value));
    QCOMPARE(parsed.error, settings::ParsedValue::None);
    const std::optional<cmd::Request> request = settings::writeRequest(*s, parsed.value);
    QVERIFY(request.has_value());
    QCOMPARE(wire(*request), registerWrite(c.reg, c.sent));

    Rig rig;
    rig.model.setSetting(s->byte, std::uint8_t(otherValue(*s, parsed.value)));
    rig.start();
    QVERIFY(settings::formatValue(*s, rig.deviceBytes()) != QLatin1String(c.value));

    if (c.control == nullptr) {
        cmd::ReplyBuffer reply;
        QVERIFY(rig.window->deviceWorker().session().primitives().exchange(*request, reply));
    } else if (c.index >= 0) {
        auto *combo = rig.window->findChild<QComboBox *>(QLatin1String(c.control));
        QVERIFY(combo != nullptr);
        combo->setCurrentIndex(c.index);
    } else {
        auto *button = rig.window->findChild<QAbstractButton *>(QLatin1String(c.control));
        QVERIFY(button != nullptr);
        QVERIFY(button->isEnabled());
        button->click();
    }
    QCOMPARE(rig.registerWrites(), QList<QByteArray>{wire(*request)});
    QCOMPARE(settings::formatValue(*s, rig.deviceBytes()), QLatin1String(c.value));
}

QTEST_MAIN(CatalogWindowTest)
#include "CatalogWindowTest.moc"
