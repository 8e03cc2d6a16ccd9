#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <ostream>

#include "platform/ui/ScriptedExport.h"

namespace platform {

/// What differs between the two window programs' entry points.
struct ProgramEntry {
  const char* name;        ///< "Tarvo_L": the application's name and what messages start with
  const char* windowForm;  ///< the window's command line, for --help
  const ExportSyntax& syntax;
  /// The scripted export (needs the application object); returns the exit status.
  std::function<int(const QStringList& arguments, const QString& programPath, std::ostream& out,
                    std::ostream& err)>
      runExport;
  /// Makes and shows the window for the arguments, then runs the event loop.
  std::function<int(const QStringList& arguments)> runWindow;
};

/// Shrinks a main window that would not fit the screen's free area (a laptop's 1366×768
/// less its panel), its title bar and frame included, so that its status bar shows.
void FitToScreen(QWidget* window);

/// The whole of main(): the command line read before any window or display exists (help,
/// version and usage errors answered at once), then the scripted export without a display,
/// or the window.
int ProgramMain(int argc, char** argv, const ProgramEntry& entry);

}  // namespace platform
