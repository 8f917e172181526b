#pragma once

#include "edid/EdidDecoder.h"
#include "edid/EdidTable.h"

#include <QStringList>

// What to tell before a table is written: the decoder's problems and the faults a display's
// source trips over that the decoder does not judge. Real tables often have some: they warn,
// never block.
namespace edid
{

// The decoder's problems, then a VIC whose pixel clock exceeds the table's maximum TMDS clock, a
// repeated VIC, and a 4:2:0 capability map that marks modes past the video data block.
std::vector<Problem> writeChecks(const Table &table);

// "block 1, byte 4: VIC 16 is listed twice", one line each.
QStringList problemLines(const std::vector<Problem> &problems);

} // namespace edid
