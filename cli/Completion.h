#pragma once

#include <QString>

namespace cli
{

// The bash completion script of korvalis-cli, from the command table and the settings catalog:
// commands and subcommands, options, setting names and their value names.
QString bashCompletion();

} // namespace cli
