// The EDID decoder field by field against edid-decode (the oracle) on the simulator's 25 tables
// and on real ones, the problems of hand-broken tables, and what is no table. edid-decode's
// output is committed beside each table (data/regenerate.sh makes it), so the test needs no
// edid-decode and never skips.
#include "edid/EdidDecoder.h"
#include "edid/EdidInput.h"
#include "edid/EdidTable.h"
#include "sim/EdidGenerator.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

namespace
{

// What edid-decode prints of the chosen fields, read from its text.
struct Oracle {
    QString manufacturer, version, name, serialText, physicalAddress;
    int model = 0, week = 0, year = 0, modelYear = 0, maxTmds = 0, hfTmds = 0;
    qint64 serial = 0;
    QString preferred; // "1920x1080p 60.00 148500"
    QList<int> range;  // min V, max V, min H, max H, max clock
    QStringList vics;  // "16" or "16 native", in order
    QList<int> vics420, checksums;
    QStringList extensions;
};

Oracle readOracle(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("%s: %s (data/regenerate.sh writes it)", qPrintable(path),
               qPrintable(file.errorString()));
    Oracle o;
    const auto grab = [](const QString &line, const char *pattern) {
        return QRegularExpression(QLatin1String(pattern)).match(line);
    };
    QString section;
    int block = -1;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        QRegularExpressionMatch m;
        if ((m = grab(line, "^Block (\\d+), (.*):$")).hasMatch()) {
            block = m.captured(1).toInt();
            if (block > 0)
                o.extensions << m.captured(2).remove(QStringLiteral(" Extension Block"));
        } else if ((m = grab(line, "^Checksum: 0x([0-9a-f]{2})")).hasMatch())
            o.checksums << m.captured(1).toInt(nullptr, 16);
        else if (grab(line, "^  \\S").hasMatch())
            section = line.trimmed();
        if ((m = grab(line, "Manufacturer: (\\S+)")).hasMatch())
            o.manufacturer = m.captured(1);
        else if ((m = grab(line, "^    Model: (\\d+)")).hasMatch())
            o.model = m.captured(1).toInt();
        else if ((m = grab(line, "^    Serial Number: (\\d+)")).hasMatch())
            o.serial = m.captured(1).toLongLong();
        else if ((m = grab(line, "Made in: (?:week (\\d+) of )?(\\d+)")).hasMatch())
            o.week = m.captured(1).toInt(), o.year = m.captured(2).toInt();
        else if ((m = grab(line, "Model year: (\\d+)")).hasMatch())
            o.modelYear = m.captured(1).toInt();
        else if ((m = grab(line, "Version & Revision: (\\S+)")).hasMatch())
            o.version = m.captured(1);
        else if ((m = grab(line, "Display Product Name: '(.*)'")).hasMatch())
            o.name = m.captured(1);
        else if ((m = grab(line, "Display Product Serial Number: '(.*)'")).hasMatch())
            o.serialText = m.captured(1);
        else if ((m = grab(line, "DTD 1: +(\\d+)x(\\d+)(i?) +([\\d.]+) Hz.* ([\\d.]+) MHz"))
                     .hasMatch() &&
                 block == 0)
            o.preferred = QStringLiteral("%1x%2%3 %4 %5")
                              .arg(m.captured(1), m.captured(2),
                                   m.captured(3).isEmpty() ? QStringLiteral("p") : m.captured(3))
                              .arg(m.captured(4).toDouble(), 0, 'f', 2)
                              .arg(qRound(m.captured(5).toDouble() * 1000));
        else if ((m = grab(line, "Monitor ranges \\(.*\\): (\\d+)-(\\d+) Hz V, (\\d+)-(\\d+) kHz "
                                 "H(?:, max dotclock (\\d+) MHz)?"))
                     .hasMatch())
            for (int i = 1; i <= 5; ++i)
                o.range << m.captured(i).toInt();
        else if ((m = grab(line, "^    VIC +(\\d+):.*?( \\(native\\))?$")).hasMatch()) {
            if (section == QLatin1String("Video Data Block:"))
                o.vics << m.captured(1) + (m.captured(2).isEmpty() ? "" : " native");
            else if (section.startsWith(QLatin1String("YCbCr 4:2:0")))
                o.vics420 << m.captured(1).toInt();
        } else if ((m = grab(line, "Source physical address: (\\S+)")).hasMatch())
            o.physicalAddress = m.captured(1);
        else if ((m = grab(line, "Maximum TMDS clock: (\\d+) MHz")).hasMatch())
            o.maxTmds = m.captured(1).toInt();
        else if ((m = grab(line, "Maximum TMDS Character Rate: (\\d+) MHz")).hasMatch())
            o.hfTmds = m.captured(1).toInt();
    }
    std::sort(o.vics420.begin(), o.vics420.end()); // which VICs count, not their order
    return o;
}

edid::Bytes bytesOf(const QByteArray &b)
{
    return edid::Bytes(b.begin(), b.end());
}

// A valid table with its checksums made right after `change`.
QByteArray changed(QByteArray table, const std::function<void(QByteArray &)> &change)
{
    change(table);
    for (int b = 0; b < table.size() / 128; ++b)
        table[b * 128 + 127] = char(edid::edidChecksum(
            reinterpret_cast<const std::uint8_t *>(table.constData()) + b * 128));
    return table;
}

} // namespace

class EdidDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void matchesOracle_data();
    void matchesOracle();
    void problems_data();
    void problems();
    void notATable_data();
    void notATable();
};

void EdidDecoderTest::matchesOracle_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("oracle"); // edid-decode's output for the table
    const QDir data(QStringLiteral(KORVALIS_EDID_DATA));
    const auto oracleOf = [](const QString &bin) {
        return bin.chopped(4) + QStringLiteral(".edid-decode.txt");
    };
    const QDir builtin(data.filePath(QStringLiteral("builtin")));
    for (int n = 1; n <= edidgen::BuiltinCount; ++n) {
        const QString bin =
            builtin.filePath(QStringLiteral("builtin-%1.bin").arg(n, 2, 10, QLatin1Char('0')));
        // The oracle's text holds only for the bytes it was made from.
        QFile file(bin);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(bin));
        QVERIFY2(file.readAll() == edidgen::builtinTable(n),
                 qPrintable(bin + QStringLiteral(" is not the built-in table: run data/regenerate.sh")));
        QTest::addRow("builtin %d", n) << edidgen::builtinTable(n) << oracleOf(bin);
    }
    const QStringList files = data.entryList({QStringLiteral("*.bin")});
    QVERIFY(files.size() >= 8);
    for (const QString &f : files) {
        QFile file(data.filePath(f));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(f)) << file.readAll() << oracleOf(data.filePath(f));
    }
}

void EdidDecoderTest::matchesOracle()
{
    QFETCH(QByteArray, table);
    QFETCH(QString, oracle);
    const Oracle o = readOracle(oracle);
    QVERIFY(!o.manufacturer.isEmpty());

    const edid::EdidInfo info = edid::decodeEdid(bytesOf(table));
    const edid::BaseBlock &b = info.base;
    QCOMPARE(b.manufacturer, o.manufacturer);
    QCOMPARE(b.productCode, o.model);
    QCOMPARE(qint64(b.serialNumber), o.serial);
    QCOMPARE(b.week.value_or(0), o.week);
    QCOMPARE(b.year.value_or(0), o.year);
    QCOMPARE(b.modelYear.value_or(0), o.modelYear);
    QCOMPARE(QStringLiteral("%1.%2").arg(b.version).arg(b.revision), o.version);
    QCOMPARE(b.name.value_or(QString()), o.name);
    QCOMPARE(b.serialText.value_or(QString()), o.serialText);
    QVERIFY(!b.timings.empty());
    const edid::DetailedTiming &t = b.timings.front();
    QCOMPARE(QStringLiteral("%1x%2%3 %4 %5")
                 .arg(t.hActive)
                 .arg(t.frameHeight())
                 .arg(t.interlaced ? "i" : "p")
                 .arg(t.refreshHz(), 0, 'f', 2)
                 .arg(t.pixelClockKHz),
             o.preferred);
    QList<int> range;
    if (const auto &r = b.rangeLimits)
        range = {r->minVHz, r->maxVHz, r->minHKHz, r->maxHKHz, r->maxPixelClockMHz};
    QCOMPARE(range, o.range);

    QStringList vics;
    for (const edid::ShortVideo &v : info.vics)
        vics << QString::number(v.vic) + (v.native ? " native" : "");
    QCOMPARE(vics, o.vics);
    QList<int> vics420(info.ycbcr420Vics.begin(), info.ycbcr420Vics.end());
    std::sort(vics420.begin(), vics420.end());
    QCOMPARE(vics420, o.vics420);
    QCOMPARE(info.hdmi ? info.hdmi->physicalAddress : QString(), o.physicalAddress);
    QCOMPARE(info.hdmi ? info.hdmi->maxTmdsMhz.value_or(0) : 0, o.maxTmds);
    QCOMPARE(info.hdmiForum ? info.hdmiForum->maxTmdsMhz.value_or(0) : 0, o.hfTmds);

    QStringList types;
    for (const edid::Extension &e : info.extensions)
        types << e.type;
    QCOMPARE(types, o.extensions);
    QList<int> stored;
    for (const edid::Checksum &c : info.checksums)
        stored << c.stored;
    QCOMPARE(stored, o.checksums);
    QStringList problems;
    for (const edid::Problem &p : info.problems)
        problems << p.text;
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void EdidDecoderTest::problems_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("text");
    // Table 1 has no HDMI Forum block; the 4k60 4:4:4 table does.
    const QByteArray good = edidgen::builtinTable(1);
    QByteArray forum;
    for (int n = 1; n <= edidgen::BuiltinCount && forum.isEmpty(); ++n)
        if (edidgen::builtinTable(n).contains(QByteArray::fromHex("d85dc4")))
            forum = edidgen::builtinTable(n);
    QVERIFY(!forum.isEmpty());
    const int tmdsAt = int(forum.indexOf(QByteArray::fromHex("d85dc4"))) + 4;

    QTest::newRow("header") << changed(good, [](QByteArray &t) { t[1] = 0; }) << 0 << 0 << "header";
    QByteArray badSum = good;
    badSum[255] = char(badSum[255] ^ 1);
    QTest::newRow("checksum") << badSum << 1 << 127 << "checksum";
    QTest::newRow("extension count")
        << changed(good, [](QByteArray &t) { t[126] = 2; }) << 0 << 126 << "extension count 2";
    // The last data block one byte longer.
    int last = 4;
    for (int o = 4; o < good[130]; o += 1 + (good[128 + o] & 0x1F))
        last = o;
    QTest::newRow("block runs past the timings")
        << changed(good, [&](QByteArray &t) { t[128 + last] = char(t[128 + last] + 1); }) << 1
        << last << "runs past the detailed-timing offset";
    QTest::newRow("zero-size timing") << changed(good, [](QByteArray &t) {
        t[56] = 0;
        t[58] = char(t[58] & 0x0F);
    }) << 0 << 54 << "zero active size";
    QTest::newRow("front porch beyond blanking")
        << changed(good, [](QByteArray &t) { t[62] = char(0xFF), t[65] = char(t[65] | 0xC0); }) << 0
        << 54 << "horizontal front porch";
    QTest::newRow("forum 340 MHz") << changed(forum, [&](QByteArray &t) { t[tmdsAt] = 68; }) << 1
                                   << tmdsAt - 128 << "340 MHz is not above";
    QTest::newRow("forum 605 MHz") << changed(forum, [&](QByteArray &t) { t[tmdsAt] = 121; }) << 1
                                   << tmdsAt - 128 << "605 MHz";
}

void EdidDecoderTest::problems()
{
    QFETCH(QByteArray, table);
    QFETCH(int, block);
    QFETCH(int, offset);
    QFETCH(QString, text);
    const edid::EdidInfo info = edid::decodeEdid(bytesOf(table));
    QCOMPARE(info.problems.size(), std::size_t(1));
    QCOMPARE(info.problems[0].block, block);
    QCOMPARE(info.problems[0].offset, offset);
    QVERIFY2(info.problems[0].text.contains(text), qPrintable(info.problems[0].text));
    // The rest still decodes.
    QCOMPARE(info.base.name, edid::decodeEdid(bytesOf(edidgen::builtinTable(1))).base.name);
    QCOMPARE(info.extensions.size(), std::size_t(1));
}

void EdidDecoderTest::notATable_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("size"); // decoded bytes; 0 when refused
    QTest::addColumn<QString>("error");
    const QByteArray table = edidgen::builtinTable(3);
    QString text;
    for (int i = 0; i < 128; ++i)
        text += QStringLiteral("%1%2")
                    .arg(quint8(table[i]), 2, 16, QLatin1Char('0'))
                    .arg(i % 16 == 15 ? "\r\n" : " ");
    QTest::newRow("empty") << QByteArray() << 0 << "the input is empty";
    QTest::newRow("blanks only") << QByteArray(" \n") << 0 << "the input is empty";
    QTest::newRow("100 bytes") << table.left(100) << 0 << "100 bytes are fewer than the 128";
    QTest::newRow("200 bytes") << table.left(200) << 0 << "not a whole number";
    QTest::newRow("640 bytes") << table + table + table.left(128) << 0 << "more than the 512";
    QTest::newRow("512 bytes") << table + table << 512 << "";
    QTest::newRow("lower-case text, CR LF") << text.toLatin1() << 128 << "";
    QTest::newRow("bad digit") << QByteArray("00 ff\nff 0g") << 0
                               << "'g' at line 2, column 5 is not a hex digit";
    QTest::newRow("three digits") << QByteArray("00 fff") << 0 << "line 1, column 4: 3 hex digits";
    QTest::newRow("half a pair") << QByteArray("00 f") << 0
                                 << "line 1, column 4: one hex digit where";
    QTest::newRow("600 pairs") << QByteArray("00 ").repeated(600) << 0 << "more than 512 bytes";
}

void EdidDecoderTest::notATable()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, size);
    QFETCH(QString, error);
    const edid::TableInput in = edid::tableFromContents(contents);
    QCOMPARE(int(in.bytes.size()), size);
    QVERIFY2(error.isEmpty() ? in.error.isEmpty() : in.error.contains(error), qPrintable(in.error));
    // The window shows the reason instead of a report.
    QCOMPARE(
        edid::detailsForEditorText(QString::fromLatin1(contents)).startsWith("No EDID table: "),
        size == 0);
}

QTEST_GUILESS_MAIN(EdidDecoderTest)
#include "EdidDecoderTest.moc"
