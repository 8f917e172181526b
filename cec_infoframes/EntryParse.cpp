#include "cec_infoframes/EntryParse.h"

namespace colonhex
{

Entry parseEntry(const QString &plainText, const EntryLimits &limits, Mode mode)
{
    const QByteArray text = prepareEntryText(plainText);
    if (!limits.accepts(text.size()))
        return {};
    Output bytes;
    const Parsed parsed = parseColonHex(text, bytes, std::uint8_t(text.size()), mode);
    if (parsed.badAt)
        return {std::nullopt, badCharAt(plainText, *parsed.badAt)};
    if (parsed.count == 0)
        return {};
    return {QByteArray(reinterpret_cast<const char *>(bytes.data()), parsed.count), std::nullopt};
}

} // namespace colonhex
