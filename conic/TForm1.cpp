#include "conic/TForm1.h"
#include "platform/text/FileName.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

#include "conic/PanelItems.h"
#include "conic/Swatch.h"
#include "conic/TAboutBox.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "core/TextFile.h"
#include "platform/raster/LayerView.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingLimits.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/CommandLine.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"

namespace conic {

namespace {

using platform::ShowWholeText;

// The window's caption, with the project's version.
QString Caption() {
  return QStringLiteral(
             "日本三面分布図作成（Lambert conformal conic projection） Tarvo_L, Version ") +
         platform::ProjectVersion();
}

QString FileNamePart(const QString& path) {
  return QFileInfo(path).fileName();
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

int TForm1::WindowSheetWidth() const {
  const int width = m_fixedWindowWidth > 0 ? m_fixedWindowWidth : m_scrollBox->width();
  if (!m_fitWindow) return m_fixedWindowWidth > 0 ? width : m_scrollBox->viewport()->width();
  // Fitted, the sheet needs no scroll bar: the whole area is the view.
  const int height = m_fixedWindowHeight > 0 ? m_fixedWindowHeight : m_scrollBox->height();
  return std::max(1, std::min(width, static_cast<int>(std::floor(height / kSheetRatio))));
}

std::optional<SheetPixels> SheetPixelsOf(int sheetSize, int windowWidth) {
  switch (sheetSize) {
    case 0:
      return SheetPixels{windowWidth, core::RoundHalfEven(windowWidth * kSheetRatio)};
    case 1:
      return SheetPixels{1240, 1754};
    case 2:
      return SheetPixels{1750, 2475};
    case 3:
      return SheetPixels{2480, 3506};
    case 4:
      return SheetPixels{3500, 4950};
    default:
      return std::nullopt;
  }
}

TForm1::TForm1(const QStringList& arguments, std::unique_ptr<platform::DialogService> dialogs,
               const QString& programPath)
    : m_canvasM(800, 1131),
      m_canvasP(800, 1131),
      m_dialogs(std::move(dialogs)),
      m_programPath(programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath) {
  setObjectName(QStringLiteral("Form1"));
  if (!m_dialogs) m_dialogs = std::make_unique<platform::QtDialogService>(this);
  BuildWindow();
  FormCreate(arguments);
}

TForm1::~TForm1() = default;

void TForm1::BuildWindow() {
  setFont(QFont(QStringLiteral("Tahoma")));
  resize(973, 672 + 48);
  m_scrollBox = Named(new QScrollArea(this), "ScrollBox1");
  m_scrollBox->setBackgroundRole(QPalette::Base);
  m_scrollBox->setStyleSheet(QStringLiteral("QScrollArea#ScrollBox1 { background: white; }"));
  m_layerView = Named(new platform::LayerView(), "LayerView");
  m_layerView->SetLayers(&m_canvasM, &m_canvasP);
  m_scrollBox->setWidget(m_layerView);
  m_scrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setCentralWidget(m_scrollBox);
  BuildSettingBoard();
  BuildLegendEditor();
  BuildMenus();
  BuildStatusBar();
  ConnectPanelCommands();
}

void TForm1::BuildSettingBoard() {
  // The panel floats over the layers in the scroll box's viewport, as the settings panel
  // over the empty drawing area.
  auto* board = Named(new QFrame(m_scrollBox->viewport()), "SettingBoard");
  m_settingBoard = board;
  board->setFrameShape(QFrame::Panel);
  board->setFrameShadow(QFrame::Sunken);
  board->setAutoFillBackground(true);
  board->setStyleSheet(QStringLiteral("QFrame#SettingBoard { background: #FFF8DC; }"));
  board->setGeometry(58, 22, 509, 327);

  auto label = [board](const char* name, const QString& text, int x, int y) {
    auto* l = Named(new QLabel(text, board), name);
    l->move(x, y);
    return l;
  };
  auto edit = [board](const char* name, int x, int y, int w, int maxLength) {
    auto* e = Named(new QLineEdit(board), name);
    e->setGeometry(x, y, w, 22);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
  };
  auto button = [board](const char* name, const QString& text, int x, int y, int w, int h) {
    auto* b = Named(new QPushButton(text, board), name);
    b->setGeometry(x, y, w, h);
    return b;
  };
  auto check = [](QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* c = Named(new QCheckBox(text, parent), name);
    c->move(x, y);
    c->adjustSize();
    return c;
  };

  label("LabelS1", QStringLiteral("表題"), 12, 12);
  auto* title = edit("EditTitle", 104, 9, 300, 80);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  m_titleFont = bold;
  button("BtnFont", QStringLiteral("F"), 408, 8, 26, 24);
  check(board, "ShowMapTitle", QStringLiteral("表示"), 442, 11)->setChecked(true);

  const struct {
    const char* label;
    const char* labelText;
    const char* edit;
    const char* button;
    int maxLength;
  } files[] = {
      {"LabelS2", "設定ファイル", "EditIniFile", "BtnGetIniFile", 36},
      {"LabelS3", "地形図ファイル", "EditMapFile", "BtnGetMapFile", 36},
      {"LabelS4", "データファイル", "EditGrdFile", "BtnGetDataFile", 0},
  };
  int y = 40;
  for (const auto& f : files) {
    label(f.label, QString::fromUtf8(f.labelText), 12, y + 3);
    edit(f.edit, 104, y, 300, f.maxLength);
    button(f.button, QStringLiteral("参照"), 408, y - 1, 56, 24);
    y += 30;
  }
  board->findChild<QLineEdit*>(QStringLiteral("EditIniFile"))
      ->setText(QStringLiteral("Tarvo_L.ini"));
  board->findChild<QLineEdit*>(QStringLiteral("EditMapFile"))
      ->setText(QStringLiteral("Nippon.mdt"));
  board->findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))
      ->setText(QStringLiteral("Noname.grd"));

  auto* types = Named(new QGroupBox(QStringLiteral("作成分布図"), board), "MapTypes");
  types->setGeometry(10, 132, 118, 96);
  const struct {
    const char* name;
    const char* text;
    bool enabled;
  } typeButtons[] = {{"ThreeDMap", "三面分布図", true},
                     {"VerticalMap", "垂直分布図", false},
                     {"EnlargedMap", "拡大水平図", false}};
  int ty = 22;
  for (const auto& t : typeButtons) {
    auto* r = Named(new QRadioButton(QString::fromUtf8(t.text), types), t.name);
    r->move(10, ty);
    r->adjustSize();
    r->setEnabled(t.enabled);
    ty += 24;
  }
  types->findChild<QRadioButton*>(QStringLiteral("ThreeDMap"))->setChecked(true);

  label("Label1", QStringLiteral("補助線"), 140, 136);
  check(board, "WithGrat", QStringLiteral("経緯線表示"), 140, 156)->setChecked(true);
  check(board, "WithPref", QStringLiteral("行政界表示"), 140, 178);
  check(board, "WithScale", QStringLiteral("縮尺表示"), 140, 200);
  // In the order of the settings file's ScaleBarCorner codes (MapCorner).
  auto* corner = Named(new QComboBox(board), "ScaleCorner");
  corner->addItems({QStringLiteral("右下"), QStringLiteral("左下"), QStringLiteral("右上"),
                    QStringLiteral("左上")});
  corner->setGeometry(158, 220, 80, 22);

  // Each set of radio buttons lives in its own box so that the sets are exclusive apart.
  auto radioSet = [board, &label](const char* labelName, const QString& caption, int x,
                                  std::initializer_list<std::pair<const char*, const char*>> items,
                                  const char* selected) {
    label(labelName, caption, x, 136);
    auto* box = new QWidget(board);
    box->setGeometry(x, 154, 124, 22 * static_cast<int>(items.size()));
    int ry = 0;
    for (const auto& [name, text] : items) {
      auto* r = Named(new QRadioButton(QString::fromUtf8(text), box), name);
      r->move(0, ry);
      r->adjustSize();
      r->setChecked(std::string_view(name) == selected);
      ry += 22;
    }
  };
  radioSet("Label4", QStringLiteral("打点精度"), 246,
           {{"GScale1", "基準メッシュ"},
            {"GScale2", "２倍メッシュ"},
            {"GScale5", "５倍メッシュ"},
            {"GScale10", "二次メッシュ"},
            {"GScale0", "経緯度表示"}},
           "GScale10");
  radioSet("Label2", QStringLiteral("図版サイズ"), 374,
           {{"MapSizeWn", "窓幅に相当"},
            {"MapSizeA6", "Ａ６版相当"},
            {"MapSizeA5", "Ａ５版相当"},
            {"MapSizeA4", "Ａ４版相当"},
            {"MapSizeA3", "Ａ３版相当"}},
           "MapSizeWn");

  const struct {
    const char* swatch;
    const char* caption;
    WinColor color;
    const char* label;
    const char* labelText;
  } swatches[] = {
      {"MapColorBtn", "───", 0x000000, "WCoastLine", "海岸線"},
      {"SubColorBtn", "------", 0xFFFF00, "WSubLine", "行政界"},
      {"MshColorBtn", "───", 0x808080, "WMeshLine", "経緯線"},
  };
  int sy = 240;
  for (const auto& s : swatches) {
    auto* b = button(s.swatch, QString::fromUtf8(s.caption), 10, sy, 62, 24);
    b->setFlat(true);
    SetSwatchColor(b, s.color);
    label(s.label, QString::fromUtf8(s.labelText), 78, sy + 4);
    sy += 27;
  }
  const struct {
    const char* square;
    const char* label;
    const char* text;
    int y;
  } squares[] = {{"PLandCol", "LabelLandCol", "陸の色", 244},
                 {"POceanCol", "LabelOceanCol", "海の色", 270}};
  for (const auto& s : squares) {
    auto* square = Named(new QLabel(board), s.square);
    square->setGeometry(140, s.y, 20, 20);
    label(s.label, QString::fromUtf8(s.text), 166, s.y + 2);
  }
  check(board, "IsMapFrame", QStringLiteral("地図枠"), 140, 296)->setChecked(true);
  // The credit the map's lower right carries after "© ", in the one free row of the panel.
  label("LabelCredit", QStringLiteral("著作表示 ©"), 246, 269);
  auto* credit = edit("EditCredit", 318, 266, 182, platform::kMaxTextChars);
  credit->setText(m_state.CRst1);
  connect(credit, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_state.CRst1 = text; });

  connect(button("BtnSettingCancel", QStringLiteral("中止"), 262, 292, 68, 26),
          &QPushButton::clicked, this, [this] { BtnSettingCancelClick(); });
  button("GoQuit", QStringLiteral("終了"), 336, 292, 68, 26);
  QPushButton* draw = button("DrawMapNew", QStringLiteral("分布図作成"), 410, 292, 90, 26);
  connect(draw, &QPushButton::clicked, this, [this] { DrawMapNewClick(); });
  platform::ReturnPresses(m_settingBoard, draw);
  connect(board->findChild<QPushButton*>(QStringLiteral("BtnGetMapFile")), &QPushButton::clicked,
          this, [this] { BtnGetMapFileClick(); });
  connect(board->findChild<QPushButton*>(QStringLiteral("BtnGetDataFile")), &QPushButton::clicked,
          this, [this] { BtnGetDataFileClick(); });
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto menu = [bar](const char* name, const QString& title) {
    QMenu* m = bar->addMenu(title);
    m->setObjectName(QString::fromLatin1(name));
    return m;
  };
  auto item = [this](QMenu* m, const char* name, const QString& text, auto handler) {
    QAction* a = m->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  auto separator = [](QMenu* m, const char* name) {
    m->addSeparator()->setObjectName(QString::fromLatin1(name));
  };

  QMenu* file = menu("FileMenue", QStringLiteral("ファイル(&F)"));
  item(file, "NewPlotItem", QStringLiteral("分布データを新規読込"), [this] { NewPlotItemClick(); });
  item(file, "DrawMapItem", QStringLiteral("分布図作成"), [this] { DrawMapNewClick(); });
  QMenu* recent = file->addMenu(QStringLiteral("最近使ったファイル"));
  recent->setObjectName(QStringLiteral("RecentMenu"));
  // Filled as it opens, so that it shows what was opened since.
  connect(recent, &QMenu::aboutToShow, this, [this, recent] {
    platform::FillRecentMenu(recent, m_recent, [this](const QString& path, bool settings) {
      OpenRecentFile(path, settings);
    });
  });
  separator(file, "N7");
  file->actions().back()->setVisible(false);
  item(file, "OpenIniFileItem", QStringLiteral("設定ファイルを読込"),
       [this] { BtnGetIniFileClick(); });
  item(file, "SaveIniFileItem", QStringLiteral("設定ファイルを保存"),
       [this] { SaveIniFileItemClick(); });
  separator(file, "N2");
  item(file, "SaveToPNGItem", QStringLiteral("図をPNG形式で保存"),
       [this] { SaveToPNGItemClick(); });
  item(file, "PrintMapItem", QStringLiteral("印刷"), [this] { PrintMapItemClick(); });
  separator(file, "N1");
  item(file, "MenuQuitItem", QStringLiteral("終  了"), [this] { MenuQuitItemClick(); });

  QMenu* edit = menu("EditMenue", QStringLiteral("編集(&E)"));
  item(edit, "CopyEMFItem", QStringLiteral("分布図をクリップボードへ"),
       [this] { CopyMapItemClick(); });
  separator(edit, "N3");
  item(edit, "EditFontItem", QStringLiteral("文字種・サイズ変更"), [this] { FontBtnClick(); });
  item(edit, "EditMarkItem", QStringLiteral("分布図の凡例を編集"), [this] { EditMarkItemClick(); });
  separator(edit, "N5");
  item(edit, "ClearPlotItem", QStringLiteral("分布データをクリア"), [this] {
    ClearAllPlot();
    RefreshLayers();
  });

  QMenu* map = menu("MapMenue", QStringLiteral("地図設定(&M)"));
  item(map, "AllReSetItem", QStringLiteral("描画設定の一覧へ"), [this] { ReSetItemClick(); });
  separator(map, "N8");
  item(map, "ShowTitleItem", QStringLiteral("表題を表示"), [this] { ShowTitleItemClick(); });
  item(map, "ShowLegendItem", QStringLiteral("凡例を表示"), [this] { ShowLegendItemClick(); });
  separator(map, "N4");
  item(map, "CombiMapItem", QStringLiteral("三面分布図表示"), [this] { ShowCombClick(); });
  item(map, "VerticalMapItem", QStringLiteral("垂直分布図"), [] {})->setEnabled(false);
  item(map, "EnlargedMapItem", QStringLiteral("拡大三面分布図"), [] {})->setEnabled(false);
  separator(map, "N6");
  item(map, "GraticuleLineItem", QStringLiteral("経緯線を表示"),
       [this] { GraticuleLineItemClick(); });
  item(map, "PrefLineItem", QStringLiteral("行政界を表示"), [this] { PrefLineItemClick(); });
  QAction* scale =
      item(map, "ScaleBarItem", QStringLiteral("縮尺を表示"), [this] { ScaleBarItemClick(); });
  scale->setCheckable(true);
  // The tick follows the panel's box, whichever of the two or a settings file sets it.
  auto* scaleBox = findChild<QCheckBox*>(QStringLiteral("WithScale"));
  scale->setChecked(scaleBox->isChecked());
  connect(scaleBox, &QCheckBox::toggled, scale, &QAction::setChecked);

  QMenu* plot = menu("PlotMenue", QStringLiteral("表示精度(&P)"));
  auto* precisionGroup = new QActionGroup(this);
  for (const auto& p : kPrecisionItems) {
    QAction* a = item(plot, p.item, QString::fromUtf8(p.caption),
                      [this, code = p.code] { PrecisionItemClick(code); });
    a->setCheckable(true);
    precisionGroup->addAction(a);
  }

  QMenu* size = menu("MapSizeMenu", QStringLiteral("地図サイズ(&S)"));
  for (const auto& s : kSheetItems) {
    item(size, s.item, QString::fromUtf8(s.caption),
         [this, code = s.code] { SheetItemClick(code); });
  }
  separator(size, "N9");
  item(size, "FitWindowItem", QStringLiteral("画面に収める"), [this] { FitWindowItemClick(); });

  QMenu* help = menu("HelpMenu", QStringLiteral("ヘルプ(&H)"));
  item(help, "WebHelpItem", QStringLiteral("WEB 説明書"), [this] { WEBHelpClick(); });
  item(help, "HelpVersionItem", QStringLiteral("バージョン情報"),
       [this] { HelpVersionItemClick(); });
  platform::SetCommandKeys(this, {QStringLiteral("NewPlotItem"), QStringLiteral("SaveToPNGItem"),
                                  QStringLiteral("PrintMapItem"), QStringLiteral("MenuQuitItem"),
                                  QStringLiteral("WebHelpItem"), QStringLiteral("DrawMapItem")});
}

void TForm1::SetTitleFieldFont(QFont font) {
  m_titleFont = font;
  auto* field = findChild<QLineEdit*>(QStringLiteral("EditTitle"));
  // The figure takes the title's size from the text font; the field only has to show
  // the face, and a large size would be cut by its height.
  const int room = field->height() - 6;
  // Glyph height grows with the size, so one proportional step lands near the fit and a
  // few single steps finish it, however large the size read.
  const int tall = QFontMetrics(font).height();
  if (tall > room) {
    font.setPointSizeF(std::max(6.0, std::floor(font.pointSizeF() * room / tall) + 1));
  }
  while (QFontMetrics(font).height() > room && font.pointSizeF() > 6) {
    font.setPointSizeF(font.pointSizeF() - 1);
  }
  field->setFont(font);
}

void TForm1::BuildStatusBar() {
  const struct {
    int width;
    const char* text;
    Qt::Alignment align;
  } panels[] = {
      {60, "W=000", Qt::AlignLeft},
      {160, "地形図：Nippon.mdt", Qt::AlignLeft},
      {70, "分布データ：", Qt::AlignRight},
      {180, "Noname.grd", Qt::AlignLeft},
      {54, "データ数：", Qt::AlignCenter},
      {80, "0000/0", Qt::AlignLeft},
      {50, "点密度：", Qt::AlignRight},
      {60, "二次", Qt::AlignLeft},
      {50, "作成幅：", Qt::AlignRight},
      {50, "窓幅", Qt::AlignLeft},
      {0, "", Qt::AlignLeft},  // what the figure does not show, in a warning colour
  };
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  for (size_t i = 0; i < m_status.size(); ++i) {
    auto* l = new QLabel(QString::fromUtf8(panels[i].text), bar);
    l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    l->setAlignment(panels[i].align | Qt::AlignVCenter);
    // The two file names give way in a narrow window (their whole text is the tool tip);
    // the other panels keep room for what they show, so none runs into the next.
    const bool fileName = i == 1 || i == 3;
    if (fileName) {
      l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      l->setMinimumWidth(30);
    } else {
      l->setMinimumWidth(std::min(panels[i].width, l->sizeHint().width()));
    }
    bar->addWidget(l, fileName ? panels[i].width : 0);
    m_status[i] = l;
  }
}

void TForm1::FormCreate(const QStringList& arguments) {
  setAcceptDrops(true);
  setWindowTitle(Caption());
  const QFileInfo program(m_programPath);
  m_dialogs->open.filter =
      QStringLiteral("設定ファイル|*.ini|地形図ファイル|*.mdt|データファイル|*.grd");
  m_dialogs->open.filterIndex = 2;
  m_dialogs->open.initialDir = program.absolutePath();
  m_dialogs->save.filter =
      QStringLiteral("設定ファイル|*.ini|拡張メタファイル|*.emf|画像ファイル|*.png");
  m_dialogs->save.defaultExt = QStringLiteral("emf");
  m_state.IniFileName = program.absolutePath() + QLatin1Char('/') + program.completeBaseName() +
                        QStringLiteral(".ini");
  bool named = false;
  if (!arguments.isEmpty() &&
      QFileInfo(arguments.front()).suffix().toUpper() == QStringLiteral("INI") &&
      arguments.front().contains(QLatin1Char('.'))) {
    // As in any command-line program, a path typed there is relative to the current folder.
    m_state.IniFileName = QFileInfo(arguments.front()).absoluteFilePath();
    named = true;
  }
  InitializeVariables();
  try {
    if (named && !platform::FileExists(m_state.IniFileName)) {
      throw core::IoError(core::IoMessage(ENOENT), m_state.IniFileName.toStdString());
    }
    ReadIniFile();
  } catch (const core::IoError& error) {
    ApplySettings(platform::IniFile());
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QStringLiteral("\n") +
                         QString::fromStdString(error.Path()));
  }
  TakeSettingsBaseline();
  m_settingBoard->show();
  m_settingBoard->raise();
}

void TForm1::OpenFileArgument(const QStringList& arguments) {
  const platform::FileToOpen file = platform::FileToOpenFromArguments(arguments);
  if (file.kind == platform::FileToOpen::Kind::None) return;
  const char* field = file.kind == platform::FileToOpen::Kind::Map ? "EditMapFile" : "EditGrdFile";
  ShowWholeText(findChild<QLineEdit*>(QString::fromLatin1(field)), file.path);
  // A file opened from the file manager is no change the user made to the settings.
  TakeSettingsBaseline();
  // A data file that cannot be read is told by the drawing, like any other.
  if (file.kind == platform::FileToOpen::Kind::Data) DrawMap(true);
}

void TForm1::InitializeVariables() {
  SetLayerSize(m_canvasM, 800, core::RoundHalfEven(800 * kSheetRatio));
  SetLayerSize(m_canvasP, 800, core::RoundHalfEven(800 * kSheetRatio));
  m_state.SheetSize = 0;
  m_state.PlotCount = 0;
  m_state.CategoryCount = 0;
  m_geometry = Geometry();
}

void TForm1::SetParameter() {
  auto checked = [this](const char* name) {
    return findChild<QRadioButton*>(QString::fromLatin1(name))->isChecked();
  };
  if (checked("ThreeDMap")) {
    m_state.MapsType = 3;
  } else if (checked("EnlargedMap")) {
    m_state.MapsType = 2;
  } else if (checked("VerticalMap")) {
    m_state.MapsType = 1;
  }
  const char* const sheets[] = {"MapSizeWn", "MapSizeA6", "MapSizeA5", "MapSizeA4", "MapSizeA3"};
  for (int i = 0; i < 5; ++i) {
    if (checked(sheets[i])) m_state.SheetSize = i;
  }
  if (const auto sheet = SheetPixelsOf(m_state.SheetSize, WindowSheetWidth())) {
    SetLayerSize(m_canvasM, sheet->width, sheet->height);
    SetLayerSize(m_canvasP, sheet->width, sheet->height);
  }
  m_state.GridSize = checked("GScale10")  ? 10
                     : checked("GScale5") ? 5
                     : checked("GScale2") ? 2
                     : checked("GScale1") ? 1
                                          : 0;
  m_state.MapFileName = findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->text();
  const auto* mapBtn = findChild<QPushButton*>(QStringLiteral("MapColorBtn"));
  const auto* subBtn = findChild<QPushButton*>(QStringLiteral("SubColorBtn"));
  const auto* mshBtn = findChild<QPushButton*>(QStringLiteral("MshColorBtn"));
  m_state.MapColor = SwatchColor(mapBtn);
  m_state.SubColor = SwatchColor(subBtn);
  m_state.MshColor = SwatchColor(mshBtn);
  m_state.MLineW = LineWidthOf(mapBtn->text());
  m_state.SLineW = LineWidthOf(subBtn->text());
  m_state.GLineW = LineWidthOf(mshBtn->text());

  SetStatus(1, QStringLiteral("地形図：") + FileNamePart(m_state.MapFileName));
  SetStatus(3, FileNamePart(findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))->text()));
  SetStatus(5, QStringLiteral("0/0"));
  const struct {
    int code;
    const char* word;
  } words[] = {{0, "経緯"}, {1, "基準"}, {2, "２倍"}, {5, "５倍"}, {10, "二次"}};
  for (const auto& w : words) {
    if (w.code == m_state.GridSize) SetStatus(7, QString::fromUtf8(w.word));
  }
}

void TForm1::SetLayerSize(platform::RasterLayer& layer, int width, int height) {
  if (layer.Width() == width) return;
  layer.Reset(width, height);
  // Blank layers show no figure to print.
  m_baseDrawn.reset();
  m_plotDrawn.reset();
  if (m_layerView) m_layerView->UpdateSize();
}

void TForm1::ReplaceMaps() {
  SetStatus(9, QString::number(m_canvasM.Width()) + QStringLiteral(" pix"));
  m_geometry.ReplaceMaps(m_canvasM.Width(), m_state.MapsType);
}

QString TForm1::FindBundled(const QString& folder, const QString& name) const {
  return platform::FindBundled(m_programPath, folder, name);
}

QString TForm1::ResolveDataFile(const QString& name) const {
  return platform::ResolveDataFile(m_programPath, name);
}

BaseMapStyle TForm1::CurrentBaseMapStyle() const {
  auto ticked = [this](const char* name) {
    return findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked();
  };
  BaseMapStyle style;
  style.landColor = SwatchColor(findChild<QLabel*>(QStringLiteral("PLandCol")));
  style.oceanColor = SwatchColor(findChild<QLabel*>(QStringLiteral("POceanCol")));
  style.mapColor = m_state.MapColor;
  style.subColor = m_state.SubColor;
  style.mshColor = m_state.MshColor;
  style.mLineW = m_state.MLineW;
  style.sLineW = m_state.SLineW;
  style.gLineW = m_state.GLineW;
  style.mapsType = m_state.MapsType;
  style.withPref = ticked("WithPref");
  style.withGrat = ticked("WithGrat");
  style.isMapFrame = ticked("IsMapFrame");
  style.credit = m_state.CRst1;
  style.scaleBar = ticked("WithScale");
  style.scaleBarCorner = findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->currentIndex();
  return style;
}

void TForm1::DrawBaseMap() {
  m_mapWarning.clear();
  m_missingSections.clear();
  core::LineReader mapFile =
      core::LineReader::Open(platform::FileNameBytes(ResolveDataFile(m_state.MapFileName)));
  const BaseMapStyle style = CurrentBaseMapStyle();
  m_baseDrawn = BaseDrawn{style, ResolveDataFile(m_state.MapFileName), m_canvasM.Font(),
                          m_canvasM.FontColor(), m_canvasM.Width()};
  const core::SectionsRead read = conic::DrawBaseMap(m_canvasM, style, m_geometry, mapFile);
  // A file without the sections the figure needs (a wrong file, or one cut short) would
  // otherwise give an empty map that looks like a drawing.
  QStringList missing;
  for (const std::string& header :
       core::MissingSections(read, style.withPref, style.mapsType == 3)) {
    missing << QString::fromStdString(header);
  }
  m_missingSections = missing;
  m_scaleBarBox = QRect();
  m_scaleBarLeftOut = false;
  if (style.scaleBar) {
    const auto bar = ScaleBarOf(m_canvasM, style, m_geometry);
    m_scaleBarLeftOut = !bar;
    if (bar) m_scaleBarBox = bar->box;
  }
  ShowWhatIsNotDrawn();
  QStringList warnings;
  if (!missing.isEmpty()) {
    warnings << QStringLiteral(
                    "地形図ファイルに %1 の区画がないので、その線は描かれていません\n（%2）")
                    .arg(missing.join(QStringLiteral("、")), FileNamePart(m_state.MapFileName));
  }
  if (m_scaleBarLeftOut) warnings << ScaleBarLeftOutSentence();
  m_mapWarning = warnings.join(QStringLiteral("\n\n"));
}

QString TForm1::ScaleBarLeftOutSentence() {
  return QStringLiteral(
      "地図が小さすぎて読める長さの縮尺を置けないので、縮尺は描かれていません。"
      "図版サイズを大きくするか、文字を小さくしてください");
}

void TForm1::DrawMap(bool isNew) {
  RunDrawing(isNew, true);
}

bool TForm1::RunDrawing(bool isNew, bool plot) {
  m_errorFile.clear();
  std::optional<platform::BusyCursor> busy;
  const QString* stage = &m_state.MapFileName;  // the file an error is told against
  QString message;
  try {
    if (isNew) {
      SetParameter();
      m_settingBoard->hide();
      if (!platform::FileExists(ResolveDataFile(m_state.MapFileName))) {
        m_dialogs->open.filterIndex = 2;
        m_dialogs->open.initialDir = QFileInfo(m_state.MapFileName).absolutePath();
        if (!platform::AskForMissingMap(*m_dialogs, m_state.MapFileName)) {
          RefreshLayers();
          return false;
        }
        m_state.MapFileName = m_dialogs->open.fileName;
        ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditMapFile")), m_state.MapFileName);
      }
      ReplaceMaps();
      m_scrollBox->verticalScrollBar()->setValue(0);
      busy.emplace();
      DrawBaseMap();
    }
    if (plot) {
      stage = &m_state.GrdFileName;
      m_state.GrdFileName = findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))->text();
      ReadAndPlot(m_state.GrdFileName, isNew);
    }
  } catch (const std::exception& error) {
    message = ErrorMessage(error, *stage);
    m_errorFile = *stage;
  }
  busy.reset();
  RefreshLayers();
  return ReportPlotting(message);
}

bool TForm1::ReportPlotting(const QString& error) {
  if (!error.isEmpty()) {
    m_dialogs->ShowError(error);
    return false;
  }
  QStringList warnings;
  for (QString* warning : {&m_mapWarning, &m_plotWarning}) {
    if (!warning->isEmpty()) warnings << std::exchange(*warning, QString());
  }
  if (!warnings.isEmpty()) m_dialogs->ShowMessage(warnings.join(QStringLiteral("\n\n")));
  return true;
}

QString TForm1::ErrorMessage(const std::exception& error, const QString& file) {
  // The reader's own message first, as users know it, then where it happened.
  QString message = QString::fromStdString(error.what());
  if (const auto* conversion = dynamic_cast<const core::ConversionError*>(&error)) {
    if (conversion->Line() > 0) {
      message +=
          QStringLiteral("\n（%1 の %2 行目）").arg(FileNamePart(file)).arg(conversion->Line());
    }
  } else if (const auto* io = dynamic_cast<const core::IoError*>(&error)) {
    message += QStringLiteral("\n") + QString::fromStdString(io->Path());
  }
  return message;
}

void TForm1::RefreshLayers() {
  if (m_headless) return;
  m_layerView->UpdateSize();
  m_layerView->Refresh();
  update();
}

void TForm1::DrawMapNewClick() {
  DrawMap(true);
}

void TForm1::BtnGetMapFileClick() {
  m_dialogs->open.filterIndex = 2;
  m_dialogs->open.fileName = QStringLiteral("*.mdt");
  if (!m_dialogs->RunOpen()) return;
  m_state.MapFileName = m_dialogs->open.fileName;
  ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditMapFile")), m_state.MapFileName);
}

void TForm1::BtnGetDataFileClick() {
  m_dialogs->open.initialDir = QFileInfo(m_state.GrdFileName).absolutePath();
  m_dialogs->open.filterIndex = 3;
  m_dialogs->open.fileName = QStringLiteral("*.grd");
  if (!m_dialogs->RunOpen()) return;
  m_state.GrdFileName = m_dialogs->open.fileName;
  findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))->setText(m_state.GrdFileName);
}

void TForm1::BtnSettingCancelClick() {
  m_settingBoard->hide();
}

void TForm1::ReSetItemClick() {
  m_settingBoard->move(60, 50);
  m_settingBoard->show();
  m_settingBoard->raise();
}

void TForm1::HelpVersionItemClick() {
  TAboutBox about(this);
  about.exec();
}

QString TForm1::StatusText(int panel) const {
  return m_status.at(static_cast<size_t>(panel))->text();
}

void TForm1::SetStatus(int panel, const QString& text) {
  QLabel* label = m_status.at(static_cast<size_t>(panel));
  label->setText(text);
  label->setToolTip(text);
  // A panel that keeps its room grows to what it now shows.
  if (label->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored) {
    label->setMinimumWidth(std::max(label->minimumWidth(), label->sizeHint().width()));
  }
}

}  // namespace conic
