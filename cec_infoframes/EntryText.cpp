#include "cec_infoframes/EntryText.h"

namespace colonhex
{

QByteArray prepareEntryText(const QString &plainText)
{
    const QString upper = plainText.toUpper();
    QByteArray text;
    text.reserve(upper.size() + 1);
    for (qsizetype i = 0; i < upper.size(); ++i) {
        const QChar c = upper[i];
        // A character beyond the 16-bit range is one character: one "?".
        if (c.isHighSurrogate() && i + 1 < upper.size() && upper[i + 1].isLowSurrogate())
            ++i;
        text.append(c.unicode() <= 0xFF ? char(c.unicode()) : '?');
    }
    text.append(CarriageReturn);
    return text;
}

} // namespace colonhex
