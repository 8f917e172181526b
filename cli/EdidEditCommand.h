#pragma once

#include "edid/EdidEditor.h"
#include "edid/EdidTable.h"
#include "edid/EdidTransfer.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QCommandLineParser;
class QIODevice;

// korvalis-cli edid edit: a table from a file or the device, edits in words, the difference in
// the decoded report's lines, the result to a file, standard output or the device.
namespace cli
{

struct Streams;

struct EdidEditRequest {
    std::vector<edid::Edit> edits;
    QString inputFile;                 // empty or "-": standard input
    std::optional<edid::Source> from;  // the device's table instead of a file
    QString outputFile;                // "-": standard output; empty: no table out
    bool hex = false;                  // the table as hex text
    bool write = false;                // to the device, as edid write --verify does
    bool selectCustom = false;
    bool diff = false;                 // the difference on standard output
    bool json = false;
    bool needsDevice() const { return from.has_value() || write; }
};

// The options of edid edit (besides --from, -o, --hex, --select-custom and --json, which other
// commands share).
void addEdidEditOptions(QCommandLineParser &parser);

// Fills `request` from the parsed command line; false with `error` when it is refused.
bool parseEdidEdit(const QCommandLineParser &parser, const QString &inputFile,
                   bool stdoutIsTerminal, EdidEditRequest &request, QString &error);

// Reads the device's table into its argument; returns an exit status.
using TableReader = std::function<int(edid::Table &)>;
// Writes a table as edid write --verify does; returns an exit status.
using TableWriter = std::function<int(const edid::Table &)>;

// Runs the command; `read` and `write` are used only when the request needs the device.
int runEdidEdit(const EdidEditRequest &request, const Streams &io, const TableReader &read,
                const TableWriter &write);

// The checks before a write, as warnings on `err`.
void warnWriteProblems(const edid::Table &table, QIODevice &err);

} // namespace cli
