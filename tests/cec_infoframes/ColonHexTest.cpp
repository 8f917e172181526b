// The colon hex entry: text preparation, both parse modes and the refusal of non-hex digits.
#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryParse.h"
#include "cec_infoframes/EntryText.h"

#include <QtTest>

using colonhex::Mode;

class ColonHexTest : public QObject
{
    Q_OBJECT

private slots:
    void prepare_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("prepared");
        QTest::newRow("upper case, CR")
            << QString::fromUtf8("5b:\u00e9\n") << QByteArray("5B:\xc9\n\r");
        QTest::newRow("outside Latin-1")
            << QString::fromUtf8("a\u20ac\U0001F600") << QByteArray("A??\r");
    }
    void prepare()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, prepared);
        QCOMPARE(colonhex::prepareEntryText(typed), prepared);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("bytes"); // hex; the rest of the output stays zero
        QTest::addColumn<int>("badAt");        // index of the refused character; -1: none
        const int plain = int(Mode::Plain), length = int(Mode::LengthByte);
        QTest::newRow("50:04 plain") << "50:04" << plain << QByteArray("5004") << -1;
        QTest::newRow("50:04 length byte") << "50:04" << length << QByteArray("500104") << -1;
        QTest::newRow("54:44:01 length") << "54:44:01" << length << QByteArray("54024401") << -1;
        QTest::newRow("AVI example") << "60:c8:60:61:00" << plain << QByteArray("60c8606100") << -1;
        QTest::newRow("lower case") << "5b:44:40" << plain << QByteArray("5b4440") << -1;
        QTest::newRow("three digits end it") << "50:044:01" << plain << QByteArray("5004") << -1;
        QTest::newRow("spaces after") << "50:04   " << plain << QByteArray("5004") << -1;
        QTest::newRow("newline after") << "50:04\n" << plain << QByteArray("5004") << -1;
        QTest::newRow("g as low nibble") << "50:0g" << plain << QByteArray() << 4;
        QTest::newRow("bad high nibble") << "5x:04" << length << QByteArray() << 1;
        QTest::newRow("blank inside a pair") << "50: 4" << plain << QByteArray() << 3;
        // The carriage return is no digit: half a byte is refused, not completed.
        QTest::newRow("one digit and CR") << "50:4" << plain << QByteArray() << 4;
        QTest::newRow("trailing colon") << "50:04:" << plain << QByteArray() << 6;
        QTest::newRow("behind the last pair: ignored")
            << "50:04 zz" << plain << QByteArray("5004") << -1;
        QTest::newRow("colon at 0") << ":50:04" << length << QByteArray() << -1;
        QTest::newRow("colon at 1") << "5:0:04" << plain << QByteArray() << -1;
        QTest::newRow("no colon") << "500400" << length << QByteArray() << -1;
    }
    void parse()
    {
        QFETCH(QString, typed);
        QFETCH(int, mode);
        QFETCH(QByteArray, bytes);
        QFETCH(int, badAt);
        const QByteArray text = colonhex::prepareEntryText(typed);
        colonhex::Output out;
        out.fill(0xAA);
        const colonhex::Parsed parsed =
            colonhex::parseColonHex(text, out, std::uint8_t(text.size()), Mode(mode));
        QCOMPARE(parsed.badAt ? int(*parsed.badAt) : -1, badAt);
        QByteArray expected = QByteArray::fromHex(bytes);
        QCOMPARE(int(parsed.count), int(expected.size())); // 0: refused
        expected.append(QByteArray(int(colonhex::OutputSize) - expected.size(), '\0'));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.data()), int(out.size())), expected);
    }

    // A run of colons keeps every colon in the chain: it is refused at the first pair holding
    // one, and the scan stays within the 100-byte output meanwhile.
    void longTextStaysInTheBuffer()
    {
        const QByteArray text = colonhex::prepareEntryText("00" + QString(9998, ':'));
        colonhex::Output out;
        const colonhex::Parsed parsed = colonhex::parseColonHex(text, out, 255, Mode::LengthByte);
        QCOMPARE(int(parsed.count), 0);
        QCOMPARE(parsed.badAt, std::optional<std::size_t>(2));
        QCOMPARE(out, colonhex::Output{});
    }

    // The message names the character or the group as typed and counts characters, not UTF-16
    // units.
    void badCharMessage_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("lower case named as typed") << "50:0g"
                                                   << "'g' at position 5 is not a hex digit";
        QTest::newRow("after a wide character")
            << QString::fromUtf8("\U0001F600\U0001F600:0x")
            << QString::fromUtf8("'\U0001F600' at position 1 is not a hex digit");
        QTest::newRow("control character") << "50:0\t"
                                           << "U+0009 at position 5 is not a hex digit";
        QTest::newRow("half a byte") << "50:04:4"
                                     << "'4' at position 7 is not two hex digits";
        // The parser alone would take 50 00 and end there.
        QTest::newRow("three digits") << "50:004"
                                      << "'004' at position 4 is not two hex digits";
        QTest::newRow("one digit between colons") << "50:4:04"
                                                  << "'4' at position 4 is not two hex digits";
        QTest::newRow("empty group") << "50::04"
                                     << "a hex digit is missing at position 4";
        QTest::newRow("junk behind the last pair") << "50:04 zz"
                                                   << "' ' at position 6 is not a hex digit";
    }
    void badCharMessage()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        const colonhex::Entry entry =
            colonhex::parseEntry(typed, colonhex::CecSendLimits, Mode::LengthByte);
        QVERIFY(!entry.ok());
        QCOMPARE(entry.problem(), message);
    }
};

QTEST_APPLESS_MAIN(ColonHexTest)
#include "ColonHexTest.moc"
