#pragma once

// The EDID mode rules of the EDID page: when an upload is allowed and when the editor is
// editable.
namespace edid
{

// Only CUSTOM mode with the first table ("1 - Custom Uploaded/Default EDID") takes an upload.
// `tableIndex` is the current index of the table list (-1: nothing chosen); its low byte counts.
// With no mode button checked at all the mode is unknown, which is not CUSTOM either.
bool uploadAllowed(bool automixChecked, bool fixedChecked, bool customChecked, int tableIndex);

// The editor is editable in CUSTOM mode only; `mode` is the value of the EDID mode register.
bool editorEditable(int mode);

} // namespace edid
