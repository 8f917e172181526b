#include "cec_infoframes/EntryParse.h"

#include <QList>

namespace colonhex
{
namespace
{

bool isHexDigit(uint c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

struct GroupFault {
    std::optional<BadChar> badChar;
    std::optional<BadGroup> badGroup;
};

// The first group between colons that is not two hex digits, walking the text as typed.
GroupFault firstBadGroup(const QString &plainText)
{
    QList<uint> chars = plainText.toUcs4();
    // Spaces and line ends after the last pair are no group: the parser has always ignored them.
    while (!chars.isEmpty() && (chars.back() == ' ' || chars.back() == '\n' || chars.back() == '\r'))
        chars.removeLast();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= chars.size(); ++i) {
        if (i < chars.size() && chars[i] != ':')
            continue;
        for (qsizetype k = start; k < i; ++k)
            if (!isHexDigit(chars[k]))
                return {BadChar{char32_t(chars[k]), int(k) + 1}, std::nullopt};
        if (i == start) // "50::04", "50:04:"
            return {BadChar{0, int(i) + 1}, std::nullopt};
        if (i - start != 2)
            return {std::nullopt,
                    BadGroup{QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.data()) +
                                                   start,
                                               i - start),
                             int(start) + 1}};
        start = i + 1;
    }
    return {};
}

} // namespace

QString BadGroup::message() const
{
    return QStringLiteral("'%1' at position %2 is not two hex digits").arg(group).arg(position);
}

QString Entry::problem() const
{
    if (badChar)
        return badChar->message();
    if (badGroup)
        return badGroup->message();
    return QString();
}

Entry parseEntry(const QString &plainText, const EntryLimits &limits, Mode mode)
{
    const QByteArray text = prepareEntryText(plainText);
    if (!limits.accepts(text.size()))
        return {};
    Output bytes;
    const Parsed parsed = parseColonHex(text, bytes, std::uint8_t(text.size()), mode);
    // A colon in the first two characters or none at all: the length rule's own refusal.
    if (parsed.count == 0 && !parsed.badAt)
        return {};
    const GroupFault fault = firstBadGroup(plainText);
    if (fault.badChar || fault.badGroup)
        return {std::nullopt, fault.badChar, fault.badGroup};
    if (parsed.badAt)
        return {std::nullopt, badCharAt(plainText, *parsed.badAt), std::nullopt};
    return {QByteArray(reinterpret_cast<const char *>(bytes.data()), parsed.count), std::nullopt,
            std::nullopt};
}

} // namespace colonhex
