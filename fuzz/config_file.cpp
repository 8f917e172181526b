// Configuration file checks: any bytes as a file. A file that checks gives a plan whose every
// value the device takes, and its difference against a device state never fails.
// Input: the file's contents.
#include "FuzzCheck.h"
#include "session/ConfigFile.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), qsizetype(size));
    const session::config::Checked checked = session::config::check(contents);
    FUZZ_CHECK(checked.plan.has_value() == checked.problems.empty());
    if (!checked.plan)
        return 0;
    for (const session::config::Plan::Value &v : checked.plan->settings)
        FUZZ_CHECK(settings::writeRequest(*v.setting, v.value).has_value());
    session::config::DeviceState device;
    device.firmware = checked.plan->firmware;
    for (const session::config::Item &item : session::config::diff(*checked.plan, device))
        FUZZ_CHECK(!session::config::itemKey(item).isEmpty());
    return 0;
}
