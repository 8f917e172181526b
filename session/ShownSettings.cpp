#include "session/ShownSettings.h"

#include "settings/Catalog.h"

namespace session
{
namespace
{

using settings::Echo;

int onValue(const settings::Setting &s)
{
    return settings::namedValue(s, "on").value_or(1);
}
int offValue(const settings::Setting &s)
{
    return settings::namedValue(s, "off").value_or(0);
}

// Item 0 stands for the setting's first value.
int firstValue(const settings::Setting &s)
{
    return s.kind == settings::Kind::Range ? s.minimum : s.values[0].value;
}

int itemCount(const settings::Setting &s)
{
    if (s.kind == settings::Kind::Range)
        return s.maximum - s.minimum + 1;
    int n = 0;
    for (const settings::ValueName &v : s.values)
        n += v.name != nullptr ? 1 : 0;
    return n;
}

} // namespace

ShownSettings::ShownSettings()
{
    shown_.fill(Nothing);
    // Check boxes start unchecked until the window says otherwise.
    for (const settings::Setting &s : settings::catalog())
        if (s.poll.echo == Echo::Toggle)
            shown_[std::size_t(s.id)] = 0;
}

void ShownSettings::set(settings::Id id, int value)
{
    const settings::Setting *s = settings::settingOf(id);
    if (s == nullptr)
        return;
    switch (s->poll.echo) {
    case Echo::Toggle:
        shown_[std::size_t(id)] = value == onValue(*s) ? 1 : 0;
        return;
    case Echo::Index: {
        const int index = value - firstValue(*s);
        shown_[std::size_t(id)] = filled_ && index >= 0 && index < itemCount(*s) ? index : Nothing;
        return;
    }
    case Echo::None:
        return;
    }
}

void ShownSettings::emptyCombos()
{
    filled_ = false;
    for (const settings::Setting &s : settings::catalog())
        if (s.poll.echo == Echo::Index)
            shown_[std::size_t(s.id)] = Nothing;
}

void ShownSettings::fillCombos()
{
    filled_ = true;
    for (const settings::Setting &s : settings::catalog())
        if (s.poll.echo == Echo::Index && shown_[std::size_t(s.id)] == Nothing)
            shown_[std::size_t(s.id)] = 0;
}

std::vector<ShownSettings::WriteBack> ShownSettings::show(const settings::SettingBytes &bytes,
                                                          bool initialised)
{
    std::vector<WriteBack> out;
    for (const settings::Setting *s : settings::pollOrder()) {
        const settings::Id id = s->id;
        const Echo echo = s->poll.echo;
        if (echo == Echo::None || s->byte < 0 || s->byte >= cmd::SettingsBytes)
            continue;
        const int byte = bytes[std::size_t(s->byte)];
        int &shown = shown_[std::size_t(id)];
        if (echo == Echo::Toggle) {
            const int now = byte == onValue(*s) ? 1 : 0;
            if (now != shown) {
                shown = now;
                out.push_back({id, now == 1 ? onValue(*s) : offValue(*s)});
            }
            continue;
        }
        // An empty combo box ignores the poll; an index it does not have clears it.
        if (!filled_)
            continue;
        const int index = byte - firstValue(*s);
        const int now = index >= 0 && index < itemCount(*s) ? index : Nothing;
        if (now == shown)
            continue;
        shown = now;
        if (initialised && now != Nothing)
            out.push_back({id, now + firstValue(*s)});
    }
    return out;
}

} // namespace session
