// korvalis-cli as scripts use it: help and --json for every row of the command table, and the
// numbers of every setting's values.
#include "cli/Cli.h"
#include "cli/CommandHelp.h"
#include "cli/CommandTable.h"
#include "settings/Catalog.h"

#include "CliRig.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// list --watch sees one unit, then ends as if interrupted.
struct EndingWatcher : DeviceWatcher {
    std::atomic<bool> &interrupted;
    explicit EndingWatcher(std::atomic<bool> &flag) : interrupted(flag) {}
    std::vector<DeviceEvent> poll(int) override
    {
        return interrupted = true, std::vector<DeviceEvent>{};
    }
    std::vector<WatchedDevice> present() const override { return {{"2023", true, "2023.sock"}}; }
};

struct Rig : CliRig {
    std::atomic<bool> interrupted{false};
    int run(const QStringList &args)
    {
        return CliRig::run(args, false, false, [this](cli::Backend &backend) {
            backend.watch = [this](const QByteArray &) {
                return std::make_unique<EndingWatcher>(interrupted);
            };
            backend.catchInterrupt = [this] { return &interrupted; };
        });
    }
};

const cli::CommandInfo &row(int i)
{
    return cli::commandTable()[std::size_t(i)];
}

QStringList exampleOf(const cli::CommandInfo &c)
{
    return QString::fromLatin1(c.example != nullptr ? c.example : "").split(u' ');
}

} // namespace

class CliScriptsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;

    static void everyRow()
    {
        QTest::addColumn<int>("i");
        for (std::size_t i = 0; i < cli::commandTable().size(); ++i)
            QTest::newRow(qPrintable(cli::commandWords(row(int(i))))) << int(i);
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

    // Asked both ways, within 80 columns, with each option and an example of this command.
    void helpOfEveryCommand_data() { everyRow(); }
    void helpOfEveryCommand()
    {
        QFETCH(int, i);
        const cli::CommandInfo &c = row(i);
        const QStringList words = cli::commandWords(c).split(u' ');
        Rig rig;
        QCOMPARE(rig.run(QStringList{"help"} + words), 0);
        const QString help = rig.stdoutText();
        QCOMPARE(rig.run(words + QStringList{"--help"}), 0);
        QCOMPARE(rig.stdoutText(), help);
        QVERIFY2(help.startsWith("Usage: korvalis-cli " + cli::commandWords(c)), qPrintable(help));
        for (const QString &line : help.split(u'\n'))
            QVERIFY2(line.size() <= cli::HelpWidth, qPrintable(line));
        for (const char *option : c.options)
            if (option != nullptr)
                QVERIFY2(help.contains("  " + cli::optionFlag(option) + ' '), option);
        QVERIFY2(c.example != nullptr, "the row has no example");
        QVERIFY(help.contains(QStringLiteral("Example:\n  korvalis-cli ") + c.example));
        QStringList positional = exampleOf(c).filter(QRegularExpression("^[^-]"));
        QCOMPARE(cli::findCommand(positional), &c);
    }

    // Each example (they use only their command's options: else they fail here) as given,
    // refused, without a device, with a silent device, always with --json: one document, and
    // on failure the exit status and the text of the line on standard error.
    void jsonOfEveryOutcome_data()
    {
        QTest::addColumn<int>("i");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("exit"); // when it fails: some commands need no device
        for (std::size_t i = 0; i < cli::commandTable().size(); ++i) {
            const QString name = cli::commandWords(row(int(i)));
            QTest::newRow(qPrintable(name)) << int(i) << QStringList() << QStringList() << 0;
            QTest::newRow(qPrintable(name + ", bad option"))
                << int(i) << QStringList() << QStringList{"--frob"} << 2;
            QTest::newRow(qPrintable(name + ", no device"))
                << int(i) << QStringList{"--device", "77"} << QStringList() << 3;
            QTest::newRow(qPrintable(name + ", silent"))
                << int(i) << QStringList() << QStringList{"silent"} << 1;
        }
    }
    void jsonOfEveryOutcome()
    {
        QFETCH(int, i);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(int, exit);
        Rig rig;
        if (after.removeAll("silent") > 0)
            rig.model.addFault({DeviceModel::FaultKind::NoReply, -1, -1, 0});
        const QStringList example = exampleOf(row(i));
        const QString output = example.value(example.indexOf("-o") + 1); // none: the first word
        QFile::remove(output);
        const int got = rig.run(before + example + after << "--json");
        QVERIFY2(got == exit || (exit % 2 == 1 && got == 0), qPrintable(rig.err.data()));
        const QJsonObject doc = rig.json();
        QVERIFY2(!doc.isEmpty(), rig.out.data().constData());
        if (got == 0) {
            QVERIFY(doc.value("ok").toBool(true));
            QVERIFY(!doc.contains("command") || doc["command"] == cli::commandWords(row(i)));
            QVERIFY(QFile::exists(output) == (example.indexOf("-o") >= 0));
            return;
        }
        QCOMPARE(doc.value("ok"), QJsonValue(false));
        QCOMPARE(doc.value("exit_status"), QJsonValue(exit));
        QCOMPARE("korvalis-cli: " + doc.value("error").toString() + '\n',
                 QString::fromUtf8(rig.err.data()));
    }

    // Every writable setting: get --numbers prints the byte the device holds (the number that
    // settings shows next to the name), and set takes it for the same value.
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
        Rig rig, byNumber;
        // A value name it does not hold yet (a range has none: its largest number).
        QString typed = QString::number(s.maximum);
        for (const settings::ValueName &v : s.values)
            if (v.name != nullptr && s.kind != settings::Kind::Range &&
                v.value != rig.model.setting(s.byte))
                typed = QString::fromLatin1(v.name);
        QCOMPARE(rig.run({"set", name, typed}), 0);
        QCOMPARE(rig.run({"get", name, "--numbers"}), 0);
        const QString number = rig.stdoutText().section(u' ', 1).trimmed();
        QCOMPARE(number.toInt(), rig.model.setting(s.byte));
        QCOMPARE(rig.run({"--json", "get", "--numbers", name}), 0);
        QCOMPARE(rig.json().value(name), QJsonValue(number.toInt()));
        // Set by number, it is the same value, and says so by name.
        QCOMPARE(byNumber.run({"--json", "set", name, number}), 0);
        QCOMPARE(byNumber.model.setting(s.byte), number.toInt());
        QCOMPARE(byNumber.json()["set"][name].toVariant().toString(), typed);
    }
};

QTEST_GUILESS_MAIN(CliScriptsTest)
#include "CliScriptsTest.moc"
