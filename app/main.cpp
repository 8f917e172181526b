#include "app/MainWindow.h"
#include "app/QtPrompts.h"
#include "device/Clock.h"
#include "device/CombinedUsbApi.h"
#include "device/DeviceLink.h"
#include "device/LibUsbApi.h"
#include "device/VirtualUsbApi.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SystemClock clock;
    QtAlerts alerts;
    QtPrompts prompts;
    // Real devices first, then the simulator's.
    LibUsbApi realUsb;
    VirtualUsbApi virtualUsb;
    CombinedUsbApi usb{&realUsb, &virtualUsb};
    DeviceLink link(usb, clock, alerts);
    int status = 0;
    {
        MainWindow window(link, prompts);
        window.show();
        status = app.exec();
    }
    return status;
}
