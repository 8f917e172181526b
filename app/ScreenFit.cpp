#include "app/ScreenFit.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

namespace screenfit
{

void makeScrollable(QMainWindow &window)
{
    QWidget *form = window.centralWidget();
    if (form == nullptr)
        return;
    if (auto *tabs = form->findChild<QTabWidget *>(QStringLiteral("tabWidget"))) {
        // Every title in view at once; the window grows a little instead.
        tabs->setUsesScrollButtons(false);
        const int needed = tabs->tabBar()->sizeHint().width() + 2 * tabs->style()->pixelMetric(
                                                                        QStyle::PM_DefaultFrameWidth);
        if (needed > tabs->width())
            tabs->resize(needed, tabs->height());
    }
    // The form's widgets are placed by hand: its natural size is what they cover, with the
    // same margin right as left. (Its own size is not laid out yet.)
    const QRect covered = form->childrenRect();
    const QSize natural(covered.right() + 1 + covered.left(), covered.bottom() + 1);
    form->setMinimumSize(natural);

    const QSize windowGrowth(std::max(0, covered.right() + 1 + covered.left() - window.width()), 0);
    auto *area = new QScrollArea;
    area->setObjectName(QStringLiteral("formScrollArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    window.takeCentralWidget();
    area->setWidget(form);
    window.setCentralWidget(area);
    window.resize(window.size() + windowGrowth);
}

QSize openingSize(const QSize &form, const QRect &available, const QMargins &frame,
                  int scrollBarExtent)
{
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    const QSize size = form.boundedTo(room);
    const int bar = size.height() < form.height() ? scrollBarExtent : 0;
    return (size + QSize(bar, 0)).boundedTo(room);
}

void fitToScreen(QMainWindow &window)
{
    const QScreen *screen = window.screen() != nullptr ? window.screen()
                                                       : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // The frame is known only once shown; a title bar and borders of common desktops.
    const QMargins frame(4, 32, 4, 4);
    window.resize(openingSize(window.size(), screen->availableGeometry(), frame,
                              window.style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
}

} // namespace screenfit
