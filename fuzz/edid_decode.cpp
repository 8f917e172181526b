// EDID decoder: any 128 to 512 bytes decode without a crash, without reading beyond the table
// (the bytes sit in a buffer of exactly the table's size) and into reports of bounded size,
// every problem pointing inside the table. The same input as hex text or raw contents goes
// through the input reader, which either gives a table or says why not.
// Input: the table (its first 512 bytes; a size that is no whole number of blocks is
// zero-padded to the next one), and up to 2048 bytes of contents for the input reader.
#include "FuzzCheck.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidInput.h"
#include "edid/EdidReport.h"
#include "edid/EdidTable.h"

#include <QJsonDocument>
#include <algorithm>

namespace
{

constexpr qsizetype MaxReport = 64 * 1024; // far above a real table's few kilobytes
constexpr std::size_t MaxContents = 2048;

void checkDecoded(const edid::Bytes &bytes)
{
    const edid::EdidInfo info = edid::decodeEdid(bytes);
    const int blocks = int(bytes.size()) / edid::BlockSize;
    FUZZ_CHECK(info.size == int(bytes.size()));
    FUZZ_CHECK(int(info.checksums.size()) == blocks);
    FUZZ_CHECK(int(info.extensions.size()) == blocks - 1);
    for (const edid::Problem &p : info.problems) {
        FUZZ_CHECK(p.block >= 0 && p.block < blocks);
        FUZZ_CHECK(p.offset >= 0 && p.offset < edid::BlockSize);
        FUZZ_CHECK(!p.text.isEmpty());
    }
    for (const edid::Checksum &c : info.checksums)
        FUZZ_CHECK(c.ok() == (c.stored == c.computed));
    const QString text = edid::reportText(info);
    FUZZ_CHECK(!text.isEmpty() && text.size() < MaxReport);
    FUZZ_CHECK(QJsonDocument(edid::reportJson(info)).toJson().size() < MaxReport);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0 || size > MaxContents)
        return 0;
    const std::size_t used = std::min(size, std::size_t(edid::MaxDecodeSize));
    const std::size_t blocks = (used + edid::BlockSize - 1) / edid::BlockSize;
    edid::Bytes bytes(blocks * edid::BlockSize, 0); // exactly the table, nothing to spare
    std::copy(data, data + used, bytes.begin());
    checkDecoded(bytes);

    const QByteArray contents(reinterpret_cast<const char *>(data), qsizetype(size));
    const edid::TableInput in = edid::tableFromContents(contents);
    FUZZ_CHECK(in.ok() != in.bytes.empty());
    if (in.ok()) {
        FUZZ_CHECK(edid::notATable(qsizetype(in.bytes.size())).isEmpty());
        checkDecoded(in.bytes);
    }
    const QString details = edid::detailsForEditorText(QString::fromLatin1(contents));
    FUZZ_CHECK(in.ok() != details.startsWith(QStringLiteral("No EDID table: ")));
    return 0;
}
