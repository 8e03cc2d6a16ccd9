// The main menu, the charts' context menus and the commands of the settings panel's buttons.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>

#include "chart/TForm1.h"
#include "core/Errors.h"
#include "core/MeshCode.h"
#include "platform/chart/AxisScale.h"
#include "platform/text/FileName.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"
#include "platform/ui/RecentFiles.h"
#include "platform/ui/Swatch.h"

namespace chart {

namespace {

// The precision entries of the Detail menu and the panel's buttons they stand for.
const struct {
  const char* entry;
  const char* text;
  const char* button;
  int code;
} kPrecisionEntries[] = {
    {"PlotSize12", "1/2メッシュ表示", "GScale12", 12},
    {"PlotSize1", "基準メッシュ表示", "GScale1", 1},
    {"PlotSize2", "２倍メッシュ表示", "GScale2", 2},
    {"PlotSize5", "５倍メッシュ表示", "GScale5", 5},
    {"PlotSize10", "２次メッシュ表示", "GScale10", 10},
    {"PlotSize0", "経緯度による表示", "GScale0", 0},
};

const struct {
  const char* entry;
  const char* text;
  const char* button;
  int level;
} kMeshEntries[] = {
    {"NoMeshLine", "区画腺の表示無し", "MScale0", 0},
    {"FirstMeshLine", "１次区画腺を表示", "MScale1", 1},
    {"SecondMeshLine", "２次区画腺を表示", "MScale2", 2},
    {"ThirdMeshLine", "３次区画腺を表示", "MScale3", 3},
};

}  // namespace

void TForm1::BuildMenus() {
  // Commands whose work comes with a later part of the program are shown but not offered.
  auto add = [this](QMenu* menu, const char* name, const char* text, auto handler) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(QString::fromLatin1(name));
    if constexpr (std::is_same_v<decltype(handler), std::nullptr_t>) {
      action->setEnabled(false);
    } else {
      connect(action, &QAction::triggered, this, handler);
    }
    return action;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  file->setObjectName(QStringLiteral("File1"));
  add(file, "OpenIniFileItem", "設定ファイルを読込", [this] { OpenIniFileItemClick(); });
  add(file, "SaveIniFileItem", "設定ファイルを保存", [this] { SaveIniFileItemClick(); });
  file->addSeparator();
  add(file, "ReLoadGrd", "分布データを読込", [this] { ReadGrdFile(false); });
  add(file, "AddPlotItem", "分布データを追加", [this] { ReadGrdFile(true); });
  add(file, "SavePlotItem", "分布データを保存", [this] { SavePlotItemClick(); });
  QMenu* recent = file->addMenu(QStringLiteral("最近使ったファイル"));
  recent->setObjectName(QStringLiteral("RecentMenu"));
  // Filled as it opens, so that it shows what was opened since.
  connect(recent, &QMenu::aboutToShow, this, [this, recent] {
    platform::FillRecentMenu(recent, m_recent, [this](const QString& path, bool settings) {
      OpenRecentFile(path, settings);
    });
  });
  file->addSeparator();
  add(file, "NewMapItem", "分布図を作成する", [this] { BtnNewMapClick(); });
  add(file, "SaveToEMFItem", "図をEMF形式で保存", [this] { SaveToEMFItemClick(); });
  add(file, "PrintItem", "印刷", [this] { PrintItemClick(); });
  file->addSeparator();
  add(file, "MenuQuit", "終  了", [this] { MenuQuitClick(); });

  QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  add(edit, "CopyEMFItem", "図をクリップボードへ", [this] { CopyEMFItemClick(); });
  edit->addSeparator();
  add(edit, "ClearPlotItem", "分布データをクリア", [this] { ClearPlotItemClick(); });
  add(edit, "EdDataItem", "分布データを編集", [this] { EditDataItemClick(); });
  edit->addSeparator();
  add(edit, "EditMarkItem", "分布図の凡例を編集", [this] { EditMarkItemClick(); });
  edit->addSeparator();
  add(edit, "ReSetItem", "描画設定の表示・編集", [this] { ReSetItemClick(); });

  // Alt+F is the file menu's; a second (&F) would open this one in its place.
  QMenu* detail = menuBar()->addMenu(QStringLiteral("詳細(&D)"));
  auto* precision = new QActionGroup(detail);
  for (const auto& e : kPrecisionEntries) {
    const int code = e.code;
    QAction* a = add(detail, e.entry, e.text, [this, code] { PlotSizeClick(code); });
    a->setCheckable(true);
    a->setChecked(code == 10);
    precision->addAction(a);
  }
  detail->addSeparator();
  // The mesh-line entries turn their own mark over, so that choosing the marked one takes
  // the lines away: the group of the first three holds at most one mark, not always one.
  auto* mesh = new QActionGroup(detail);
  mesh->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (const auto& e : kMeshEntries) {
    const int level = e.level;
    QAction* a = add(detail, e.entry, e.text, [this, level] { MeshLineClick(level); });
    a->setCheckable(true);
    a->setChecked(level == 1);
    if (level < 3) mesh->addAction(a);
  }
  detail->addSeparator();
  QAction* pref = add(detail, "PrefLines", "県界を表示する", [this] { PrefLinesClick(); });
  pref->setCheckable(true);
  pref->setChecked(true);
  QAction* inRange = add(detail, "ProfilesInRange", "断面図には範囲内の記録だけを描く",
                         [this] { ProfilesInRangeClick(); });
  inRange->setCheckable(true);
  inRange->setChecked(m_state.ProfilesInRange);

  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  add(view, "ShowAll", "三面分布図を表示", [this] { ShowAllClick(); });
  add(view, "ShowHorizon", "水平分布図を表示", [this] { ShowHorizonClick(); });
  add(view, "ShowVertical", "垂直分布図を表示", [this] { ShowVerticalClick(); });
  view->addSeparator();
  add(view, "ShowHeightFill", "画面の高さに収める", [this] { ShowHeightFillClick(); });
  add(view, "ShowWidthFill", "画面の横幅に収める", [this] { ShowWidthFillClick(); });
  add(view, "ShowBigMap", "画面の２倍大にする", [this] { ShowEnlargedClick(2); });
  add(view, "ShowMegaMap", "画面の４倍大にする", [this] { ShowEnlargedClick(4); });
  view->addSeparator();
  QAction* figureTitle =
      add(view, "FigureTitle", "三面分布図に標題を入れる", [this] { FigureTitleClick(); });
  figureTitle->setCheckable(true);
  figureTitle->setChecked(m_state.FigureTitle);
  QAction* scale = add(view, "ScaleBarItem", "縮尺を表示", [this] { ScaleBarItemClick(); });
  scale->setCheckable(true);
  // The mark follows the panel's box, whichever of the two or a settings file sets it.
  auto* scaleBox = findChild<QCheckBox*>(QStringLiteral("ScaleBar"));
  scale->setChecked(scaleBox->isChecked());
  connect(scaleBox, &QCheckBox::toggled, scale, &QAction::setChecked);

  QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  add(help, "HelpMokuji", "使用説明書", [this] { HelpMokujiClick(); });
  add(help, "HelpVersion", "バージョン情報", [this] { HelpVersionClick(); });
  AddPopupMenus();
  platform::SetCommandKeys(this, {QStringLiteral("ReLoadGrd"), QStringLiteral("SaveToEMFItem"),
                                  QStringLiteral("PrintItem"), QStringLiteral("MenuQuit"),
                                  QStringLiteral("HelpMokuji"), QStringLiteral("NewMapItem")});
}

void TForm1::AddPopupMenus() {
  const struct {
    int chart;
    const char* menu;
    bool full;
    const char* settings;
  } popups[] = {{1, "PopupMenu1", true, "設定の表示・編集"},
                {2, "PopupMenu2", false, nullptr},
                {3, "PopupMenu3", false, nullptr},
                {0, "EditR0", true, "描画設定をやり直す"}};
  for (const auto& p : popups) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QString::fromLatin1(p.menu));
    // The corner chart's copies are of the map.
    const int copied = p.chart == 0 ? 1 : p.chart;
    connect(menu->addAction(QStringLiteral("EMF形式でコピー")), &QAction::triggered, this,
            [this, copied] { CopyChart(copied, true); });
    connect(menu->addAction(QStringLiteral("BMP形式でコピー")), &QAction::triggered, this,
            [this, copied] { CopyChart(copied, false); });
    if (p.full) {
      const bool corner = p.chart == 0;
      menu->addSeparator();
      QAction* legendPos = menu->addAction(QStringLiteral("凡例の左上指定"));
      legendPos->setObjectName(corner ? QStringLiteral("SetLegendPos0")
                                      : QStringLiteral("SetLegendPos"));
      connect(legendPos, &QAction::triggered, this, [this, corner] { SetLegendPosClick(corner); });
      connect(menu->addAction(QString::fromUtf8(p.settings)), &QAction::triggered, this,
              [this] { ReSetItemClick(); });
      menu->addSeparator();
      QAction* editLegend = menu->addAction(QStringLiteral("凡例を編集する"));
      editLegend->setObjectName(corner ? QStringLiteral("MenuItem7") : QStringLiteral("EditR"));
      connect(editLegend, &QAction::triggered, this, [this] { EditMarkItemClick(); });
    }
    ChartAt(p.chart)->SetContextMenu(menu);
  }
  for (const int i : {2, 3})
    ChartAt(i)->onDoubleClick = [this](QPoint) { ShowHorizonClick(); };
}

QAction* TForm1::Command(const QString& name) const {
  return findChild<QAction*>(name);
}

void TForm1::MarkDetailMenu() {
  auto selected = [this](const char* button) {
    return findChild<QRadioButton*>(QString::fromLatin1(button))->isChecked();
  };
  for (const auto& e : kPrecisionEntries)
    Command(QString::fromLatin1(e.entry))->setChecked(selected(e.button));
  for (const auto& e : kMeshEntries)
    Command(QString::fromLatin1(e.entry))->setChecked(selected(e.button));
  Command(QStringLiteral("PrefLines"))
      ->setChecked(findChild<QCheckBox*>(QStringLiteral("Prefecture"))->isChecked());
}

void TForm1::ReSetItemClick() {
  m_sheet->verticalScrollBar()->setValue(0);
  m_settingBoard->move(100, 80);
  m_settingBoard->show();
  m_settingBoard->raise();
}

void TForm1::PlotSizeClick(int gridSize) {
  for (const auto& e : kPrecisionEntries) {
    if (e.code != gridSize) continue;
    Command(QString::fromLatin1(e.entry))->setChecked(true);
    findChild<QRadioButton*>(QString::fromLatin1(e.button))->setChecked(true);
  }
  BtnNewMapClick();
}

void TForm1::MeshLineClick(int meshSize) {
  for (const auto& e : kMeshEntries) {
    if (e.level != meshSize) continue;
    // The action has turned its mark over already; the button follows it. A radio
    // button can only be unselected with its group's exclusivity lifted for the moment.
    auto* button = findChild<QRadioButton*>(QString::fromLatin1(e.button));
    const bool marked = Command(QString::fromLatin1(e.entry))->isChecked();
    button->setAutoExclusive(marked);
    button->setChecked(marked);
    button->setAutoExclusive(true);
  }
  BtnNewMapClick();
}

void TForm1::PrefLinesClick() {
  findChild<QCheckBox*>(QStringLiteral("Prefecture"))
      ->setChecked(Command(QStringLiteral("PrefLines"))->isChecked());
  BtnNewMapClick();
}

void TForm1::ScaleBarItemClick() {
  findChild<QCheckBox*>(QStringLiteral("ScaleBar"))
      ->setChecked(Command(QStringLiteral("ScaleBarItem"))->isChecked());
  BtnNewMapClick();
}

void TForm1::ProfilesInRangeClick() {
  m_state.ProfilesInRange = Command(QStringLiteral("ProfilesInRange"))->isChecked();
  // The layout and the map stay; only the records are placed again.
  PlotOnMap();
}

void TForm1::FigureTitleClick() {
  m_state.FigureTitle = Command(QStringLiteral("FigureTitle"))->isChecked();
  // Only the corner changes: the title over it moves the corner legend down.
  m_charts[0]->update();
}

void TForm1::ShowAllClick() {
  findChild<QCheckBox*>(QStringLiteral("HorizonMap"))->setChecked(true);
  findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->setChecked(true);
  m_state.MapKind = 3;
  BtnNewMapClick();
}

void TForm1::ShowHorizonClick() {
  findChild<QCheckBox*>(QStringLiteral("HorizonMap"))->setChecked(true);
  findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->setChecked(false);
  m_state.MapKind = 1;
  BtnNewMapClick();
}

void TForm1::ShowVerticalClick() {
  // Ticked first, so that the rule keeping one box ticked has nothing to mend.
  findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->setChecked(true);
  findChild<QCheckBox*>(QStringLiteral("HorizonMap"))->setChecked(false);
  m_state.MapKind = 2;
  BtnNewMapClick();
}

void TForm1::Relayout() {
  // Before the first build there is no range to lay out; the choice waits for it.
  if (!(m_layout.mapAspect > 0)) return;
  try {
    ReplaceMaps();
  } catch (const LayoutError& error) {
    m_dialogs->ShowError(QString::fromUtf8(error.what()));
  }
}

void TForm1::ShowHeightFillClick() {
  m_state.ZoomFactor = 1;
  m_state.FitToWidth = false;
  Relayout();
}

void TForm1::ShowWidthFillClick() {
  m_state.ZoomFactor = 1;
  m_state.FitToWidth = true;
  Relayout();
}

void TForm1::ShowEnlargedClick(int zoom) {
  m_state.ZoomFactor = zoom;
  m_state.FitToWidth = true;
  Relayout();
}

void TForm1::HelpMokujiClick() {
  if (m_manual.isEmpty()) return;
  if (!platform::OpenUrl(QUrl::fromLocalFile(m_manual))) {
    m_dialogs->ShowError(QStringLiteral("使用説明書を開けませんでした: ") + m_manual);
  }
}

void TForm1::BtnGetMapFileClick() {
  m_dialogs->open.filter = QStringLiteral(
      "設定ﾌｧｲﾙ (*.ini)|*.ini|地図ﾌｧｲﾙ (*.mdt)|*.mdt|分布データファイル (*.grd,)|*.grd");
  m_dialogs->open.filterIndex = 2;
  m_dialogs->open.fileName = QStringLiteral("*.mdt");
  if (!m_mapDialogDir.isEmpty()) m_dialogs->open.initialDir = m_mapDialogDir;
  if (!m_dialogs->RunOpen()) return;
  m_mapDialogDir = m_dialogs->open.initialDir;
  m_state.MapFileName = m_dialogs->open.fileName;
  platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditMapFile")),
                          m_state.MapFileName);
}

void TForm1::BtnGetDataFileClick() {
  m_dialogs->open.filter = QStringLiteral(
      "設定ﾌｧｲﾙ (*.ini)|*.ini|地図ﾌｧｲﾙ (*.mdt)|*.mdt|分布データファイル (*.grd,)|*.grd");
  m_dialogs->open.filterIndex = 3;
  m_dialogs->open.fileName = QStringLiteral("*.grd");
  if (!m_state.GrdFileName.isEmpty())
    m_dialogs->open.initialDir = QFileInfo(m_state.GrdFileName).absolutePath();
  if (!m_dialogs->RunOpen()) return;
  m_state.GrdFileName = m_dialogs->open.fileName;
  platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditGrdFile")),
                          m_state.GrdFileName);
}

void TForm1::LineColorBtClick(int line) {
  static const char* const buttons[] = {"MapColorBt", "SubColorBt", "MshColorBt"};
  WinColor* colors[] = {&m_state.MapColor, &m_state.SubColor, &m_state.MshColor};
  // The dialog opens on the colour it is to change.
  m_dialogs->color = *colors[line];
  if (!m_dialogs->RunColor()) return;
  *colors[line] = m_dialogs->color;
  platform::SetSwatchColor(findChild<QWidget*>(QString::fromLatin1(buttons[line])),
                           m_dialogs->color);
}

void TForm1::SetMapLWCaption() {
  findChild<QPushButton*>(QStringLiteral("MapLWBtn"))
      ->setText(m_state.MLW == 1 ? QStringLiteral("─幅") : QStringLiteral("━幅"));
}

void TForm1::MapLWBtnClick() {
  m_state.MLW = 3 - m_state.MLW;
  SetMapLWCaption();
}

void TForm1::UpdateRatio() {
  auto text = [this](const char* name) {
    return findChild<QLineEdit*>(QString::fromLatin1(name))->text().toStdString();
  };
  const double m = (core::DegMinToDeg(text("EditGY1")) + core::DegMinToDeg(text("EditGY2"))) / 2;
  const double ratio = 0.0004 * m * m - 0.0112 * m + 1.1478;
  findChild<QLineEdit*>(QStringLiteral("EditI2K"))
      ->setText(QString::fromStdString(platform::FormatFloat(ratio, "#.####")));
}

bool TForm1::LabelRatioClick() {
  try {
    UpdateRatio();
    return true;
  } catch (const core::ConversionError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()));
  }
  return false;
}

void TForm1::BtnSettingCancelClick() {
  m_settingBoard->hide();
}

void TForm1::HorizonMapClick() {
  if (!findChild<QCheckBox*>(QStringLiteral("HorizonMap"))->isChecked())
    findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->setChecked(true);
}

void TForm1::ProfileMapClick() {
  if (!findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->isChecked())
    findChild<QCheckBox*>(QStringLiteral("HorizonMap"))->setChecked(true);
}

}  // namespace chart
