#pragma once

#include <QByteArray>
#include <QString>

// How the byte editors' texts are prepared and which lengths each command accepts.
namespace colonhex
{

constexpr char CarriageReturn = 0x0D;

// The editor's plain text upper-cased, as 8-bit Latin-1 ("?" for any other character), one byte
// per character, with one carriage return appended. Its size is L, computed from the whole text
// however long.
QByteArray prepareEntryText(const QString &plainText);

// A caller's accepted range of L (carriage return included) and its message when outside.
struct EntryLimits {
    int minimum;
    int maximum;
    const char *message; // untranslated
    bool accepts(qsizetype length) const { return length >= minimum && length <= maximum; }
};

// 2 to 31 bytes of 3k - 1 characters each, plus the carriage return.
constexpr EntryLimits CecSendLimits{6, 93, "Error: min 2, max 31 data bytes"};
constexpr EntryLimits CecStoreLimits{6, 60, "CEC values not correct"};
constexpr EntryLimits HdrLimits{6, 93, "Error: min 2, max 31 data bytes"};
constexpr EntryLimits AviLimits{6, 39, "Error: min 2, max 13 data bytes"};
// The parser counts L in 8 bits.
static_assert(CecSendLimits.maximum <= 255 && CecStoreLimits.maximum <= 255 &&
              HdrLimits.maximum <= 255 && AviLimits.maximum <= 255);

} // namespace colonhex
