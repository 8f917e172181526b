#pragma once

#include "cli/Request.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

// korvalis-cli's CEC in words: cec decode, cec commands and cec send NAME.
namespace cli
{

// True when `pos` is "cec decode ...", "cec commands" or "cec send NAME ..." with a command's
// name; then `r` or `error` is filled.
bool isCecWords(const QStringList &pos);
bool parseCecWords(const QStringList &pos, Request &r, QString &error);
// --to, --from and --verbose of cec send; builds a named command's messages.
bool applyCecOptions(const QCommandLineParser &p, Request &r, QString &error);

// cec decode and cec commands: no device needed.
int printCecWords(const Request &r, QIODevice &out);

// A named command's messages, each through the same colon hex and session send as
// "cec send HEX", printed first with --verbose; stops at the first that fails.
int sendNamedCec(const Request &r, QIODevice &out,
                 const std::function<int(const QByteArray &payload)> &send);

} // namespace cli
