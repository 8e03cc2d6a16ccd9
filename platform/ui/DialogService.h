#pragma once

#include <QFont>
#include <QString>
#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/raster/RasterLayer.h"
#include "platform/ui/Printing.h"

class QDialog;
class QPrinter;
class QWidget;

namespace platform {

/// What one file dialog shows on entry and what it was left with by the last OK.
struct FileDialogState {
  /// Windows-style pairs "設定ファイル|*.ini|地形図ファイル|*.mdt"; several patterns of one
  /// pair are separated by ';'.
  QString filter;
  /// 1-based pair of `filter` selected first; out of range selects the first pair.
  int filterIndex = 1;
  /// Folder shown first when `fileName` names no folder.
  QString initialDir;
  /// The proposed name on entry (a folder in it wins over `initialDir`); the chosen full
  /// path after OK.
  QString fileName;
  /// Without the dot, e.g. "grd"; on save it is appended to a chosen name without one.
  QString defaultExt;
  /// Empty keeps the toolkit's own title.
  QString title;
};

/// "A|*.a|B|*.b;*.c" becomes "A (*.a);;B (*.b *.c)". A pair whose pattern is missing or
/// empty is dropped.
QString QtFilterFromWindows(const QString& filter);

/// The extension a save dialog gives a name typed without one: that of the filter pair
/// `filterIndex` when it is a single "*.ext" pattern (so a figure saved with the image
/// filter becomes a .png file), else `defaultExt`.
QString SaveExtension(const QString& windowsFilter, int filterIndex, const QString& defaultExt);

/// The path with "." + `extension` appended when its file name has no dot; unchanged when
/// `extension` is empty.
QString WithDefaultExtension(const QString& path, const QString& extension);

/// The dialogs and message boxes of one main window. The public state persists between
/// commands: a command sets only what it needs and finds the rest as the last one left it.
class DialogService {
 public:
  virtual ~DialogService() = default;

  FileDialogState open, save;
  /// Colour dialog: the colour shown first and, after OK, the one chosen.
  WinColor color = 0;
  /// Font dialog: the font and text colour shown first and, after OK, the ones chosen.
  QFont font;
  WinColor fontColor = 0;

  /// True on OK: `open.fileName` is the chosen path, `open.filterIndex` the pair the user
  /// ended with and `open.initialDir` the folder of the chosen file. Cancel changes nothing.
  virtual bool RunOpen() = 0;
  /// As RunOpen for `save`; `save.defaultExt` is appended to a name without extension.
  virtual bool RunSave() = 0;
  virtual bool RunColor() = 0;
  virtual bool RunFont() = 0;
  /// The program's error report (critical icon, OK), titled with the program's name.
  void ShowError(const QString& message) { ShowErrorTitled(message, QString()); }
  /// An error report with its own title; an empty title is the program's name.
  virtual void ShowErrorTitled(const QString& message, const QString& title) = 0;
  virtual void ShowMessage(const QString& message) = 0;
  /// True for yes.
  virtual bool AskYesNo(const QString& message) = 0;
  /// What the user wants done with unsaved work before the window closes.
  enum class SaveChoice { Save, Discard, Cancel };
  /// Asks with the buttons "保存", "保存しない" and "キャンセル"; closing the box cancels.
  virtual SaveChoice AskSave(const QString& message) = 0;
  /// The print preview of `printer`'s page, which `paint` draws: for the preview (again
  /// after every change of the page setup) and on the printer when the user prints. The
  /// user may change the page setup and the printer there. True when printed.
  virtual bool RunPrint(QPrinter& printer, const std::function<void(QPrinter&)>& paint) = 0;
};

/// The real dialogs, modal to `parent`. File dialogs are Qt's own, not the desktop's, so
/// they behave alike everywhere.
class QtDialogService : public DialogService {
 public:
  explicit QtDialogService(QWidget* parent);

  bool RunOpen() override;
  bool RunSave() override;
  bool RunColor() override;
  bool RunFont() override;
  void ShowErrorTitled(const QString& message, const QString& title) override;
  void ShowMessage(const QString& message) override;
  bool AskYesNo(const QString& message) override;
  SaveChoice AskSave(const QString& message) override;
  bool RunPrint(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;

 protected:
  /// Runs the prepared dialog modally and returns its result code (QDialog::Accepted or,
  /// for message boxes, the QMessageBox::StandardButton pressed). A test overrides it to
  /// inspect the dialog and answer without blocking.
  virtual int Exec(QDialog& dialog);

 private:
  bool RunFile(FileDialogState& state, bool saving);

  QWidget* m_parent;
};

/// Asks what becomes of unsaved work before it would be lost: "保存" runs `save`. True when
/// the caller may go on (saved, or the user chose not to save); false when the user
/// cancelled or `save` returned false.
bool AskToKeepWork(DialogService& dialogs, const QString& message,
                   const std::function<bool()>& save);

/// The question a window asks at close when its settings changed since read or written.
QString SettingsChangedQuestion();

/// Runs the open dialog for a map file that the settings name but that is not there, with a
/// title that says so (the file named, or that none is), so that the dialog explains
/// itself; the dialog's own title is given back afterwards. True on OK.
bool AskForMissingMap(DialogService& dialogs, const QString& named);

enum class DialogKind { Open, Save, Color, Font, Error, Message, YesNo, SaveChanges, Print };
inline constexpr std::size_t kDialogKinds = static_cast<std::size_t>(DialogKind::Print) + 1;

/// Test double: answers each call from the answers scripted for its kind, in order, and
/// records every call. A call with no answer left is cancelled (AskYesNo answers no,
/// AskSave cancels).
class ScriptedDialogs : public DialogService {
 public:
  /// One call as the dialog saw it on entry.
  struct Call {
    DialogKind kind;
    /// `open` or `save` for the file dialogs, empty otherwise.
    FileDialogState file;
    /// `color` for Color, `fontColor` for Font, 0 otherwise.
    WinColor color = 0;
    /// `font` for Font, a default font otherwise.
    QFont font;
    /// The text of a message box, empty otherwise.
    QString message;
    /// The title an error box asked for; empty for the program's name.
    QString title;
  };

  /// The next RunOpen or RunSave chooses `path`; `filterIndex` 0 keeps the preselected pair.
  void AcceptOpen(const QString& path, int filterIndex = 0);
  void AcceptSave(const QString& path, int filterIndex = 0);
  void PickColor(WinColor chosen);
  void PickFont(const QFont& chosen, WinColor chosenColor);
  void AnswerYesNo(bool yes);
  void AnswerSave(SaveChoice choice);
  /// The next RunPrint: the user sets the page up as `page` (nullopt leaves it as it is)
  /// and prints to the PDF file `pdfPath`, or with an empty `pdfPath` closes the preview
  /// without printing.
  void AnswerPrint(const QString& pdfPath, std::optional<PageSetup> page = std::nullopt);
  /// The next call of that kind is cancelled.
  void Cancel(DialogKind kind);

  /// Every call so far, oldest first.
  const std::vector<Call>& Calls() const { return m_calls; }
  /// Scripted answers not used yet.
  std::size_t PendingAnswers() const;

  bool RunOpen() override;
  bool RunSave() override;
  bool RunColor() override;
  bool RunFont() override;
  void ShowErrorTitled(const QString& message, const QString& title) override;
  void ShowMessage(const QString& message) override;
  bool AskYesNo(const QString& message) override;
  SaveChoice AskSave(const QString& message) override;
  bool RunPrint(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;

 private:
  struct Answer {
    bool ok = false;
    QString path;
    int filterIndex = 0;
    WinColor color = 0;
    QFont font;
    SaveChoice choice = SaveChoice::Cancel;
    std::optional<PageSetup> page = std::nullopt;
  };

  /// Records the call and takes its answer: a cancel when none is left.
  Answer Take(Call call);
  bool RunFile(DialogKind kind, FileDialogState& state);

  std::array<std::deque<Answer>, kDialogKinds> m_answers;
  std::vector<Call> m_calls;
};

}  // namespace platform
