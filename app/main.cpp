#include "app/DeviceMenu.h"
#include "app/MainWindow.h"
#include "app/QtPrompts.h"
#include "app/ScreenFit.h"
#include "app/WindowOptions.h"
#include "device/Clock.h"
#include "device/CombinedUsbApi.h"
#include "device/DeviceLink.h"
#include "device/LibUsbApi.h"
#include "device/SourceWatcher.h"
#include "device/VirtualUsbApi.h"
#include "session/AlertQueue.h"
#include "session/DeviceWorker.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Before QApplication: --help, --version and a bad option need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const WindowOptions options = parseWindowOptions(arguments);
    if (options.exitStatus >= 0) {
        std::fputs(options.out.toLocal8Bit().constData(), stdout);
        std::fputs(options.err.toLocal8Bit().constData(), stderr);
        return options.exitStatus;
    }

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
    worker.chooseDevice(options.device);
    int status = 0;
    {
        MainWindow window(worker, prompts);
        // Plugs and unplugs of that unit (or of any with that id), followed on the device thread.
        worker.watch(
            [&] { return makeDeviceWatcher(clock, options.device, virtualUsb.directory()); },
            &window, [&window] { window.showDeparture(); });
        DeviceMenu devices(window, worker, options.device != DeviceLink::deviceIdString);
        screenfit::fitToScreen(window);
        window.show();
        status = app.exec();
    }
    worker.stop();
    return status;
}
