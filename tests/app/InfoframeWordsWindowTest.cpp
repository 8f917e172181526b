// The HDR/IF page's infoframes in words, the two field dialogs and the question before a
// malformed HDR frame, on the real window of each form against the device model.
#include "WindowRig.h"
#include "app/AviFieldsDialog.h"
#include "app/HdrMetadataDialog.h"
#include "cec_infoframes/HdrColour.h"

#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QTimerEvent>
#include <QtTest>
#include <memory>

namespace
{

const char kHdr10[] = "87:01:1a:91:02:00:48:8a:08:39:34:21:aa:9b:96:19:fc:08:13:3d:42:40:e8:03:"
                      "32:00:e8:03:90:01";

struct Rig : WindowRig {
    QTextEdit *editor(const QString &name) { return window->findChild<QTextEdit *>(name); }
    QLabel *words(const QString &accessibleName)
    {
        for (QLabel *label : window->findChildren<QLabel *>())
            if (label->accessibleName() == accessibleName)
                return label;
        return nullptr;
    }
    // Triggers the context menu's `action` and runs `act` on the dialog it opens, which then
    // closes as it says.
    template <class Dialog> void inDialog(const QString &action, std::function<void(Dialog &)> act)
    {
        // A window closed earlier ended the application's loop, and every loop after it would
        // end at once: one turn of the application's own loop clears that.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QTimer::singleShot(0, window.get(), [act] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            act(*dialog);
        });
        window->findChild<QAction *>(action)->trigger();
    }
};

} // namespace

class InfoframeWordsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void wordsFollowTheEditors_data()
    {
        QTest::addColumn<QString>("signal"); // the source, for the capture
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("text"); // null: left as start-up gave it
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("words"); // contained
        QTest::newRow("custom HDR") << ""
                                    << "IFtext" << kHdr10 << "Custom HDR in words"
                                    << "PQ, BT.2020, D65, 1000 / 0.0050 cd/m², MaxCLL 1000";
        QTest::newRow("custom HDR, no hex") << ""
                                            << "IFtext"
                                            << "87:0g"
                                            << "Custom HDR in words"
                                            << "'g' at position 5";
        QTest::newRow("custom AVI") << ""
                                    << "AVItext"
                                    << "60:c8:60:61:00"
                                    << "Custom AVI in words"
                                    << "YCbCr 4:2:0, BT.2020, quantization default, VIC 97 "
                                       "(3840x2160p60)";
        QTest::newRow("capture of an HDR10 source") << "4k60-420-hdr10"
                                                    << "" << QString() << "HDR capture in words"
                                                    << "PQ, BT.2020";
        QTest::newRow("no capture") << "1080p60"
                                    << "" << QString() << "HDR capture in words"
                                    << "No HDR infoframe from the source";
    }
    void wordsFollowTheEditors()
    {
        QFETCH(QString, signal);
        QFETCH(QString, editor);
        QFETCH(QString, text);
        QFETCH(QString, label);
        QFETCH(QString, words);
        Rig rig;
        if (!signal.isEmpty()) {
            QVERIFY(rig.model.selectSignal(signal));
            rig.tick();
        }
        if (!text.isNull())
            rig.editor(editor)->setPlainText(text);
        QLabel *shown = rig.words(label);
        QVERIFY(shown != nullptr);
        QVERIFY2(shown->accessibleDescription().contains(words),
                 qPrintable(shown->accessibleDescription()));
    }

    // The added rows open a band of their own: nothing of the form lies under them.
    void addedRowsCoverNothing()
    {
        Rig rig;

        for (const char *name :
             {"Custom HDR in words", "Custom AVI in words", "HDR capture in words"}) {
            QWidget *row = rig.words(name)->parentWidget();
            const QRect band = row->geometry();
            for (QWidget *other :
                 row->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                QVERIFY2(other == row || !other->geometry().intersects(band),
                         qPrintable(name + QString(" covers ") + other->objectName()));
        }
    }

    void malformedFrameAsks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("answer"); // -1: no question expected
        QTest::addColumn<bool>("sent");
        QTest::newRow("well formed") << kHdr10 << -1 << true;
        QTest::newRow("malformed, No") << "87:01:1a:91:02" << int(Prompts::Answer::No) << false;
        QTest::newRow("malformed, Yes") << "87:01:1a:91:02" << int(Prompts::Answer::Yes) << true;
    }
    void malformedFrameAsks()
    {
        QFETCH(QString, text);
        QFETCH(int, answer);
        QFETCH(bool, sent);
        Rig rig;
        rig.editor("IFtext")->setPlainText(text);
        if (answer >= 0)
            rig.prompts.answers = {Prompts::Answer(answer)};
        rig.window->findChild<QAbstractButton *>("ButWriteIF")->click();
        QCOMPARE(rig.prompts.shown.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0)
            QVERIFY(rig.prompts.shown[0].text.contains("the bytes need 0x5c"));
        QCOMPARE(rig.model.requestCount() > 0, sent);
    }

    void dialogsWriteTheEditors_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("result");
        QTest::newRow("HDR preset") << "preset"
                                    << "IFtext"
                                    << "" << kHdr10;
        // The capture's primaries keep its order (green first); only the max changes.
        QTest::newRow("capture, lower max")
            << "capture"
            << "IFtext"
            << ""
            << "87:01:1a:22:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:58:02:32:00:"
               "e8:03:90:01";
        QTest::newRow("HDR cancelled") << "cancel"
                                       << "IFtext"
                                       << "87:01"
                                       << "87:01";
        QTest::newRow("AVI VIC") << "vic"
                                 << "AVItext"
                                 << "60:c8:60:61:00"
                                 << "60:c8:60:10:00";
        QTest::newRow("AVI keeps 13 bytes") << "vic"
                                            << "AVItext"
                                            << "60:c8:60:61:00:01:02:03:04:05:06:07:08"
                                            << "60:c8:60:10:00:01:02:03:04:05:06:07:08";
    }
    void dialogsWriteTheEditors()
    {
        QFETCH(QString, action);
        QFETCH(QString, editor);
        QFETCH(QString, start);
        QFETCH(QString, result);
        Rig rig;
        QVERIFY(rig.model.selectSignal("4k60-420-hdr10"));
        rig.tick();
        rig.editor(editor)->setPlainText(start);
        if (editor == "AVItext") {
            rig.inDialog<AviFieldsDialog>("actionAviFields", [](AviFieldsDialog &d) {
                d.findChild<QSpinBox *>()->setValue(16);
                d.accept();
            });
        } else {
            rig.inDialog<HdrMetadataDialog>("actionHdrMetadata", [action](HdrMetadataDialog &d) {
                if (action == "preset")
                    d.setMetadata(infoframe::findHdrPreset("hdr10-1000")->metadata);
                if (action == "capture") {
                    for (QAbstractButton *b : d.findChildren<QAbstractButton *>())
                        if (b->text() == "Copy from capture")
                            b->click();
                    infoframe::HdrMetadata m = d.metadata();
                    m.maxLuminance = 600;
                    d.setMetadata(m);
                }
                action == "cancel" ? d.reject() : d.accept();
            });
        }
        QCOMPARE(rig.editor(editor)->toPlainText(), result);
    }
};

QTEST_MAIN(InfoframeWordsWindowTest)
#include "InfoframeWordsWindowTest.moc"
