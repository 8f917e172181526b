#pragma once

#include <QByteArray>
#include <QString>

namespace cecif
{

// What one CEC or infoframe command ended with, for the window to report.
struct Outcome {
    bool result = false;
    QString status;        // the status-bar text it ends with; empty: the bar keeps its message
    int statusMs = 0;      // how long the bar shows `status`
    QByteArray stdoutLine; // written to standard output, never to the window; empty: none
};

// The window's translation of one of this area's texts.
QString translated(const char *source);

// Writes `line` to the process's standard output and flushes it; nothing for an empty line.
void writeStdoutLine(const QByteArray &line);

} // namespace cecif
