#include "edid/EdidMode.h"

#include "settings/Catalog.h"

namespace edid
{

bool uploadAllowed(bool automixChecked, bool fixedChecked, bool customChecked, int tableIndex)
{
    return customChecked && !automixChecked && !fixedChecked && (tableIndex & 0xFF) == 0;
}

bool editorEditable(int mode)
{
    const settings::Setting *edidMode = settings::settingOf(settings::Id::EdidMode);
    return edidMode != nullptr && settings::namedValue(*edidMode, "custom") == mode;
}

} // namespace edid
