#include "cec_infoframes/EntryCheck.h"

#include "cec_infoframes/ColonHex.h"

#include <QList>
#include <QRegularExpression>
#include <cctype>

namespace colonhex
{

QString checkEntry(const QString &text, const EntryLimits &limits)
{
    // Any character but a digit or a colon is named where it stands.
    const QList<uint> chars = text.toUcs4();
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const uint c = chars[i];
        if (c != ':' && !(c < 0x80 && std::isxdigit(int(c))))
            return BadChar{char32_t(c), int(i) + 1}.message();
    }
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
