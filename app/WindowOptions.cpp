#include "app/WindowOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace
{

const char kUsage[] =
    "Usage: %1 [--device ID|PATH]\n"
    "\n"
    "Options:\n"
    "  --device ID|PATH  the device's identification string (default 2023), or where it is\n"
    "                 as 'korvalis-cli list' shows it (USB bus and ports such as 1-4.2, or a\n"
    "                 socket)\n"
    "  --help         this text\n"
    "  --version      the program's version\n";

WindowOptions usageError(const QString &program, const QString &text)
{
    WindowOptions o;
    o.exitStatus = 2;
    o.err = QStringLiteral("%1: %2 (%1 --help)\n").arg(program, text);
    return o;
}

} // namespace

WindowOptions parseWindowOptions(const QStringList &arguments)
{
    const QString program = arguments.isEmpty() ? QStringLiteral("korvalis_gui")
                                                : QFileInfo(arguments.first()).fileName();
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions({{"device", "", "ID"}, {{"h", "help"}, ""}, {"version", ""}});
    for (const char *qtOption : {"platform", "style", "display"}) {
        QCommandLineOption o(QString::fromLatin1(qtOption), QString(), QStringLiteral("VALUE"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        p.addOption(o);
    }
    if (!p.parse(arguments))
        return usageError(program, p.errorText());
    WindowOptions o;
    if (p.isSet("help") || p.isSet("version")) {
        o.exitStatus = 0;
        o.out = p.isSet("help")
                    ? QString::fromLatin1(kUsage).arg(program)
                    : QStringLiteral("%1 %2\n").arg(program, QLatin1String(KORVALIS_VERSION));
        return o;
    }
    if (!p.positionalArguments().isEmpty())
        return usageError(
            program, QStringLiteral("unexpected argument '%1'").arg(p.positionalArguments()[0]));
    if (p.isSet("device")) {
        if (p.value("device").isEmpty())
            return usageError(program, QStringLiteral("--device needs an identification string"));
        o.device = p.value("device").toLocal8Bit();
    }
    return o;
}
