#pragma once

#include <QList>

class QMainWindow;
class QWidget;

namespace keyboard
{

// Tab moves on from every text editor (no tab character typed), and Tab walks the header's
// controls, then the tab bar, then each page's controls, each area in reading order.
void makeReachable(QMainWindow &window);

// The widgets of `area` that Tab can reach, in reading order: rows top to bottom (widgets
// whose middles lie within a few pixels of each other share a row), left to right in a row.
// Widgets inside `skip` (a tab widget's pages, when `area` holds it) are left out.
QList<QWidget *> readingOrder(QWidget &area, const QWidget *skip = nullptr);

} // namespace keyboard
