#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

#include "platform/ui/ScriptedExport.h"

namespace chart {

/// Runs the scripted export: builds the figure with the window's own commands and writes
/// it as a PNG file, without a display and without any dialog.
///   [SETTINGS.ini] [--set SECTION.KEY=VALUE]... --export OUT.png [DATA.grd]
/// Prints "OUT records=N categories=N width=W height=H" on `out`; errors go to `err`.
/// Returns 0 on success, 1 when the figure failed or does not show everything asked for,
/// 2 for a usage error. Needs a QApplication (the offscreen platform is enough).
/// The forms and options of the scripted export's command line.
const platform::ExportSyntax& ExportSyntax();

int RunExport(const QStringList& arguments, const QString& programPath, std::ostream& out,
              std::ostream& err);

}  // namespace chart
