#include "app/ResultTexts.h"

#include "edid/EdidTransfer.h"

#include <QCoreApplication>

namespace resulttexts
{
namespace
{

QString tr(const char *source)
{
    return QCoreApplication::translate("MainWindow", source);
}

Report failure(const char *text)
{
    return {tr(text), StatusTime::DeviceFailure, {}};
}

Report result(const char *text)
{
    return {tr(text), StatusTime::Result, {}};
}

Report line(const char *text)
{
    return {QString(), 0, QByteArray(text)};
}

} // namespace

Report reportOf(const session::Step &s)
{
    using session::Op;
    const bool ok = s.ok();
    switch (s.op) {
    case Op::InfoBlockRead:
        return ok ? Report{} : result("...");
    case Op::SettingsRead:
        return ok ? Report{} : failure("Error Reading values");
    case Op::SettingWrite:
    case Op::SettingsBlockWrite:
    case Op::FactoryReset:
    case Op::EdidFetch:
    case Op::ReplaceAviWrite:
        return ok ? Report{} : failure("Error Writing values");
    case Op::EdidRead:
        return result(s.detail == int(edid::Source::Own) ? "EDID values read."
                                                         : "TV EDID values read.");
    case Op::EdidChunkWrite:
        // A write stopped because the window closed has nobody to tell.
        return ok || s.result == cmd::Result::Stopped ? Report{}
                                                      : failure("Error Writing EDID values.");
    case Op::EdidCommit:
        return result(ok ? "EDID values written..." : "Error Populating EDID values.");
    case Op::CecSend:
        return ok ? result("CEC values written...") : failure("Error Writing CEC command.");
    case Op::CecActivate:
        return ok ? Report{} : line("\nError Populating CEC values.\n");
    case Op::CecStore:
        return ok ? result("CEC values written...") : failure("Error Writing CEC values.");
    case Op::HdrStore:
        return ok ? result("Infoframe values written...")
                  : failure("Error Writing Infoframe values.");
    case Op::HdrActivate:
        return ok ? Report{} : line("\nError Populating IF values.\n");
    case Op::AviStore:
        return ok ? result("AVI values written...") : failure("Error Writing AVI command.");
    case Op::AviActivate:
        return ok ? Report{} : line("\nError Activating AVI values.\n");
    case Op::Open:
    case Op::BusyWait:
    case Op::EdidChunkRead:
    case Op::EdidVerify:
        break;
    }
    return {};
}

QList<Report> reportsOf(const session::Steps &steps)
{
    QList<Report> out;
    for (const session::Step &step : steps) {
        Report r = reportOf(step);
        if (!r.text.isEmpty() || !r.stdoutLine.isEmpty())
            out.append(std::move(r));
    }
    return out;
}

} // namespace resulttexts
