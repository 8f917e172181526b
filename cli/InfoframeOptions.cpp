#include "cli/InfoframeOptions.h"

#include <algorithm>

namespace cli
{

using namespace infoframe;

bool HdrEdits::any() const
{
    return eotf || primaries || white || maxLuminance || minLuminance || maxCll || maxFall;
}

void HdrEdits::applyTo(HdrMetadata &m) const
{
    m.eotf = eotf.value_or(m.eotf);
    m.primaries = primaries.value_or(m.primaries);
    m.whitePoint = white.value_or(m.whitePoint);
    m.maxLuminance = maxLuminance.value_or(m.maxLuminance);
    m.minLuminance = minLuminance.value_or(m.minLuminance);
    m.maxCll = maxCll.value_or(m.maxCll);
    m.maxFall = maxFall.value_or(m.maxFall);
}

bool AviEdits::any() const
{
    return lastByte() != 0;
}

int AviEdits::lastByte() const
{
    int last = colourFormat ? 1 : 0;
    if (colorimetry) // EC lies in data byte 3
        last = std::max(last, (*colorimetry)[0] == ColorimetryExtended ? 3 : 2);
    if (quantization)
        last = std::max(last, 3);
    if (vic)
        last = std::max(last, 4);
    if (yccQuantization || contentType) // content type: IT content in 3, CN in 5
        last = std::max(last, 5);
    return last;
}

void AviEdits::applyTo(AviFields &f) const
{
    f.colourFormat = colourFormat.value_or(f.colourFormat);
    if (colorimetry) {
        f.colorimetry = (*colorimetry)[0];
        f.extendedColorimetry = (*colorimetry)[1];
    }
    f.quantization = quantization.value_or(f.quantization);
    f.yccQuantization = yccQuantization.value_or(f.yccQuantization);
    if (contentType) {
        f.itContent = contentType->first;
        f.contentType = contentType->second;
    }
    f.vic = vic.value_or(f.vic);
}

} // namespace cli
