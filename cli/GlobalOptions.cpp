#include "cli/GlobalOptions.h"

#include "cli/Cli.h"
#include "cli/Request.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>

namespace cli
{

std::optional<int> waitSeconds(const QString &text, QString &error)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    const QString range = QStringLiteral("0 to %1").arg(MaxWaitSeconds);
    if (!whole.match(text).hasMatch()) {
        error = QStringLiteral("--wait %1: not a whole number of seconds (%2)").arg(text, range);
        return std::nullopt;
    }
    if (text.startsWith(u'-') && text.mid(1).toLongLong() != 0) {
        error = QStringLiteral("--wait %1: a wait cannot be negative (%2)").arg(text, range);
        return std::nullopt;
    }
    bool ok = false;
    const int seconds = text.toInt(&ok, 10);
    if (!ok || seconds > MaxWaitSeconds) {
        error = QStringLiteral("--wait %1: more than a day (%2)").arg(text, range);
        return std::nullopt;
    }
    return seconds;
}

DevicePlace devicePlace(const QByteArray &idOrPath, const QString &socketDirectory, bool waiting)
{
    if (!idOrPath.contains('/'))
        return {idOrPath, {}, 0};
    const QString given = QFile::decodeName(idOrPath);
    const QString path = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
    const auto problem = [&](int status, const QString &what) {
        return DevicePlace{idOrPath, QStringLiteral("--device %1: %2").arg(given, what), status};
    };
    struct stat st {
    };
    const bool exists = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    if (!exists && !waiting)
        return problem(exitcode::NoDevice,
                       QStringLiteral("no such socket ('korvalis-cli list' shows where the "
                                      "units are; --wait gives one time to appear)"));
    if (exists && !S_ISSOCK(st.st_mode))
        return problem(exitcode::Usage, QStringLiteral("not a socket: a simulator's socket, or a "
                                                       "USB place such as 1-4.2, is expected"));
    if (socketDirectory.isEmpty()) // no socket backend to compare with
        return {QFile::encodeName(path), {}, 0};
    const QString directory = QDir::cleanPath(QFileInfo(socketDirectory).absoluteFilePath());
    if (QFileInfo(path).absolutePath() != directory)
        return problem(exitcode::Usage,
                       QStringLiteral("simulated units are found in %1 only").arg(directory));
    // The look-up compares places as the socket backend spells them.
    return {QFile::encodeName(socketDirectory + u'/' + QFileInfo(path).fileName()), {}, 0};
}

} // namespace cli
