// Writes the simulator's built-in EDID tables as builtin-NN.bin into the folder given, for
// tests/edid/data/regenerate.sh (the decoder test's oracle files are made from them).
#include "sim/EdidGenerator.h"

#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (int n = 1; n <= edidgen::BuiltinCount; ++n) {
        QFile file(dir.filePath(QStringLiteral("builtin-%1.bin").arg(n, 2, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly) || file.write(edidgen::builtinTable(n)) < 0) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file.fileName()),
                         qPrintable(file.errorString()));
            return 1;
        }
    }
    return 0;
}
