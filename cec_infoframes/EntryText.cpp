#include "cec_infoframes/EntryText.h"

#include <QList>

namespace colonhex
{

QByteArray prepareEntryText(const QString &plainText)
{
    // One character each, upper-cased on its own, so that index k is the k-th character typed
    // (a bad character is named by its position).
    const QList<uint> typed = plainText.toUcs4();
    QByteArray text;
    text.reserve(typed.size() + 1);
    for (const uint c : typed) {
        const char32_t upper = QChar::toUpper(char32_t(c));
        text.append(upper <= 0xFF ? char(upper) : '?');
    }
    text.append(CarriageReturn);
    return text;
}

} // namespace colonhex
