#include <QApplication>

#include "chart/Export.h"
#include "chart/TForm1.h"
#include "platform/ui/ProgramMain.h"
#include "platform/ui/RecentFiles.h"

int main(int argc, char** argv) {
  return platform::ProgramMain(
      argc, argv,
      {"Tarvo", "[SETTINGS.ini] [DATA.grd | TABLE.csv | MAP.mdt]", chart::ExportSyntax(),
       chart::RunExport, [](const QStringList& arguments) {
         chart::TForm1 form(arguments);
         form.UseRecentFiles(platform::RecentFiles::UserFile());
         platform::FitToScreen(&form);
         form.show();
         form.OpenFileArgument(arguments);
         return QApplication::exec();
       }});
}
