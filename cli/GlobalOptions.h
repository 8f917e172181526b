#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Checks of the options every command takes, each error naming the argument and what is wrong
// with it.
namespace cli
{

// --wait SECONDS: the seconds, or nothing with `error` set.
std::optional<int> waitSeconds(const QString &text, QString &error);

struct DevicePlace {
    QByteArray id;      // what to look the unit up by
    QString error;      // empty when usable
    int exitStatus = 0; // with `error`
};

// --device: an identification string or USB place passes as it is; a socket file (anything
// with a slash) is checked before the look-up, which only finds the sockets of
// `socketDirectory` under exactly their names. `waiting`: a missing socket may still appear.
DevicePlace devicePlace(const QByteArray &idOrPath, const QString &socketDirectory, bool waiting);

} // namespace cli
