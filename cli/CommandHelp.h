#pragma once

#include "cli/CommandTable.h"

#include <QString>
#include <QStringList>

// Help for one command, made from its row of the command table: usage, what it does, its
// options, one example; every line within HelpWidth columns.
namespace cli
{

constexpr int HelpWidth = 80;

// `text` broken at spaces into lines of at most `width` characters; later lines start with
// `indent` spaces. A word longer than a line stands alone on its line.
QStringList wrapText(const QString &text, int width, int indent = 0);

// "edid write" or "status": the words that name a command.
QString commandWords(const CommandInfo &info);

// The command that `words` start with ("edid", "write", "my.bin" finds edid write); nullptr
// when they name none.
const CommandInfo *findCommand(const QStringList &words);

QString commandHelp(const CommandInfo &info);

// The help that `help WORDS...` and `WORDS... --help` print: the program's usage without words,
// a command's help, or a group's commands. Empty with `error` set when the words name nothing.
QString helpFor(const QStringList &words, QString &error);

} // namespace cli
