#include "app/DeviceMenu.h"

#include "app/MainWindow.h"
#include "device/DeviceLink.h"
#include "device/UsbApi.h"
#include "session/DeviceWorker.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace
{

// Counted and named on the device thread, without opening any unit.
DeviceMenu::Listing listUnits(session::WindowSession &w)
{
    DeviceMenu::Listing listing;
    DeviceLink &link = w.session().link();
    UsbApi &usb = link.usb();
    std::uint32_t count = 0;
    if (usb.getNumDevices(&count) == 0) {
        for (std::uint32_t i = 0; i < count && i < 64; ++i) {
            char id[UsbApi::StringBufferSize] = {};
            if (usb.getProductString(i, id, 0) == 0)
                listing.units.append({QString::fromLatin1(id), usb.where(i)});
        }
    }
    if (w.connected())
        listing.open = link.deviceWhere();
    return listing;
}

} // namespace

DeviceMenu::DeviceMenu(MainWindow &window, session::DeviceWorker &worker, bool deviceNamed)
    : QObject(&window), window_(window), worker_(worker), deviceNamed_(deviceNamed),
      formTitle_(window.windowTitle()), menu_(new QMenu(tr("&Device"), &window))
{
    menu_->setObjectName(QStringLiteral("menuDevice"));
    // Before Help, which stays last.
    auto *help = window.findChild<QMenu *>(QStringLiteral("menuHelp"));
    window.menuBar()->insertMenu(help != nullptr ? help->menuAction() : nullptr, menu_);
    connect(menu_, &QMenu::aboutToShow, this, &DeviceMenu::refresh);
    refresh();
}

void DeviceMenu::refresh()
{
    worker_.run<Listing>(listUnits, this, [this](const Listing &l) { show(l); });
}

QString DeviceMenu::titleFor(const QString &formTitle, const Listing &listing, bool deviceNamed)
{
    if (listing.open.isEmpty() || (listing.units.size() < 2 && !deviceNamed))
        return formTitle;
    return QStringLiteral("%1 - %2").arg(formTitle, listing.open);
}

void DeviceMenu::show(const Listing &listing)
{
    window_.setWindowTitle(titleFor(formTitle_, listing, deviceNamed_));
    menu_->clear();
    if (listing.units.isEmpty()) {
        menu_->addAction(tr("No KORVALIS present"))->setEnabled(false);
        return;
    }
    for (const Unit &unit : listing.units) {
        QAction *action = menu_->addAction(QStringLiteral("%1  %2").arg(unit.id, unit.where));
        action->setCheckable(true);
        action->setChecked(!listing.open.isEmpty() && unit.where == listing.open);
        // A unit without a place cannot be told from another with its id.
        action->setEnabled(!unit.where.isEmpty());
        connect(action, &QAction::triggered, this, [this, where = unit.where] {
            worker_.switchTo(where.toLocal8Bit());
            refresh(); // runs after the start-up: the title names the new unit
        });
    }
}
