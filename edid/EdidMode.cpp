#include "edid/EdidMode.h"

#include "settings/RegisterMap.h"

namespace edid
{

bool uploadAllowed(bool automixChecked, bool fixedChecked, bool customChecked, int tableIndex)
{
    return customChecked && !automixChecked && !fixedChecked && (tableIndex & 0xFF) == 0;
}

bool editorEditable(int mode)
{
    // The mode row lists AUTOMIX, FIXED, CUSTOM in that order.
    return mode == settings::row(settings::Id::SetEDID_Mode).values[2];
}

} // namespace edid
