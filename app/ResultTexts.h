#pragma once

#include "session/Steps.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The window's words for what the device did: every status-bar text of a device operation, how
// long it shows, and the lines some failures write to standard output only.
namespace StatusTime
{
constexpr int Result = 2000;        // results and input errors
constexpr int DeviceFailure = 4000; // failed device commands
} // namespace StatusTime

namespace resulttexts
{

// One status-bar message (empty text: none) and one standard-output line (empty: none).
struct Report {
    QString text;
    int timeoutMs = 0;
    QByteArray stdoutLine;
};

// What the window says for one step; nothing for a step that says nothing.
Report reportOf(const session::Step &step);
// The reports of the steps, in their order; steps that say nothing are left out.
QList<Report> reportsOf(const session::Steps &steps);

} // namespace resulttexts
