#pragma once

#include "cec_infoframes/Outcome.h"
#include "device/Commands.h"

#include <QString>
#include <array>
#include <cstdint>

class DeviceLink;

namespace cecif
{

// Stores the HDR infoframe of the editor's text and, whatever the store gave, activates it after
// the pause. Result: whether the activate was accepted.
Outcome sendHdrInfoframe(DeviceLink &link, const QString &plainText);

// Stores the AVI data bytes of the editor's text; only when that succeeded, activates them after
// the pause and, once activated, writes the replace-AVI register (1 when `replaceAvi`) and its
// byte of `settingsCopy`. Result: stored and activated.
Outcome sendAviInfoframe(DeviceLink &link, const QString &plainText, bool replaceAvi,
                         std::array<std::uint8_t, cmd::SettingsBytes> &settingsCopy);

} // namespace cecif
