#include "platform/ui/DialogService.h"

#include <QColor>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace platform {
namespace {

QColor ToQColor(WinColor c) {
  return QColor::fromRgb(ToQRgb(c));
}
WinColor FromQColor(const QColor& c) {
  return FromQRgb(c.rgb());
}

// The sixteen colours the Windows font dialog offers for text, in its order.
struct NamedColor {
  WinColor color;
  const char* name;
};
constexpr NamedColor kFontColors[] = {
    {0x000000, "黒"},   {0x000080, "栗色"}, {0x008000, "緑"},   {0x008080, "オリーブ"},
    {0x800000, "紺"},   {0x800080, "紫"},   {0x808000, "青緑"}, {0x808080, "灰色"},
    {0xC0C0C0, "銀色"}, {0x0000FF, "赤"},   {0x00FF00, "黄緑"}, {0x00FFFF, "黄"},
    {0xFF0000, "青"},   {0xFF00FF, "赤紫"}, {0xFFFF00, "水色"}, {0xFFFFFF, "白"},
};

void AddColorItem(QComboBox& box, WinColor color, const QString& name) {
  QPixmap swatch(16, 12);
  swatch.fill(ToQColor(color));
  box.addItem(QIcon(swatch), name, QVariant::fromValue(color));
}

int IndexOfColor(const QComboBox& box, WinColor color) {
  return box.findData(QVariant::fromValue(color));
}

// Windows treats filter index 0 as "custom filter" and anything past the end as the
// first pair, so every out-of-range index means the first pair here.
QString NameFilterAt(const QStringList& filters, int filterIndex) {
  if (filters.isEmpty()) return {};
  const bool inRange = filterIndex >= 1 && filterIndex <= filters.size();
  return filters.at(inRange ? filterIndex - 1 : 0);
}

}  // namespace

QString QtFilterFromWindows(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
      const QString pattern = p.trimmed();
      if (!pattern.isEmpty()) patterns << pattern;
    }
    if (patterns.isEmpty()) continue;
    // A description that already shows its patterns in parentheses ("地図ﾌｧｲﾙ (*.mdt)") would
    // show them twice; its own parentheses give way to the ones the dialog filters by.
    QString description = parts.at(i).trimmed();
    static const QRegularExpression shown(QStringLiteral("\\s*\\([^()]*\\)$"));
    const QRegularExpressionMatch match = shown.match(description);
    if (match.hasMatch() && match.captured(0).contains(patterns.front())) {
      description.chop(match.capturedLength(0));
    }
    out << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return out.join(QStringLiteral(";;"));
}

QString SaveExtension(const QString& windowsFilter, int filterIndex, const QString& defaultExt) {
  const QStringList parts = windowsFilter.split(u'|');
  const qsizetype at = 2 * (static_cast<qsizetype>(filterIndex) - 1) + 1;
  if (filterIndex < 1 || at >= parts.size()) return defaultExt;
  const QString pattern = parts.at(at).trimmed();
  static const QRegularExpression single(QStringLiteral("^\\*\\.([A-Za-z0-9]+)$"));
  const QRegularExpressionMatch match = single.match(pattern);
  return match.hasMatch() ? match.captured(1) : defaultExt;
}

QString WithDefaultExtension(const QString& path, const QString& extension) {
  if (extension.isEmpty() || path.isEmpty()) return path;
  if (QFileInfo(path).fileName().contains(u'.')) return path;
  return path + u'.' + extension;
}

bool AskToKeepWork(DialogService& dialogs, const QString& message,
                   const std::function<bool()>& save) {
  switch (dialogs.AskSave(message)) {
    case DialogService::SaveChoice::Save:
      return save();
    case DialogService::SaveChoice::Discard:
      return true;
    case DialogService::SaveChoice::Cancel:
      break;
  }
  return false;
}

QString SettingsChangedQuestion() {
  return QStringLiteral(
      "設定が変わっています。「終了」のときと同じように設定ファイルに保存しますか？");
}

bool AskForMissingMap(DialogService& dialogs, const QString& named) {
  const QString title = dialogs.open.title;
  dialogs.open.title =
      named.isEmpty()
          ? QStringLiteral("地図ファイルが指定されていません。描く地図ファイルを選んでください")
          : QStringLiteral("地図ファイル %1 が見つかりません。描く地図ファイルを選んでください")
                .arg(named);
  const bool chosen = dialogs.RunOpen();
  dialogs.open.title = title;
  return chosen;
}

// ---------------------------------------------------------------- QtDialogService

QtDialogService::QtDialogService(QWidget* parent) : m_parent(parent) {}

int QtDialogService::Exec(QDialog& dialog) {
  return dialog.exec();
}

bool QtDialogService::RunOpen() {
  return RunFile(open, false);
}
bool QtDialogService::RunSave() {
  return RunFile(save, true);
}

bool QtDialogService::RunFile(FileDialogState& state, bool saving) {
  QFileDialog dialog(m_parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!state.title.isEmpty()) dialog.setWindowTitle(state.title);

  const QString qtFilter = QtFilterFromWindows(state.filter);
  const QStringList filters = qtFilter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    // Before selectFile: choosing a filter in a save dialog rewrites the typed extension.
    dialog.selectNameFilter(NameFilterAt(filters, state.filterIndex));
  }
  if (saving) {
    // A typed name without extension gets the one of the filter in view.
    dialog.setDefaultSuffix(SaveExtension(state.filter, state.filterIndex, state.defaultExt));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, &state, filters](const QString& selected) {
          const auto index = static_cast<int>(filters.indexOf(selected)) + 1;
          dialog.setDefaultSuffix(SaveExtension(state.filter, index, state.defaultExt));
        });
  }

  // As on Windows, a folder in the proposed name wins over the initial folder.
  const QFileInfo proposed(state.fileName);
  const bool nameHasFolder = state.fileName.contains(u'/');
  if (nameHasFolder) {
    dialog.setDirectory(proposed.absolutePath());
  } else if (!state.initialDir.isEmpty()) {
    dialog.setDirectory(state.initialDir);
  }
  if (!state.fileName.isEmpty()) dialog.selectFile(proposed.fileName());

  if (Exec(dialog) != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return false;

  const qsizetype at = filters.indexOf(dialog.selectedNameFilter());
  if (at >= 0) state.filterIndex = static_cast<int>(at) + 1;
  const QString path =
      saving ? WithDefaultExtension(
                   chosen.first(), SaveExtension(state.filter, state.filterIndex, state.defaultExt))
             : chosen.first();
  state.fileName = path;
  state.initialDir = QFileInfo(path).absolutePath();
  return true;
}

bool QtDialogService::RunColor() {
  QColorDialog dialog(ToQColor(color), m_parent);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (Exec(dialog) != QDialog::Accepted) return false;
  // currentColor rather than selectedColor: the latter is set only by accept(), which a
  // test answering through Exec may not call.
  color = FromQColor(dialog.currentColor());
  return true;
}

bool QtDialogService::RunFont() {
  // Qt's font dialog has no text colour; the Windows one does, and the settings keep both,
  // so the picker is embedded beside a colour list.
  QDialog dialog(m_parent);
  dialog.setWindowTitle(QStringLiteral("フォント"));
  auto* picker = new QFontDialog(&dialog);
  picker->setObjectName(QStringLiteral("FontPicker"));
  picker->setWindowFlags(Qt::Widget);
  picker->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  picker->setCurrentFont(font);

  auto* colors = new QComboBox(&dialog);
  colors->setObjectName(QStringLiteral("FontColor"));
  for (const NamedColor& c : kFontColors)
    AddColorItem(*colors, c.color, QString::fromUtf8(c.name));
  // A colour from the settings that is not one of the sixteen stays selectable.
  if (IndexOfColor(*colors, fontColor) < 0) {
    AddColorItem(*colors, fontColor, QStringLiteral("カスタム"));
  }
  colors->setCurrentIndex(IndexOfColor(*colors, fontColor));

  auto* colorLabel = new QLabel(QStringLiteral("色(&C):"), &dialog);
  colorLabel->setBuddy(colors);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

  auto* colorRow = new QHBoxLayout;
  colorRow->addWidget(colorLabel);
  colorRow->addWidget(colors);
  colorRow->addStretch();
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(picker);
  layout->addLayout(colorRow);
  layout->addWidget(buttons);

  if (Exec(dialog) != QDialog::Accepted) return false;
  font = picker->currentFont();
  fontColor = colors->currentData().value<WinColor>();
  return true;
}

void QtDialogService::ShowErrorTitled(const QString& message, const QString& title) {
  QMessageBox box(QMessageBox::Critical,
                  title.isEmpty() ? QGuiApplication::applicationDisplayName() : title, message,
                  QMessageBox::Ok, m_parent);
  Exec(box);
}

void QtDialogService::ShowMessage(const QString& message) {
  QMessageBox box(QMessageBox::Information, QGuiApplication::applicationDisplayName(), message,
                  QMessageBox::Ok, m_parent);
  Exec(box);
}

bool QtDialogService::AskYesNo(const QString& message) {
  QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), message,
                  QMessageBox::Yes | QMessageBox::No, m_parent);
  box.setDefaultButton(QMessageBox::Yes);
  return Exec(box) == QMessageBox::Yes;
}

DialogService::SaveChoice QtDialogService::AskSave(const QString& message) {
  QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), message,
                  QMessageBox::NoButton, m_parent);
  QPushButton* keep = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(keep);
  box.setEscapeButton(cancel);
  Exec(box);
  if (box.clickedButton() == keep) return SaveChoice::Save;
  if (box.clickedButton() == discard) return SaveChoice::Discard;
  return SaveChoice::Cancel;
}

bool QtDialogService::RunPrint(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
  QPrintPreviewDialog dialog(&printer, m_parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&paint](QPrinter* target) { paint(*target); });
  // A page large enough to judge, on a small laptop screen as well.
  if (const QScreen* screen = m_parent ? m_parent->screen() : QGuiApplication::primaryScreen()) {
    const QRect room = screen->availableGeometry();
    dialog.resize(std::min(room.width() * 9 / 10, 1000), room.height() * 9 / 10);
  }
  return Exec(dialog) == QDialog::Accepted;
}

// ---------------------------------------------------------------- ScriptedDialogs

namespace {

std::size_t Slot(DialogKind kind) {
  return static_cast<std::size_t>(kind);
}

}  // namespace

void ScriptedDialogs::AcceptOpen(const QString& path, int filterIndex) {
  m_answers[Slot(DialogKind::Open)].push_back({true, path, filterIndex, 0, {}});
}

void ScriptedDialogs::AcceptSave(const QString& path, int filterIndex) {
  m_answers[Slot(DialogKind::Save)].push_back({true, path, filterIndex, 0, {}});
}

void ScriptedDialogs::PickColor(WinColor chosen) {
  m_answers[Slot(DialogKind::Color)].push_back({true, {}, 0, chosen, {}});
}

void ScriptedDialogs::PickFont(const QFont& chosen, WinColor chosenColor) {
  m_answers[Slot(DialogKind::Font)].push_back({true, {}, 0, chosenColor, chosen});
}

void ScriptedDialogs::AnswerYesNo(bool yes) {
  m_answers[Slot(DialogKind::YesNo)].push_back({yes, {}, 0, 0, {}});
}

void ScriptedDialogs::AnswerSave(SaveChoice choice) {
  Answer answer;
  answer.ok = true;
  answer.choice = choice;
  m_answers[Slot(DialogKind::SaveChanges)].push_back(answer);
}

void ScriptedDialogs::AnswerPrint(const QString& pdfPath, std::optional<PageSetup> page) {
  Answer answer;
  answer.ok = !pdfPath.isEmpty();
  answer.path = pdfPath;
  answer.page = page;
  m_answers[Slot(DialogKind::Print)].push_back(answer);
}

void ScriptedDialogs::Cancel(DialogKind kind) {
  m_answers[Slot(kind)].push_back({});
}

std::size_t ScriptedDialogs::PendingAnswers() const {
  std::size_t n = 0;
  for (const auto& queue : m_answers)
    n += queue.size();
  return n;
}

ScriptedDialogs::Answer ScriptedDialogs::Take(Call call) {
  auto& queue = m_answers[Slot(call.kind)];
  m_calls.push_back(std::move(call));
  if (queue.empty()) return {};
  Answer answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

bool ScriptedDialogs::RunFile(DialogKind kind, FileDialogState& state) {
  const Answer answer = Take({kind, state, 0, {}, {}, {}});
  if (!answer.ok) return false;
  // The same outcome the real dialog leaves, so commands see no difference.
  if (answer.filterIndex != 0) state.filterIndex = answer.filterIndex;
  state.fileName =
      kind == DialogKind::Save
          ? WithDefaultExtension(answer.path,
                                 SaveExtension(state.filter, state.filterIndex, state.defaultExt))
          : answer.path;
  state.initialDir = QFileInfo(state.fileName).absolutePath();
  return true;
}

bool ScriptedDialogs::RunOpen() {
  return RunFile(DialogKind::Open, open);
}
bool ScriptedDialogs::RunSave() {
  return RunFile(DialogKind::Save, save);
}

bool ScriptedDialogs::RunColor() {
  const Answer answer = Take({DialogKind::Color, {}, color, {}, {}, {}});
  if (answer.ok) color = answer.color;
  return answer.ok;
}

bool ScriptedDialogs::RunFont() {
  const Answer answer = Take({DialogKind::Font, {}, fontColor, font, {}, {}});
  if (!answer.ok) return false;
  font = answer.font;
  fontColor = answer.color;
  return true;
}

void ScriptedDialogs::ShowErrorTitled(const QString& message, const QString& title) {
  Take({DialogKind::Error, {}, 0, {}, message, title});
}

void ScriptedDialogs::ShowMessage(const QString& message) {
  Take({DialogKind::Message, {}, 0, {}, message, {}});
}

bool ScriptedDialogs::AskYesNo(const QString& message) {
  return Take({DialogKind::YesNo, {}, 0, {}, message, {}}).ok;
}

DialogService::SaveChoice ScriptedDialogs::AskSave(const QString& message) {
  const Answer answer = Take({DialogKind::SaveChanges, {}, 0, {}, message, {}});
  return answer.ok ? answer.choice : SaveChoice::Cancel;
}

bool ScriptedDialogs::RunPrint(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
  const Answer answer = Take({DialogKind::Print, {}, 0, {}, {}, {}});
  if (answer.page) ApplyPageSetup(printer, *answer.page);
  if (!answer.ok) return false;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(answer.path);
  paint(printer);
  return true;
}

}  // namespace platform
