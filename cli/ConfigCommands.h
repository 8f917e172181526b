#pragma once

#include "cli/Request.h"
#include "edid/EdidTransfer.h"
#include "session/ConfigFile.h"
#include "session/DeviceSession.h"

#include <QDateTime>
#include <functional>

class QIODevice;

// korvalis-cli config save and config load on an open session.
namespace cli
{

struct ConfigIo {
    QIODevice &out;
    QIODevice &err;
    std::function<edid::Progress(const QString &label)> progress;
    std::function<int(const QString &failure)> failed; // reports a device failure, returns 1
};

// The file checked before any device is opened; prints the problems and returns false when
// there are any.
bool checkConfigFile(const Request &r, QIODevice &out, QIODevice &err,
                     std::optional<session::config::Plan> &plan);

int configSave(session::DeviceSession &s, const Request &r, const ConfigIo &io,
               const QDateTime &now);
int configLoad(session::DeviceSession &s, const Request &r, const session::config::Plan &plan,
               const ConfigIo &io);

} // namespace cli
