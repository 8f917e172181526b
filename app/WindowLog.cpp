#include "app/WindowLog.h"

#include "app/LogWindow.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

WindowLog::WindowLog(QMainWindow &window, Prompts &prompts, DisplaysDialog::Reader readDisplays)
    : QObject(&window), window_(window), prompts_(prompts),
      readDisplays_(std::move(readDisplays))
{
    QMenu *view = new QMenu(tr("&View"), window.menuBar());
    view->setObjectName(QStringLiteral("menuView"));
    QAction *log = view->addAction(tr("&Log"));
    log->setObjectName(QStringLiteral("actionLog"));
    connect(log, &QAction::triggered, this, [this] { showLog(); });
    QAction *displays = view->addAction(tr("&Displays..."));
    displays->setObjectName(QStringLiteral("actionDisplays"));
    connect(displays, &QAction::triggered, this, [this] { showDisplays(); });
    // Between File and Help, where a View menu is looked for.
    const QList<QAction *> menus = window.menuBar()->actions();
    window.menuBar()->insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, view);
}

void WindowLog::message(const QString &text)
{
    if (text.isEmpty())
        return;
    log_.addMessage(QDateTime::currentDateTime(), text);
    appended();
}

void WindowLog::polled(const std::optional<status::Values> &values)
{
    add(watch_.polled(values));
}

void WindowLog::arrived()
{
    add(watch_.arrived());
}

void WindowLog::departed()
{
    add(watch_.departed());
}

void WindowLog::add(const QList<session::SignalEvent> &events)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const session::SignalEvent &e : events) {
        log_.addEvent(now, e);
        appended();
    }
}

void WindowLog::appended()
{
    if (logWindow_)
        logWindow_->appended();
}

LogWindow *WindowLog::showLog()
{
    if (!logWindow_)
        logWindow_ = new LogWindow(log_, prompts_, &window_);
    logWindow_->show();
    logWindow_->raise();
    return logWindow_;
}

DisplaysDialog *WindowLog::showDisplays()
{
    if (!displays_)
        displays_ = new DisplaysDialog(readDisplays_, &window_);
    displays_->show();
    displays_->raise();
    return displays_;
}
