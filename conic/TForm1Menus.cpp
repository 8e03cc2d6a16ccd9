// Menu commands, display options of the panels, dropped files, quitting and help.
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QUrl>

#include "conic/PanelItems.h"
#include "conic/Swatch.h"
#include "conic/TForm1.h"
#include "core/Errors.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/DialogService.h"

namespace conic {

namespace {

struct LineSample {
  const char* button;
  const char* label;
};
constexpr LineSample kLineSamples[] = {
    {"MapColorBtn", "WCoastLine"}, {"SubColorBtn", "WSubLine"}, {"MshColorBtn", "WMeshLine"}};

}  // namespace

void TForm1::ConnectPanelCommands() {
  for (int line = 0; line < 3; ++line) {
    const LineSample& sample = kLineSamples[line];
    connect(findChild<QPushButton*>(QString::fromLatin1(sample.button)), &QPushButton::clicked,
            this, [this, line] { LineColorBtnClick(line); });
    findChild<QLabel*>(QString::fromLatin1(sample.label))->installEventFilter(this);
  }
  for (const char* name : {"PLandCol", "LabelLandCol", "POceanCol", "LabelOceanCol"}) {
    findChild<QLabel*>(QString::fromLatin1(name))->installEventFilter(this);
  }
  connect(findChild<QPushButton*>(QStringLiteral("BtnFont")), &QPushButton::clicked, this,
          [this] { BtnFontClick(); });
  connect(findChild<QPushButton*>(QStringLiteral("FontBtn")), &QPushButton::clicked, this,
          [this] { FontBtnClick(); });
  // The panel's quit button is the Quit command, which keeps the settings.
  connect(findChild<QPushButton*>(QStringLiteral("GoQuit")), &QPushButton::clicked, this,
          [this] { MenuQuitItemClick(); });
  connect(findChild<QPushButton*>(QStringLiteral("BtnGetIniFile")), &QPushButton::clicked, this,
          [this] { BtnGetIniFileClick(); });
  connect(findChild<QLineEdit*>(QStringLiteral("EditIniFile")), &QLineEdit::textChanged, this,
          [this] { EditIniFileChange(); });
  // A precision button that becomes selected, by a click or a command, marks its item.
  for (const PanelItem& p : kPrecisionItems) {
    auto* radio = findChild<QRadioButton*>(QString::fromLatin1(p.radio));
    QAction* action = findChild<QAction*>(QString::fromLatin1(p.item));
    connect(radio, &QRadioButton::toggled, action, [action](bool on) {
      if (on) action->setChecked(true);
    });
    if (radio->isChecked()) action->setChecked(true);
  }
  m_scrollBox->viewport()->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_scrollBox->viewport() && event->type() == QEvent::Resize) {
    ScrollBox1Resize();
    return false;
  }
  if (event->type() != QEvent::MouseButtonRelease) return QMainWindow::eventFilter(watched, event);
  const QString name = watched->objectName();
  for (int line = 0; line < 3; ++line) {
    if (name == QLatin1String(kLineSamples[line].label)) {
      LineWidthClick(line);
      return true;
    }
  }
  if (name == QLatin1String("PLandCol") || name == QLatin1String("LabelLandCol")) {
    LandOceanColClick(true);
    return true;
  }
  if (name == QLatin1String("POceanCol") || name == QLatin1String("LabelOceanCol")) {
    LandOceanColClick(false);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::NewPlotItemClick() {
  BtnGetDataFileClick();
  DrawMap(true);
}

bool TForm1::WriteDefaultSettingsTold() {
  const QFileInfo program(m_programPath);
  m_state.IniFileName = program.absolutePath() + QLatin1Char('/') + program.completeBaseName() +
                        QStringLiteral(".ini");
  try {
    WriteIniFile();
    return true;
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QStringLiteral("\n") +
                         QString::fromStdString(error.Path()));
  }
  return false;
}

void TForm1::MenuQuitItemClick() {
  WriteDefaultSettingsTold();
  close();
}

bool TForm1::MayClose() {
  return m_settingsBaseline.MayClose(*m_dialogs, [this] { return WriteDefaultSettingsTold(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  platform::CloseIf(event, MayClose());
}

void TForm1::FontBtnClick() {
  if (!m_dialogs->RunFont()) return;
  findChild<QPushButton*>(QStringLiteral("FontBtn"))->setFont(m_dialogs->font);
}

void TForm1::BtnFontClick() {
  if (!m_dialogs->RunFont()) return;
  SetTitleFieldFont(m_dialogs->font);
  m_titleColor = m_dialogs->fontColor;
}

void TForm1::ShowTitleItemClick() {
  findChild<QCheckBox*>(QStringLiteral("ShowMapTitle"))->setChecked(true);
  DrawMap(true);
}

void TForm1::ShowLegendItemClick() {
  findChild<QCheckBox*>(QStringLiteral("ShowLegend"))->setChecked(true);
  BtnReDrawClick();
}

void TForm1::ShowCombClick() {
  findChild<QRadioButton*>(QStringLiteral("ThreeDMap"))->setChecked(true);
  ReplaceMaps();
}

void TForm1::GraticuleLineItemClick() {
  findChild<QCheckBox*>(QStringLiteral("WithGrat"))->setChecked(true);
  DrawMap(true);
}

void TForm1::PrefLineItemClick() {
  findChild<QCheckBox*>(QStringLiteral("WithPref"))->setChecked(true);
  DrawMap(true);
}

void TForm1::ScaleBarItemClick() {
  auto* box = findChild<QCheckBox*>(QStringLiteral("WithScale"));
  box->setChecked(!box->isChecked());
  DrawMap(true);
}

void TForm1::PrecisionItemClick(int gridSize) {
  for (const PanelItem& p : kPrecisionItems) {
    if (p.code == gridSize)
      findChild<QRadioButton*>(QString::fromLatin1(p.radio))->setChecked(true);
  }
  DrawMap(true);
}

void TForm1::FitWindowItemClick() {
  findChild<QRadioButton*>(QStringLiteral("MapSizeWn"))->setChecked(true);
  m_fitWindow = true;
  DrawMap(true);
}

void TForm1::SheetItemClick(int sheetSize) {
  m_fitWindow = false;
  for (const PanelItem& s : kSheetItems) {
    if (s.code == sheetSize)
      findChild<QRadioButton*>(QString::fromLatin1(s.radio))->setChecked(true);
  }
  DrawMap(true);
}

void TForm1::LineColorBtnClick(int line) {
  WinColor* const targets[] = {&m_state.MapColor, &m_state.SubColor, &m_state.MshColor};
  // The dialog opens on the colour it is to change.
  m_dialogs->color =
      SwatchColor(findChild<QPushButton*>(QString::fromLatin1(kLineSamples[line].button)));
  if (!m_dialogs->RunColor()) return;
  *targets[line] = m_dialogs->color;
  SetSwatchColor(findChild<QPushButton*>(QString::fromLatin1(kLineSamples[line].button)),
                 m_dialogs->color);
}

void TForm1::LineWidthClick(int line) {
  int* const widths[] = {&m_state.MLineW, &m_state.SLineW, &m_state.GLineW};
  *widths[line] = 3 - *widths[line];
  findChild<QPushButton*>(QString::fromLatin1(kLineSamples[line].button))
      ->setText(LineCaption(*widths[line]));
}

void TForm1::LandOceanColClick(bool land) {
  m_dialogs->color = SwatchColor(
      findChild<QLabel*>(land ? QStringLiteral("PLandCol") : QStringLiteral("POceanCol")));
  if (!m_dialogs->RunColor()) return;
  SetSwatchColor(
      findChild<QLabel*>(land ? QStringLiteral("PLandCol") : QStringLiteral("POceanCol")),
      m_dialogs->color);
}

QString TForm1::ManualPath() const {
  return FindBundled(QStringLiteral("docs"), QStringLiteral("index.html"));
}

QUrl TForm1::WebHelpAddress() const {
  constexpr char kConfigured[] = TARVO_HELP_URL;
  if (kConfigured[0] != '\0') return QUrl(QString::fromUtf8(kConfigured));
  const QString manual = ManualPath();
  return manual.isEmpty() ? QUrl() : QUrl::fromLocalFile(manual);
}

void TForm1::WEBHelpClick() {
  const QUrl address = WebHelpAddress();
  if (address.isEmpty() || !platform::OpenUrl(address)) {
    m_dialogs->ShowErrorTitled(QStringLiteral("ブラウザの起動に失敗しました"),
                               QStringLiteral("エラー"));
  }
}

bool TForm1::DropFile(const QString& path) {
  m_errorFile.clear();
  m_state.GrdFileName = path;
  QString message;
  {
    platform::BusyCursor busy;
    try {
      ReadAndPlot(path, true);
    } catch (const std::exception& error) {
      message = ErrorMessage(error, path);
      m_errorFile = path;
    }
  }
  RefreshLayers();
  return ReportPlotting(message);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString file = platform::FirstDroppedFile(*event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  // Only the first file counts; the whole path is taken, however long.
  DropFile(file);
}

}  // namespace conic
