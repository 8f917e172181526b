#pragma once

// The EDID mode rules of the EDID page: when an upload is allowed and when the editor is
// editable.
namespace edid
{

// The device takes an upload only in CUSTOM mode with the first table ("1 - Custom
// Uploaded/Default EDID"). `mode` and `table` are the device's edid-mode and edid-table values.
bool uploadAllowed(int mode, int table);

// The editor is editable in CUSTOM mode only; `mode` is the value of the EDID mode register.
bool editorEditable(int mode);

} // namespace edid
