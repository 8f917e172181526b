// Every risky question of the window, asked by the real message box: No is its default, so
// Enter (and Escape) leaves the device and the editor as they were.
#include "TestWindow.h"
#include "app/QtPrompts.h"
#include "edid/EdidText.h"

#include "ModelLink.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace
{

// Real boxes; the file dialogs answer from a list.
class ScriptedFiles : public QtPrompts
{
public:
    QStringList names;
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return names.isEmpty() ? QString() : names.takeFirst();
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return names.isEmpty() ? QString() : names.takeFirst();
    }
};

// Answers each modal box with `key`, noting its words and whether No was its default.
struct BoxAnswerer {
    QStringList texts;
    bool allDefaultNo = true;
    QTimer timer;
    explicit BoxAnswerer(Qt::Key key)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, key] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            texts << box->text() + ' ' + box->informativeText();
            allDefaultNo = allDefaultNo && box->defaultButton() != nullptr &&
                           static_cast<QAbstractButton *>(box->defaultButton()) ==
                               box->button(QMessageBox::No);
            QTest::keyClick(box, key);
        });
        timer.start(1);
    }
};

struct Rig : ModelLink {
    ScriptedFiles prompts;
    std::unique_ptr<TestWindow> window;
    QTemporaryDir dir;

    Rig()
    {
        model.setSetting(2, 3); // CUSTOM mode with the uploaded table: writes are allowed
        model.setSetting(19, 1);
        window = std::make_unique<TestWindow>(link, prompts);
        tick();
    }
    void tick()
    {
        QTimerEvent event(0x7ABC);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    QTextEdit *editor() const { return window->findChild<QTextEdit *>("EDIDtext"); }
    // The device's own table with a byte changed and its checksums left wrong.
    QString otherTable() const
    {
        edid::Table t{};
        std::copy_n(model.ownEdid().constData(), t.size(), t.begin());
        t[20] ^= 0x5A;
        return edid::edidTableText(t);
    }
    int writes() const
    {
        return model.countRequests(cmd::RegisterWrite, cmd::DirWrite) +
               model.countRequests(cmd::EdidData, cmd::DirWrite) +
               model.countRequests(cmd::EdidCommit);
    }
    void run(const char *slot) { QVERIFY(QMetaObject::invokeMethod(window.get(), slot)); }
};

} // namespace

class QuestionDefaultTest : public QObject
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
    void safeAnswerByDefault_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("question"); // a part of the box's words
        QTest::addColumn<int>("key");
        QTest::newRow("table without header")
            << "no header" << "The table has no EDID header. Write it anyway?" << int(Qt::Key_Return);
        QTest::newRow("table with wrong checksums")
            << "bad checksum" << "Write anyway?" << int(Qt::Key_Return);
        QTest::newRow("new checksum")
            << "checksum button" << "calculate a new checksum" << int(Qt::Key_Return);
        QTest::newRow("re-read replaces the editor's table")
            << "mode change" << "Replace the table in the editor" << int(Qt::Key_Return);
        QTest::newRow("another firmware's configuration")
            << "other firmware" << "Load it anyway?" << int(Qt::Key_Return);
        QTest::newRow("configuration changes, Escape")
            << "configuration" << "Write these changes" << int(Qt::Key_Escape);
    }
    void safeAnswerByDefault()
    {
        QFETCH(QString, situation);
        QFETCH(QString, question);
        QFETCH(int, key);
        Rig rig;
        const QString file = rig.dir.filePath("unit.json");
        if (situation == "other firmware" || situation == "configuration") {
            rig.prompts.names << file;
            rig.window->findChild<QAction *>("actionSaveConfiguration")->trigger();
            rig.model.setSetting(0, 2);
            if (situation == "other firmware")
                rig.model.setFirmwareVersion(9, 9, 9, 9);
        }
        if (situation == "mode change") {
            rig.window->findChild<QAbstractButton *>("fixedEDID")->click();
            rig.model.setBusy(false);
        }
        rig.editor()->setPlainText(situation == "no header" ? QString() : rig.otherTable());
        const QString before = rig.editor()->toPlainText();
        rig.model.clearLog();

        BoxAnswerer answerer{Qt::Key(key)};
        if (situation == "no header" || situation == "bad checksum")
            rig.run("WriteEDID");
        else if (situation == "checksum button")
            rig.run("CalculateChkSum");
        else if (situation == "mode change")
            rig.tick();
        else {
            rig.prompts.names << file;
            rig.window->findChild<QAction *>("actionLoadConfiguration")->trigger();
        }

        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts[0].contains(question), qPrintable(answerer.texts[0]));
        QVERIFY(answerer.allDefaultNo);
        QCOMPARE(rig.writes(), 0);
        QCOMPARE(rig.editor()->toPlainText(), before);
    }
};

QTEST_MAIN(QuestionDefaultTest)
#include "QuestionDefaultTest.moc"
