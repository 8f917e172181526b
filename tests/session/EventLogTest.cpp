// The window's log: its cap, and what Save as... writes.
#include "session/EventLog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using session::EventLog;
using session::SignalEvent;

namespace
{

const QDateTime T0(QDate(2026, 5, 1), QTime(12, 0, 0, 250), Qt::UTC);

// A message, a change and an arrival, in this order.
EventLog threeKinds()
{
    EventLog log;
    log.addMessage(T0, QStringLiteral("Error Writing values"));
    log.addEvent(T0.addSecs(1), {SignalEvent::Kind::Change, session::SignalField::Colorimetry,
                                 QStringLiteral("none"), QStringLiteral("Extended: \"x\", y")});
    log.addEvent(T0.addSecs(2), {SignalEvent::Kind::Arrival, {}, {}, {}});
    return log;
}

} // namespace

class EventLogTest : public QObject
{
    Q_OBJECT

private slots:
    void cap_data()
    {
        QTest::addColumn<int>("cap");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("firstKept"); // the number of the oldest line kept
        QTest::newRow("under the cap") << 5 << 3 << 3 << 0;
        QTest::newRow("at the cap") << 5 << 5 << 5 << 0;
        QTest::newRow("over: the oldest go") << 5 << 12 << 5 << 7;
        QTest::newRow("the window's cap") << EventLog::DefaultCap << EventLog::DefaultCap + 1
                                          << EventLog::DefaultCap << 1;
    }
    void cap()
    {
        QFETCH(int, cap);
        QFETCH(int, added);
        QFETCH(int, kept);
        QFETCH(int, firstKept);
        EventLog log(cap);
        for (int i = 0; i < added; ++i)
            log.addMessage(T0, QString::number(i));
        QCOMPARE(int(log.entries().size()), kept);
        QCOMPARE(log.dropped(), qint64(added - kept));
        QCOMPARE(log.entries().front().text, QString::number(firstKept));
        QCOMPARE(log.entries().back().text, QString::number(added - 1)); // newest last
    }

    void csv()
    {
        const QByteArray csv = session::exportLog(threeKinds().entries(), session::LogFormat::Csv);
        QCOMPARE(csv.split('\n').size(), 5); // header, three records, the empty rest
        QVERIFY(csv.startsWith("time,kind,field,from,to,text\r\n"));
        QVERIFY(csv.contains("\r\n2026-05-01T12:00:00.250Z,message,,,,Error Writing values\r\n"));
        // A separator or quote inside a field is quoted, the quote doubled.
        QVERIFY(csv.contains(",signal,colorimetry,none,\"Extended: \"\"x\"\", y\","));
        QVERIFY(csv.endsWith(",device,arrival,,,arrival\r\n"));
    }

    void jsonLines()
    {
        const QList<QByteArray> lines =
            session::exportLog(threeKinds().entries(), session::LogFormat::JsonLines).split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.last().isEmpty());
        const QJsonObject change = QJsonDocument::fromJson(lines[1]).object();
        QCOMPARE(change["kind"].toString(), QStringLiteral("signal"));
        QCOMPARE(change["to"].toString(), QStringLiteral("Extended: \"x\", y"));
        QCOMPARE(change["time"].toString(), QStringLiteral("2026-05-01T12:00:01.250Z"));
        QCOMPARE(QJsonDocument::fromJson(lines[2]).object()["event"].toString(),
                 QStringLiteral("arrival"));
        QCOMPARE(QJsonDocument::fromJson(lines[0]).object()["text"].toString(),
                 QStringLiteral("Error Writing values"));
    }

    // A file that cannot be written says why and leaves nothing behind.
    void saveFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/log.csv"));
        QVERIFY(!session::saveLog(path, threeKinds().entries(), session::LogFormat::Csv).isEmpty());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(EventLogTest)
#include "EventLogTest.moc"
