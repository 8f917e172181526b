// The EDID page end to end: the real window with its form on the in-process device model, in
// fake time. Requests are checked byte for byte.
#include "TestWindow.h"
#include "app/MainWindow.h"
#include "edid/EdidReport.h"
#include "edid/EdidText.h"

#include "Bytes.h"
#include "FakePrompts.h"
#include "ModelLink.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimerEvent>
#include <QtTest>
#include <memory>

namespace
{

using Kind = DeviceModel::FaultKind;

edid::Table toTable(const QByteArray &b)
{
    edid::Table t{};
    std::copy_n(b.constData(), std::min<int>(int(b.size()), edid::TableSize), t.begin());
    return t;
}

struct Rig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;

    void start()
    {
        window = std::make_unique<TestWindow>(link, prompts);
        tick(); // finishes the start-up rebuild wait
        model.clearLog();
    }
    void tick()
    {
        QTimerEvent event(0x7ABC);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    void run(const char *slot) { QVERIFY(QMetaObject::invokeMethod(window.get(), slot)); }
    template <class T> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QTextEdit *editor() const { return find<QTextEdit>("EDIDtext"); }
    // Answers the open dialog with a file of `contents` in `dir`, then loads it.
    QString load(const QTemporaryDir &dir, const QByteArray &contents)
    {
        const QString name = dir.filePath("table");
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(name));
        file.close();
        prompts.fileNames << name;
        run("LoadEDIDfromFile");
        return name;
    }
    QString status() const { return window->statusBar()->currentMessage(); }
    // Device in CUSTOM mode with the uploaded table chosen, shown by a poll.
    void customMode()
    {
        model.setSetting(2, 3);
        model.setSetting(19, 1);
        model.setBusy(false);
        tick();
        model.clearLog();
    }
    // "colour size weight" of every fragment of the editor, without repeats.
    QStringList looks() const
    {
        QStringList out;
        for (QTextBlock b = editor()->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                const QString look = QStringLiteral("%1 %2 %3")
                                         .arg(f.foreground().color().name(QColor::HexArgb))
                                         .arg(f.fontPointSize())
                                         .arg(f.fontWeight());
                if (!out.contains(look))
                    out << look;
            }
        return out;
    }
};

QString look(const char *colour, int size, int weight)
{
    return QStringLiteral("%1 %2 %3").arg(QLatin1String(colour)).arg(size).arg(weight);
}

} // namespace

class EdidWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpReads();
    void fetchFailureKeepsEditor_data();
    void fetchFailureKeepsEditor();
    void writeAndReadWithProgress();
    void writeRefusedOutsideCustom_data();
    void writeRefusedOutsideCustom();
    void modeChangeWaitsThenReads();
    void calculateChecksum_data();
    void calculateChecksum();
    void loadTextFile();
    void saveFailureShowsBox();
    void detailsFollowEditor();
    void badCharacterRefused_data();
    void badCharacterRefused();
    void headerQuestion_data();
    void headerQuestion();
    void problemsToldNotRefused();
    void loadRefused_data();
    void loadRefused();
};

void EdidWindowTest::startUpReads()
{
    Rig rig;
    rig.window = std::make_unique<TestWindow>(rig.link, rig.prompts);
    QList<QByteArray> requests = rig.model.requests();
    const int fetch = int(requests.indexOf(bytes({0x10, 0x01, 0xB4})));
    QVERIFY(fetch >= 0);
    requests = requests.mid(fetch + 1);
    int settingsReads = 0;
    while (!requests.isEmpty() && requests.first() == bytes({0x11, 42, 0xE1})) {
        requests.removeFirst();
        ++settingsReads;
    }
    QVERIFY(settingsReads >= 1);
    QList<QByteArray> chunks;
    for (int offset = 0; offset < 256; offset += 16)
        chunks << bytes({0x11, 0x10, 0xB0, offset});
    QCOMPARE(requests, chunks);

    QCOMPARE(rig.editor()->toPlainText(), edid::edidTableText(toTable(rig.model.ownEdid())));
    QCOMPARE(rig.looks(), QStringList{look("#ff000000", 8, QFont::Normal)});
    QCOMPARE(rig.status(), QStringLiteral("EDID values read."));

    // The first tick reads once more, then the wait is over.
    rig.model.clearLog();
    rig.tick();
    QCOMPARE(rig.model.countRequests(0xB4), 1);
    QCOMPARE(rig.model.countRequests(0xB0, 0x11), 16);
    rig.tick();
    QCOMPARE(rig.model.countRequests(0xB4), 1);
}

void EdidWindowTest::fetchFailureKeepsEditor_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<int>("fault"); // -1: none
    QTest::newRow("own fetch silent") << QByteArray("ReadEDID") << int(Kind::NoReply);
    QTest::newRow("own fetch not echoed") << QByteArray("ReadEDID") << int(Kind::WrongEcho);
    QTest::newRow("no display on B") << QByteArray("readTvEdidB") << -1;
}

void EdidWindowTest::fetchFailureKeepsEditor()
{
    QFETCH(QByteArray, slot);
    QFETCH(int, fault);
    Rig rig;
    rig.start();
    rig.editor()->setPlainText("AB");
    if (fault >= 0)
        rig.model.addFault({Kind(fault), 0xB4, 1, 0});
    rig.run(slot.constData());
    QCOMPARE(rig.editor()->toPlainText(), QStringLiteral("AB"));
    QCOMPARE(rig.status(), QStringLiteral("Error Writing values"));
    QCOMPARE(rig.model.requestCount(), 1); // the fetch alone
    QVERIFY(rig.find<QProgressBar>("")->isHidden());
}

void EdidWindowTest::writeAndReadWithProgress()
{
    Rig rig;
    rig.start();
    rig.customMode();
    auto *bar = rig.find<QProgressBar>("");
    QCOMPARE(bar->parent(), rig.window->statusBar());
    QVERIFY(!bar->isTextVisible());
    QList<int> seen, expected; // value, maximum, shown
    connect(bar, &QProgressBar::valueChanged, bar,
            [&](int v) { seen << v << bar->maximum() << int(!bar->isHidden()); });
    edid::Table table{};
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = std::uint8_t(255 - i);
    std::copy_n("\x00\xFF\xFF\xFF\xFF\xFF\xFF\x00", 8, table.begin()); // no question
    table = edid::withChecksums(table);
    rig.editor()->setPlainText(edid::edidTableText(table));
    rig.run("WriteEDID");

    QList<QByteArray> requests;
    for (int offset = 0; offset < 256; offset += 8)
        requests << bytes({0x10, 0x08, 0xB0, offset}) +
                        QByteArray(reinterpret_cast<const char *>(table.data()) + offset, 8);
    requests << bytes({0x10, 0x08, 0xB1});
    QCOMPARE(rig.model.requests(), requests);
    QCOMPARE(toTable(rig.model.uploadedEdid()), table);
    QCOMPARE(rig.status(), QStringLiteral("EDID values written..."));
    for (int i = 1; i < 32; ++i)
        expected << i << 32 << 1;
    QCOMPARE(seen, expected);
    QVERIFY(bar->isHidden());

    seen.clear();
    expected.clear();
    rig.run("ReadEDID");
    for (int offset = 16; offset < 256; offset += 16)
        expected << offset << 255 << 1;
    QCOMPARE(seen, expected);
    QVERIFY(bar->isHidden());
}

void EdidWindowTest::writeRefusedOutsideCustom_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<int>("table");
    QTest::newRow("automix") << QByteArray("automixEDID") << 0;
    QTest::newRow("fixed") << QByteArray("fixedEDID") << 0;
    QTest::newRow("custom, table 2") << QByteArray("customEDID") << 1;
}

void EdidWindowTest::writeRefusedOutsideCustom()
{
    QFETCH(QByteArray, mode);
    QFETCH(int, table);
    Rig rig;
    rig.start();
    rig.find<QAbstractButton>(mode.constData())->setChecked(true);
    rig.find<QComboBox>("cmBEdid")->setCurrentIndex(table);
    rig.model.clearLog();
    rig.run("WriteEDID");
    QCOMPARE(rig.model.requestCount(), 0);
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].text,
             QStringLiteral("\nSelect CUSTOM EDID TABLE mode to upload an EDID table\n"));
    QVERIFY(rig.prompts.shown[0].hadParent);
}

void EdidWindowTest::modeChangeWaitsThenReads()
{
    Rig rig;
    rig.start();
    rig.customMode();
    rig.editor()->setEnabled(true);
    rig.find<QAbstractButton>("fixedEDID")->click();
    QCOMPARE(rig.model.registerWrites(5), QList<std::uint8_t>{2});
    QVERIFY(!rig.editor()->isEnabled());
    QCOMPARE(rig.status(), QStringLiteral("EDID Writing Busy"));
    QVERIFY(rig.window->edidRebuildPending());

    rig.model.setBusy(true);
    rig.tick();
    QCOMPARE(rig.model.countRequests(0xB4), 0);
    QVERIFY(rig.window->edidRebuildPending());

    rig.model.setBusy(false);
    rig.tick();
    QCOMPARE(rig.model.countRequests(0xB4), 1);
    QVERIFY(!rig.window->edidRebuildPending());
    QCOMPARE(rig.editor()->toPlainText(), edid::edidTableText(toTable(rig.model.ownEdid())));
    QCOMPARE(rig.status(), QStringLiteral("EDID values read."));
}

void EdidWindowTest::calculateChecksum_data()
{
    QTest::addColumn<QString>("text"); // "good", "bad" (both checksum bytes wrong) or a text
    QTest::addColumn<int>("answer");   // to the question, if one comes
    QTest::addColumn<QString>("box");  // the box's text, "" for none
    QTest::addColumn<bool>("fixed");   // the editor shows the table with fresh checksums
    const QString wrong = "The EDID Checksum is not correct.";
    QTest::newRow("consistent") << "good" << 0 << "" << true;
    QTest::newRow("wrong, yes") << "bad" << int(Prompts::Answer::Yes) << wrong << true;
    QTest::newRow("wrong, no") << "bad" << int(Prompts::Answer::No) << wrong << false;
    QTest::newRow("format error") << "00,11" << 0 << "Hex Format Error" << false;
}

void EdidWindowTest::calculateChecksum()
{
    QFETCH(QString, text);
    QFETCH(int, answer);
    QFETCH(QString, box);
    QFETCH(bool, fixed);
    Rig rig;
    rig.start();
    edid::Table bad{};
    bad.fill(0x11);
    const edid::Table good = edid::withChecksums(bad);
    if (text == "good" || text == "bad")
        text = edid::edidTableText(text == "good" ? good : bad);
    rig.editor()->setPlainText(text);
    rig.prompts.answers << Prompts::Answer(answer);
    rig.run("CalculateChkSum");

    QCOMPARE(rig.prompts.shown.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QCOMPARE(rig.prompts.shown[0].text, box);
    QCOMPARE(rig.editor()->toPlainText(), fixed ? edid::edidTableText(good) : text);
    if (fixed) // black; bold only where the renderer puts it (the checksum bytes)
        QCOMPARE(rig.looks(), (QStringList{look("#ff000000", 0, QFont::Normal),
                                           look("#ff000000", 0, QFont::Bold)}));
}

void EdidWindowTest::loadTextFile()
{
    Rig rig;
    rig.start();
    edid::Table table{};
    table.fill(0xC3);
    QByteArray contents;
    for (const QString &line : edid::edidTableText(table).split('\n', Qt::SkipEmptyParts))
        contents += line.toLatin1() + " \r\n";
    QTemporaryDir dir;
    rig.load(dir, contents);
    QCOMPARE(rig.editor()->toPlainText(), edid::edidTableText(table));
    QCOMPARE(rig.looks(), QStringList{look("#ff0000ff", 8, QFont::Bold)});
    QCOMPARE(rig.status(), QStringLiteral("File loaded"));
    QCOMPARE(rig.prompts.shown[0].title, QStringLiteral("Open file"));
}

void EdidWindowTest::saveFailureShowsBox()
{
    Rig rig;
    rig.start();
    QTemporaryDir dir;
    const QString name = dir.filePath("missing/edid.bin");
    rig.prompts.fileNames << name;
    rig.run("SaveEDIDtoFile");
    QCOMPARE(rig.prompts.shown.size(), 2); // the dialog, then the box
    QCOMPARE(rig.prompts.shown[0].title, QStringLiteral("Save File"));
    QVERIFY2(rig.prompts.shown[1].text.startsWith("Cannot write file " + name + ":\n"),
             qPrintable(rig.prompts.shown[1].text));
    QVERIFY(rig.prompts.shown[1].text.endsWith('.'));
    QVERIFY(rig.status() != QStringLiteral("File saved"));
    QVERIFY(!QFile::exists(name));
}

// The details page follows every change of the editor within 300 ms: a read, typing, a TV read.
void EdidWindowTest::detailsFollowEditor()
{
    Rig rig;
    rig.start();
    auto *details = rig.find<QPlainTextEdit>("EDIDdetails");
    QVERIFY(details && details->isReadOnly());
    const auto report = [](const QByteArray &t) {
        return edid::reportText(edid::decodeEdid(edid::Bytes(t.begin(), t.end())));
    };
    QTRY_COMPARE_WITH_TIMEOUT(details->toPlainText(), report(rig.model.ownEdid()), 300);

    rig.editor()->setPlainText(QStringLiteral("00 FF 0G"));
    QTRY_COMPARE_WITH_TIMEOUT(details->toPlainText(),
                              QStringLiteral("No EDID table: 'G' at line 1, column 8 is not a hex "
                                             "digit\n"),
                              300);

    const QByteArray tv = rig.model.displayEdid(DeviceModel::Output::A);
    QVERIFY(tv != rig.model.ownEdid());
    rig.run("readTvEdidA");
    QCOMPARE(rig.editor()->toPlainText(), edid::edidTableText(toTable(tv)));
    QTRY_COMPARE_WITH_TIMEOUT(details->toPlainText(), report(tv), 300);
}

void EdidWindowTest::badCharacterRefused_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<bool>("shortText"); // eight pairs instead of a bad character
    for (const char *slot : {"WriteEDID", "CalculateChkSum", "SaveEDIDtoFile"}) {
        QTest::newRow(slot) << QByteArray(slot) << false;
        QTest::newRow(qPrintable(QString(slot) + ", 8 pairs")) << QByteArray(slot) << true;
    }
}

// "Hex Format Error" with the reason below it; no request, no dialog, the editor as it was.
void EdidWindowTest::badCharacterRefused()
{
    QFETCH(QByteArray, slot);
    QFETCH(bool, shortText);
    Rig rig;
    rig.start();
    rig.customMode();
    QString text = rig.editor()->toPlainText();
    text[48 + 1] = u'g'; // line 2 (47 characters and a line feed each), column 2
    if (shortText)
        text = QStringLiteral("00 FF FF FF FF FF FF 00\n");
    rig.editor()->setPlainText(text);
    rig.run(slot.constData());
    QCOMPARE(rig.model.requestCount(), 0);
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].kind, QStringLiteral("warning"));
    QCOMPARE(rig.prompts.shown[0].text, QStringLiteral("Hex Format Error"));
    QCOMPARE(rig.prompts.shown[0].informativeText,
             shortText ? QStringLiteral("8 bytes are fewer than the 128 of one EDID block")
                       : QStringLiteral("'g' at line 2, column 2 is not a hex digit"));
    QCOMPARE(rig.editor()->toPlainText(), text);
}

void EdidWindowTest::headerQuestion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("written");
    edid::Table headless{};
    headless.fill(0x42);
    const QString text = edid::edidTableText(edid::withChecksums(headless));
    QTest::newRow("no header, no") << text << int(Prompts::Answer::No) << false;
    QTest::newRow("no header, yes") << text << int(Prompts::Answer::Yes) << true;
}

void EdidWindowTest::headerQuestion()
{
    QFETCH(QString, text);
    QFETCH(int, answer);
    QFETCH(bool, written);
    Rig rig;
    rig.start();
    rig.customMode();
    rig.editor()->setPlainText(text);
    rig.prompts.answers << Prompts::Answer(answer);
    rig.run("WriteEDID");
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].kind, QStringLiteral("question"));
    QCOMPARE(rig.prompts.shown[0].text,
             QStringLiteral("The table has no EDID header. Write it anyway?"));
    QCOMPARE(rig.model.countRequests(0xB1), written ? 1 : 0);
    if (written)
        QCOMPARE(edid::edidTableText(toTable(rig.model.uploadedEdid())), text);
    else
        QCOMPARE(rig.model.requestCount(), 0);
}

// A table with a problem a source trips over is written after a box that names it.
void EdidWindowTest::problemsToldNotRefused()
{
    Rig rig;
    rig.start();
    rig.customMode();
    edid::Table table = toTable(rig.model.displayEdid(DeviceModel::Output::A));
    QCOMPARE(table[132] >> 5, 2); // the video data block first, with two codes or more
    QVERIFY((table[132] & 0x1F) >= 2);
    table[134] = table[133];
    rig.editor()->setPlainText(edid::edidTableText(edid::withChecksums(table)));
    rig.run("WriteEDID");
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].kind, QStringLiteral("information"));
    QVERIFY2(rig.prompts.shown[0].text.contains("is listed more than once"),
             qPrintable(rig.prompts.shown[0].text));
    QCOMPARE(rig.model.countRequests(0xB1), 1);
}

void EdidWindowTest::loadRefused_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("problem");
    QTest::newRow("binary, 100 bytes")
        << QByteArray(100, '\0') << "the file has 100 bytes; an EDID table has 128 or 256";
    QTest::newRow("bad character in a text")
        << QByteArray("00 FF FF FZ") << "'Z' at line 1, column 11 is not a hex digit";
    QTest::newRow("colon hex text") << QByteArray("00:FF:FF")
                                    << "':' at line 1, column 3 is not a hex digit";
}

// A box names the fault; the editor keeps its table.
void EdidWindowTest::loadRefused()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, problem);
    Rig rig;
    rig.start();
    const QString before = rig.editor()->toPlainText();
    QTemporaryDir dir;
    const QString name = rig.load(dir, contents);
    QCOMPARE(rig.prompts.shown.size(), 2); // the dialog, then the box
    QCOMPARE(rig.prompts.shown[1].text,
             QStringLiteral("Cannot load file %1:\n%2.").arg(name, problem));
    QCOMPARE(rig.editor()->toPlainText(), before);
    QVERIFY(rig.status() != QStringLiteral("File loaded"));
}

QTEST_MAIN(EdidWindowTest)
#include "EdidWindowTest.moc"
