#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QMainWindow;

namespace screenfit
{

// The form scrolls as a whole inside the window when the window is smaller than it, and the
// tab widget is wide enough for every tab's title, so no tab hides behind scroll arrows.
void makeScrollable(QMainWindow &window);

// The window's size at launch: the form's own size, within the screen's available area less
// the window frame; when shorter than the form, wider by the vertical scroll bar
// (`scrollBarExtent`), so that none is needed across.
QSize openingSize(const QSize &form, const QRect &available, const QMargins &frame,
                  int scrollBarExtent);

// Sizes `window` for the screen it opens on (call before showing it).
void fitToScreen(QMainWindow &window);

} // namespace screenfit
