#pragma once

#include "cli/ConfigCommands.h"
#include "cli/Request.h"
#include "session/DeviceSession.h"

#include <QByteArray>
#include <optional>

class QIODevice;

// korvalis-cli hdr and avi: the frames in words and JSON, and the bytes a send builds from
// field options.
namespace cli
{

// hdr decode, avi decode and hdr presets need no device.
bool infoframeRunsWithoutDevice(Command command);
int runInfoframeOffline(const Request &r, QIODevice &out, QIODevice &err);

// hdr show, avi show.
int showInfoframes(session::DeviceSession &s, const Request &r, const ConfigIo &io);

// The bytes a send stores, or the exit status when there are none (the reason reported).
struct BuiltFrame {
    std::optional<QByteArray> bytes;
    int exitStatus = 0;
    QString sentLine; // for a frame built from fields: what was sent, once it was
};
// `exitStatus` of the send, after the sent line on `out` when it succeeded.
int reportSent(const BuiltFrame &built, int exitStatus, QIODevice &out);
// The HEX as typed, or a whole frame built from the preset, capture or stored frame with the
// options' fields; odd values are warned of on standard error.
BuiltFrame buildHdrFrame(session::DeviceSession &s, const Request &r, const ConfigIo &io);
// The HEX or the stored data bytes with the options' fields, as many bytes as the HEX had
// (more when a field lies beyond them).
BuiltFrame buildAviData(session::DeviceSession &s, const Request &r, const ConfigIo &io);

} // namespace cli
