#include "cli/DisplaysCommand.h"

#include "session/DeviceSession.h"
#include "session/DisplayReport.h"

#include <QIODevice>
#include <QJsonDocument>

namespace cli
{

int showDisplays(session::DeviceSession &s, const Request &r, const Streams &io)
{
    const session::DisplaysRead read = session::readDisplays(s);
    if (!read.failed.ok()) {
        io.err.write("korvalis-cli: " + session::failureWords(read.failed).toUtf8() + '\n');
        return exitcode::DeviceFailed;
    }
    if (r.json) {
        io.out.write(QJsonDocument(session::displaysJson(read)).toJson(QJsonDocument::Indented));
        return exitcode::Ok;
    }
    for (const QString &line : session::displaysLines(read))
        io.out.write(line.toUtf8() + '\n');
    return exitcode::Ok;
}

} // namespace cli
