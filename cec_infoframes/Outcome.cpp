#include "cec_infoframes/Outcome.h"

#include <QCoreApplication>
#include <cstdio>

namespace cecif
{

QString translated(const char *source)
{
    return QCoreApplication::translate("MainWindow", source);
}

void writeStdoutLine(const QByteArray &line)
{
    if (line.isEmpty())
        return;
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fflush(stdout);
}

} // namespace cecif
