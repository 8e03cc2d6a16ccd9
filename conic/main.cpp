#include <QApplication>

#include "conic/Export.h"
#include "conic/TForm1.h"
#include "platform/ui/ProgramMain.h"
#include "platform/ui/RecentFiles.h"

int main(int argc, char** argv) {
  return platform::ProgramMain(
      argc, argv,
      {"Tarvo_L", "[SETTINGS.ini] [DATA.grd | MAP.mdt]", conic::ExportSyntax(), conic::RunExport,
       [](const QStringList& arguments) {
         conic::TForm1 form(arguments);
         form.UseRecentFiles(platform::RecentFiles::UserFile());
         platform::FitToScreen(&form);
         form.show();
         form.OpenFileArgument(arguments);
         return QApplication::exec();
       }});
}
