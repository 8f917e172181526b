// The HDR and AVI infoframe decoders: any bytes, as a whole HDR frame, HDR data bytes or AVI
// data bytes, decoded, rendered in words and JSON, and encoded back.
//
// Input: one selector byte (bit 0: AVI, else HDR), then the bytes to decode.
#include "FuzzCheck.h"
#include "cec_infoframes/AviInfoframe.h"
#include "cec_infoframes/HdrInfoframe.h"
#include "cec_infoframes/InfoframeWords.h"

#include <QByteArray>
#include <QJsonArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace
{

using namespace infoframe;

void hdr(const QByteArray &bytes)
{
    const HdrDecoded d = decodeHdrBytes(bytes);
    for (const HdrProblem &p : d.problems)
        FUZZ_CHECK(!p.text().isEmpty());
    FUZZ_CHECK(!hdrWords(d).isEmpty() && !hdrSummary(d).isEmpty());
    FUZZ_CHECK(hdrJson(d).value(QLatin1String("primaries")).toArray().size() == 3);

    // Whatever came in, the frame built from its values is well formed and says the same.
    const QByteArray frame = encodeHdrFrame(d.metadata);
    FUZZ_CHECK(frame.size() == HdrFrameSize);
    const HdrDecoded again = decodeHdrFrame(frame);
    FUZZ_CHECK(again.metadata == d.metadata && again.checksumOk && !again.malformed());
    FUZZ_CHECK(again.problems == hdrValueProblems(d.metadata));

    if (d.wholeFrame) {
        unsigned sum = 0;
        for (const char b : bytes)
            sum += std::uint8_t(b);
        if (bytes.size() >= HdrHeaderSize)
            FUZZ_CHECK(d.checksumOk == (sum % 256 == 0));
        // A frame without a malformed problem is exactly the frame its values build.
        if (!d.malformed())
            FUZZ_CHECK(frame == bytes);
    } else if (bytes.size() >= HdrDataSize) {
        FUZZ_CHECK(encodeHdrData(d.metadata) == bytes.left(HdrDataSize));
    }
}

void avi(const QByteArray &bytes)
{
    const AviDecoded d = decodeAviData(bytes);
    FUZZ_CHECK(d.given == bytes.size());
    FUZZ_CHECK(!aviWords(d, QString()).isEmpty() && !aviSummary(d, QString()).isEmpty());
    FUZZ_CHECK(!aviJson(d, QStringLiteral("mode")).isEmpty());
    // Every bit of the data bytes is a field: they encode back unchanged.
    const int given = int(std::min<qsizetype>(bytes.size(), AviDataSize));
    FUZZ_CHECK(encodeAviData(d.fields).left(given) == bytes.left(given));
    FUZZ_CHECK(decodeAviData(encodeAviData(d.fields)).fields == d.fields);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        avi(bytes);
    else
        hdr(bytes);
    return 0;
}
