// The EDID hex text, checksums and files, without a window.
#include "edid/EdidText.h"
#include "edid/EdidFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace
{

QByteArray tableBytes(const edid::Table &t)
{
    return QByteArray(reinterpret_cast<const char *>(t.data()), int(t.size()));
}

edid::Table sampleTable(std::uint8_t first)
{
    edid::Table t{};
    for (int i = 0; i < edid::TableSize; ++i)
        t[std::size_t(i)] = std::uint8_t(i * 7 + 3);
    t[0] = first;
    return t;
}

// 16 lines of 16 groups, each group followed by a space, with the given line end.
QByteArray spacedLines(const edid::Table &t, const QByteArray &lineEnd)
{
    QByteArray out;
    for (const QString &line : edid::edidTableText(t).split('\n', Qt::SkipEmptyParts))
        out += line.toLatin1() + ' ' + lineEnd;
    return out;
}

} // namespace

class EdidTextTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void renderedTableParsesBack();
    void checksum_data();
    void checksum();
    void decodeFile_data();
    void decodeFile();
    void saveThenLoad();
    void failedSaveKeepsOldFile();
};

void EdidTextTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("groups");
    QTest::addColumn<QByteArray>("bytes"); // the table's first bytes; the rest must be 0
    QTest::addColumn<QString>("badChar");  // the refusal's message; empty: none

    QTest::newRow("space") << "00 FF" << 2 << QByteArray::fromHex("00ff") << QString();
    QTest::newRow("line feed") << "00\nFF" << 2 << QByteArray::fromHex("00ff") << QString();
    QTest::newRow("lower case") << "0a 1b" << 2 << QByteArray::fromHex("0a1b") << QString();
    QTest::newRow("not a digit") << "0G G0" << -1 << QByteArray()
                                 << "'G' at line 1, column 2 is not a hex digit";
    QTest::newRow("lower case, second line")
        << "00 11\n2g" << -1 << QByteArray() << "'g' at line 2, column 2 is not a hex digit";
    QTest::newRow("blank as a digit")
        << "0  FF" << -1 << QByteArray() << "' ' at line 1, column 2 is not a hex digit";
    QTest::newRow("control character")
        << "00 \t0" << -1 << QByteArray() << "U+0009 at line 1, column 4 is not a hex digit";
    QTest::newRow("columns count characters")
        << QString::fromUtf8("00 0\U0001F600") << -1 << QByteArray()
        << QString::fromUtf8("'\U0001F600' at line 1, column 5 is not a hex digit");
    QTest::newRow("layout fault first") << "0G,FF" << -1 << QByteArray() << QString();
    QTest::newRow("empty") << "" << 0 << QByteArray() << QString();
    QTest::newRow("two spaces") << "00  FF" << -1 << QByteArray() << QString();
    QTest::newRow("comma") << "00,FF" << -1 << QByteArray() << QString();
    QTest::newRow("trailing space before line feed")
        << "00 \n01" << -1 << QByteArray() << QString();
    QTest::newRow("trailing space ends the text")
        << "00 FF " << 2 << QByteArray::fromHex("00ff") << QString();
    QTest::newRow("ends inside a group") << "00 F" << -1 << QByteArray() << QString();
    QTest::newRow("1023 characters")
        << QString("01 ").repeated(341) << 341 << QByteArray(256, 0x01) << QString();
    QTest::newRow("over 1023 characters")
        << QString("01 ").repeated(342) << -1 << QByteArray() << QString();
}

void EdidTextTest::parse()
{
    QFETCH(QString, text);
    QFETCH(int, groups);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, badChar);
    const edid::ParsedText parsed = edid::parseEdidText(text);
    QCOMPARE(parsed.groups, groups);
    QCOMPARE(parsed.badChar ? parsed.badChar->message() : QString(), badChar);
    if (groups >= 0)
        QCOMPARE(tableBytes(parsed.table), bytes.leftJustified(edid::TableSize, '\0'));
}

void EdidTextTest::renderedTableParsesBack()
{
    const edid::Table table = sampleTable(0x00);
    const edid::EditorText rendered = edid::renderedTable(table);
    const QString text = rendered.plainText();
    QCOMPARE(text, edid::edidTableText(table));
    QCOMPARE(text.size(), 768);
    const QStringList lines = text.split('\n');
    QCOMPARE(lines.size(), 17); // 16 lines, each ending in a line feed
    QCOMPARE(lines.last(), QString());
    for (int k = 0; k < 16; ++k)
        QCOMPARE(lines[k].size(), 47);
    for (const QString &withoutLastFeed : {text, text.chopped(1)})
        QCOMPARE(tableBytes(edid::parseEdidText(withoutLastFeed).table), tableBytes(table));

    // Only the two checksum bytes are bold, at the end of lines 8 and 16.
    QStringList bold;
    int at = 0;
    for (const edid::TextRun &run : rendered.runs) {
        if (run.bold)
            bold << QString::number(at) + ":" + run.text;
        at += int(run.text.size());
    }
    QCOMPARE(bold, (QStringList{"381:" + text.mid(381, 2), "765:" + text.mid(765, 2)}));
}

void EdidTextTest::checksum_data()
{
    QTest::addColumn<int>("sum"); // what bytes 0 .. 126 add up to
    QTest::addColumn<int>("checksum");
    QTest::newRow("sum 0") << 0 << 0x00;
    QTest::newRow("sum 1") << 1 << 0xFF;
    QTest::newRow("sum wraps") << 0x1234 << 0xCC;
}

void EdidTextTest::checksum()
{
    QFETCH(int, sum);
    QFETCH(int, checksum);
    std::uint8_t block[edid::BlockSize] = {};
    for (int i = 0; sum > 0; ++i, sum -= 0xFF) // spread the sum over the first bytes
        block[i] = std::uint8_t(std::min(sum, 0xFF));
    block[127] = 0x55; // the checksum byte itself is not added
    QCOMPARE(int(edid::edidChecksum(block)), checksum);
}

void EdidTextTest::decodeFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("truncate");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QByteArray>("expected"); // binary: the table; text: the converted text
    QTest::addColumn<QString>("problem");     // empty: the file loads

    const edid::Table table = sampleTable(0x00);
    const QByteArray raw = tableBytes(table);
    const auto refused = [](const char *name, const QByteArray &contents, bool truncate,
                            const char *problem) {
        QTest::newRow(name) << contents << truncate << true << QByteArray() << problem;
    };
    const QString wrongSize = "the file has %1 bytes; an EDID table has 128 or 256";
    refused("empty", QByteArray(), false, "the file is empty");
    for (const int size : {100, 300, 384, 512})
        refused(qPrintable(QString("%1 bytes").arg(size)), (raw + raw).left(size), false,
                qPrintable(wrongSize.arg(size)));
    refused("300 bytes, truncating", raw + QByteArray(44, 'x'), true,
            "the file has 300 bytes, not whole 128-byte blocks");
    QTest::newRow("128 bytes") << raw.left(128) << false << true
                               << raw.left(128) + QByteArray(128, '\0') << QString();
    // Cut to the device's size: one extension announced, block 0 summed afresh.
    QByteArray cut = raw;
    cut[126] = 1;
    cut[127] = char(edid::edidChecksum(reinterpret_cast<const std::uint8_t *>(cut.constData())));
    QTest::newRow("384 bytes, truncating")
        << raw + raw.left(128) << true << true << cut << QString();
    QTest::newRow("512 bytes, truncating") << raw + raw << true << true << cut << QString();

    const edid::Table textTable = sampleTable(0x12);
    const QByteArray hexText = edid::edidTableText(textTable).toLatin1();
    const auto text = [](const char *name, const QByteArray &contents, const QByteArray &expected,
                         const QString &problem = {}) {
        QTest::newRow(name) << contents << false << false << expected << problem;
    };
    text("spaced lines, CR LF", spacedLines(textTable, "\r\n"), hexText);
    text("spaced lines, LF", spacedLines(textTable, "\n"), hexText);
    QByteArray crlf = hexText;
    crlf.replace("\n", "\r\n");
    text("no trailing space: unchanged", crlf, crlf);
    // Once a 48th character is not such a space, later line ends stay as they are.
    const QByteArray broken = "01 02\r\n" + spacedLines(textTable, "\r\n");
    text("counter lost", broken, broken);
    QByteArray bad = spacedLines(textTable, "\n");
    bad[3 * 16 + 1 + 4] = 'k'; // each file line: 16 groups and a space each, then LF
    text("bad character", bad, {}, "'k' at line 2, column 5 is not a hex digit");
}

void EdidTextTest::decodeFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, truncate);
    QFETCH(bool, binary);
    QFETCH(QByteArray, expected);
    QFETCH(QString, problem);
    const edid::DecodedFile decoded = edid::decodeEdidFile(
        contents, truncate ? edid::LongerTable::Truncate : edid::LongerTable::Refuse);
    QCOMPARE(decoded.problem, problem);
    if (!problem.isEmpty())
        return;
    QCOMPARE(decoded.binary, binary);
    if (binary)
        QCOMPARE(tableBytes(decoded.table), expected);
    else
        QCOMPARE(decoded.text.toLatin1(), expected);
}

void EdidTextTest::saveThenLoad()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("edid.bin");
    const edid::Table table = sampleTable(0x00);
    int opened = 0;
    QVERIFY(edid::saveEdidFile(name, table, [&] { ++opened; }).ok);
    QCOMPARE(opened, 1);
    QCOMPARE(QFileInfo(name).size(), 256);
    const edid::LoadResult loaded = edid::loadEdidFile(name);
    QVERIFY(loaded.ok);
    QVERIFY(loaded.decoded.binary);
    QCOMPARE(tableBytes(loaded.decoded.table), tableBytes(table));
}

void EdidTextTest::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("edid.bin");
    const QByteArray old(256, char(0xAA));
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    // Writes past 100 bytes fail: the disk is full as far as this process can tell.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    const edid::FileResult result = edid::saveEdidFile(name, sampleTable(0x00));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!result.ok);
    QVERIFY(!result.errorString.isEmpty());
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"edid.bin"});
}

QTEST_GUILESS_MAIN(EdidTextTest)
#include "EdidTextTest.moc"
