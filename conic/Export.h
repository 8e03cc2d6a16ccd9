#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

#include "platform/ui/ScriptedExport.h"

namespace conic {

/// Runs the scripted export: draws figures with the window's own commands and writes them
/// as PNG files, without a display and without any dialog.
///   [SETTINGS.ini] [--set SECTION.KEY=VALUE]... --export OUT.png [DATA.grd]
///   [SETTINGS.ini] [--set SECTION.KEY=VALUE]... --export-dir DIR DATA.grd...
/// Prints "OUT records=N categories=N width=W height=H" per figure on `out`; errors go to
/// `err`. Returns 0 on success, 1 when a figure failed, 2 for a usage error.
/// Needs a QGuiApplication (the offscreen platform is enough).
/// The forms and options of the scripted export's command line.
const platform::ExportSyntax& ExportSyntax();

int RunExport(const QStringList& arguments, const QString& programPath, std::ostream& out,
              std::ostream& err);

}  // namespace conic
