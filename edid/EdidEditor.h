#pragma once

#include "edid/EdidTable.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Edits of what a display claims, named in words, applied to a table: only what an edit names
// changes; data block lengths, the CTA detailed-timing offset, the extension count and both
// checksums stay valid. An edit that does not fit is refused with the reason and nothing of the
// list is applied.
namespace edid
{

struct Edit {
    enum class Kind {
        Name,            // text
        RemoveVic,       // values
        AddVic,          // values
        RemoveMode,      // width, height
        MaxTmds,         // values[0]: MHz
        HdrOff,          //
        Eotfs,           // values: EOTF bits 0 (SDR) to 3 (HLG)
        AudioLpcm2ch,    //
        RemoveAudio,     // values: audio format codes
        Ycbcr444,        // on
        Ycbcr422,        // on
        Ycbcr420Off,     //
        PhysicalAddress, // values: A, B, C, D
        DeepColour       // values: 30, 36, 48; empty for none
    };
    Kind kind = Kind::Name;
    QString text;
    std::vector<int> values;
    bool on = false;
    int width = 0, height = 0;
};

struct EditResult {
    Table table{};
    QString error; // why the edits were refused; the table is then the one given
    bool ok() const { return error.isEmpty(); }
};

EditResult applyEdits(const Table &table, const std::vector<Edit> &edits);

// One edit from its option's name (without dashes, as in "remove-vic") and value; the words of
// the command line and the dialog. `error` says why a value is none.
std::optional<Edit> editFromWords(const QString &name, const QString &value, QString &error);

// The names editFromWords knows, in the order they are listed.
QStringList editNames();

// What changed in words: the decoded report's lines, "- " before and "+ " after.
QStringList reportDifference(const Table &before, const Table &after);

} // namespace edid
