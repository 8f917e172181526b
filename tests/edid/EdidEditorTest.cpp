// The editor on the 25 built-in tables and the real ones: every edit, decoded afterwards by the
// decoder, changed what it names and nothing else; a refused edit leaves the table as it was.
#include "edid/EdidCtaLayout.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidEditor.h"
#include "edid/EdidFile.h"
#include "edid/EdidWriteChecks.h"
#include "edid/VideoFormatTable.h"
#include "sim/EdidGenerator.h"

#include <QDir>
#include <QtTest>
#include <functional>
#include <map>
#include <set>

namespace
{

using Facts = std::map<QString, QString>;

QString joined(const std::vector<int> &values)
{
    QStringList out;
    for (const int v : values)
        out << QString::number(v);
    return out.join(u',');
}

std::vector<int> vicsOf(const edid::EdidInfo &info)
{
    std::vector<int> out;
    for (const edid::ShortVideo &v : info.vics)
        out.push_back(v.vic);
    return out;
}

// What a table claims, one entry per thing an edit may change.
Facts facts(const edid::EdidInfo &info)
{
    Facts f;
    f["name"] = info.base.name.value_or("none");
    QStringList descriptors, vics, audio, blocks, problems;
    for (const edid::OtherDescriptor &d : info.base.otherDescriptors)
        descriptors << d.what;
    f["descriptors"] = descriptors.join(u';');
    for (const edid::ShortVideo &v : info.vics)
        vics << QString::number(v.vic) + (v.native ? "*" : "");
    f["vics"] = vics.join(u',');
    f["420"] = joined(info.ycbcr420Vics);
    for (const edid::ShortAudio &a : info.audio)
        audio << QStringLiteral("%1/%2").arg(a.formatName).arg(a.maxChannels);
    f["audio"] = audio.join(u',');
    f["speakers"] = info.speakers.join(u',');
    f["hdmi.tmds"] = info.hdmi ? QString::number(info.hdmi->maxTmdsMhz.value_or(0)) : "-";
    f["hdmi.address"] = info.hdmi ? info.hdmi->physicalAddress : "-";
    f["hdmi.deep"] = info.hdmi ? joined(info.hdmi->deepColorBits) +
                                     (info.hdmi->deepColorY444 ? "+444" : "")
                               : "-";
    f["forum.tmds"] =
        info.hdmiForum ? QString::number(info.hdmiForum->maxTmdsMhz.value_or(0)) : "-";
    f["hdr"] = info.hdr ? info.hdr->eotfs.join(u',') : "none";
    for (const edid::Extension &e : info.extensions)
        if (e.cta) {
            f["444"] = QString::number(e.cta->ycbcr444);
            f["422"] = QString::number(e.cta->ycbcr422);
            for (const edid::DataBlock &b : e.cta->dataBlocks)
                blocks << b.name;
            f["timings"] = QString::number(e.cta->timings.size());
        }
    f["blocks"] = blocks.join(u';');
    for (const edid::Problem &p : info.problems)
        if (!p.text.startsWith("checksum"))
            problems << p.text;
    f["problems"] = problems.join(u';');
    f["base timings"] = QString::number(info.base.timings.size());
    f["extensions"] = QString::number(info.base.extensionCount);
    return f;
}

edid::EdidInfo decoded(const edid::Table &t)
{
    return edid::decodeEdid(edid::Bytes(t.begin(), t.end()));
}

// A VIC the table lists, and one it does not.
int listedVic(const edid::EdidInfo &info)
{
    for (const edid::ShortVideo &v : info.vics)
        if (v.vic != 0)
            return v.vic;
    return 16;
}
int absentVic(const edid::EdidInfo &info)
{
    const std::vector<int> vics = vicsOf(info);
    const auto absent = [&](int vic) {
        return videoFormat(vic) != nullptr && std::find(vics.begin(), vics.end(), vic) == vics.end();
    };
    for (const int vic : {97, 96, 16, 4})
        if (absent(vic))
            return vic;
    for (int vic = 1; vic < VideoFormatCount; ++vic)
        if (absent(vic))
            return vic;
    return 1;
}

QStringList without(QString list, const QString &item)
{
    QStringList out = list.split(u',', Qt::SkipEmptyParts);
    out.removeAll(item);
    out.removeAll(item + "*");
    return out;
}

// The edits: words (%listed and %absent stand for the table's VICs), the facts it may change,
// what must hold afterwards, and the refusals it may meet on a table that lacks what it needs.
struct EditRow {
    const char *name, *value;
    QStringList changes;
    std::function<bool(const Facts &before, const Facts &after, int vic)> holds;
    QStringList refusals;
};

const std::vector<EditRow> &editRows()
{
    const QStringList noCta{"no CTA-861", "has no data blocks", "runs past", "outside 4 to 127"};
    const QStringList noHdmi = noCta + QStringList{"no HDMI vendor-specific"};
    using F = const Facts &;
    static const std::vector<EditRow> rows{
        {"name", "KORVALIS TEST", {"name", "descriptors"},
         [](F, F a, int) { return a.at("name") == "KORVALIS TEST"; }, {"nor a free one"}},
        {"remove-vic", "%listed", {"vics", "420", "blocks"},
         [](F b, F a, int v) {
             return without(b.at("vics"), QString::number(v)) == without(a.at("vics"), "") &&
                    without(b.at("420"), QString::number(v)) == without(a.at("420"), "");
         },
         noCta + QStringList{"not in the video data block"}},
        {"add-vic", "%absent", {"vics", "420", "blocks"},
         [](F b, F a, int v) {
             return a.at("vics").split(u',') ==
                        (b.at("vics").split(u',', Qt::SkipEmptyParts) << QString::number(v)) &&
                    without(b.at("420"), QString::number(v)) ==
                        without(a.at("420"), QString::number(v));
         },
         noCta + QStringList{"no room"}},
        {"remove-mode", "3840x2160", {"vics", "420", "blocks"},
         [](F b, F a, int) {
             const auto uhd = [](const QString &vic) {
                 const VideoFormatRow *row = videoFormat(QString(vic).remove(u'*').toInt());
                 return row != nullptr && row->width == 3840 && row->height == 2160;
             };
             QStringList kept;
             for (const QString &v : b.at("vics").split(u',', Qt::SkipEmptyParts))
                 if (!uhd(v))
                     kept << v;
             const QStringList left420 = a.at("420").split(u',');
             return kept == a.at("vics").split(u',', Qt::SkipEmptyParts) &&
                    std::none_of(left420.begin(), left420.end(), uhd);
         },
         noCta + QStringList{"no VIC of 3840x2160"}},
        {"max-tmds", "300", {"hdmi.tmds", "forum.tmds"},
         [](F b, F a, int) {
             return a.at("hdmi.tmds") == "300" &&
                    (b.at("forum.tmds") == "-" || a.at("forum.tmds") == "0");
         },
         noHdmi},
        {"max-tmds", "600", {"hdmi.tmds", "forum.tmds"},
         [](F b, F a, int) {
             return a.at("forum.tmds") == "600" &&
                    (b.at("hdmi.tmds") == "-" || a.at("hdmi.tmds") == "340");
         },
         noCta + QStringList{"no HDMI Forum"}},
        {"hdr", "off", {"hdr", "blocks"}, [](F, F a, int) { return a.at("hdr") == "none"; }, noCta},
        {"eotfs", "sdr,hlg", {"hdr", "blocks"},
         [](F, F a, int) { return a.at("hdr") == "SDR,HLG"; }, noCta + QStringList{"no room"}},
        {"audio", "lpcm-2ch", {"audio", "speakers", "blocks"},
         [](F, F a, int) { return a.at("audio") == "LPCM/2" && a.at("speakers") == "FL/FR"; },
         noCta + QStringList{"no audio data block"}},
        {"remove-audio", "ac3", {"audio", "blocks"},
         [](F b, F a, int) {
             QStringList kept = b.at("audio").split(u',', Qt::SkipEmptyParts);
             kept.erase(std::remove_if(kept.begin(), kept.end(),
                                       [](const QString &s) { return s.startsWith("AC-3/"); }),
                        kept.end());
             return kept == a.at("audio").split(u',', Qt::SkipEmptyParts);
         },
         noCta + QStringList{"no audio of format 2"}},
        {"ycbcr444", "off", {"444"}, [](F, F a, int) { return a.at("444") == "0"; }, noCta},
        {"ycbcr422", "on", {"422"}, [](F, F a, int) { return a.at("422") == "1"; }, noCta},
        {"ycbcr420", "off", {"420", "blocks"}, [](F, F a, int) { return a.at("420").isEmpty(); },
         noCta},
        {"physical-address", "2.1.0.0", {"hdmi.address"},
         [](F, F a, int) { return a.at("hdmi.address") == "2.1.0.0"; }, noHdmi},
        {"deep-colour", "30,36", {"hdmi.deep"},
         [](F b, F a, int) {
             return a.at("hdmi.deep") == "30,36" + QString(b.at("hdmi.deep").endsWith("+444")
                                                               ? "+444"
                                                               : "");
         },
         noHdmi},
        {"deep-colour", "none", {"hdmi.deep"}, [](F, F a, int) { return a.at("hdmi.deep").isEmpty(); },
         noHdmi},
    };
    return rows;
}

} // namespace

class EdidEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void edit_data();
    void edit();
    void refusedWords_data();
    void refusedWords();
    void laterRefusalKeepsEarlierEdits();
    void writeChecks_data();
    void writeChecks();
    void threeDFollowsItsModes_data();
    void threeDFollowsItsModes();

private:
    std::set<int> applied_; // rows that took effect on some table
};

// Rows refused on every table would prove nothing.
void EdidEditorTest::cleanupTestCase()
{
    for (std::size_t r = 0; r < editRows().size(); ++r)
        QVERIFY2(applied_.count(int(r)) != 0, editRows()[r].name);
}

void EdidEditorTest::edit_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<int>("row");
    std::vector<std::pair<QString, QByteArray>> tables;
    for (int n = 1; n <= edidgen::BuiltinCount; ++n)
        tables.emplace_back(QStringLiteral("builtin %1").arg(n), edidgen::builtinTable(n));
    const QDir data(QStringLiteral(KORVALIS_EDID_DATA));
    for (const QString &f : data.entryList({QStringLiteral("*.bin")})) {
        QFile file(data.filePath(f));
        QVERIFY(file.open(QIODevice::ReadOnly));
        // As the device takes a longer table: its first two blocks.
        const edid::DecodedFile d = edid::decodeEdidFile(file.readAll(), edid::LongerTable::Truncate);
        QVERIFY2(d.ok(), qPrintable(f));
        tables.emplace_back(f, QByteArray(reinterpret_cast<const char *>(d.table.data()),
                                          edid::TableSize));
    }
    for (const auto &[name, bytes] : tables)
        for (std::size_t r = 0; r < editRows().size(); ++r)
            QTest::addRow("%s: --%s %s", qPrintable(name), editRows()[r].name,
                          editRows()[r].value)
                << bytes << int(r);
}

void EdidEditorTest::edit()
{
    QFETCH(QByteArray, table);
    QFETCH(int, row);
    const EditRow &e = editRows()[std::size_t(row)];
    edid::Table before{};
    std::copy(table.begin(), table.end(), before.begin());
    const edid::EdidInfo info = decoded(before);
    const int vic = QString(e.value) == "%absent" ? absentVic(info) : listedVic(info);
    QString error;
    const std::optional<edid::Edit> edit = edid::editFromWords(
        e.name, QString(e.value).replace("%listed", QString::number(vic))
                    .replace("%absent", QString::number(vic)),
        error);
    QVERIFY2(edit, qPrintable(error));
    const edid::EditResult result = edid::applyEdits(before, {*edit});
    if (!result.ok()) {
        QVERIFY(result.table == before);
        QVERIFY2(std::any_of(e.refusals.begin(), e.refusals.end(),
                             [&](const QString &r) { return result.error.contains(r); }),
                 qPrintable(result.error));
        return;
    }
    applied_.insert(row);
    const edid::EdidInfo after = decoded(result.table);
    QVERIFY(edid::isConsistent(result.table));
    const Facts was = facts(info), is = facts(after);
    QVERIFY2(e.holds(was, is, vic),
             qPrintable(edid::reportDifference(before, result.table).join(u'\n')));
    for (const auto &[key, value] : was)
        if (!e.changes.contains(key))
            QVERIFY2(is.at(key) == value, qPrintable(key + ": " + value + " -> " + is.at(key)));
}

void EdidEditorTest::refusedWords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("error");
    QTest::newRow("long name") << "name" << "FOURTEEN CHARS" << "1 to 13 ASCII";
    QTest::newRow("vic 0") << "add-vic" << "16,0" << "'0' is no VIC";
    QTest::newRow("mode") << "remove-mode" << "4k" << "no size WxH";
    QTest::newRow("eotf") << "eotfs" << "pq,dolby" << "'dolby' is no EOTF";
    QTest::newRow("audio") << "remove-audio" << "flac" << "'flac' is no audio format";
    QTest::newRow("address") << "physical-address" << "1.0.0" << "no address A.B.C.D";
    QTest::newRow("depth") << "deep-colour" << "24" << "'24' is no deep colour depth";
    QTest::newRow("hdr on") << "hdr" << "on" << "'on' is not off";
}

void EdidEditorTest::refusedWords()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, error);
    QString why;
    QVERIFY(!edid::editFromWords(name, value, why));
    QVERIFY2(why.contains(error), qPrintable(why));
}

// Nothing is half-applied: a refused edit after one that fits leaves the table as it was.
void EdidEditorTest::laterRefusalKeepsEarlierEdits()
{
    const QByteArray bytes = edidgen::builtinTable(1);
    edid::Table before{};
    std::copy(bytes.begin(), bytes.end(), before.begin());
    QString error;
    const edid::EditResult result =
        edid::applyEdits(before, {*edid::editFromWords("name", "OTHER", error),
                                  *edid::editFromWords("hdr", "off", error),
                                  *edid::editFromWords("remove-vic", "255", error)});
    QCOMPARE(result.error, QStringLiteral("VIC 255 is not in the video data block"));
    QVERIFY(result.table == before);
}

void EdidEditorTest::writeChecks_data()
{
    QTest::addColumn<int>("builtin");
    QTest::addColumn<QString>("change"); // "edit NAME VALUE", "repeat" or "map"
    QTest::addColumn<QString>("problem");
    QTest::newRow("slow TMDS") << 1 << "edit max-tmds 100"
                               << "(1920x1080p60) needs a pixel clock of at least 124 MHz, more "
                                  "than the table's maximum TMDS clock of 100 MHz";
    QTest::newRow("repeated VIC") << 1 << "repeat" << "is listed more than once";
    QTest::newRow("map past the modes") << 1 << "map" << "the 4:2:0 capability map marks mode";
    QTest::newRow("as built") << 1 << "" << "";
}

// Each check on a table changed to trip it, found in the block it names.
void EdidEditorTest::writeChecks()
{
    QFETCH(int, builtin);
    QFETCH(QString, change);
    QFETCH(QString, problem);
    const QByteArray bytes = edidgen::builtinTable(builtin);
    edid::Table table{};
    std::copy(bytes.begin(), bytes.end(), table.begin());
    const auto blockAt = [&](const QString &name) {
        const edid::EdidInfo info = decoded(table);
        for (const edid::DataBlock &b : info.extensions.at(0).cta->dataBlocks)
            if (b.name == name)
                return edid::BlockSize + b.offset;
        return 0;
    };
    const QStringList words = change.split(u' ');
    QString error;
    if (words[0] == "edit")
        table = edid::applyEdits(table, {*edid::editFromWords(words[1], words[2], error)}).table;
    if (change == "repeat") {
        const int at = blockAt("Video Data Block");
        QVERIFY(at != 0 && (table[std::size_t(at)] & 0x1F) >= 2);
        table[std::size_t(at + 2)] = table[std::size_t(at + 1)];
    }
    if (change == "map") {
        const int at = blockAt("YCbCr 4:2:0 Capability Map Data Block");
        QVERIFY(at != 0);
        // One byte more than the video block needs, its last bit set.
        const int modes = int(decoded(table).vics.size());
        QVERIFY((table[std::size_t(at)] & 0x1F) - 1 >= (modes + 7) / 8);
        table[std::size_t(at + 1 + (modes + 7) / 8)] |= 0x80;
    }
    table = edid::withChecksums(table);
    QStringList found;
    for (const edid::Problem &p : edid::writeChecks(table))
        found << QStringLiteral("%1:%2").arg(p.block).arg(p.text);
    if (problem.isEmpty())
        QCOMPARE(found, QStringList());
    else
        QVERIFY2(found.filter(QRegularExpression("^1:")).size() == found.size() &&
                     found.filter(problem).size() >= 1,
                 qPrintable(found.join(u'\n')));
}

void EdidEditorTest::threeDFollowsItsModes_data()
{
    QTest::addColumn<int>("removed"); // which descriptor, by position
    QTest::addColumn<QByteArray>("threeD"); // the HDMI block's 3D part afterwards
    // Before: structures for all, mask of descriptors 0 to 2, descriptor 2 frame packing,
    // descriptor 3 side-by-side with its detail byte.
    QTest::newRow("second: the later ones move down") << 1 << QByteArray::fromHex("00010003102810");
    QTest::newRow("fourth: its entry goes") << 3 << QByteArray::fromHex("0001000720");
}

// The HDMI block's 3D part names descriptors by position: a removed descriptor's 3D goes, the
// others keep theirs.
void EdidEditorTest::threeDFollowsItsModes()
{
    QFETCH(int, removed);
    QFETCH(QByteArray, threeD);
    const QByteArray bytes = edidgen::builtinTable(1);
    edid::Table table{};
    std::copy(bytes.begin(), bytes.end(), table.begin());
    const auto hdmiPayload = [](edid::cta::Layout &layout) -> edid::Bytes & {
        return layout.blocks[std::size_t(*layout.vendor(edid::cta::HdmiOui))].payload;
    };
    edid::cta::Layout layout = *edid::cta::parse(table).layout;
    edid::Bytes &p = hdmiPayload(layout);
    // Flags byte 7 of this block: no latencies, HDMI video present; 3D byte, lengths, VICs.
    QCOMPARE(p[7] & 0xE0, 0x20);
    const std::size_t end = 10 + std::size_t(p[9] >> 5);
    p.resize(end);
    p[8] = 0x80 | 0x40; // 3D present, structures and mask given
    const QByteArray given = QByteArray::fromHex("00010007203810");
    p[9] = std::uint8_t((p[9] & 0xE0) | given.size());
    p.insert(p.end(), given.begin(), given.end());
    QVERIFY(edid::cta::encode(layout, table).isEmpty());
    table = edid::withChecksums(table);
    const int vic = decoded(table).vics.at(std::size_t(removed)).vic;
    QString error;
    const edid::EditResult result = edid::applyEdits(
        table, {*edid::editFromWords("remove-vic", QString::number(vic), error)});
    QVERIFY2(result.ok(), qPrintable(result.error));
    edid::cta::Layout after = *edid::cta::parse(result.table).layout;
    const edid::Bytes &q = hdmiPayload(after);
    QCOMPARE(int(q[9] & 0x1F), threeD.size());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(q.data()) + q.size() - threeD.size(),
                        threeD.size()),
             threeD);
}

QTEST_GUILESS_MAIN(EdidEditorTest)
#include "EdidEditorTest.moc"
