#pragma once

#include <QString>
#include <functional>

// Where command results go: a text and how long the status bar shows it, in milliseconds.
using StatusSink = std::function<void(const QString &text, int timeoutMs)>;

namespace StatusTime
{
constexpr int Result = 2000;
constexpr int DeviceFailure = 4000;
} // namespace StatusTime
