#include "edid/EdidWriteChecks.h"

#include "edid/EdidCtaLayout.h"
#include "edid/EdidReport.h"
#include "edid/VideoFormatTable.h"

#include <algorithm>
#include <set>

namespace edid
{
namespace
{

constexpr int CtaBlock = 1;

// Where a data block of that name starts in the CTA extension; 0 when there is none.
int blockOffset(const EdidInfo &info, const QString &name)
{
    for (const Extension &e : info.extensions)
        if (e.cta)
            for (const DataBlock &b : e.cta->dataBlocks)
                if (b.name == name)
                    return b.offset;
    return 0;
}

const QString VideoBlock = QStringLiteral("Video Data Block");

// The least pixel clock a format can have: its active pixels alone, without blanking, so that a
// warning is never raised for a format that fits. 4:2:0 halves the TMDS clock.
double leastClockMhz(const VideoFormatRow &row, bool ycbcr420)
{
    const double frames = row.interlaced ? row.refreshHz / 2.0 : row.refreshHz;
    return double(row.width) * row.height * frames / 1e6 / (ycbcr420 ? 2 : 1);
}

void clockChecks(const EdidInfo &info, std::vector<Problem> &out)
{
    int maxMhz = 0;
    if (info.hdmi && info.hdmi->maxTmdsMhz)
        maxMhz = *info.hdmi->maxTmdsMhz;
    if (info.hdmiForum && info.hdmiForum->maxTmdsMhz)
        maxMhz = std::max(maxMhz, *info.hdmiForum->maxTmdsMhz);
    if (maxMhz == 0)
        return; // the table names no limit
    std::set<int> told;
    for (const ShortVideo &v : info.vics) {
        const VideoFormatRow *row = videoFormat(v.vic);
        const bool ycbcr420 = std::count(info.ycbcr420Vics.begin(), info.ycbcr420Vics.end(),
                                         v.vic) != 0;
        if (row == nullptr || !told.insert(v.vic).second)
            continue;
        const double least = leastClockMhz(*row, ycbcr420);
        if (least > maxMhz)
            out.push_back({CtaBlock, blockOffset(info, VideoBlock),
                           QStringLiteral("VIC %1 (%2) needs a pixel clock of at least %3 MHz, "
                                          "more than the table's maximum TMDS clock of %4 MHz")
                               .arg(v.vic)
                               .arg(vicMode(v.vic))
                               .arg(qRound(least))
                               .arg(maxMhz)});
    }
}

void repeatChecks(const EdidInfo &info, std::vector<Problem> &out)
{
    std::set<int> seen, told;
    for (const ShortVideo &v : info.vics)
        if (v.vic != 0 && !seen.insert(v.vic).second && told.insert(v.vic).second)
            out.push_back({CtaBlock, blockOffset(info, VideoBlock),
                           QStringLiteral("VIC %1 is listed more than once").arg(v.vic)});
}

void mapChecks(const Table &table, const EdidInfo &info, std::vector<Problem> &out)
{
    const cta::Parsed parsed = cta::parse(table);
    if (!parsed.layout)
        return; // the decoder tells what is wrong with the block
    const cta::Layout &layout = *parsed.layout;
    std::size_t modes = 0;
    for (const int b : layout.find(cta::Video))
        modes += layout.blocks[std::size_t(b)].payload.size();
    for (const int m : layout.find(cta::Extended, cta::Ycbcr420Map)) {
        const Bytes &map = layout.blocks[std::size_t(m)].payload;
        for (std::size_t bit = modes; bit < (map.size() - 1) * 8; ++bit)
            if (map[1 + bit / 8] & (1 << (bit % 8))) {
                out.push_back({CtaBlock,
                               blockOffset(info, QStringLiteral(
                                                     "YCbCr 4:2:0 Capability Map Data Block")),
                               QStringLiteral("the 4:2:0 capability map marks mode %1, past the "
                                              "%2 of the video data block")
                                   .arg(bit + 1)
                                   .arg(modes)});
                break;
            }
    }
}

} // namespace

std::vector<Problem> writeChecks(const Table &table)
{
    const EdidInfo info = decodeEdid(Bytes(table.begin(), table.end()));
    std::vector<Problem> out = info.problems;
    clockChecks(info, out);
    repeatChecks(info, out);
    mapChecks(table, info, out);
    return out;
}

QStringList problemLines(const std::vector<Problem> &problems)
{
    QStringList out;
    for (const Problem &p : problems)
        out << QStringLiteral("block %1, byte %2: %3").arg(p.block).arg(p.offset).arg(p.text);
    return out;
}

} // namespace edid
