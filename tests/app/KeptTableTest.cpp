// The table the user made in the EDID editor survives the re-read after an EDID mode or table
// change (the table choice alone reads nothing back) unless the user lets it go: the real window on the device model, in fake time.
#include "TestWindow.h"
#include "app/KeptTable.h"
#include "edid/EdidText.h"

#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>
#include <memory>

namespace
{

edid::Table toTable(const QByteArray &b)
{
    edid::Table t{};
    std::copy_n(b.constData(), std::min<int>(int(b.size()), edid::TableSize), t.begin());
    return t;
}

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;

    Rig()
    {
        model.setSetting(2, 3); // CUSTOM mode, the uploaded table: the editor is enabled
        model.setSetting(19, 1);
        window = std::make_unique<TestWindow>(link, prompts);
        tick(); // the start-up's rebuild wait ends
    }
    void tick()
    {
        QTimerEvent event(0x7ABC);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    QTextEdit *editor() const { return window->findChild<QTextEdit *>("EDIDtext"); }
    QString deviceText() const { return edid::edidTableText(toTable(model.ownEdid())); }
};

} // namespace

class KeptTableTest : public QObject
{
    Q_OBJECT

private slots:
    void reReadAfterChange_data()
    {
        QTest::addColumn<QString>("editor"); // "device", "other" (a valid table), "typed", ""
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("kept");
        const int yes = int(Prompts::Answer::Yes), no = int(Prompts::Answer::No);
        QTest::newRow("device's table") << "device" << false << no << false;
        QTest::newRow("empty editor") << "" << false << no << false;
        QTest::newRow("other table, no") << "other" << true << no << true;
        QTest::newRow("other table, yes") << "other" << true << yes << false;
        QTest::newRow("half typed, no") << "typed" << true << no << true;
    }
    void reReadAfterChange()
    {
        QFETCH(QString, editor);
        QFETCH(bool, asked);
        QFETCH(int, answer);
        QFETCH(bool, kept);
        Rig rig;
        edid::Table other = toTable(rig.model.ownEdid());
        other[20] ^= 0x5A;
        const QString before = editor == "device" ? rig.deviceText()
                               : editor == "other" ? edid::edidTableText(other)
                               : editor == "typed" ? QStringLiteral("00 FF FF F")
                                                   : QString();
        rig.editor()->setPlainText(before);
        rig.prompts.answers << Prompts::Answer(answer);

        rig.window->findChild<QAbstractButton *>("fixedEDID")->click();
        rig.model.setBusy(false);
        rig.tick();

        QCOMPARE(rig.prompts.shown.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(rig.prompts.shown[0].text,
                     QStringLiteral("Replace the table in the editor with the device's?"));
        QCOMPARE(rig.editor()->toPlainText(), kept ? before : rig.deviceText());
        QCOMPARE(rig.window->statusBar()->currentMessage().contains("keeps its table"), kept);
    }

    // A written table is the device's: the next re-read replaces it without a question.
    void writtenTableIsTheDevices()
    {
        Rig rig;
        edid::Table other = toTable(rig.model.ownEdid());
        other[20] ^= 0x5A;
        rig.editor()->setPlainText(edid::edidTableText(edid::withChecksums(other)));
        QVERIFY(QMetaObject::invokeMethod(rig.window.get(), "WriteEDID"));
        QCOMPARE(rig.prompts.shown.size(), 0);
        QCOMPARE(keptedid::editorHoldsUserTable(rig.editor()->toPlainText(),
                                                toTable(rig.model.ownEdid())),
                 false);
        rig.window->findChild<QAbstractButton *>("customEDID")->click();
        rig.model.setBusy(false);
        rig.tick();
        QCOMPARE(rig.prompts.shown.size(), 0);
        QCOMPARE(rig.editor()->toPlainText(), rig.deviceText());
    }
};

QTEST_MAIN(KeptTableTest)
#include "KeptTableTest.moc"
