#include "edid/EdidMode.h"

#include "settings/Catalog.h"

namespace edid
{

bool uploadAllowed(int mode, int table)
{
    return editorEditable(mode) && table == 1;
}

bool editorEditable(int mode)
{
    const settings::Setting *edidMode = settings::settingOf(settings::Id::EdidMode);
    return edidMode != nullptr && settings::namedValue(*edidMode, "custom") == mode;
}

} // namespace edid
