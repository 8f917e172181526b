// The generated bash completion, run by bash on typed command lines.
#include "cli/Completion.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class CompletionTest : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp_;
    QString script_;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("bash").isEmpty())
            QSKIP("no bash");
        script_ = tmp_.filePath("korvalis-cli");
        QFile f(script_);
        const QByteArray text = cli::bashCompletion().toUtf8();
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
    }

    void completes_data()
    {
        QTest::addColumn<QString>("line"); // the words typed; the last one is being completed
        QTest::addColumn<QString>("offered");
        QTest::newRow("commands") << "korvalis-cli co"
                                  << "config completion";
        QTest::newRow("subcommands of a group") << "korvalis-cli config "
                                                << "save load";
        QTest::newRow("setting names") << "korvalis-cli set edid-"
                                       << "edid-mode edid-table";
        QTest::newRow("value names of the setting before") << "korvalis-cli set input port-b hdcp "
                                                           << "none 1.4 2.2";
        QTest::newRow("options of the command") << "korvalis-cli config load x.json --d"
                                                << "--device --dry-run";
        QTest::newRow("value of an option") << "korvalis-cli edid read --from tv"
                                            << "tv-a tv-b";
        QTest::newRow("a positional choice") << "korvalis-cli edid mode c"
                                             << "custom";
        QTest::newRow("an option's value is no positional")
            << "korvalis-cli --device 2023 edid mode f"
            << "fixed";
        QTest::newRow("after --wait's seconds") << "korvalis-cli --wait 3 --json st"
                                                << "status";
        QTest::newRow("--device: the places the program lists") << "korvalis-cli --device /"
                                                                << "/run/k/2023.sock";
        QTest::newRow("--device: ids and places, once each") << "korvalis-cli --device "
                                                             << "/run/k/2023.sock 1-4.2 2023";
        QTest::newRow("help: command words") << "korvalis-cli help ed"
                                             << "edid";
        QTest::newRow("help: subcommands") << "korvalis-cli help config l"
                                           << "load";
    }
    void completes()
    {
        QFETCH(QString, line);
        QFETCH(QString, offered);
        QStringList words = line.split(u' ');
        QString quoted;
        for (const QString &w : words)
            quoted += QStringLiteral(" '%1'").arg(w);
        // The program as the script runs it for --device: what `list` prints.
        const QString program = QStringLiteral("source '%1'; korvalis-cli() { [ \"$1\" = list ] && "
                                               "printf '2023  1-4.2  ok\\n2023  "
                                               "/run/k/2023.sock  ok\\n'; }; COMP_WORDS=(%2); "
                                               "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                                               "_korvalis_cli; echo \"${COMPREPLY[*]}\"")
                                    .arg(script_, quoted);
        QProcess bash;
        bash.start("bash", {"-c", program});
        QVERIFY(bash.waitForFinished(10000));
        QCOMPARE(bash.readAllStandardError(), QByteArray());
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), offered);
    }
};

QTEST_GUILESS_MAIN(CompletionTest)
#include "CompletionTest.moc"
