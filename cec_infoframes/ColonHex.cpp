#include "cec_infoframes/ColonHex.h"

QString formatColonHex(const std::uint8_t *bytes, std::size_t count)
{
    QString text;
    text.reserve(int(count) * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += QLatin1Char(':');
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0'));
    }
    return text;
}
