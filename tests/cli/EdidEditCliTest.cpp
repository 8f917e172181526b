// korvalis-cli edid edit against files and the in-process device model, and the warnings of
// edid write.
#include "cli/Cli.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidTable.h"
#include "sim/DeviceModel.h"

#include "CliRig.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

using Rig = CliRig;

edid::EdidInfo decoded(const QByteArray &bytes)
{
    return edid::decodeEdid(edid::Bytes(bytes.begin(), bytes.end()));
}

} // namespace

class EdidEditCliTest : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp_;

    QString file(const QString &name, const QByteArray &contents)
    {
        QFile f(tmp_.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(f.fileName()));
        return f.fileName();
    }

private slots:
    void edit_data();
    void edit();
    void cloneWithoutHdr();
    void writeWarnsButWrites();
};

void EdidEditCliTest::edit_data()
{
    QTest::addColumn<QStringList>("args"); // IN: the TV's table as a file; OUT: an output file
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");  // standard output contains
    QTest::addColumn<QString>("err");  // standard error contains
    QTest::addColumn<QString>("name"); // the output file's display name; empty: no file
    const auto row = [](const char *n, QStringList args, int code, const char *out,
                        const char *err, const char *name = "") {
        QTest::newRow(n) << args << code << out << err << name;
    };
    row("difference on standard error", {"IN", "--name", "KORVALIS", "-o", "OUT"}, 0, "",
        "+   Name: \"KORVALIS\"", "KORVALIS");
    row("--diff", {"IN", "--name", "KORVALIS", "--diff"}, 0, "+   Name: \"KORVALIS\"", "");
    row("--json", {"IN", "--name", "X", "--json", "-o", "OUT"}, 0, "\"changes\"", "", "X");
    row("refused edit", {"IN", "--remove-vic", "255", "-o", "OUT"}, 2, "",
        "cannot edit: VIC 255 is not in the video data block");
    row("bad value", {"IN", "--ycbcr444", "maybe", "--diff"}, 2, "", "neither on nor off");
    row("short hex", {"SHORT", "--name", "X", "--diff"}, 2, "",
        "8 bytes are fewer than the 128 of one EDID block");
    row("binary to standard output", {"IN", "--name", "X"}, 0, "", "");
    row("--select-custom alone", {"IN", "--name", "X", "--select-custom", "--diff"}, 2, "",
        "--select-custom applies with --write");
    row("--json with the table", {"IN", "--name", "X", "--json", "-o", "-"}, 2, "",
        "--diff and --json need -o FILE");
}

void EdidEditCliTest::edit()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, name);
    Rig rig;
    const QString output = tmp_.filePath(QStringLiteral("%1.bin").arg(QTest::currentDataTag()));
    args.replaceInStrings(QRegularExpression("^IN$"),
                          file("tv.bin", rig.model.displayEdid(DeviceModel::Output::A)));
    args.replaceInStrings(QRegularExpression("^SHORT$"), file("short.hex", "00 FF FF FF FF FF FF 00\n"));
    args.replaceInStrings(QRegularExpression("^OUT$"), output);
    QCOMPARE(rig.run(QStringList{"edid", "edit"} + args), code);
    QVERIFY2(QString(rig.out.data()).contains(out), rig.out.data().constData());
    QVERIFY2(QString(rig.err.data()).contains(err), rig.err.data().constData());
    QCOMPARE(rig.model.requestCount(), 0); // a file's edit needs no device
    QFile result(output);
    QCOMPARE(result.exists(), !name.isEmpty());
    if (!name.isEmpty() && result.open(QIODevice::ReadOnly))
        QCOMPARE(decoded(result.readAll()).base.name.value_or(""), name);
}

// The one line of the README: the TV's table without HDR, uploaded as edid write --verify does.
void EdidEditCliTest::cloneWithoutHdr()
{
    Rig rig;
    const edid::EdidInfo tv = decoded(rig.model.displayEdid(DeviceModel::Output::A));
    QVERIFY(tv.hdr); // else the clone would show nothing
    QCOMPARE(rig.run({"edid", "edit", "--from", "tv-a", "--hdr", "off", "--write",
                      "--select-custom"}),
             0);
    const edid::EdidInfo uploaded = decoded(rig.model.uploadedEdid());
    QVERIFY(!uploaded.hdr);
    QCOMPARE(uploaded.base.name, tv.base.name);
    QCOMPARE(uploaded.vics.size(), tv.vics.size());
    QVERIFY(rig.err.data().contains("- HDR static metadata"));
    QVERIFY(uploaded.problems.empty());
}

// A problem of the table is told on standard error; the write goes ahead as before.
void EdidEditCliTest::writeWarnsButWrites()
{
    Rig rig;
    QByteArray table = rig.model.displayEdid(DeviceModel::Output::A);
    table[255] = char(table[255] ^ 1);
    QCOMPARE(rig.run({"edid", "write", file("wrong.bin", table), "--force", "--select-custom"}), 0);
    QVERIFY2(rig.err.data().contains("korvalis-cli: warning: block 1, byte 127: checksum"),
             rig.err.data().constData());
    QCOMPARE(rig.model.uploadedEdid(), table);
}

QTEST_GUILESS_MAIN(EdidEditCliTest)
#include "EdidEditCliTest.moc"
