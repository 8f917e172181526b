#pragma once

#include <QColor>
#include <QPalette>

namespace edid
{
struct Colour;
}

namespace theme
{

// Contrast of two colours by their relative luminance (sRGB): 1 for equal ones, 21 for black
// on white. 4.5 is what normal text needs to be readable.
double contrastRatio(const QColor &a, const QColor &b);
constexpr double ReadableContrast = 4.5;

// The EDID editor's text colour in the palette of the theme: its plain text is the palette's
// text colour, its marked text (a loaded file) the palette's link colour when that reads well
// on the editor's background, the text colour otherwise.
QColor editorTextColour(const edid::Colour &colour, const QPalette &palette);

} // namespace theme
