#pragma once

#include "cec_infoframes/Outcome.h"

#include <QString>

class DeviceLink;

namespace cecif
{

// Which CEC button of the device a stored message belongs to.
enum class CecButton { Sp, Lp };

// Sends the CEC message of the editor's text (length byte inserted), then, whatever the send
// gave, activates it after the pause. An activate failure goes to standard output only.
Outcome sendCec(DeviceLink &link, const QString &plainText);

// Stores the editor's text, unparsed and prefixed "CEC ", for the SP or LP button.
Outcome storeCec(DeviceLink &link, const QString &plainText, CecButton button);

} // namespace cecif
