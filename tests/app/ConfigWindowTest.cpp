// The File menu's configuration save and load: the real window on the in-process device model,
// in fake time. The file format and the load's rules are ConfigTest's; here, what the window asks
// and tells, and that nothing is sent before the user agrees.
#include "TestWindow.h"

#include "FakePrompts.h"
#include "ModelLink.h"
#include "settings/Catalog.h"

#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace
{

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;
    QTemporaryDir dir;
    const int inputByte = settings::findSetting("input")->byte;

    Rig()
    {
        window = std::make_unique<TestWindow>(link, prompts);
        model.setBusy(false);
    }
    void trigger(const char *action, const QString &fileName)
    {
        prompts.fileNames = {fileName};
        prompts.shown.clear();
        window->findChild<QAction *>(action)->trigger();
    }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString file() const { return dir.filePath("unit.json"); }
};

} // namespace

class ConfigWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void loadAsksBeforeWriting_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: the file the window saved
        QTest::addColumn<bool>("otherFirmware");
        QTest::addColumn<QList<Prompts::Answer>>("answers");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<QString>("shown"); // the last box's kind
        using A = Prompts::Answer;
        QTest::newRow("yes: written")
            << QByteArray() << false << QList<A>{A::Yes} << true << "question";
        QTest::newRow("no: nothing sent")
            << QByteArray() << false << QList<A>{A::No} << false << "question";
        QTest::newRow("other firmware, no")
            << QByteArray() << true << QList<A>{A::No} << false << "question";
        QTest::newRow("not JSON: a box, nothing sent")
            << QByteArray("{") << false << QList<A>{A::Yes} << false << "warning";
    }
    void loadAsksBeforeWriting()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, otherFirmware);
        QFETCH(QList<Prompts::Answer>, answers);
        QFETCH(bool, restored);
        QFETCH(QString, shown);
        Rig rig;
        rig.trigger("actionSaveConfiguration", rig.file());
        QCOMPARE(rig.status(), QStringLiteral("Configuration saved to %1").arg(rig.file()));
        if (!contents.isEmpty()) {
            QFile f(rig.file());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        const std::uint8_t saved = std::uint8_t(rig.model.settings().at(rig.inputByte));
        rig.model.setSetting(rig.inputByte, saved ^ 1);
        if (otherFirmware)
            rig.model.setFirmwareVersion(9, 9, 9, 9);

        rig.prompts.answers = answers;
        rig.trigger("actionLoadConfiguration", rig.file());
        QCOMPARE(rig.prompts.shown.last().kind, shown);
        QCOMPARE(rig.model.settings().at(rig.inputByte) == char(saved), restored);
        if (restored)
            QVERIFY2(rig.status().startsWith("Configuration loaded: 1 set"),
                     qPrintable(rig.status()));
        if (shown == "question" && !otherFirmware)
            QVERIFY(rig.prompts.shown.last().informativeText.startsWith("input "));
    }

    void saveWithoutDeviceSaysWhy()
    {
        Rig rig;
        rig.window->deviceWorker().run<bool>(
            [](session::WindowSession &w) {
                w.deviceGone();
                return true;
            },
            nullptr, {});
        rig.trigger("actionSaveConfiguration", rig.file());
        QCOMPARE(rig.status(),
                 QStringLiteral("Cannot save configuration: KORVALIS USB not connected"));
        QVERIFY(!QFile::exists(rig.file()));
    }
};

QTEST_MAIN(ConfigWindowTest)
#include "ConfigWindowTest.moc"
