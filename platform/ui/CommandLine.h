#pragma once

#include <QString>
#include <QStringList>
#include <ostream>
#include <string>

#include "platform/ui/ScriptedExport.h"

namespace platform {

/// What a window program's command line asks for, decided before any window or display
/// exists, so that a script never waits on a window it cannot see.
enum class CommandKind { Window, Export, Help, Version, UsageError };

struct CommandLine {
  CommandKind kind = CommandKind::Window;
  QString why;            ///< UsageError: what is wrong, for the user
  QStringList arguments;  ///< the program's own arguments, the toolkit's options taken out
};

/// Sorts the arguments (without the program path): "--help" or "-h" asks for the usage and
/// "--version" for the version, wherever they stand; the toolkit's own options (-platform X,
/// -style X, -reverse, …, also written with "--" or "=") are left to it; any other argument
/// that starts with "--" makes the scripted export, whose arguments must then parse; any
/// other argument that starts with "-" is a usage error. What remains opens the window.
CommandLine ReadCommandLine(const QStringList& arguments, const ExportSyntax& syntax);

/// The whole usage for --help: the window's form, the export's forms, the options and the
/// exit statuses.
void PrintHelp(std::ostream& out, const ExportSyntax& syntax, const char* windowForm);

/// The project's version, as the build was given it ("0.1.0").
QString ProjectVersion();
/// "Tarvo_L 0.1.0", what --version prints.
std::string VersionLine(const char* program);

/// True when a window can be shown: a display to connect to, or a platform named.
bool HasDisplay(const QStringList& rawArguments);

/// Without XDG_RUNTIME_DIR (root, containers, cron) the toolkit warns on every start and
/// falls back to a folder of its own; this sets the variable to that folder (made private
/// when missing) so that a clean export prints nothing on standard error. A folder that is
/// not the user's own, or not private, is left to the toolkit to warn about.
void SetRuntimeDirWhenMissing();

}  // namespace platform
