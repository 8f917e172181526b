// The EDID editor: any table, any list of edits (values out of range too), gives either a valid
// table or a refusal that leaves the table as it was; never a read or write past the table.
// Input: 256 bytes of table, then edits: a kind byte, a count byte and that many value bytes
// (the name edit takes them as its text; remove-mode as width and height in 16-pixel steps).
#include "FuzzCheck.h"
#include "FuzzReader.h"
#include "edid/EdidCtaLayout.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidEditor.h"

#include <algorithm>

namespace
{

constexpr int KindCount = 14;
constexpr int MaxEdits = 8;

edid::Edit editFrom(FuzzReader &in)
{
    edid::Edit e;
    e.kind = edid::Edit::Kind(in.byte() % KindCount);
    const int count = in.byte() % 16;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t b = in.byte();
        e.values.push_back(e.kind == edid::Edit::Kind::MaxTmds ? b * 5 : b % 64 == 63 ? -b : b);
        e.text += QChar(b);
    }
    e.on = count % 2 == 1;
    e.width = e.values.empty() ? 0 : e.values.front() * 16;
    e.height = e.values.size() < 2 ? 0 : e.values[1] * 16;
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader in(data, size);
    edid::Table table{};
    for (std::uint8_t &b : table)
        b = in.byte();
    std::vector<edid::Edit> edits;
    while (!in.atEnd() && edits.size() < std::size_t(MaxEdits))
        edits.push_back(editFrom(in));

    const edid::EditResult r = edid::applyEdits(table, edits);
    if (!r.ok()) {
        FUZZ_CHECK(r.table == table);
        return 0;
    }
    FUZZ_CHECK(edid::isConsistent(r.table));
    FUZZ_CHECK(r.table[126] == table[126]); // no block added or dropped
    const bool ctaEdit = std::any_of(edits.begin(), edits.end(), [](const edid::Edit &e) {
        return e.kind != edid::Edit::Kind::Name;
    });
    if (ctaEdit) {
        // The block written afresh parses again and writes back to the same bytes.
        const edid::cta::Parsed again = edid::cta::parse(r.table);
        FUZZ_CHECK(again.layout.has_value());
        edid::Table rewritten = r.table;
        FUZZ_CHECK(edid::cta::encode(*again.layout, rewritten).isEmpty());
        FUZZ_CHECK(rewritten == r.table);
    }
    // Whatever it holds, the result decodes.
    (void)edid::decodeEdid(edid::Bytes(r.table.begin(), r.table.end()));
    return 0;
}
