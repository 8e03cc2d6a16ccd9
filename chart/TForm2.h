#pragma once

#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

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
  /// Every line of the text, for saving.
  std::vector<std::string> Lines() const;
  /// The text becomes these lines (replace) or gets them after its own (append).
  void SetLines(std::vector<std::string> lines);
  void AppendLines(std::vector<std::string> lines);
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

  QPlainTextEdit* m_memo = nullptr;
  std::vector<std::string> m_waiting;
  bool m_detached = false;
  QLabel* m_status[3] = {};
};

}  // namespace chart
