#pragma once

#include <QList>
#include <QObject>
#include <QString>

class MainWindow;
class QMenu;
namespace session
{
class DeviceWorker;
}

// The Device menu: the units present (identification string and place), the open one checked;
// choosing another runs the whole start-up on it. The window's title names the open unit's
// place when several are present or the unit was named at launch (--device).
class DeviceMenu : public QObject
{
public:
    struct Unit {
        QString id;
        QString where;
    };
    struct Listing {
        QList<Unit> units;
        QString open; // where the open unit sits; empty when none is open
    };

    DeviceMenu(MainWindow &window, session::DeviceWorker &worker, bool deviceNamed);

    // Lists the units again and names the open one in the title (the menu does so each time it
    // opens and after a switch; jobs run in order, so a listing follows the start-up before it).
    void refresh();
    QMenu *menu() const { return menu_; }

    // The window title for `listing`: the form's own title, with the place when it matters.
    static QString titleFor(const QString &formTitle, const Listing &listing, bool deviceNamed);

private:
    void show(const Listing &listing);

    MainWindow &window_;
    session::DeviceWorker &worker_;
    bool deviceNamed_;
    QString formTitle_;
    QMenu *menu_;
};
