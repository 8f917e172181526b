// Not a test: the window over the in-process device model under Fusion with a dark palette,
// sized for the screen it opens on, for screenshots (tools/screenshots takes them under Xvfb).
// Runs until closed, or for the milliseconds given as its argument.
#include "DarkPalette.h"
#include "FakePrompts.h"
#include "ModelLink.h"
#include "TestWindow.h"
#include "app/DeviceMenu.h"
#include "app/ScreenFit.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    QApplication::setPalette(darkPalette());
    ModelLink device;
    device.model.selectSignal(QStringLiteral("4k60-420-hdr10"));
    FakePrompts prompts;
    TestWindow window(device.link, prompts);
    DeviceMenu devices(window, window.deviceWorker(), false);
    // The page to show: KORVALIS_SHOT_PAGE (an index), the first by default.
    if (auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget")))
        tabs->setCurrentIndex(qEnvironmentVariableIntValue("KORVALIS_SHOT_PAGE"));
    screenfit::fitToScreen(window);
    window.show();
    if (argc > 1)
        QTimer::singleShot(QString::fromLocal8Bit(argv[1]).toInt(), &app, &QApplication::quit);
    return app.exec();
}
