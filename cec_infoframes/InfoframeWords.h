#pragma once

#include "cec_infoframes/AviInfoframe.h"
#include "cec_infoframes/HdrInfoframe.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The HDR and AVI infoframes in words and in JSON, rendered from their models.
namespace infoframe
{

// One line per field, then one per problem; the checksum line for a whole frame.
QStringList hdrWords(const HdrDecoded &decoded);
// One line of the values, a second one of the problems when there are any (the window's labels).
QString hdrSummary(const HdrDecoded &decoded);
// eotf, descriptor, primaries [{x, y, colour}], white_point {x, y}, gamut, max_luminance,
// min_luminance, max_cll, max_fall, problems; checksum_ok for a whole frame.
QJsonObject hdrJson(const HdrDecoded &decoded);

// `vicMode` names the VIC's video format ("3840x2160p60"); empty when it has none.
QStringList aviWords(const AviDecoded &decoded, const QString &vicMode);
QString aviSummary(const AviDecoded &decoded, const QString &vicMode);
QJsonObject aviJson(const AviDecoded &decoded, const QString &vicMode);

// Colorimetry from C and EC: "BT.709", "BT.2020", "xvYCC601", ...
QString colorimetryWord(const AviFields &fields);
// "none" without IT content, otherwise graphics, photo, cinema or game.
QString contentTypeWord(const AviFields &fields);

} // namespace infoframe
