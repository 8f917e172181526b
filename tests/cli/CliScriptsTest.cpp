// korvalis-cli as scripts use it: help from the command table, JSON for every outcome.
#include "cli/Cli.h"
#include "cli/CommandHelp.h"
#include "cli/CommandTable.h"
#include "settings/Catalog.h"

#include "ModelLink.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace
{

struct Rig : ModelLink {
    QBuffer out, err, in;
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
        return cli::run(QStringList{"korvalis-cli"} + args,
                        cli::Backend{usb, clock, alerts, locate}, cli::Streams{out, err, false,
                                                                               false, &in});
    }
    QString stdoutText() const { return QString::fromUtf8(out.data()); }
    QString stderrText() const { return QString::fromUtf8(err.data()); }
};

QStringList commandWordList(const cli::CommandInfo &c)
{
    return cli::commandWords(c).split(u' ');
}

} // namespace

class CliScriptsTest : public QObject
{
    Q_OBJECT

private slots:
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
