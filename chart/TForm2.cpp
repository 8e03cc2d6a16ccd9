#include "chart/TForm2.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <iterator>
#include <utility>

namespace chart {

TForm2::TForm2(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setObjectName(QStringLiteral("TForm2"));
  setWindowTitle(QStringLiteral("Tarvo Data Editor"));
  setGeometry(410, 240, 469, 593);
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(12);
  setFont(font);

  auto* tools = addToolBar(QStringLiteral("ToolBar1"));
  tools->setObjectName(QStringLiteral("ToolBar1"));
  tools->setMovable(false);
  tools->setFixedHeight(28);
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  const struct {
    const char* name;
    const char* caption;
    const char* hint;
    const char* theme;  // the desktop's own picture, when its icon theme has one
    QStyle::StandardPixmap icon;
    void (TForm2::*handler)();
  } buttons[] = {
      {"BtnClear", "new", "白紙化する", "document-new", QStyle::SP_FileIcon,
       &TForm2::BtnClearClick},
      {"BtnEdOpen", "add", "分布データ追加読み", "document-open", QStyle::SP_DialogOpenButton,
       &TForm2::BtnEdOpenClick},
      {"BtnEdCut", "", "文字列削除", "edit-cut", QStyle::SP_CustomBase, &TForm2::BtnEdCutClick},
      {"BtnEdCopy", "", "文字列複写", "edit-copy", QStyle::SP_CustomBase, &TForm2::BtnEdCopyClick},
      {"BtnEdPaste", "", "文字列貼付", "edit-paste", QStyle::SP_CustomBase,
       &TForm2::BtnEdPasteClick},
      {"BtnReDrawMap", "draw", "再描画", "view-refresh", QStyle::SP_BrowserReload,
       &TForm2::BtnReDrawMapClick},
      {"BtnEdSave", "save", "データを保存", "document-save", QStyle::SP_DialogSaveButton,
       &TForm2::BtnEdSaveClick},
      {"BtnEdExit", "exit", "エディタを閉じる", "window-close", QStyle::SP_DialogCloseButton,
       &TForm2::BtnEdExitClick},
  };
  tools->setIconSize(QSize(16, 16));
  for (const auto& b : buttons) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(b.theme));
    if (icon.isNull() && b.icon != QStyle::SP_CustomBase) icon = style()->standardIcon(b.icon);
    // A button meant to show a picture alone shows its hint where no picture is found.
    const QString caption = icon.isNull() && *b.caption == '\0' ? QString::fromUtf8(b.hint).right(2)
                                                                : QString::fromLatin1(b.caption);
    QAction* action = tools->addAction(icon, caption);
    action->setObjectName(QString::fromLatin1(b.name));
    // The hints are kept with the buttons; a button with a picture alone needs its words
    // somewhere a reader of the screen finds them.
    action->setStatusTip(QString::fromUtf8(b.hint));
    action->setToolTip(QString::fromUtf8(b.hint));
    connect(action, &QAction::triggered, this, [this, handler = b.handler] { (this->*handler)(); });
  }

  m_memo = new QPlainTextEdit(this);
  m_memo->setObjectName(QStringLiteral("Memo1"));
  m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont memoFont(QStringLiteral("ＭＳ 明朝"));
  memoFont.setPixelSize(13);
  memoFont.setFixedPitch(true);
  memoFont.setStyleHint(QFont::Monospace);
  m_memo->setFont(memoFont);
  QPalette palette = m_memo->palette();
  palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
  m_memo->setPalette(palette);
  setCentralWidget(m_memo);
  connect(m_memo, &QPlainTextEdit::cursorPositionChanged, this, [this] { Memo1SelectionChange(); });
  connect(m_memo, &QPlainTextEdit::selectionChanged, this, [this] { Memo1SelectionChange(); });

  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar2"));
  bar->setStyleSheet(QStringLiteral("QStatusBar { background: silver; }"));
  const int widths[] = {100, 100, 50};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(bar);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setMinimumWidth(widths[i]);
    if (i == 0) label->setAlignment(Qt::AlignCenter);
    bar->addWidget(label);
    m_status[i] = label;
  }
  m_status[0]->setText(QStringLiteral("NoData"));
  FormCreate();
}

namespace {

// The lines joined by line breaks: the edit area's text, each line one block of it.
QString Joined(const std::vector<std::string>& blocks) {
  QString text;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (i > 0) text += QLatin1Char('\n');
    text += QString::fromStdString(blocks[i]);
  }
  return text;
}

// Lines that each end with a line break, as blocks.
std::vector<std::string> AsBlocks(std::vector<std::string> lines) {
  lines.emplace_back();
  return lines;
}

}  // namespace

void TForm2::FormCreate() {
  m_memo->clear();
}

QPlainTextEdit* TForm2::Memo() {
  Materialize();
  return m_memo;
}

void TForm2::Materialize() {
  if (!m_detached) return;
  m_detached = false;
  m_memo->setPlainText(Joined(m_waiting));
  m_memo->document()->setModified(false);
  m_waiting.clear();
}

void TForm2::showEvent(QShowEvent* event) {
  Materialize();
  QMainWindow::showEvent(event);
}

std::function<bool(std::string&)> TForm2::LineReader() const {
  if (m_detached) {
    return [this, i = size_t{0}](std::string& line) mutable {
      if (i >= m_waiting.size()) return false;
      line = m_waiting[i++];
      return true;
    };
  }
  return [block = m_memo->document()->firstBlock()](std::string& line) mutable {
    if (!block.isValid()) return false;
    line = block.text().toStdString();
    block = block.next();
    return true;
  };
}

std::vector<std::string> TForm2::Blocks() const {
  if (m_detached) return m_waiting;
  std::vector<std::string> blocks;
  blocks.reserve(static_cast<size_t>(m_memo->document()->blockCount()));
  const auto next = LineReader();
  std::string line;
  while (next(line))
    blocks.push_back(line);
  return blocks;
}

std::vector<std::string> TForm2::Lines() const {
  std::vector<std::string> lines = Blocks();
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void TForm2::Replace(std::vector<std::string> blocks) {
  if (!isVisible()) {
    m_waiting = std::move(blocks);
    m_detached = true;
    m_memo->clear();
    return;
  }
  m_detached = false;
  m_waiting.clear();
  m_memo->setPlainText(Joined(blocks));
  m_memo->document()->setModified(false);
}

void TForm2::Append(std::vector<std::string> blocks) {
  if (IsEmpty()) {
    Replace(std::move(blocks));
    return;
  }
  if (m_detached) {
    // The new lines start on a line of their own, also after a last line without a break.
    if (!m_waiting.empty() && m_waiting.back().empty()) m_waiting.pop_back();
    m_waiting.insert(m_waiting.end(), std::make_move_iterator(blocks.begin()),
                     std::make_move_iterator(blocks.end()));
    return;
  }
  QTextCursor end(m_memo->document());
  end.movePosition(QTextCursor::End);
  QString text = Joined(blocks);
  if (!m_memo->document()->lastBlock().text().isEmpty()) text.prepend(QLatin1Char('\n'));
  end.insertText(text);
}

void TForm2::SetText(core::GrdText text) {
  m_layout = text.layout;
  Replace(std::move(text.lines));
  SetModified(false);
}

void TForm2::SetLines(std::vector<std::string> lines) {
  m_layout = core::GrdLayout{};
  m_sourceFile.clear();
  Replace(AsBlocks(std::move(lines)));
  m_modified = true;
}

void TForm2::AppendText(core::GrdText text) {
  // Added to an empty text, a file is as good as read: it is where the text comes from.
  const bool read = IsEmpty();
  if (read) m_layout = text.layout;
  Append(std::move(text.lines));
  if (!read) m_modified = true;
}

void TForm2::AppendLines(std::vector<std::string> lines) {
  if (lines.empty()) return;
  Append(AsBlocks(std::move(lines)));
  m_modified = true;
}

bool TForm2::IsModified() const {
  if (IsEmpty()) return false;
  return m_modified || (!m_detached && m_memo->document()->isModified());
}

void TForm2::SetModified(bool modified) {
  m_modified = modified;
  if (!modified) m_memo->document()->setModified(false);
}

bool TForm2::IsEmpty() const {
  if (m_detached) return m_waiting.empty() || (m_waiting.size() == 1 && m_waiting[0].empty());
  return m_memo->document()->isEmpty();
}

void TForm2::BtnClearClick() {
  m_waiting.clear();
  m_detached = false;
  m_memo->clear();
  m_layout = core::GrdLayout{};
  m_sourceFile.clear();
  SetModified(false);
}

void TForm2::BtnEdOpenClick() {
  if (onAdd) onAdd();
}

void TForm2::BtnEdCutClick() {
  m_memo->cut();
}

void TForm2::BtnEdCopyClick() {
  m_memo->copy();
}

void TForm2::BtnEdPasteClick() {
  m_memo->paste();
}

void TForm2::BtnReDrawMapClick() {
  if (onDraw) onDraw();
  hide();
}

void TForm2::BtnEdSaveClick() {
  if (onSave) onSave();
}

void TForm2::BtnEdExitClick() {
  hide();
}

void TForm2::Memo1SelectionChange() {
  const QTextCursor cursor = m_memo->textCursor();
  m_status[0]->setText(QString::number(cursor.blockNumber()));
  m_status[1]->setText(QString::number(cursor.positionInBlock()));
}

QString TForm2::StatusText(int panel) const {
  return m_status[panel]->text();
}

}  // namespace chart
