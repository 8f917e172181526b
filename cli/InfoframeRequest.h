#pragma once

#include "cli/Request.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;

// The hdr and avi commands on the command line: words, HEX and field options, checked before
// any device is opened.
namespace cli
{

void addInfoframeOptions(QCommandLineParser &parser);

// hdr send|show|decode|presets, avi send|show|decode.
bool isInfoframeCommand(const QString &word, const QString &sub);
bool parseInfoframeCommand(const QStringList &positional, Request &r, QString &error);
bool parseInfoframeOptions(const QCommandLineParser &parser, Request &r, QString &error);

// The HEX of hdr send is a whole frame: a malformed one is refused unless --force. Empty when it
// may be sent; otherwise the line naming each problem and the value the bytes need.
QString refusedHdrFrame(const QByteArray &frame, bool force);

} // namespace cli
