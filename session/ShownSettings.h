#pragma once

#include "settings/Catalog.h"
#include "settings/SettingId.h"

#include <array>
#include <vector>

namespace session
{

// What the window's self-writing controls show (check boxes and combo boxes), kept beside the
// device so that a poll's write-backs are known without asking the window: a poll that changes
// what such a control shows makes it write the new value back, inside the same poll.
class ShownSettings
{
public:
    struct WriteBack {
        settings::Id id;
        int value;
    };

    ShownSettings();

    // The control now stands for `value` (set by the user, or its state at start).
    void set(settings::Id id, int value);
    // Start-up fills the combo boxes: each then shows its first item.
    void fillCombos();
    // A new start-up empties them first.
    void emptyCombos();
    // Shows a settings block; the write-backs it causes, in the order they go out.
    std::vector<WriteBack> show(const settings::SettingBytes &bytes, bool initialised);

private:
    static constexpr int Nothing = -1; // unchecked box / combo box without a current item
    std::array<int, std::size_t(settings::Id::Count)> shown_{};
    bool filled_ = false;
};

} // namespace session
