#include "app/KeyboardAccess.h"

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>

namespace keyboard
{
namespace
{

// Middles closer than this stand in one row: a label and its control are seldom aligned to
// the pixel in a hand-placed form.
constexpr int RowTolerance = 8;

bool inside(const QWidget *w, const QWidget *ancestor)
{
    for (const QWidget *p = w->parentWidget(); p != nullptr; p = p->parentWidget())
        if (p == ancestor)
            return true;
    return false;
}

} // namespace

QList<QWidget *> readingOrder(QWidget &area, const QWidget *skip)
{
    struct Placed {
        QWidget *widget;
        QRect rect;
    };
    std::vector<Placed> placed;
    for (QWidget *w : area.findChildren<QWidget *>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || qobject_cast<QTabBar *>(w) != nullptr)
            continue;
        // Popups (a combo box's list) are windows of their own.
        if ((skip != nullptr && inside(w, skip)) || w->window() != area.window())
            continue;
        placed.push_back({w, QRect(w->mapTo(&area, QPoint(0, 0)), w->size())});
    }
    std::sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        return a.rect.center().y() < b.rect.center().y();
    });
    // Rows by middles, then each row left to right.
    QList<QWidget *> order;
    for (std::size_t start = 0; start < placed.size();) {
        std::size_t end = start + 1;
        while (end < placed.size() &&
               placed[end].rect.center().y() - placed[start].rect.center().y() <= RowTolerance)
            ++end;
        std::stable_sort(placed.begin() + long(start), placed.begin() + long(end),
                         [](const Placed &a, const Placed &b) { return a.rect.x() < b.rect.x(); });
        for (std::size_t i = start; i < end; ++i)
            order << placed[i].widget;
        start = end;
    }
    return order;
}

void makeReachable(QMainWindow &window)
{
    for (QTextEdit *e : window.findChildren<QTextEdit *>())
        e->setTabChangesFocus(true);
    for (QPlainTextEdit *e : window.findChildren<QPlainTextEdit *>())
        e->setTabChangesFocus(true);

    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    QWidget *central = window.centralWidget();
    if (tabs == nullptr || central == nullptr)
        return;
    QList<QWidget *> chain = readingOrder(*central, tabs);
    for (int i = 0; i < tabs->count(); ++i)
        chain += readingOrder(*tabs->widget(i));
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

} // namespace keyboard
