#pragma once

#include "edid/EdidDecoder.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// A decoded table for people (lines of words) and for scripts (one JSON document).
namespace edid
{

// "1920x1080p60"; empty for a code without a format.
QString vicMode(int vic);

// "1920x1080p 60.00 Hz".
QString timingMode(const DetailedTiming &t);

QStringList reportLines(const EdidInfo &info);
QString reportText(const EdidInfo &info); // the lines, each ended by a line feed

QJsonObject reportJson(const EdidInfo &info);

} // namespace edid
