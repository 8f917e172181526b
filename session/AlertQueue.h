#pragma once

#include "device/Alerts.h"

#include <QMutex>
#include <QStringList>

namespace session
{

// The USB layer's warnings raised on the device thread, kept until the window takes them: a
// box can only open on the window's thread.
class AlertQueue : public Alerts
{
public:
    void warning(const QString &text) override
    {
        const QMutexLocker lock(&mutex_);
        texts_ << text;
    }
    QStringList take()
    {
        const QMutexLocker lock(&mutex_);
        QStringList out;
        out.swap(texts_);
        return out;
    }

private:
    QMutex mutex_;
    QStringList texts_;
};

} // namespace session
