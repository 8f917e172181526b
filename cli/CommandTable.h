#pragma once

#include "cli/Request.h"

#include <QString>
#include <QStringList>
#include <array>

// Every korvalis-cli command with its words, arguments and options: the parser, the group
// listings and the completion script all read this one table.
namespace cli
{

constexpr std::size_t MaxCommandOptions = 20;

struct CommandInfo {
    Command command;
    const char *group;     // first word
    const char *sub;       // second word, nullptr for a single-word command
    const char *arguments; // after the words, for the usage line
    std::array<const char *, MaxCommandOptions> options; // names without dashes; nullptr ends
    const char *what;                                    // one line for --help; may be empty
    const char *example = nullptr; // after "korvalis-cli ", for the command's help
};

const std::vector<CommandInfo> &commandTable();

// The commands of a group ("edid"); empty when the word is no group.
std::vector<const CommandInfo *> groupCommands(const QString &group);

// "edid write FILE [--verify]".
QString usageLine(const CommandInfo &info);

// The usage lines of every command, aligned, with what they do.
QStringList commandLines();

// "--force", "-o".
QString optionFlag(const char *name);

// The options every command takes.
const std::array<const char *, 4> &globalOptions();

} // namespace cli
