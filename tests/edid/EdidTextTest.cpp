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

    QTest::newRow("space") << "00 FF" << 2 << QByteArray::fromHex("00ff");
    QTest::newRow("line feed") << "00\nFF" << 2 << QByteArray::fromHex("00ff");
    QTest::newRow("lower case") << "0a 1b" << 2 << QByteArray::fromHex("0a1b");
    QTest::newRow("digits not validated") << "0G G0" << 2 << QByteArray::fromHex("1000");
    QTest::newRow("empty") << "" << 0 << QByteArray();
    QTest::newRow("two spaces") << "00  FF" << -1 << QByteArray();
    QTest::newRow("comma") << "00,FF" << -1 << QByteArray();
    QTest::newRow("trailing space before line feed") << "00 \n01" << -1 << QByteArray();
    QTest::newRow("trailing space ends the text") << "00 FF " << 2 << QByteArray::fromHex("00ff");
    QTest::newRow("ends inside a group") << "00 F" << -1 << QByteArray();
    QTest::newRow("1023 characters")
        << QString("01 ").repeated(341) << 341 << QByteArray(256, 0x01);
    QTest::newRow("over 1023 characters") << QString("01 ").repeated(342) << -1 << QByteArray();
}

void EdidTextTest::parse()
{
    QFETCH(QString, text);
    QFETCH(int, groups);
    QFETCH(QByteArray, bytes);
    const edid::ParsedText parsed = edid::parseEdidText(text);
    QCOMPARE(parsed.groups, groups);
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
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QByteArray>("expected"); // binary: the table; text: the converted text

    const edid::Table table = sampleTable(0x00);
    const QByteArray raw = tableBytes(table);
    QTest::newRow("empty") << QByteArray() << true << QByteArray(256, '\0');
    QTest::newRow("128 bytes") << raw.left(128) << true << raw.left(128) + QByteArray(128, '\0');
    QTest::newRow("300 bytes") << raw + QByteArray(44, 'x') << true << raw;

    const edid::Table textTable = sampleTable(0x12);
    const QByteArray hexText = edid::edidTableText(textTable).toLatin1();
    QTest::newRow("spaced lines, CR LF") << spacedLines(textTable, "\r\n") << false << hexText;
    QTest::newRow("spaced lines, LF") << spacedLines(textTable, "\n") << false << hexText;
    QByteArray crlf = hexText;
    crlf.replace("\n", "\r\n");
    QTest::newRow("no trailing space: unchanged") << crlf << false << crlf;
    // Once a 48th character is not such a space, later line ends stay as they are.
    const QByteArray broken = "01 02\r\n" + spacedLines(textTable, "\r\n");
    QTest::newRow("counter lost") << broken << false << broken;
}

void EdidTextTest::decodeFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, binary);
    QFETCH(QByteArray, expected);
    const edid::DecodedFile decoded = edid::decodeEdidFile(contents);
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
