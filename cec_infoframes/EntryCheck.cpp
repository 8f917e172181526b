#include "cec_infoframes/EntryCheck.h"

#include <QRegularExpression>

namespace colonhex
{

QString checkEntry(const QString &text, const EntryLimits &limits)
{
    static const QRegularExpression syntax(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2})*$"));
    if (!syntax.match(text).hasMatch())
        return QStringLiteral("'%1' is not colon hex (two hex digits per byte, joined by colons, "
                              "like 50:04)")
            .arg(text);
    if (!limits.accepts(prepareEntryText(text).size()))
        return QString::fromLatin1(limits.message);
    return QString();
}

} // namespace colonhex
