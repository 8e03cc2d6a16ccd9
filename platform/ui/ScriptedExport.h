#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include "platform/text/SettingsTable.h"
#include "platform/ui/DialogService.h"

namespace platform {

class IniFile;

/// Without a user to ask, every dialog is cancelled and every message is kept for the
/// error stream. An error means no figure; a message tells what a figure that was drawn
/// does not show.
class CollectingDialogs : public DialogService {
 public:
  bool RunOpen() override { return false; }
  bool RunSave() override { return false; }
  bool RunColor() override { return false; }
  bool RunFont() override { return false; }
  void ShowErrorTitled(const QString& message, const QString&) override {
    errors.push_back(message);
  }
  void ShowMessage(const QString& message) override { warnings.push_back(message); }
  bool AskYesNo(const QString&) override { return false; }
  SaveChoice AskSave(const QString&) override { return SaveChoice::Discard; }
  bool RunPrint(QPrinter&, const std::function<void(QPrinter&)>&) override { return false; }
  /// Writes each error kept as "program: FILE: message" and forgets them; true when there
  /// were any.
  bool TellErrors(std::ostream& err, const char* program, const QString& file);
  /// Writes each message kept as "program: 警告: message" and forgets them; true when there
  /// were any. A warning tells what a figure that was written does not show.
  bool TellWarnings(std::ostream& err, const char* program);
  std::vector<QString> errors;
  std::vector<QString> warnings;
};

/// How one program's scripted export is called.
struct ExportSyntax {
  const char* program;                       ///< the name errors start with
  std::vector<const char*> usage;            ///< the forms of the command, one per line
  bool allowDir = false;                     ///< whether --export-dir is one of them
  std::vector<const SettingName*> settings;  ///< what --set may name
  /// The file formats, by suffix without the dot ("png"); --export-dir writes the first
  /// unless --format names another, which more than one format allows.
  std::vector<const char*> formats = {"png"};
  /// Whether --title-from-data is one of the options (a program whose figures have a title).
  bool allowTitleFromData = false;
};

/// What the command line asks to be exported.
struct ExportRequest {
  QString settings;                               ///< a first argument ending in .ini
  std::vector<std::pair<QString, QString>> sets;  ///< "Section.Key", value
  QString outFile;                                ///< --export
  QString outDir;                                 ///< --export-dir
  QString format;                                 ///< the format --export-dir writes
  QStringList data;                               ///< the data files
  bool titleFromData = false;  ///< --title-from-data: each figure titled by its data's first header
};

/// Reads the arguments into `request`; returns why they cannot be run, empty when they can.
QString ParseExportArguments(const QStringList& arguments, const ExportSyntax& syntax,
                             ExportRequest& request);

/// Writes "program: why" and the forms of the command.
void PrintUsage(std::ostream& err, const ExportSyntax& syntax, const QString& why);

/// Each --set of the request written into the profile, as if the settings file held it.
void ApplySets(const ExportRequest& request, IniFile& settings);

/// True for a pipe or a character device (/dev/stdout): written as it is, with no name
/// that could be checked.
bool IsStream(const QString& path);

/// Why the outputs (each with the argument it was made from) cannot be written without
/// destroying an input or one another; empty when they can. Two spellings of one file, or
/// one path that does not exist yet, are the same.
QString OutputClash(const std::vector<std::pair<QString, QString>>& outputs,
                    const std::vector<QString>& inputs);

/// Makes the folder --export-dir names, with its parents, when it does not exist yet: a
/// batch of maps is most often written into a new folder. When it cannot be written into
/// (it is a file, or cannot be made), says so as "program: folder: why" and returns false.
bool MakeOutputFolder(const char* program, const ExportRequest& request, std::ostream& err);

/// A message on one line of the error stream.
QString OneLine(const QString& message);

/// Runs `body`, turning what escapes it (a file that cannot be read, memory that runs
/// out) into "program: message" on `err` and the status 1.
int RunGuarded(const char* program, std::ostream& err, const std::function<int()>& body);

/// Flushes standard output after an export: a script reads what was made from it, so
/// losing that is a failure too. Returns the status to exit with.
int FinishExport(const char* program, int status);

}  // namespace platform
