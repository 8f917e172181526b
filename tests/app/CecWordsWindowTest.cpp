// The CEC page in words on the real window: the words follow the editor, a named command fills
// the editor, and Send CEC sends what it holds.
#include "WindowRig.h"
#include "sim/DeviceModel.h"

#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimerEvent>
#include <QtTest>
#include <memory>

namespace
{

struct Rig : WindowRig {
    QString words() const { return find<QLabel>("lblCecWords")->text(); }
    QString editor() const { return find<QTextEdit>("CECtext")->toPlainText(); }
};

} // namespace

class CecWordsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void wordsFollowTheEditor_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("words");
        QTest::newRow("message") << "5f:82:10:00"
                                 << "Audio System to Broadcast (5 to 15): Active Source (0x82)\n"
                                    "physical address: 1.0.0.0";
        QTest::newRow("not colon hex") << "50:004" << "'50:004' is not colon hex (two hex digits "
                                                      "per byte, joined by colons, like 50:04)";
        QTest::newRow("emptied") << "" << "";
    }
    void wordsFollowTheEditor()
    {
        QFETCH(QString, typed);
        QFETCH(QString, words);
        Rig rig;
        QVERIFY(!rig.words().isEmpty()); // the start-up text's words
        rig.find<QTextEdit>("CECtext")->setPlainText(typed);
        QCOMPARE(rig.words(), words);
        QCOMPARE(rig.find<QLabel>("lblCecWords")->accessibleName(),
                 QStringLiteral("CEC message in words"));
    }

    void commandFillsTheEditor_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("destination"); // -1: the command's own
        QTest::addColumn<QString>("operand");
        QTest::addColumn<QString>("editor"); // afterwards; Send CEC sends it
        QTest::addColumn<QString>("words");  // the start of the words afterwards
        QTest::newRow("image view on") << "image-view-on" << -1 << "" << "50:04"
                                       << "Audio System to TV";
        QTest::newRow("standby to all") << "standby" << 15 << "" << "5f:36"
                                        << "Audio System to Broadcast";
        QTest::newRow("set stream path") << "set-stream-path" << -1 << "2.0.0.0" << "5f:86:20:00"
                                         << "Audio System to Broadcast (5 to 15): Set Stream Path";
        QTest::newRow("key named with a blank") << "user-control" << -1 << "volume up" << "50:44:41"
                                                << "Audio System to TV (5 to 0): User Control";
        QTest::newRow("bad address: editor kept") << "active-source" << -1 << "2.0" << "50:04"
                                                  << "'2.0' is no physical address";
        QTest::newRow("directed broadcast: the last good one kept")
            << "give-osd-name" << 15 << "" << "50:46" << "give-osd-name: Give OSD Name goes to one";
    }
    void commandFillsTheEditor()
    {
        QFETCH(QString, command);
        QFETCH(int, destination);
        QFETCH(QString, operand);
        QFETCH(QString, editor);
        QFETCH(QString, words);
        Rig rig;
        QCOMPARE(rig.editor(), QStringLiteral("50:04"));
        auto *commands = rig.find<QComboBox>("cmbCecCommand");
        const int index = commands->findText(command);
        commands->setCurrentIndex(index);
        emit commands->activated(index);
        if (destination >= 0) {
            auto *to = rig.find<QComboBox>("cmbCecDestination");
            to->setCurrentIndex(to->findData(destination));
            emit to->activated(to->currentIndex());
        }
        QTest::keyClicks(rig.find<QLineEdit>("leCecOperand"), operand);
        QCOMPARE(rig.editor(), editor);
        QVERIFY2(rig.words().startsWith(words), qPrintable(rig.words()));

        rig.find<QAbstractButton>("ButWriteCEC")->click();
        const QByteArray message = QByteArray::fromHex(editor.toLatin1().replace(':', ""));
        const QByteArray send = QByteArray::fromHex("10") + char(message.size() + 1) + '\xb2' +
                                message.left(1) + char(message.size() - 1) + message.mid(1);
        QCOMPARE(rig.model.requests().value(0), send);
    }

    // The help keeps its own texts; each example gets its words beside it.
    void examplesInWords()
    {
        Rig rig;
        const QString help = rig.find<QLabel>("label_2")->text();
        for (const char *kept : {"0f:36 - turn off [broadcast]", "5b:44:40 - toggle power"})
            QVERIFY2(help.contains(QLatin1String(kept)), qPrintable(help));
        for (const char *words : {"TV to Broadcast: Standby", "Audio System to Playback 3: User "
                                                               "Control Pressed, power"})
            QVERIFY2(help.contains(QLatin1String(words)), qPrintable(help));
    }
};

QTEST_MAIN(CecWordsWindowTest)
#include "CecWordsWindowTest.moc"
