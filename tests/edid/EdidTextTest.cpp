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
    QTest::addColumn<QByteArray>("bytes");  // the table's first bytes; the rest must be 0
    QTest::addColumn<QString>("problem");   // the refusal's reason; empty: none
    QTest::addColumn<bool>("badChar");      // the reason is a bad character

    const QString block = QString("0A ").repeated(127) + "0b";
    const QByteArray blockBytes(128, 0x0A);
    const QByteArray oneBlock = blockBytes.left(127) + '\x0b';
    QTest::newRow("one block, blanks of any kind")
        << QString(block).replace(5, 1, "\r\n\t ") << 128 << oneBlock << QString() << false;
    QTest::newRow("two blocks, lower case")
        << block + "\n" + block.toLower() << 256 << oneBlock + oneBlock << QString() << false;
    QTest::newRow("eight pairs") << "00 FF FF FF FF FF FF 00" << -1 << QByteArray()
                                 << "8 bytes are fewer than the 128 of one EDID block" << false;
    QTest::newRow("empty") << "" << -1 << QByteArray() << "the input is empty" << false;
    QTest::newRow("257 pairs") << block + " " + block + " 00" << -1 << QByteArray()
                               << "257 bytes are more than the 256 of the device's table" << false;
    QTest::newRow("200 pairs") << QString("01 ").repeated(200) << -1 << QByteArray()
                               << "200 bytes are not a whole number of 128-byte blocks" << false;
    QTest::newRow("colons") << "00:FF" << -1 << QByteArray()
                            << "':' at line 1, column 3 is not a hex digit" << true;
    QTest::newRow("half a pair, second line")
        << "00 11\n2" << -1 << QByteArray()
        << "line 2, column 1: one hex digit where a byte takes two hex digits" << false;
    QTest::newRow("columns count characters")
        << QString::fromUtf8("00 0\U0001F600") << -1 << QByteArray()
        << QString::fromUtf8("'\U0001F600' at line 1, column 5 is not a hex digit") << true;
    QTest::newRow("over 1023 characters") << QString(1024, ' ') << -1 << QByteArray()
                                          << "the text has more than 1023 characters" << false;
}

void EdidTextTest::parse()
{
    QFETCH(QString, text);
    QFETCH(int, groups);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);
    QFETCH(bool, badChar);
    const edid::ParsedText parsed = edid::parseEdidText(text);
    QCOMPARE(parsed.groups, groups);
    QCOMPARE(parsed.problem, problem);
    QCOMPARE(parsed.badChar.has_value(), badChar);
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
    const QByteArray broken = "01 02\r\n" + QByteArray("0A ").repeated(126);
    text("counter lost", broken, broken);
    text("short text", "00 FF FF FF FF FF FF 00\n", {},
         "8 bytes are fewer than the 128 of one EDID block");
    text("more past 1024 bytes", spacedLines(textTable, "\n") + QByteArray(300, ' ') + "00", {},
         "the text goes on past its first 1024 bytes");
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
