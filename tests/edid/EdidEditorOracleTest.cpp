// The editor against edid-decode (the oracle): each case of data/edited/cases.tsv, applied in
// process, gives the bytes the CLI gave when data/regenerate-edited.sh ran, and edid-decode's
// checked text of them shows the edit and no failure or warning the source table did not have.
#include "edid/EdidEditor.h"

#include <QFile>
#include <QtTest>

namespace
{

const QString data = QStringLiteral(KORVALIS_EDID_DATA);

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList lines(const QString &path)
{
    return QString::fromUtf8(contents(path)).split(u'\n');
}

// edid-decode's findings at the end of its checked text, each with the block it names.
QStringList findings(const QStringList &text)
{
    QStringList out;
    QString section, block;
    for (const QString &line : text) {
        if (line == "Warnings:" || line == "Failures:")
            section = line;
        else if (line.startsWith("EDID conformity"))
            section.clear();
        else if (!section.isEmpty() && !line.isEmpty() && !line.startsWith(u' '))
            block = line;
        else if (!section.isEmpty() && !line.isEmpty())
            out << section + ' ' + block + line;
    }
    return out;
}

bool anyLineHas(const QStringList &text, const QString &what)
{
    return std::any_of(text.begin(), text.end(), [&](const QString &l) { return l.contains(what); });
}

} // namespace

class EdidEditorOracleTest : public QObject
{
    Q_OBJECT

private slots:
    void edited_data();
    void edited();
};

void EdidEditorOracleTest::edited_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("shown");
    const QStringList cases = lines(data + "/edited/cases.tsv");
    QVERIFY(cases.size() > 1);
    for (const QString &line : cases) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList f = line.split(u'\t');
        QVERIFY2(f.size() == 5, qPrintable(line));
        QTest::newRow(qPrintable(f[0])) << f[1] << f[2] << f[3] << f[4].split(u'|');
    }
}

void EdidEditorOracleTest::edited()
{
    QFETCH(QString, source);
    QFETCH(QString, option);
    QFETCH(QString, value);
    QFETCH(QStringList, shown);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QByteArray bytes = contents(data + '/' + source);
    QCOMPARE(bytes.size(), int(edid::TableSize));
    edid::Table before{};
    std::copy(bytes.begin(), bytes.end(), before.begin());
    QString error;
    const std::optional<edid::Edit> edit = edid::editFromWords(option, value, error);
    QVERIFY2(edit, qPrintable(error));
    const edid::EditResult result = edid::applyEdits(before, {*edit});
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(result.table.data()), edid::TableSize),
             contents(data + "/edited/" + name + ".bin"));

    const QStringList was = lines(data + "/edited/" + QString(source).replace(".bin", ".edid-decode.txt"));
    const QStringList is = lines(data + "/edited/" + name + ".edid-decode.txt");
    QVERIFY(anyLineHas(was, "EDID conformity") && anyLineHas(is, "EDID conformity"));
    for (const QString &s : shown) {
        const QString text = s.mid(1);
        const bool appears = s.startsWith(u'+');
        QVERIFY2(anyLineHas(was, text) != appears && anyLineHas(is, text) == appears,
                 qPrintable(s));
    }
    // Both checksums as edid-decode counts them, and nothing it finds that it did not before.
    QCOMPARE(is.filter(QRegularExpression("^Checksum: 0x[0-9a-f]{2}$")).size(), 2);
    QStringList added = findings(is);
    for (const QString &f : findings(was))
        added.removeOne(f);
    // Known: the HDMI VICs of the size stay in the HDMI block without their VICs.
    QVERIFY2(added.isEmpty(), qPrintable(added.join(u'\n')));
}

QTEST_GUILESS_MAIN(EdidEditorOracleTest)
#include "EdidEditorOracleTest.moc"
