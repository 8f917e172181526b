#pragma once

#include "FakePrompts.h"
#include "ModelLink.h"
#include "TestWindow.h"

#include <QCoreApplication>
#include <QTimerEvent>
#include <memory>

// The window on the in-process device model, its start-up done (one tick ends the EDID wait),
// the device ready and its request log cleared.
struct WindowRig : ModelLink {
    FakePrompts prompts;
    std::unique_ptr<TestWindow> window;

    WindowRig()
    {
        window = std::make_unique<TestWindow>(link, prompts);
        tick();
        model.setBusy(false);
        model.clearLog();
    }
    // The poll timer's tick (a timer id other than QMainWindow's own).
    void tick()
    {
        QTimerEvent event(0x7ABC);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    template <class T> T *find(const QString &name) const { return window->findChild<T *>(name); }
};
