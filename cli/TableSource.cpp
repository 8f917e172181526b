#include "cli/TableSource.h"

#include "edid/EdidText.h"

#include <QFile>

namespace cli
{

TableSource readTableSource(const QString &path, QIODevice *standardInput, bool deviceTable)
{
    const bool fromStandardInput = path.isEmpty() || path == "-";
    const QString name = fromStandardInput ? QStringLiteral("standard input") : path;
    QFile file(path);
    QIODevice *from = fromStandardInput ? standardInput : &file;
    if (from == nullptr || (!fromStandardInput && !file.open(QIODevice::ReadOnly)))
        return {{}, QStringLiteral("cannot read %1: %2")
                        .arg(name, from ? file.errorString() : QStringLiteral("not open"))};
    TableSource s{edid::tableFromContents(edid::readBoundedInput(*from)), {}};
    QString error = s.input.error;
    if (s.input.ok() && deviceTable)
        error = edid::notADeviceTable(int(s.input.bytes.size()));
    if (!error.isEmpty())
        s.error = QStringLiteral("no EDID table in %1: %2").arg(name, error);
    return s;
}

} // namespace cli
