#include "session/Steps.h"

#include "device/DeviceLink.h"

#include <QCoreApplication>
#include "settings/Catalog.h"

namespace session
{
namespace
{

QString blockName(int index)
{
    switch (index) {
    case cmd::info::Firmware:
        return QStringLiteral("firmware read");
    case cmd::info::StoredHdr:
        return QStringLiteral("stored HDR infoframe read");
    case cmd::info::StoredAvi:
        return QStringLiteral("stored AVI infoframe read");
    case cmd::info::Status:
    case cmd::info::Gating:
        return QStringLiteral("status read");
    }
    return QStringLiteral("read of info block %1").arg(index);
}

QString registerName(int reg)
{
    for (const settings::Setting &s : settings::catalog())
        if (s.reg == reg)
            return QStringLiteral("write of %1").arg(QLatin1String(s.name));
    return QStringLiteral("write of register %1").arg(reg);
}

} // namespace

QString stepName(const Step &s)
{
    switch (s.op) {
    case Op::Open:
        return QStringLiteral("open");
    case Op::InfoBlockRead:
        return blockName(s.detail);
    case Op::SettingsRead:
        return QStringLiteral("settings read");
    case Op::BusyWait:
        return QStringLiteral("busy wait");
    case Op::SettingWrite:
        return registerName(s.detail);
    case Op::SettingsBlockWrite:
        return QStringLiteral("settings block write");
    case Op::FactoryReset:
        return QStringLiteral("factory reset");
    case Op::EdidFetch:
        return QStringLiteral("EDID fetch");
    case Op::EdidChunkRead:
        return QStringLiteral("EDID read at byte %1").arg(s.detail);
    case Op::EdidRead:
        return QStringLiteral("EDID read");
    case Op::EdidChunkWrite:
        return QStringLiteral("EDID write at byte %1").arg(s.detail);
    case Op::EdidCommit:
        return QStringLiteral("EDID commit");
    case Op::EdidVerify:
        return QStringLiteral("EDID read-back");
    case Op::CecSend:
        return QStringLiteral("CEC send");
    case Op::CecActivate:
        return QStringLiteral("CEC activation");
    case Op::CecStore:
        return QStringLiteral("CEC store");
    case Op::HdrStore:
        return QStringLiteral("HDR infoframe store");
    case Op::HdrActivate:
        return QStringLiteral("HDR infoframe activation");
    case Op::AviStore:
        return QStringLiteral("AVI infoframe store");
    case Op::AviActivate:
        return QStringLiteral("AVI infoframe activation");
    case Op::ReplaceAviWrite:
        return QStringLiteral("replace-avi write");
    }
    return QString();
}

QString failureWords(const Step &s)
{
    const QString what = stepName(s);
    if (s.op == Op::EdidVerify && !s.ok())
        return QStringLiteral("the table read back differs at byte %1").arg(s.detail);
    switch (s.result) {
    case cmd::Result::Done:
        return QString();
    case cmd::Result::NoDevice:
        return QStringLiteral("no device is open for the %1").arg(what);
    case cmd::Result::NoReply:
        return QStringLiteral("the device did not answer the %1 within %2 ms")
            .arg(what)
            .arg(DeviceLink::ReplyTimeoutMs);
    case cmd::Result::Refused:
        return QStringLiteral("the USB transfer of the %1 failed").arg(what);
    case cmd::Result::WrongEcho:
        return QStringLiteral("the device refused the %1").arg(what);
    case cmd::Result::StillBusy:
        return QStringLiteral("the device stayed busy (rebuilding its EDID) through %1 checks")
            .arg(s.detail);
    case cmd::Result::BadInput:
        return QStringLiteral("the %1 was given values the device cannot take").arg(what);
    case cmd::Result::Stopped:
        return QStringLiteral("the %1 was stopped: the program is closing").arg(what);
    }
    return QString();
}

QString openFailureMessage(OpenFailure failure)
{
    switch (failure) {
    case OpenFailure::NoPermission:
        return QCoreApplication::translate(
            "DeviceLink", "KORVALIS USB device found, but this user may not open it: install the "
                          "udev rule 70-korvalis.rules (see README), then replug the device");
    case OpenFailure::InUse:
        return QCoreApplication::translate(
            "DeviceLink", "KORVALIS USB device found, but another program is using it: close "
                          "that program, then start this one again");
    case OpenFailure::Other:
        return QCoreApplication::translate("DeviceLink",
                                           "KORVALIS USB device found, but it could not be opened");
    case OpenFailure::None:
    case OpenFailure::NotConnected:
        break;
    }
    return QString();
}

} // namespace session
