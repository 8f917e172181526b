#pragma once

#include "edid/EdidInput.h"

#include <QString>

class QIODevice;

namespace cli
{

// A table named on the command line: a file, or standard input for "" and "-".
struct TableSource {
    edid::TableInput input;
    QString error; // "cannot read NAME: ..." or "no EDID table in NAME: ..."; empty: `input` holds it
};

// Read bounded and parsed; `deviceTable` also refuses what the device cannot hold (other than
// 128 or 256 bytes).
TableSource readTableSource(const QString &path, QIODevice *standardInput, bool deviceTable);

} // namespace cli
