// The colon hex entry: text preparation, the nibble rule and both parse modes.
#include "cec_infoframes/ColonHex.h"
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
        const int plain = int(Mode::Plain), length = int(Mode::LengthByte);
        QTest::newRow("50:04 plain") << "50:04" << plain << QByteArray("5004");
        QTest::newRow("50:04 length byte") << "50:04" << length << QByteArray("500104");
        QTest::newRow("54:44:01 length") << "54:44:01" << length << QByteArray("54024401");
        QTest::newRow("AVI example") << "60:c8:60:61:00" << plain << QByteArray("60c8606100");
        QTest::newRow("lower case") << "5b:44:40" << plain << QByteArray("5b4440");
        QTest::newRow("three digits end it") << "50:044:01" << plain << QByteArray("5004");
        QTest::newRow("spaces after") << "50:04   " << plain << QByteArray("5004");
        QTest::newRow("newline after") << "50:04\n" << plain << QByteArray("5004");
        QTest::newRow("G as low nibble") << "50:0g" << plain << QByteArray("5010");
        // '4' and the carriage return: 0x40 + (0x0D - 0x30) in 8 bits.
        QTest::newRow("one digit and CR") << "50:4" << plain << QByteArray("501d");
        // The carriage return and the NUL behind the text: 0xD0 + 0xD0 in 8 bits.
        QTest::newRow("trailing colon") << "50:04:" << plain << QByteArray("5004a0");
        QTest::newRow("colon at 0") << ":50:04" << length << QByteArray();
        QTest::newRow("colon at 1") << "5:0:04" << plain << QByteArray();
        QTest::newRow("no colon") << "500400" << length << QByteArray();
    }
    void parse()
    {
        QFETCH(QString, typed);
        QFETCH(int, mode);
        QFETCH(QByteArray, bytes);
        const QByteArray text = colonhex::prepareEntryText(typed);
        colonhex::Output out;
        out.fill(0xAA);
        const int n = colonhex::parseColonHex(text, out, std::uint8_t(text.size()), Mode(mode));
        QByteArray expected = QByteArray::fromHex(bytes);
        QCOMPARE(n, int(expected.size())); // 0: refused
        expected.append(QByteArray(int(colonhex::OutputSize) - expected.size(), '\0'));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.data()), int(out.size())), expected);
    }

    // A run of colons keeps every colon in the chain: the output still ends at its 100 bytes.
    void longTextStaysInTheBuffer()
    {
        const QByteArray text = colonhex::prepareEntryText("00" + QString(9998, ':'));
        colonhex::Output out;
        QCOMPARE(int(colonhex::parseColonHex(text, out, 255, Mode::LengthByte)),
                 int(colonhex::OutputSize));
        QCOMPARE(out[1], std::uint8_t(colonhex::OutputSize - 2));
    }
};

QTEST_APPLESS_MAIN(ColonHexTest)
#include "ColonHexTest.moc"
