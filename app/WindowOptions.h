#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the window programs take on their command line.
struct WindowOptions {
    QByteArray device = "2023"; // identification string or place, as korvalis-cli --device
    int exitStatus = -1;        // 0 or more: end at once with it, no window
    QString out;                // help or version text, for standard output
    QString err;                // what was wrong, for standard error
};

// `arguments` as the process got them (the program first). Qt's own -platform, -style and
// -display pass, for QApplication to take.
WindowOptions parseWindowOptions(const QStringList &arguments);
