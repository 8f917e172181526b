// The CEC and HDR/IF pages end to end: the real window with its form on the in-process device
// model, in fake time. Requests are checked byte for byte, with the pause before each activate.
#include "WindowRig.h"
#include "app/MainWindow.h"
#include "sim/DeviceModel.h"

#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTextEdit>
#include <QTimerEvent>
#include <QtTest>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace
{

constexpr int Unplugged = -2;
constexpr int Silent = int(DeviceModel::FaultKind::NoReply);
constexpr int WrongEcho = int(DeviceModel::FaultKind::WrongEcho);

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// k well-formed pairs (3k - 1 characters), then `blanks` spaces.
QString pairs(int k, int blanks = 0)
{
    return QStringList(k, "5a").join(':') + QString(blanks, ' ');
}

struct Rig : WindowRig {
    Rig() { window->statusBar()->showMessage("before"); }
    void type(const QString &editor, const QString &text)
    {
        if (!text.isNull())
            find<QTextEdit>(editor)->setPlainText(text);
    }
    // A button name clicks it; "+box" checks a box, "-box" clears it, each through its slot.
    void act(const QString &action)
    {
        auto *button = find<QAbstractButton>(
            action.startsWith('+') || action.startsWith('-') ? action.mid(1) : action);
        if (action.startsWith('-')) {
            const QSignalBlocker quiet(button);
            button->setChecked(true);
        }
        button->click();
    }
};

// The process's standard output, redirected into a file while it lives.
class StdoutCapture
{
public:
    StdoutCapture() : saved_(dup(STDOUT_FILENO))
    {
        file_.open();
        std::fflush(stdout);
        dup2(file_.handle(), STDOUT_FILENO);
    }
    QByteArray finish()
    {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        QFile written(file_.fileName());
        written.open(QIODevice::ReadOnly);
        return written.readAll();
    }

private:
    QTemporaryFile file_;
    int saved_;
};

} // namespace

class CecInfoframeWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void limits_data();
    void limits();
    void sequences_data();
    void sequences();
    void sendAviKeepsItsResult_data();
    void sendAviKeepsItsResult();
    void badCharacterRefused_data();
    void badCharacterRefused();
};

void CecInfoframeWindowTest::limits_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sent"); // false: the command's length message, no traffic
    QTest::addColumn<QString>("refusal"); // when not sent; empty: the command's length message

    const QString huge = pairs(3333) + ' '; // 10,000 characters
    const struct {
        const char *button, *editor;
        int maxPairs; // longest text accepted: 3 * maxPairs - 1 characters
    } commands[] = {{"ButWriteCEC", "CECtext", 31},
                    {"ButSaveCEC_1", "CECtext", 20},
                    {"ButWriteIF", "IFtext", 31},
                    {"ButWriteAVI", "AVItext", 13}};
    for (const auto &c : commands) {
        auto row = [&](const char *what, const QString &text, bool sent,
                       const QString &refusal = QString()) {
            QTest::addRow("%s %s", c.button, what) << c.button << c.editor << text << sent
                                                   << refusal;
        };
        const bool cecSend = c.maxPairs == 31 && c.editor == QLatin1String("CECtext");
        if (cecSend) {
            // The length rule lets these through, but the bus carries 16 bytes at most.
            const QString bus = "Error: CEC carries at most 16 bytes (header, opcode and 14 "
                                "operands), this message has %1";
            row("16 bytes", pairs(16), true);
            row("17 bytes", pairs(17), false, bus.arg(17));
            row("31 bytes", pairs(31), false, bus.arg(31));
        } else {
            row("longest", pairs(c.maxPairs), true);
        }
        row("one more", pairs(c.maxPairs, 1), false);
        row("4 characters", "50:0", false);
        row("10,000 characters", huge, false);
        // Stored as text, not parsed: only the parsing commands refuse these.
        const bool parsed = c.maxPairs != 20;
        row("colon at 0", ":50:04", !parsed);
        row("no colon", "50 04 01", !parsed);
    }
}

void CecInfoframeWindowTest::limits()
{
    QFETCH(QString, button);
    QFETCH(QString, editor);
    QFETCH(QString, text);
    QFETCH(bool, sent);
    QFETCH(QString, refusal);
    Rig rig;
    rig.type(editor, text);
    rig.prompts.answers = {Prompts::Answer::Yes}; // HDR texts of 5a pairs: "...Send anyway?"
    rig.act(button);
    const QString message = rig.window->statusBar()->currentMessage();
    QCOMPARE(rig.model.requestCount() > 0, sent);
    QVERIFY2(message.endsWith("written...") == sent, qPrintable(message));
    if (!refusal.isEmpty())
        QCOMPARE(message, refusal);
    else if (!sent)
        QCOMPARE(message, button == "ButWriteAVI"        ? "Error: min 2, max 13 data bytes"
                          : button.startsWith("ButSave") ? "CEC values not correct"
                                                         : "Error: min 2, max 31 data bytes");
}

void CecInfoframeWindowTest::sequences_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("text"); // null: the editor keeps its start-up text
    QTest::addColumn<int>("fault");    // a fault kind for one request, Unplugged, or -1
    QTest::addColumn<int>("faultCode");
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("printed");

    const QString cecDone = "CEC values written...", ifDone = "Infoframe values written...";
    const QString aviDone = "AVI values written...", hdr = "87:01:02:aa:bb", avi = "60:c8:60:61:00";
    const QByteArray hdrStore = hex("1005e5870102aabb"), hdrOn = hex("1005b320");
    const QByteArray aviStore = hex("1005e660c8606100"), aviOn = hex("1005b380");
    const QByteArray cecSend = hex("1003b2500104"), cecOn = hex("1003b310");
    const QByteArray reg17 = hex("1004e01101"), reg33 = hex("1004e02101");
    const QByteArray cecFails = "\nError Populating CEC values.\n";
    const QByteArray ifFails = "\nError Populating IF values.\n";
    FakeClock clock;
    const DeviceModel fresh(clock);

    auto row = [](const char *tag, const char *action, const char *editor, const QString &text,
                  int fault, int code, const QList<QByteArray> &requests, const QString &status,
                  const QByteArray &printed = {}) {
        QTest::newRow(tag) << QString(action) << QString(editor) << text << fault << code
                           << requests << status << printed;
    };
    row("send 50:04", "ButWriteCEC", "CECtext", "50:04", -1, 0, {cecSend, cecOn}, cecDone);
    row("send 54:44:01", "ButWriteCEC", "CECtext", "54:44:01", -1, 0,
        {hex("1004b254024401"), hex("1004b310")}, cecDone);
    row("send wrong echo", "ButWriteCEC", "CECtext", "50:04", WrongEcho, 0xB2, {cecSend, cecOn},
        "Error Writing CEC command.");
    row("send activate fails", "ButWriteCEC", "CECtext", "50:04", WrongEcho, 0xB3, {cecSend, cecOn},
        cecDone, cecFails);
    row("store SP", "ButSaveCEC_1", "CECtext", "50:04", -1, 0, {hex("100ae3") + "CEC 50:04\r"},
        cecDone);
    row("store LP upper-cased", "ButSaveCEC_2", "CECtext", "5b:44:40", -1, 0,
        {hex("100de4") + "CEC 5B:44:40\r"}, cecDone);
    row("store wrong echo", "ButSaveCEC_1", "CECtext", "50:04", WrongEcho, 0xE3,
        {hex("100ae3") + "CEC 50:04\r"}, "Error Writing CEC values.");
    row("HDR", "ButWriteIF", "IFtext", hdr, -1, 0, {hdrStore, hdrOn}, ifDone);
    row("HDR start-up text", "ButWriteIF", "IFtext", {}, -1, 0,
        {hex("101ee5") + fresh.storedHdrInfoframe(), hex("101eb320")}, ifDone);
    row("HDR store silent", "ButWriteIF", "IFtext", hdr, Silent, 0xE5, {hdrStore, hdrOn},
        "Error Writing Infoframe values.");
    row("HDR activate fails", "ButWriteIF", "IFtext", hdr, WrongEcho, 0xB3, {hdrStore, hdrOn},
        ifDone, ifFails);
    row("HDR device gone", "ButWriteIF", "IFtext", hdr, Unplugged, 0, {},
        "Error Writing Infoframe values.", ifFails);
    row("AVI", "ButWriteAVI", "AVItext", avi, -1, 0, {aviStore, aviOn, hex("1004e02100")}, aviDone);
    row("AVI start-up text", "ButWriteAVI", "AVItext", {}, -1, 0,
        {hex("100de6") + fresh.storedAviInfoframe(), hex("100db380"), hex("1004e02100")}, aviDone);
    row("AVI store fails", "ButWriteAVI", "AVItext", avi, WrongEcho, 0xE6, {aviStore},
        "Error Writing AVI command.");
    row("AVI device gone", "ButWriteAVI", "AVItext", avi, Unplugged, 0, {},
        "Error Writing AVI command.");
    row("AVI activate fails", "ButWriteAVI", "AVItext", avi, WrongEcho, 0xB3, {aviStore, aviOn},
        aviDone, "\nError Activating AVI values.\n");
    row("AVI register fails", "ButWriteAVI", "AVItext", avi, WrongEcho, 0xE0,
        {aviStore, aviOn, hex("1004e02100")}, "Error Writing values");
    row("force HDR on", "+cbHdrForceMode", "IFtext", hdr, -1, 0, {hdrStore, hdrOn, reg17}, ifDone);
    row("force HDR on, too short", "+cbHdrForceMode", "IFtext", "87", -1, 0, {reg17},
        "Error: min 2, max 31 data bytes");
    row("force HDR off", "-cbHdrForceMode", "IFtext", hdr, -1, 0, {hex("1004e01100")}, "before");
    row("replace AVI on", "+cbAviPersistent", "AVItext", avi, -1, 0,
        {aviStore, aviOn, reg33, reg33}, aviDone);
    row("replace AVI on, too long", "+cbAviPersistent", "AVItext", pairs(14), -1, 0, {reg33},
        "Error: min 2, max 13 data bytes");
    row("replace AVI off", "-cbAviPersistent", "AVItext", avi, -1, 0, {hex("1004e02100")},
        "before");
}

void CecInfoframeWindowTest::sequences()
{
    QFETCH(QString, action);
    QFETCH(QString, editor);
    QFETCH(QString, text);
    QFETCH(int, fault);
    QFETCH(int, faultCode);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(QString, status);
    QFETCH(QByteArray, printed);
    Rig rig;
    rig.type(editor, text);
    if (fault == Unplugged)
        rig.model.setUnplugged(true);
    else if (fault >= 0)
        rig.model.addFault({DeviceModel::FaultKind(fault), faultCode, 1, 0});

    StdoutCapture capture;
    rig.prompts.answers = {Prompts::Answer::Yes}; // the malformed HDR frames are sent anyway
    rig.act(action);
    QCOMPARE(capture.finish(), printed);
    QCOMPARE(rig.model.requests(), requests);
    QCOMPARE(rig.window->statusBar()->currentMessage(), status);
    for (const FakePrompts::Shown &shown : rig.prompts.shown)
        QVERIFY2(shown.kind == "question" && shown.text.endsWith("Send anyway?"),
                 qPrintable(shown.text));
    QVERIFY(rig.alerts.shown.isEmpty());
    // The pause comes after the write's own exchange, which a silent device makes last 4000 ms.
    const int gap = 100 + (fault == Silent ? 4000 : 0);
    const QList<DeviceModel::Exchange> &log = rig.model.exchanges();
    for (int i = 1; i < log.size(); ++i)
        if (quint8(log[i].request[2]) == 0xB3)
            QCOMPARE(int(log[i].tick - log[i - 1].tick), gap);
}

void CecInfoframeWindowTest::sendAviKeepsItsResult_data()
{
    QTest::addColumn<int>("faultCode"); // wrong echo on this code; 0: none
    QTest::addColumn<bool>("result");
    QTest::newRow("stored and activated") << 0 << true;
    QTest::newRow("activate fails") << 0xB3 << false;
}

void CecInfoframeWindowTest::sendAviKeepsItsResult()
{
    QFETCH(int, faultCode);
    QFETCH(bool, result);
    Rig rig;
    // Checked without its click: only the send's own register write may follow.
    rig.find<QAbstractButton>("cbAviPersistent")->setChecked(true);
    QCOMPARE(rig.window->settingsCopy()[33], std::uint8_t(0));
    if (faultCode != 0)
        rig.model.addFault({DeviceModel::FaultKind::WrongEcho, faultCode, 1, 0});

    StdoutCapture capture; // keeps the activate failure's line out of the test log
    bool returned = !result;
    QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "sendAVI", Qt::DirectConnection,
                                      Q_RETURN_ARG(bool, returned)));
    capture.finish();
    QVERIFY(returned); // the editor's bytes went out; the device's answer shows in the copy
    QCOMPARE(rig.model.registerWrites(33), result ? QList<std::uint8_t>{1} : QList<std::uint8_t>{});
    QCOMPARE(rig.window->settingsCopy()[33], std::uint8_t(result ? 1 : 0));
}

void CecInfoframeWindowTest::badCharacterRefused_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("box");
    const auto row = [](const char *button, const char *editor, const char *text, int position) {
        QTest::newRow(button) << button << editor << text
                              << QStringLiteral("'%1' at position %2 is not a hex digit")
                                     .arg(QLatin1Char(text[position - 1]))
                                     .arg(position);
    };
    row("ButWriteCEC", "CECtext", "4g:04", 2);
    row("ButSaveCEC_1", "CECtext", "50:0g", 5);
    row("ButSaveCEC_2", "CECtext", "50:x4:01", 4);
    row("ButWriteIF", "IFtext", "87:01:zz:00", 7);
    row("ButWriteAVI", "AVItext", "60:c8:6o:61", 8);
    // A group the length rule lets through but which is not one byte.
    const auto group = [](const char *tag, const char *button, const char *editor,
                          const char *text, const char *box) {
        QTest::newRow(tag) << button << editor << text
                           << QStringLiteral("%1 is not two hex digits").arg(box);
    };
    group("CEC send 50:004", "ButWriteCEC", "CECtext", "50:004", "'004' at position 4");
    group("CEC send 50:4:04", "ButWriteCEC", "CECtext", "50:4:04", "'4' at position 4");
    group("CEC store 50:004", "ButSaveCEC_1", "CECtext", "50:004", "'004' at position 4");
    group("HDR 87:001", "ButWriteIF", "IFtext", "87:001:02:aa", "'001' at position 4");
    group("AVI 60:c:60", "ButWriteAVI", "AVItext", "60:c:60:61", "'c' at position 4");
}

// Refused where it is typed: a box, nothing on the wire, the status bar untouched.
void CecInfoframeWindowTest::badCharacterRefused()
{
    QFETCH(QString, button);
    QFETCH(QString, editor);
    QFETCH(QString, text);
    QFETCH(QString, box);
    Rig rig;
    rig.type(editor, text);
    rig.act(button);
    QCOMPARE(rig.model.requestCount(), 0);
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].text, box);
    QCOMPARE(rig.window->statusBar()->currentMessage(), QStringLiteral("before"));
}

QTEST_MAIN(CecInfoframeWindowTest)
#include "CecInfoframeWindowTest.moc"
