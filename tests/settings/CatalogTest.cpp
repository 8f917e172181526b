// The catalog without a device: names, values as typed, values as the device holds them.
#include "settings/Catalog.h"
#include "app/FormBinding.h"

#include <QSet>
#include <QtTest>

using namespace settings;
using namespace binding;

class CatalogTest : public QObject
{
    Q_OBJECT

private slots:
    void namesAreUniqueAndFound();
    void registersAndBytesAreUnique();
    void pollFollowsTheSteps();
    void parseValue_data();
    void parseValue();
    void formatValue_data();
    void formatValue();
    void comboItemsMatchTheValues();
    void listingShowsEveryRow();
};

void CatalogTest::namesAreUniqueAndFound()
{
    QSet<QString> names;
    for (const Setting &s : catalog()) {
        QVERIFY2(!names.contains(QLatin1String(s.name)), s.name);
        names.insert(QLatin1String(s.name));
        QCOMPARE(findSetting(QString::fromLatin1(s.name).toUpper()), &s);
        QCOMPARE(settingOf(s.id), &s);
    }
    QCOMPARE(findSetting(u"inputs"), nullptr);
    QCOMPARE(findSetting(u""), nullptr);
    QCOMPARE(settingOf(Id::FactoryReset), nullptr);
}

void CatalogTest::registersAndBytesAreUnique()
{
    QSet<int> registers{FactoryResetRegister}, bytes;
    for (const Setting &s : catalog()) {
        if (s.reg != NoRegister) {
            QVERIFY2(!registers.contains(s.reg), s.name);
            registers.insert(s.reg);
        }
        QVERIFY(s.byte >= 0 && s.byte < cmd::SettingsBytes);
        QVERIFY2(!bytes.contains(s.byte), s.name);
        bytes.insert(s.byte);
    }
    // Registers the program must never write.
    for (int never : {6, 7, 15, 18, 20, 21, 30, 31, 34, 35, 36})
        QVERIFY(!registers.contains(never));
}

// The bytes in the order a poll shows them; the write-backs of one poll go out in this order.
void CatalogTest::pollFollowsTheSteps()
{
    const QList<int> expected = {0,  19, 30, 32, 1,  2,  3,  4,  6,  11, 10, 9, 13, 14, 17, 15,
                                 16, 18, 21, 35, 37, 38, 36, 24, 22, 26, 27, 5, 29, 28, 31, 33};
    QList<int> actual;
    for (const Setting *s : pollOrder()) {
        QVERIFY(s != nullptr);
        actual << s->byte;
    }
    QCOMPARE(actual, expected);
}

void CatalogTest::parseValue_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("value");
    const int none = ParsedValue::None, unknown = ParsedValue::Unknown,
              range = ParsedValue::OutOfRange, readOnly = ParsedValue::ReadOnly;

    QTest::newRow("name") << "input"
                          << "matrix-thru" << none << 3;
    QTest::newRow("name, other case") << "input"
                                      << "Port-B" << none << 2;
    QTest::newRow("number of a value") << "input"
                                       << "4" << none << 4;
    QTest::newRow("number below the values") << "input"
                                             << "0" << range << 0;
    QTest::newRow("number above the values") << "input"
                                             << "5" << range << 0;
    QTest::newRow("unknown name") << "input"
                                  << "port-c" << unknown << 0;
    QTest::newRow("empty") << "input"
                           << "" << unknown << 0;
    QTest::newRow("blank around a name") << "input"
                                         << " port-a" << unknown << 0;
    QTest::newRow("dotted value name") << "hdcp"
                                       << "1.4" << none << 2;
    QTest::newRow("hdcp none is 1") << "hdcp"
                                    << "none" << none << 1;
    QTest::newRow("inverted on") << "tx-htpc-mode"
                                 << "on" << none << 0;
    QTest::newRow("inverted off") << "tx-htpc-mode"
                                  << "off" << none << 1;
    QTest::newRow("on/off number") << "auto-switch"
                                   << "1" << none << 1;
    QTest::newRow("on/off 2") << "auto-switch"
                              << "2" << range << 0;
    QTest::newRow("range low end") << "edid-table"
                                   << "1" << none << 1;
    QTest::newRow("range high end") << "edid-table"
                                    << "25" << none << 25;
    QTest::newRow("range leading zero") << "edid-table"
                                        << "007" << none << 7;
    QTest::newRow("range below") << "edid-table"
                                 << "0" << range << 0;
    QTest::newRow("range above") << "edid-table"
                                 << "26" << range << 0;
    QTest::newRow("range negative") << "edid-table"
                                    << "-3" << range << 0;
    QTest::newRow("range overflow") << "edid-table"
                                    << "99999999999999" << range << 0;
    QTest::newRow("range hex") << "edid-table"
                               << "0x10" << unknown << 0;
    QTest::newRow("range name") << "edid-table"
                                << "custom" << unknown << 0;
    QTest::newRow("read-only name") << "edid-available"
                                    << "yes" << readOnly << 0;
    QTest::newRow("read-only number") << "hdcp-available"
                                      << "1" << readOnly << 0;
}

void CatalogTest::parseValue()
{
    QFETCH(QString, setting);
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(int, value);
    const Setting *s = findSetting(setting);
    QVERIFY(s != nullptr);
    const ParsedValue parsed = settings::parseValue(*s, text);
    QCOMPARE(int(parsed.error), error);
    if (error == ParsedValue::None) {
        QCOMPARE(parsed.value, value);
        QVERIFY(writeRequest(*s, parsed.value).has_value());
    }
    // A number refused here is refused by the write too: it never reaches the wire.
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    if (error != ParsedValue::None && isNumber)
        QVERIFY(!writeRequest(*s, number).has_value());
}

void CatalogTest::formatValue_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("shown");
    QTest::newRow("named") << "audio-source" << 2 << "none";
    QTest::newRow("unnamed byte shows the number") << "audio-source" << 7 << "7";
    QTest::newRow("on/off byte 2") << "split-screen" << 2 << "2";
    QTest::newRow("range") << "edid-table" << 19 << "19";
    QTest::newRow("range out of range") << "edid-table" << 0 << "0";
    QTest::newRow("read-only") << "edid-available" << 0 << "no";
}

void CatalogTest::formatValue()
{
    QFETCH(QString, setting);
    QFETCH(int, byte);
    QFETCH(QString, shown);
    const Setting *s = findSetting(setting);
    QVERIFY(s != nullptr);
    SettingBytes bytes{};
    bytes.fill(0xAA); // only the setting's own byte may count
    bytes[std::size_t(s->byte)] = std::uint8_t(byte);
    QCOMPARE(settings::formatValue(*s, bytes), shown);
    QCOMPARE(currentValue(*s, bytes).raw, byte);
}

// Item i of a combo box stands for the value i + offset: the values must run without gaps
// over exactly the items.
void CatalogTest::comboItemsMatchTheValues()
{
    int combos = 0;
    for (const Setting &s : catalog()) {
        const Row &r = row(s.id);
        if (r.show != Show::ComboIndex)
            continue;
        ++combos;
        QVERIFY2(r.itemCount > 0, s.name);
        for (int i = 0; i < int(r.itemCount); ++i)
            QVERIFY2(accepts(s, i + r.offset), s.name);
        QVERIFY2(!accepts(s, r.offset - 1), s.name);
        QVERIFY2(!accepts(s, int(r.itemCount) + r.offset), s.name);
    }
    QCOMPARE(combos, 4);
}

void CatalogTest::listingShowsEveryRow()
{
    SettingBytes bytes{};
    bytes[0] = 2;
    bytes[35] = 1;
    const QStringList lines = listing(bytes);
    QCOMPARE(lines.size(), int(catalog().size()));
    const QRegularExpression input("^input +choice +port-a=1\\|port-b=2\\|matrix-thru=3\\|"
                                   "matrix-swap=4 +port-b=2$");
    QVERIFY2(input.match(lines.first()).hasMatch(), qPrintable(lines.first()));
    // The numbers are the device's: inverted for this one.
    QVERIFY(lines.filter(QRegularExpression("^tx-htpc-mode +on/off +on=0\\|off=1 +off=1$")).size() ==
            1);
    QVERIFY(lines.filter(QRegularExpression("^edid-table +range +1\\.\\.25 +0$")).size() == 1);
    // Aligned columns: every kind starts in the same column.
    const int column = lines.first().indexOf("choice");
    for (const QString &line : lines)
        QVERIFY2(line.mid(column, 1).trimmed().size() == 1, qPrintable(line));
}

QTEST_GUILESS_MAIN(CatalogTest)
#include "CatalogTest.moc"
