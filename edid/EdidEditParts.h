#pragma once

#include "edid/EdidCtaLayout.h"
#include "edid/EdidEditor.h"

// The editor's pieces: the edits of the CTA-861 extension's data blocks.
namespace edid::editparts
{

// Applies one edit to `layout`; the reason when it is refused (`layout` may then be half
// changed: the caller drops it).
QString ctaEdit(cta::Layout &layout, const Edit &edit);

} // namespace edid::editparts
