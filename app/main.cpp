#include "app/MainWindow.h"
#include "app/QtPrompts.h"
#include "device/Clock.h"
#include "device/CombinedUsbApi.h"
#include "device/DeviceLink.h"
#include "device/LibUsbApi.h"
#include "device/SourceWatcher.h"
#include "device/VirtualUsbApi.h"
#include "session/AlertQueue.h"
#include "session/DeviceWorker.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SystemClock clock;
    QtPrompts prompts;
    // Warnings raised on the device thread wait there until the window shows them.
    session::AlertQueue alerts;
    // Real devices first, then the simulator's.
    LibUsbApi realUsb;
    VirtualUsbApi virtualUsb;
    CombinedUsbApi usb{&realUsb, &virtualUsb};
    DeviceLink link(usb, clock, alerts);
    session::DeviceWorker worker(link, session::DeviceWorker::Mode::Threaded, &alerts);
    int status = 0;
    {
        MainWindow window(worker, prompts);
        // Plugs and unplugs, followed on the device thread.
        worker.watch(
            [&] {
                return makeDeviceWatcher(clock, QByteArray(DeviceLink::deviceIdString),
                                         virtualUsb.directory());
            },
            &window, [&window] { window.showDeparture(); });
        window.show();
        status = app.exec();
    }
    worker.stop();
    return status;
}
