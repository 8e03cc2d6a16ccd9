#pragma once

#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "core/DistributionData.h"

class QLabel;
class QPlainTextEdit;

namespace chart {

/// The data editor: the distribution data as text, which every plotting pass reads. A
/// window of its own beside the main window, hidden until asked for; hiding it keeps the
/// text.
class TForm2 : public QMainWindow {
 public:
  explicit TForm2(QWidget* parent = nullptr);

  /// What the tool bar's buttons ask of the main window.
  std::function<void()> onAdd;   ///< "add": read a file into the text
  std::function<void()> onDraw;  ///< "draw": plot the text
  std::function<void()> onSave;  ///< "save": write the text to a file

  /// The edit area, holding the whole text.
  QPlainTextEdit* Memo();
  /// The text's lines one after the other: true and the next line in `line`, false at the
  /// end. The reader stays valid while the text is not changed.
  std::function<bool(std::string&)> LineReader() const;
  /// Every line of the text as the edit area holds it: after a last line break comes an
  /// empty line (see core::GrdText).
  std::vector<std::string> Blocks() const;
  /// The lines of the text, without the empty line after a last line break.
  std::vector<std::string> Lines() const;
  /// The text becomes a file's: its lines, and the way its bytes are written, which a save
  /// keeps.
  void SetText(core::GrdText text);
  /// The text becomes these lines, each ending with a line break, as a new text.
  void SetLines(std::vector<std::string> lines);
  /// A file's lines after the text's own, starting on a line of their own. An empty text
  /// takes the file's way of writing, as if the file had been read.
  void AppendText(core::GrdText text);
  /// These lines, each ending with a line break, after the text's own.
  void AppendLines(std::vector<std::string> lines);
  /// How a save writes the text.
  const core::GrdLayout& Layout() const { return m_layout; }
  void SetLayout(const core::GrdLayout& layout) { m_layout = layout; }
  /// The file the text was read from or last saved to (an absolute path); empty for a new
  /// text.
  const QString& SourceFile() const { return m_sourceFile; }
  void SetSourceFile(const QString& path) { m_sourceFile = path; }
  /// True when the text holds what no file holds: it was edited, added to or imported since
  /// it was read or saved, and is not empty.
  bool IsModified() const;
  void SetModified(bool modified);
  bool IsEmpty() const;

  void FormCreate();
  void BtnClearClick();
  void BtnEdOpenClick();
  void BtnEdCutClick();
  void BtnEdCopyClick();
  void BtnEdPasteClick();
  void BtnReDrawMapClick();
  void BtnEdSaveClick();
  void BtnEdExitClick();
  void Memo1SelectionChange();
  QString StatusText(int panel) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // While the window has not been shown since the text was last set, the lines wait here
  // rather than in the edit area: a text document of hundreds of thousands of lines takes
  // seconds to build, and a plotting pass or a scripted export needs none.
  void Materialize();

  void Replace(std::vector<std::string> blocks);
  void Append(std::vector<std::string> blocks);

  QPlainTextEdit* m_memo = nullptr;
  /// The text's lines while it is detached from the edit area (as Blocks()).
  std::vector<std::string> m_waiting;
  core::GrdLayout m_layout;
  QString m_sourceFile;
  /// Changes made while the text was detached, or by the program rather than typed.
  bool m_modified = false;
  bool m_detached = false;
  QLabel* m_status[3] = {};
};

}  // namespace chart
