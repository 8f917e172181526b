// korvalis-cli as scripts use it: help from the command table, JSON for every outcome.
#include "cli/Cli.h"
#include "cli/CommandHelp.h"
#include "cli/CommandTable.h"
#include "settings/Catalog.h"

#include "ModelLink.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// A watch that sees one unit and ends at once, as if interrupted.
struct EndingWatcher : DeviceWatcher {
    std::atomic<bool> &interrupted;
    explicit EndingWatcher(std::atomic<bool> &flag) : interrupted(flag) {}
    std::vector<DeviceEvent> poll(int) override
    {
        interrupted = true;
        return {};
    }
    std::vector<WatchedDevice> present() const override { return {{"2023", true, "2023.sock"}}; }
};

struct Rig : ModelLink {
    QBuffer out, err, in;
    std::atomic<bool> interrupted{false};
    Rig() { model.setBusy(false); }
    int run(const QStringList &args)
    {
        for (QBuffer *b : {&out, &err}) {
            b->close();
            b->setData(QByteArray());
            b->open(QIODevice::WriteOnly);
        }
        in.open(QIODevice::ReadOnly);
        const auto locate = [](std::uint32_t, const QString &) { return QStringLiteral("model"); };
        cli::Backend backend{usb, clock, alerts, locate};
        backend.watch = [this](const QByteArray &) {
            return std::make_unique<EndingWatcher>(interrupted);
        };
        backend.catchInterrupt = [this] { return &interrupted; };
        return cli::run(QStringList{"korvalis-cli"} + args, backend,
                        cli::Streams{out, err, false, false, &in});
    }
    // Standard output as one JSON object; an empty object when it is none.
    QJsonObject json() const
    {
        QJsonParseError e{};
        const QJsonDocument doc = QJsonDocument::fromJson(out.data(), &e);
        return e.error == QJsonParseError::NoError ? doc.object() : QJsonObject();
    }
    QByteArray lastRegisterWrite() const
    {
        QByteArray last;
        for (const QByteArray &r : model.requests())
            if (r.size() == 5 && r.startsWith(QByteArray::fromRawData("\x10\x04\xE0", 3)))
                last = r;
        return last;
    }
    QString stdoutText() const { return QString::fromUtf8(out.data()); }
    QString stderrText() const { return QString::fromUtf8(err.data()); }
};

QStringList commandWordList(const cli::CommandInfo &c)
{
    return cli::commandWords(c).split(u' ');
}

QStringList exampleOf(const cli::CommandInfo &c)
{
    return QString::fromLatin1(c.example != nullptr ? c.example : "").split(u' ');
}

// The whole of standard output is one object: the command's own document, ok for what it did,
// or the failure with the exit status and the line of standard error.
void checkJsonOutcome(const Rig &rig, int exit)
{
    const QJsonObject doc = rig.json();
    QVERIFY2(!doc.isEmpty(), rig.out.data().constData());
    if (exit == 0) {
        QVERIFY(doc.value("ok").toBool(true));
        return;
    }
    QCOMPARE(doc.value("ok"), QJsonValue(false));
    QCOMPARE(doc.value("exit_status"), QJsonValue(exit));
    const QString err = rig.stderrText();
    QVERIFY2(err.startsWith("korvalis-cli: "), qPrintable(err));
    QCOMPARE(doc.value("error").toString(), err.mid(14).trimmed());
}

} // namespace

class CliScriptsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;

    // Every row, run as its own example with --json: in the plain way first, so that a command
    // that prints nothing shows as one that only acts.
    static void everyRow()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < cli::commandTable().size(); ++i)
            QTest::newRow(qPrintable(cli::commandWords(cli::commandTable()[i]))) << int(i);
    }

private slots:
    // The files the examples name, in a directory of their own.
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(tmp_.path()));
        Rig rig;
        const QByteArray table = rig.model.displayEdid(DeviceModel::Output::A);
        for (const char *name : {"my.bin", "tv-a.bin"}) {
            QFile f(QString::fromLatin1(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(table) == table.size());
        }
        QCOMPARE(rig.run({"config", "save", "unit01.json"}), 0);
    }

    void jsonOfEveryExample_data() { everyRow(); }
    void jsonOfEveryExample()
    {
        QFETCH(int, row);
        const cli::CommandInfo &c = cli::commandTable()[std::size_t(row)];
        Rig plain;
        QCOMPARE(plain.run(exampleOf(c)), 0);
        Rig rig;
        QCOMPARE(rig.run(exampleOf(c) << "--json"), 0);
        checkJsonOutcome(rig, 0);
        const QJsonObject doc = rig.json();
        if (plain.out.data().isEmpty())
            QCOMPARE(doc.value("ok"), QJsonValue(true));
        if (doc.contains("command"))
            QCOMPARE(doc.value("command").toString(), cli::commandWords(c));
        if (doc.contains("text"))
            QCOMPARE(doc.value("text").toString(), plain.stdoutText()); // a help, a script
    }

    // Refused, without a device, with a silent device: one failure object each time.
    void jsonOfEveryFailure_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("how");
        for (std::size_t i = 0; i < cli::commandTable().size(); ++i)
            for (int how : {0, 1, 2}) {
                static const char *const hows[] = {"bad option", "no device", "silent"};
                QTest::newRow(qPrintable(cli::commandWords(cli::commandTable()[i]) + ", " +
                                         hows[how]))
                    << int(i) << how;
            }
    }
    void jsonOfEveryFailure()
    {
        QFETCH(int, row);
        QFETCH(int, how);
        Rig rig;
        QStringList args = exampleOf(cli::commandTable()[std::size_t(row)]) << "--json";
        if (how == 0)
            args << "--frob";
        if (how == 1)
            args = QStringList{"--device", "77"} + args;
        if (how == 2)
            rig.model.addFault({DeviceModel::FaultKind::NoReply, -1, -1, 0});
        const int exit = rig.run(args);
        if (how == 0)
            QCOMPARE(exit, 2);
        // Commands that need no device succeed without one.
        QVERIFY2(exit == 0 || exit == (how == 1 ? 3 : how == 2 ? 1 : 2), qPrintable(rig.stderrText()));
        checkJsonOutcome(rig, exit);
    }

    // Every writable setting: the number get --numbers prints is the one settings shows
    // beside the name, and set takes it for the same write as the name.
    void numbersOfEverySetting_data()
    {
        QTest::addColumn<QString>("name");
        for (const settings::Setting &s : settings::catalog())
            if (s.kind != settings::Kind::ReadOnly)
                QTest::newRow(s.name) << QString::fromLatin1(s.name);
    }
    void numbersOfEverySetting()
    {
        QFETCH(QString, name);
        const settings::Setting &s = *settings::findSetting(name);
        // The last value it takes, other than the one it holds.
        const int byName = s.kind == settings::Kind::Range ? s.maximum : s.values[0].value;
        QString typed = QString::number(byName);
        for (const settings::ValueName &v : s.values)
            if (v.name != nullptr && v.value != byName)
                typed = QString::fromLatin1(v.name);
        Rig rig;
        QCOMPARE(rig.run({"set", name, typed}), 0);
        const QByteArray written = rig.lastRegisterWrite();
        QVERIFY(!written.isEmpty());
        QCOMPARE(rig.run({"get", name, "--numbers"}), 0);
        const QString number = rig.stdoutText().section(u' ', 1).trimmed();
        QCOMPARE(rig.run({"--json", "get", "--numbers", name}), 0);
        QCOMPARE(rig.json().value(name), QJsonValue(number.toInt()));
        QCOMPARE(rig.run({"settings"}), 0);
        const QString line = rig.stdoutText().split(u'\n').filter(
            QRegularExpression('^' + QRegularExpression::escape(name) + ' ')).value(0);
        const QString shown = number == typed ? number : typed + '=' + number;
        QVERIFY2(line.endsWith(' ' + shown), qPrintable(line + " / " + shown));
        rig.model.clearLog();
        QCOMPARE(rig.run({"set", name, number}), 0);
        QCOMPARE(rig.lastRegisterWrite(), written);
    }

    void jsonSaysWhatWasDone_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("set by number")
            << QStringList{"set", "input", "2", "edid-table", "7"} << "set"
            << QJsonValue(QJsonObject{{"input", "port-b"}, {"edid-table", 7}});
        QTest::newRow("edid mode with table")
            << QStringList{"edid", "mode", "custom", "--table", "3"} << "set"
            << QJsonValue(QJsonObject{{"edid-mode", "custom"}, {"edid-table", 3}});
        QTest::newRow("reset") << QStringList{"reset", "edid", "--yes"} << "reset"
                               << QJsonValue("edid");
        QTest::newRow("cec store") << QStringList{"cec", "store", "lp", "40:04"} << "button"
                                   << QJsonValue("lp");
        QTest::newRow("edid read to a file, the file written")
            << QStringList{"edid", "read", "--hex", "-o", "own.txt"} << "file"
            << QJsonValue("own.txt");
    }
    void jsonSaysWhatWasDone()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        Rig rig;
        QCOMPARE(rig.run(args << "--json"), 0);
        QCOMPARE(rig.json().value(key), value);
        if (key == "file")
            QVERIFY(QFile::exists(value.toString()));
    }

    // Every row of the command table: its own help, the same by both ways of asking.
    void helpOfEveryCommand_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < cli::commandTable().size(); ++i)
            QTest::newRow(qPrintable(cli::commandWords(cli::commandTable()[i]))) << int(i);
    }
    void helpOfEveryCommand()
    {
        QFETCH(int, row);
        const cli::CommandInfo &c = cli::commandTable()[std::size_t(row)];
        const QStringList words = commandWordList(c);
        Rig rig;
        QCOMPARE(rig.run(QStringList{"help"} + words), 0);
        const QString help = rig.stdoutText();
        QCOMPARE(rig.run(words + QStringList{"--help"}), 0);
        QCOMPARE(rig.stdoutText(), help);
        QCOMPARE(rig.model.requestCount(), 0);

        QVERIFY2(help.startsWith("Usage: korvalis-cli " + cli::commandWords(c)), qPrintable(help));
        for (const QString &line : help.split(u'\n'))
            QVERIFY2(line.size() <= cli::HelpWidth, qPrintable(line));
        const QString flat = help.simplified();
        for (const char *option : c.options)
            if (option != nullptr)
                QVERIFY2(flat.contains(cli::optionFlag(option) + ' '),
                         option);
        QVERIFY2(c.example != nullptr, "the row has no example");
        QVERIFY(help.contains(QStringLiteral("Example:\n  korvalis-cli ") + c.example));

        // The example is of this command and uses only options it takes.
        const QStringList example = QString::fromLatin1(c.example).split(u' ');
        QStringList positional;
        QStringList allowed;
        for (const char *o : c.options)
            if (o != nullptr)
                allowed << cli::optionFlag(o);
        for (const char *o : cli::globalOptions())
            allowed << cli::optionFlag(o);
        for (const QString &w : example) {
            if (w.startsWith(u'-') && w.size() > 1)
                QVERIFY2(allowed.contains(w), qPrintable(w));
            else
                positional << w;
        }
        QCOMPARE(cli::findCommand(positional), &c);
    }

    void helpIsRefusedForWhatIsNoCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("said"); // standard output, or standard error on exit 2
        QTest::newRow("program's usage") << QStringList{"help"} << 0 << "\nCommands:\n";
        QTest::newRow("a group's commands")
            << QStringList{"cec", "--help"} << 0 << "korvalis-cli cec store sp|lp HEX";
        QTest::newRow("unknown command") << QStringList{"help", "frob"} << 2 << "'frob'";
        QTest::newRow("unknown subcommand")
            << QStringList{"edid", "frob", "--help"} << 2 << "'edid frob'";
    }
    void helpIsRefusedForWhatIsNoCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, said);
        Rig rig;
        QCOMPARE(rig.run(args), exit);
        const QString text = exit == 0 ? rig.stdoutText() : rig.stderrText();
        QVERIFY2(text.contains(said), qPrintable(text));
        for (const QString &line : text.split(u'\n'))
            QVERIFY2(exit != 0 || line.size() <= cli::HelpWidth, qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(CliScriptsTest)
#include "CliScriptsTest.moc"
