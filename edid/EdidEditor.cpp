#include "edid/EdidEditor.h"

#include "edid/EdidCtaLayout.h"
#include "edid/EdidEditParts.h"

#include <algorithm>

namespace edid
{
namespace
{

constexpr int DescriptorOffsets[4] = {54, 72, 90, 108};
constexpr std::uint8_t NameTag = 0xFC, DummyTag = 0x10;
constexpr int NameLength = 13;

bool isDisplayDescriptor(const std::uint8_t *d, std::uint8_t tag)
{
    return d[0] == 0 && d[1] == 0 && d[2] == 0 && d[3] == tag;
}

// The display product name descriptor, or a dummy one made into it.
QString setName(Table &table, const QString &name)
{
    std::uint8_t *slot = nullptr;
    for (const std::uint8_t tag : {NameTag, DummyTag})
        for (const int offset : DescriptorOffsets)
            if (slot == nullptr && isDisplayDescriptor(table.data() + offset, tag))
                slot = table.data() + offset;
    if (slot == nullptr)
        return QStringLiteral("the table has neither a name descriptor nor a free one");
    const QByteArray text = name.toLatin1();
    std::fill(slot, slot + 18, std::uint8_t(0x20));
    std::fill(slot, slot + 5, std::uint8_t(0));
    slot[3] = NameTag;
    std::copy(text.begin(), text.end(), slot + 5);
    if (text.size() < NameLength)
        slot[5 + text.size()] = 0x0A; // the text ends with a line feed, then spaces
    return {};
}

// An edit built by a program rather than from words may hold anything: refused, never trusted.
QString invalidValues(const Edit &e)
{
    const auto all = [&](int low, int high) {
        return std::all_of(e.values.begin(), e.values.end(),
                           [&](int v) { return v >= low && v <= high; });
    };
    using Kind = Edit::Kind;
    bool ok = true;
    switch (e.kind) {
    case Kind::Name: {
        const bool ascii = std::all_of(e.text.begin(), e.text.end(),
                                       [](QChar c) { return c >= u' ' && c <= u'~'; });
        ok = !e.text.isEmpty() && e.text.size() <= NameLength && ascii;
        break;
    }
    case Kind::RemoveVic:
    case Kind::AddVic:
        ok = !e.values.empty() && all(1, 255);
        break;
    case Kind::MaxTmds:
        ok = e.values.size() == 1;
        break;
    case Kind::Eotfs:
        ok = !e.values.empty() && all(0, 3);
        break;
    case Kind::RemoveAudio:
        ok = !e.values.empty() && all(1, 14);
        break;
    case Kind::PhysicalAddress:
        ok = e.values.size() == 4 && all(0, 15);
        break;
    case Kind::DeepColour:
        ok = std::all_of(e.values.begin(), e.values.end(),
                         [](int v) { return v == 30 || v == 36 || v == 48; });
        break;
    default:
        break;
    }
    return ok ? QString() : QStringLiteral("an edit with values it cannot take");
}

} // namespace

EditResult applyEdits(const Table &table, const std::vector<Edit> &edits)
{
    EditResult out;
    out.table = table;
    Table work = table;
    std::optional<cta::Layout> layout;
    for (const Edit &edit : edits) {
        QString error = invalidValues(edit);
        if (!error.isEmpty()) {
            out.error = error;
            return out;
        }
        if (edit.kind == Edit::Kind::Name) {
            error = setName(work, edit.text);
        } else {
            if (!layout) {
                cta::Parsed parsed = cta::parse(work);
                if (!parsed.layout) {
                    out.error = parsed.error;
                    return out;
                }
                layout = std::move(parsed.layout);
            }
            error = editparts::ctaEdit(*layout, edit);
        }
        if (!error.isEmpty()) {
            out.error = error;
            return out;
        }
    }
    if (layout) {
        const QString error = cta::encode(*layout, work);
        if (!error.isEmpty()) {
            out.error = error;
            return out;
        }
    }
    out.table = withChecksums(work);
    return out;
}

} // namespace edid
