#include "cli/EdidEditCommand.h"

#include "cli/Cli.h"
#include "cli/TableSource.h"
#include "edid/EdidInput.h"
#include "edid/EdidText.h"
#include "edid/EdidWriteChecks.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace cli
{
namespace
{

int complain(QIODevice &err, int code, const QString &text)
{
    err.write("korvalis-cli: " + text.toUtf8() + '\n');
    return code;
}

// A file or standard input: a raw table or hex text of 128 or 256 bytes.
int readInput(const EdidEditRequest &r, const Streams &io, edid::Table &table)
{
    const TableSource source = readTableSource(r.inputFile, io.in, true);
    if (!source.error.isEmpty())
        return complain(io.err, exitcode::Usage, source.error);
    table.fill(0);
    std::copy(source.input.bytes.begin(), source.input.bytes.end(), table.begin());
    return exitcode::Ok;
}

int writeTable(const EdidEditRequest &r, const Streams &io, const edid::Table &table)
{
    const QByteArray bytes = r.hex ? edid::edidTableText(table).toLatin1()
                                   : QByteArray(reinterpret_cast<const char *>(table.data()),
                                                edid::TableSize);
    if (r.outputFile == "-") {
        io.out.write(bytes);
        return exitcode::Ok;
    }
    QSaveFile file(r.outputFile);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return exitcode::Ok;
    return complain(io.err, exitcode::Usage,
                    QStringLiteral("cannot write %1: %2").arg(r.outputFile, file.errorString()));
}

} // namespace

void addEdidEditOptions(QCommandLineParser &parser)
{
    for (const QString &name : edid::editNames())
        parser.addOption({name, QString(), QStringLiteral("VALUE")});
    parser.addOption({QStringLiteral("write"), QString()});
    parser.addOption({QStringLiteral("diff"), QString()});
}

bool parseEdidEdit(const QCommandLineParser &p, const QString &inputFile, bool stdoutIsTerminal,
                   EdidEditRequest &r, QString &error)
{
    for (const QString &name : edid::editNames())
        for (const QString &value : p.values(name)) {
            const std::optional<edid::Edit> edit = edid::editFromWords(name, value, error);
            if (!edit)
                return false;
            r.edits.push_back(*edit);
        }
    if (p.isSet("from")) {
        const QString from = p.value("from");
        if (from == "own")
            r.from = edid::Source::Own;
        else if (from == "tv-a")
            r.from = edid::Source::DisplayA;
        else if (from == "tv-b")
            r.from = edid::Source::DisplayB;
        else {
            error = QStringLiteral("'%1' is no EDID source (own, tv-a or tv-b)").arg(from);
            return false;
        }
        if (!inputFile.isEmpty()) {
            error = QStringLiteral("--from reads the device's table: a file does not apply");
            return false;
        }
    }
    r.inputFile = inputFile;
    r.write = p.isSet("write");
    r.selectCustom = p.isSet("select-custom");
    if (r.selectCustom && !r.write) {
        error = QStringLiteral("--select-custom applies with --write");
        return false;
    }
    r.diff = p.isSet("diff");
    r.hex = p.isSet("hex");
    r.json = p.isSet("json");
    r.outputFile = p.value("o");
    if (p.isSet("o") && r.outputFile.isEmpty()) {
        error = QStringLiteral("-o needs a file name");
        return false;
    }
    // Without a destination of its own the table goes to standard output.
    if (!p.isSet("o") && !r.write && !r.diff && !r.json)
        r.outputFile = QStringLiteral("-");
    const bool tableToStdout = r.outputFile == "-";
    if (tableToStdout && (r.diff || r.json)) {
        error = QStringLiteral("the table goes to standard output: --diff and --json need -o FILE");
        return false;
    }
    if (tableToStdout && !r.hex && stdoutIsTerminal) {
        error = QStringLiteral("refusing to write a binary EDID to a terminal: use -o FILE, "
                               "--hex, --write, --diff or a pipe");
        return false;
    }
    return true;
}

void warnWriteProblems(const edid::Table &table, QIODevice &err)
{
    for (const QString &line : edid::problemLines(edid::writeChecks(table)))
        err.write("korvalis-cli: warning: " + line.toUtf8() + '\n');
}

int runEdidEdit(const EdidEditRequest &r, const Streams &io, const TableReader &read,
                const TableWriter &write)
{
    edid::Table before{};
    const int got = r.from ? read(before) : readInput(r, io, before);
    if (got != exitcode::Ok)
        return got;
    const edid::EditResult edited = edid::applyEdits(before, r.edits);
    if (!edited.ok())
        return complain(io.err, exitcode::Usage, QStringLiteral("cannot edit: %1").arg(edited.error));
    const QStringList changes = edid::reportDifference(before, edited.table);
    const std::vector<edid::Problem> problems = edid::writeChecks(edited.table);
    if (!r.outputFile.isEmpty()) {
        const int done = writeTable(r, io, edited.table);
        if (done != exitcode::Ok)
            return done;
    }
    if (r.json) {
        QJsonArray problemArray;
        for (const QString &line : edid::problemLines(problems))
            problemArray.append(line);
        io.out.write(QJsonDocument(QJsonObject{{"changes", QJsonArray::fromStringList(changes)},
                                               {"problems", problemArray}})
                         .toJson(QJsonDocument::Indented));
    } else {
        QIODevice &to = r.diff && r.outputFile != "-" ? io.out : io.err;
        for (const QString &line : changes)
            to.write(line.toUtf8() + '\n');
    }
    // The write warns on its own, through the same path as edid write.
    if (r.write)
        return write(edited.table);
    if (!r.json)
        warnWriteProblems(edited.table, io.err);
    return exitcode::Ok;
}

} // namespace cli
