#include "app/ThemeColours.h"

#include "edid/EdidText.h"

#include <cmath>

namespace theme
{
namespace
{

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor editorTextColour(const edid::Colour &colour, const QPalette &palette)
{
    // A disabled editor (outside CUSTOM mode) still shows its table in full.
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    // The table as read or rendered: plain text.
    if (colour.blue == colour.red && colour.blue == colour.green)
        return text;
    const QColor link = palette.color(QPalette::Active, QPalette::Link);
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    return contrastRatio(link, base) >= ReadableContrast ? link : text;
}

} // namespace theme
