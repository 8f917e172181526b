#pragma once

#include "device/Alerts.h"

#include <QStringList>
#include <mutex>

namespace session
{

// The USB layer's warnings raised on the device thread, kept until the window takes them: a
// box can only open on the window's thread.
class AlertQueue : public Alerts
{
public:
    void warning(const QString &text) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        texts_ << text;
    }
    QStringList take()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        QStringList out;
        out.swap(texts_);
        return out;
    }

private:
    std::mutex mutex_; // not QMutex: ThreadSanitizer sees the order this one makes
    QStringList texts_;
};

} // namespace session
