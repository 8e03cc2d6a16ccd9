#include "chart/TForm1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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
#include <optional>

#include "chart/AxisLabel.h"
#include "chart/GridType.h"
#include "chart/TAboutBox.h"
#include "chart/TForm2.h"
#include "core/Errors.h"
#include "core/MeshCode.h"
#include "core/Number.h"
#include "platform/text/FileName.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/CommandLine.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"
#include "platform/ui/Swatch.h"

namespace chart {

namespace {

using platform::AxisSide;
using platform::ChartAxis;

// The window's caption, with the project's version.
QString Caption() {
  return QStringLiteral(" Tarvo, Version ") + platform::ProjectVersion();
}
// Degree labels are read back by the label rule (RewriteDegreeLabel): five decimals give
// it the value to the second where a range under a degree is labelled in minutes. Whole
// degrees and the blanks between them come out as with one decimal.
constexpr char kDegreeFormat[] = "###.#####";
// Aqua, as a Windows colour value.
constexpr WinColor kAqua = 0xFFFF00;

std::string Utf8(const QString& text) {
  return text.toStdString();
}

QString FileNamePart(const QString& path) {
  return QFileInfo(path).fileName();
}

}  // namespace

TForm1::TForm1(const QStringList& arguments, std::unique_ptr<platform::DialogService> dialogs,
               const QString& programPath)
    : m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<platform::QtDialogService>(this)),
      m_programPath(programPath.isEmpty() ? QApplication::applicationFilePath() : programPath) {
  BuildWindow();
  FormCreate(arguments);
}

TForm1::~TForm1() {
  // The fields outlive this part of the window while the widgets are torn down, and a
  // field that loses the focus then still reports that its editing finished.
  for (QLineEdit* field : findChildren<QLineEdit*>())
    field->disconnect(this);
}

void TForm1::BuildWindow() {
  setWindowTitle(Caption());
  resize(864, 654);
  m_sheet = new QScrollArea(this);
  m_sheet->setObjectName(QStringLiteral("MappingSheet"));
  m_sheet->setFrameShape(QFrame::NoFrame);
  m_sheet->setBackgroundRole(QPalette::Base);
  m_sheet->setStyleSheet(QStringLiteral("QScrollArea { background: white; }"));
  m_sheet->verticalScrollBar()->setSingleStep(12);
  m_sheet->horizontalScrollBar()->setSingleStep(12);
  m_sheetArea = new QWidget;
  // The area fills the view and grows to whatever the charts cover, so it scrolls.
  m_sheet->setWidgetResizable(true);
  m_sheetArea->setAutoFillBackground(true);
  QPalette white = m_sheetArea->palette();
  white.setColor(QPalette::Window, Qt::white);
  m_sheetArea->setPalette(white);
  m_sheet->setWidget(m_sheetArea);
  setCentralWidget(m_sheet);
  // Lowest first: the map, the corner, the two profiles.
  for (const int i : {1, 0, 2, 3}) {
    auto* chart = new platform::ChartWidget(m_sheetArea);
    chart->setObjectName(QStringLiteral("Chart%1").arg(i));
    chart->hide();
    m_charts[static_cast<size_t>(i)] = chart;
  }
  SetupCharts();
  SetupSeries();
  SetupDecorations();
  BuildMarkEditor();
  m_editor = new TForm2(this);
  m_editor->onAdd = [this] { ReadGrdFile(true); };
  m_editor->onDraw = [this] { PlotOnMap(); };
  // The main window's save dialog as the last command left it.
  m_editor->onSave = [this] {
    if (RunDataSaveDialog()) SaveEditorText(m_dialogs->save.fileName);
  };
  setAcceptDrops(true);
  BuildSettingBoard();
  BuildStatusBar();
  BuildMenus();
}

void TForm1::SetupCharts() {
  QFont labelFont(QStringLiteral("ＭＳ ゴシック"));
  labelFont.setPixelSize(15);
  QFont titleFont(QStringLiteral("ＭＳ Ｐ明朝"));
  titleFont.setPixelSize(16);
  for (platform::ChartWidget* widget : m_charts) {
    platform::Chart& c = widget->Model();
    c.labelFont = labelFont;
    c.labelColor = kAqua;
    c.titleFont = titleFont;
    c.titleColor = 0;
    for (ChartAxis& axis : c.axes) {
      axis.gridPen.color = m_state.MshColor;
      axis.minorGridPen.color = m_state.MshColor;
      axis.minorGridPen.dotted = true;
    }
    c.Axis(AxisSide::Top).visible = false;
  }
  platform::Chart& corner = m_charts[0]->Model();
  corner.marginLeft = corner.marginRight = corner.marginTop = corner.marginBottom = 0;
  for (ChartAxis& axis : corner.axes)
    axis.visible = false;
  corner.titleVisible = false;

  platform::Chart& map = m_charts[1]->Model();
  map.Axis(AxisSide::Bottom).valueFormat = kDegreeFormat;
  map.Axis(AxisSide::Bottom).labelSeparation = 1;
  map.Axis(AxisSide::Left).valueFormat = kDegreeFormat;
  map.Axis(AxisSide::Left).labelSeparation = 20;
  map.Axis(AxisSide::Right).visible = false;
  platform::Chart& we = m_charts[2]->Model();
  we.Axis(AxisSide::Bottom).valueFormat = kDegreeFormat;
  we.Axis(AxisSide::Bottom).labelSeparation = 2;
  we.Axis(AxisSide::Left).valueFormat = "###0m";
  we.Axis(AxisSide::Left).labelSeparation = 40;
  we.Axis(AxisSide::Right).visible = false;
  platform::Chart& sn = m_charts[3]->Model();
  sn.Axis(AxisSide::Bottom).valueFormat = kDegreeFormat;
  sn.Axis(AxisSide::Right).valueFormat = " ##.#";
  sn.Axis(AxisSide::Left).valueFormat = "###0m";
  sn.Axis(AxisSide::Bottom).labelSeparation = 10;
  sn.Axis(AxisSide::Right).labelSeparation = 10;
  sn.Axis(AxisSide::Left).labelSeparation = 40;

  // Only whole degrees are labelled where the layout shows the labels itself, unless the
  // axis spans less than a degree: then its lines are labelled in minutes.
  for (const int i : {1, 2, 3}) {
    platform::Chart* chart = &m_charts[static_cast<size_t>(i)]->Model();
    const int kind = i == 1 ? 1 : 2;
    chart->getAxisLabel = [this, chart, kind](AxisSide side, QString& text) {
      const ChartAxis& axis = chart->Axis(side);
      if (m_state.MapKind == kind) RewriteDegreeLabel(text, axis.maximum - axis.minimum < 1);
    };
  }
}

void TForm1::SetupSeries() {
  // The tables point into the charts' series lists, which never change length after this.
  const struct {
    int chart;
    const char* prefix;
    SeriesTables* table;
  } charts[] = {{1, "SeriesH", &m_seriesH}, {2, "SeriesW", &m_seriesW}, {3, "SeriesS", &m_seriesS}};
  for (const auto& c : charts) {
    platform::Chart& chart = m_charts.at(static_cast<size_t>(c.chart))->Model();
    chart.lines.assign(1, platform::LineSeries{});
    chart.lines[0].title = QString::fromLatin1(c.prefix) + QLatin1Char('0');
    chart.points.assign(6, platform::PointSeries{});
    c.table->lines = &chart.lines[0];
    for (size_t i = 0; i < 6; ++i) {
      chart.points[i].title = QString::fromLatin1(c.prefix) + QString::number(i + 1);
      c.table->categories.at(i) = &chart.points[i];
    }
  }
  // The south-north outline stands in either orientation of the profile.
  m_seriesS.lines->binding = platform::VerticalBinding::Both;
  m_seriesH.lines->vertexDots = true;
  m_seriesW.lines->dotted = true;
}

void TForm1::BuildSettingBoard() {
  m_settingBoard = new QGroupBox(m_sheetArea);
  m_settingBoard->setObjectName(QStringLiteral("SettingBoard"));
  m_settingBoard->setGeometry(100, 80, 639, 391);
  m_settingBoard->setAutoFillBackground(true);
  auto* grid = new QGridLayout(m_settingBoard);
  auto edit = [this](const char* name, const QString& text, int maxLength) {
    auto* e = new QLineEdit(text, m_settingBoard);
    e->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
  };
  auto label = [this](const char* text) {
    return new QLabel(QString::fromUtf8(text), m_settingBoard);
  };
  auto button = [this](const char* name, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), m_settingBoard);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };

  grid->addWidget(label("分布図標題"), 0, 0);
  grid->addWidget(edit("EditTitle", QStringLiteral("日本植物三面分布図"), 80), 0, 1, 1, 3);
  const struct {
    const char* caption;
    const char* field;
    const char* browse;
    const char* text;
    int maxLength;
  } files[] = {
      // No typed limit on paths: 36 characters hold few paths on this system, and Qt's
      // limit would also cut the whole paths the program sets.
      {"設定ファイル", "EditIniFile", "BtnGetIniFile", "Tarvo.ini", 0},
      {"地形図ファイル", "EditMapFile", "BtnGetMapFile", "", 0},
      {"データファイル", "EditGrdFile", "BtnGetDataFile", "Noname.grd", 0},
  };
  int row = 1;
  for (const auto& f : files) {
    grid->addWidget(label(f.caption), row, 0);
    grid->addWidget(edit(f.field, QString::fromUtf8(f.text), f.maxLength), row, 1, 1, 2);
    grid->addWidget(button(f.browse, "参照"), row, 3);
    ++row;
  }

  // A path typed letter by letter would name no file at its first letter and be emptied
  // there; it is judged once the user finishes the field.
  for (const auto& [name, handler] : {std::pair{"EditMapFile", &TForm1::EditMapFileChange},
                                      std::pair{"EditGrdFile", &TForm1::EditGrdFileChange},
                                      std::pair{"EditIniFile", &TForm1::EditIniFileChange}}) {
    auto* field = findChild<QLineEdit*>(QString::fromLatin1(name));
    connect(field, &QLineEdit::textChanged, this, [this, field, handler] {
      if (!field->hasFocus()) (this->*handler)();
    });
    // Leaving a field without typing in it changes nothing (a settings file would
    // otherwise be read again over the panel's edits).
    connect(field, &QLineEdit::editingFinished, this, [this, field, handler] {
      if (!field->isModified()) return;
      field->setModified(false);
      (this->*handler)();
    });
  }

  auto* kinds = new QGroupBox(QStringLiteral("作成する分布図"), m_settingBoard);
  auto* kindsLayout = new QVBoxLayout(kinds);
  kindsLayout->setSpacing(2);
  for (const auto& [name, text] :
       {std::pair{"HorizonMap", "水平分布図"}, std::pair{"ProfileMap", "断面分布図"}}) {
    auto* box = new QCheckBox(QString::fromUtf8(text), kinds);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(true);
    kindsLayout->addWidget(box);
  }

  auto* range = new QGroupBox(QStringLiteral("作図の範囲を経緯度・地理区画で指定"), m_settingBoard);
  range->setObjectName(QStringLiteral("GroupBox1"));
  auto* compass = new QGridLayout(range);
  auto rangeField = [&](const char* name, const char* text, int maxLength, const char* caption,
                        int r, int c, bool mesh) {
    auto* e = new QLineEdit(QString::fromUtf8(text), range);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    if (mesh) e->setStyleSheet(QStringLiteral("QLineEdit { background: #ccffcc; }"));
    compass->addWidget(e, r, c);
    compass->addWidget(new QLabel(QString::fromUtf8(caption), range), r + 1, c);
  };
  rangeField("EditGY2", "46.00", 6, "北端緯度", 0, 1, false);
  rangeField("EditNEGrid", "", 6, "北東区画", 0, 2, true);
  rangeField("EditGX1", "128.00", 8, "西端経度", 2, 0, false);
  compass->addWidget(new QLabel(QStringLiteral("度.分 (dd.mm)"), range), 2, 1);
  rangeField("EditGX2", "146.00", 8, "東端経度", 2, 2, false);
  rangeField("EditSWGrid", "", 6, "南西区画", 4, 0, true);
  rangeField("EditGY1", "30.00", 6, "南端緯度", 4, 1, false);
  rangeField("EditGH2", "3800", 6, "標高上限 m", 0, 3, false);
  auto* ratio = new QLineEdit(QStringLiteral("1.2208"), range);
  ratio->setObjectName(QStringLiteral("EditI2K"));
  ratio->setMaxLength(6);
  compass->addWidget(ratio, 2, 3);
  // A caption that computes the ratio when clicked.
  auto* ratioLabel = new QPushButton(QStringLiteral("緯度幅／経度幅"), range);
  ratioLabel->setObjectName(QStringLiteral("LabelRatio"));
  ratioLabel->setFlat(true);
  ratioLabel->setToolTip(QStringLiteral("南端と北端の緯度から比を計算します"));
  compass->addWidget(ratioLabel, 3, 3);
  connect(ratioLabel, &QPushButton::clicked, this, [this] { LabelRatioClick(); });
  compass->addWidget(new QLabel(QStringLiteral("凡例位置（左上緯経）"), range), 6, 0);
  auto* labelY = new QLineEdit(QStringLiteral("32.00"), range);
  labelY->setObjectName(QStringLiteral("EditLabelY"));
  labelY->setMaxLength(6);
  compass->addWidget(labelY, 6, 1);
  auto* labelX = new QLineEdit(QStringLiteral("134.00"), range);
  labelX->setObjectName(QStringLiteral("EditLabelX"));
  labelX->setMaxLength(8);
  compass->addWidget(labelX, 6, 2);
  grid->addWidget(range, row + 1, 0, 1, 4);

  // Radio groups in columns of three, so that the panel keeps its height.
  auto radios = [&](const char* title,
                    std::initializer_list<std::pair<const char*, const char*>> items,
                    const char* checked) {
    auto* box = new QGroupBox(QString::fromUtf8(title), m_settingBoard);
    auto* layout = new QGridLayout(box);
    layout->setVerticalSpacing(2);
    int n = 0;
    for (const auto& [name, text] : items) {
      auto* r = new QRadioButton(QString::fromUtf8(text), box);
      r->setObjectName(QString::fromLatin1(name));
      r->setChecked(std::string_view(name) == checked);
      layout->addWidget(r, n % 3, n / 3);
      ++n;
    }
    return box;
  };
  auto* options = new QHBoxLayout;
  options->addWidget(kinds);
  options->addWidget(radios("点の精度",
                            {{"GScale12", "1/2"},
                             {"GScale1", "基準"},
                             {"GScale2", "２倍"},
                             {"GScale5", "５倍"},
                             {"GScale10", "２次"},
                             {"GScale0", "経緯度"}},
                            "GScale1"));
  options->addWidget(
      radios("区画線",
             {{"MScale3", "基準"}, {"MScale2", "２次"}, {"MScale1", "１次"}, {"MScale0", "なし"}},
             "MScale0"));
  auto* scale = new QGroupBox(QStringLiteral("縮尺"), m_settingBoard);
  auto* scaleLayout = new QVBoxLayout(scale);
  scaleLayout->setSpacing(2);
  auto* scaleBox = new QCheckBox(QStringLiteral("地図に描く"), scale);
  scaleBox->setObjectName(QStringLiteral("ScaleBar"));
  scaleLayout->addWidget(scaleBox);
  // In the order of the settings file's ScaleBarCorner codes (core::MapCorner).
  auto* corner = new QComboBox(scale);
  corner->setObjectName(QStringLiteral("ScaleCorner"));
  corner->addItems({QStringLiteral("右下"), QStringLiteral("左下"), QStringLiteral("右上"),
                    QStringLiteral("左上")});
  scaleLayout->addWidget(corner);
  options->addWidget(scale);
  grid->addLayout(options, row, 0, 1, 4);

  auto* lines = new QHBoxLayout;
  auto* prefecture = new QCheckBox(QStringLiteral("県界"), m_settingBoard);
  prefecture->setObjectName(QStringLiteral("Prefecture"));
  lines->addWidget(prefecture);
  const struct {
    const char* name;
    const char* text;
    WinColor color;
  } swatches[] = {{"MapColorBt", "└─┐　海岸線", m_state.MapColor},
                  {"SubColorBt", "------　行政界", m_state.SubColor},
                  {"MshColorBt", "───　区画線", m_state.MshColor}};
  for (const auto& s : swatches) {
    QPushButton* b = button(s.name, s.text);
    platform::SetSwatchColor(b, s.color);
    lines->addWidget(b);
  }
  QPushButton* width = button("MapLWBtn", "─幅");
  lines->addWidget(width);
  connect(width, &QPushButton::clicked, this, [this] { MapLWBtnClick(); });
  for (int i = 0; i < 3; ++i) {
    connect(findChild<QPushButton*>(QString::fromLatin1(swatches[i].name)), &QPushButton::clicked,
            this, [this, i] { LineColorBtClick(i); });
  }
  grid->addLayout(lines, row + 2, 0, 1, 4);

  auto* buttons = new QHBoxLayout;
  QPushButton* quit = button("Button1", "全終了");
  QPushButton* cancel = button("BtnSettingCancel", "変更中止");
  QPushButton* build = button("NewMapBtn", "分布図を作成する");
  buttons->addWidget(quit);
  buttons->addStretch();
  buttons->addWidget(cancel);
  buttons->addWidget(build);
  grid->addLayout(buttons, row + 3, 0, 1, 4);
  connect(quit, &QPushButton::clicked, this, [this] { MenuQuitClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { BtnSettingCancelClick(); });
  connect(findChild<QPushButton*>(QStringLiteral("BtnGetIniFile")), &QPushButton::clicked, this,
          [this] { OpenIniFileItemClick(); });
  connect(findChild<QPushButton*>(QStringLiteral("BtnGetMapFile")), &QPushButton::clicked, this,
          [this] { BtnGetMapFileClick(); });
  connect(findChild<QPushButton*>(QStringLiteral("BtnGetDataFile")), &QPushButton::clicked, this,
          [this] { BtnGetDataFileClick(); });
  for (const auto& [name, handler] : {std::pair{"HorizonMap", &TForm1::HorizonMapClick},
                                      std::pair{"ProfileMap", &TForm1::ProfileMapClick}}) {
    connect(findChild<QCheckBox*>(QString::fromLatin1(name)), &QCheckBox::toggled, this,
            [this, handler] { (this->*handler)(); });
  }
  // Typing a latitude updates the ratio at each keystroke; a text that does not read yet
  // (a field being emptied or retyped) leaves it as it is, without a message in the middle
  // of the typing: the build reports what is still wrong.
  for (const char* name : {"EditGY1", "EditGY2"}) {
    auto* field = findChild<QLineEdit*>(QString::fromLatin1(name));
    connect(field, &QLineEdit::textEdited, this, [this] {
      try {
        UpdateRatio();
      } catch (const core::ConversionError&) {
      }
    });
  }
  connect(build, &QPushButton::clicked, this, [this] { BtnNewMapClick(); });
  platform::ReturnPresses(m_settingBoard, build);
  // Its size on the system it was drawn for; fonts here may need a little more.
  const QSize hint = m_settingBoard->sizeHint();
  m_settingBoard->setGeometry(100, 80, std::max(639, hint.width()), std::max(391, hint.height()));
  m_settingBoard->raise();
}

void TForm1::BuildStatusBar() {
  const struct {
    int width;
    const char* text;
    bool centred;
  } panels[] = {{220, "Noname", true}, {50, "点精度", true}, {40, "", true},  {40, "区画", true},
                {40, "", true},        {40, "緯度", true},   {66, "", false}, {40, "経度", true},
                {74, "", false},       {40, "標高", true},   {50, "", false}, {50, "コード", true},
                {80, "", false},       {80, "", false},      {0, "", false},  {0, "", false},
                {0, "", false},        {0, "", false}};
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  for (size_t i = 0; i < m_status.size(); ++i) {
    auto* l = new QLabel(QString::fromUtf8(panels[i].text), bar);
    l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    Qt::Alignment align = panels[i].centred ? Qt::AlignHCenter : Qt::AlignLeft;
    if (i == 10) align = Qt::AlignRight;
    l->setAlignment(align | Qt::AlignVCenter);
    // The panels add up to more than the window is wide: the file name gives way (its
    // whole text is the tool tip), the others keep room for what they show.
    if (i == 0) {
      l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      l->setMinimumWidth(60);
    } else {
      l->setMinimumWidth(std::min(panels[i].width, std::max(l->sizeHint().width(), 36)));
    }
    bar->addWidget(l, i == 0 ? 1 : 0);
    m_status[i] = l;
    // The figure's notes take room only while they say something.
    if (static_cast<int>(i) >= kLegendPanel) SetNote(l, QString(), QString());
  }
}

void TForm1::SetNote(QLabel* panel, const QString& text, const QString& tip) {
  panel->setText(text);
  panel->setToolTip(tip);
  panel->setVisible(!text.isEmpty());
}

QString TForm1::StatusText(int panel) const {
  return m_status.at(static_cast<size_t>(panel))->text();
}

void TForm1::SetFixedClientSize(int width, int height) {
  m_fixedClient = QSize(width, height);
}

QSize TForm1::ClientSize() const {
  if (m_fixedClient.isValid()) return m_fixedClient;
  // The area below the menu bar, the status bar included.
  return QSize(width(), height() - (menuBar()->isVisible() ? menuBar()->height() : 0));
}

void TForm1::FormCreate(const QStringList& arguments) {
  const QFileInfo program(m_programPath);
  m_dialogs->open.initialDir = program.absolutePath();
  m_state.IniFileName = program.absolutePath() + QLatin1Char('/') + program.completeBaseName() +
                        QStringLiteral(".ini");
  if (!arguments.isEmpty() &&
      QFileInfo(arguments.front()).suffix().toUpper() == QStringLiteral("INI")) {
    m_state.IniFileName = QFileInfo(arguments.front()).absoluteFilePath();
  }
  m_manual =
      platform::FindBundled(m_programPath, QStringLiteral("docs"), QStringLiteral("index.html"));
  Command(QStringLiteral("HelpMokuji"))->setEnabled(!m_manual.isEmpty());
  InitializeVariables();
  // "Noname.grd" stays only when there is such a file.
  auto* grd = findChild<QLineEdit*>(QStringLiteral("EditGrdFile"));
  if (!platform::FileExists(grd->text())) grd->clear();
  ReadIniFileTold();
  m_settingBoard->show();
}

void TForm1::OpenFileArgument(const QStringList& arguments) {
  const platform::FileToOpen file = platform::FileToOpenFromArguments(arguments);
  if (file.kind == platform::FileToOpen::Kind::None) return;
  // A file opened from the file manager is no change the user made to the settings.
  struct Baseline {
    TForm1& form;
    ~Baseline() { form.m_settingsBaseline.Take(); }
  } baseline{*this};
  // The file fields let go of a name that names no file, so a missing one is told here.
  if (!platform::FileExists(file.path)) {
    m_dialogs->ShowError(QStringLiteral("ファイルが見つかりません\n") + file.path);
    return;
  }
  if (file.kind == platform::FileToOpen::Kind::Map) {
    platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditMapFile")), file.path);
    return;
  }
  // Settings that name no map (the first start) draw on the map the program brings, as the
  // scripted export does, rather than asking for one.
  auto* map = findChild<QLineEdit*>(QStringLiteral("EditMapFile"));
  if (map->text().isEmpty()) platform::ShowWholeText(map, QString::fromUtf8(kBundledMapName));
  auto* grd = findChild<QLineEdit*>(QStringLiteral("EditGrdFile"));
  if (AskTableImport(file.path)) {
    // The figure is drawn without the settings' data, and the table's records go into the
    // editor in its place.
    grd->clear();
    m_state.GrdFileName.clear();
    BtnNewMapClick();
    if (ImportTableTold(file.path, true)) PlotOnMap();
    return;
  }
  platform::ShowWholeText(grd, file.path);
  BtnNewMapClick();
}

void TForm1::InitializeVariables() {
  for (SeriesTables* table : {&m_seriesH, &m_seriesW, &m_seriesS}) {
    for (platform::PointSeries* series : table->categories)
      series->Clear(kDefaultCapacity);
  }
  m_state.CategoryCount = 0;
  m_state.FitToWidth = true;
  m_state.ZoomFactor = 1;
  m_state.LegendPixelX = 50;
  m_state.LegendPixelY = 50;
}

int TForm1::CheckedMapKind() const {
  return (findChild<QCheckBox*>(QStringLiteral("HorizonMap"))->isChecked() ? 1 : 0) +
         (findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->isChecked() ? 2 : 0);
}

void TForm1::GetDataFromScr() {
  auto checked = [this](const char* name) {
    return findChild<QRadioButton*>(QString::fromLatin1(name))->isChecked();
  };
  auto text = [this](const char* name) {
    return findChild<QLineEdit*>(QString::fromLatin1(name))->text();
  };
  const std::pair<const char*, int> grids[] = {{"GScale0", 0}, {"GScale12", 12}, {"GScale10", 10},
                                               {"GScale5", 5}, {"GScale2", 2},   {"GScale1", 1}};
  m_state.GridSize = 0;
  for (const auto& [name, code] : grids) {
    if (checked(name)) {
      m_state.GridSize = code;
      break;
    }
  }
  m_state.MeshSize = checked("MScale1") ? 1 : checked("MScale2") ? 2 : checked("MScale3") ? 3 : 0;

  const QString southWest = text("EditSWGrid");
  if (southWest.size() >= 4) {
    if (const auto sw = core::MeshToCorner(Utf8(southWest), true)) {
      m_state.GX1 = sw->lon;
      m_state.GY1 = sw->lat;
      // The north-east square, when it reads, names the far corner; otherwise the south-west
      // square's own cell is the range.
      const QString northEast = text("EditNEGrid");
      std::optional<core::LonLat> ne;
      if (northEast.size() >= 4) ne = core::MeshToCorner(Utf8(northEast), false);
      if (!ne) ne = core::MeshToCorner(Utf8(southWest), false);
      if (ne) {
        m_state.GX2 = ne->lon;
        m_state.GY2 = ne->lat;
      }
    }
  } else {
    m_state.GX1 = core::DegMinToDeg(Utf8(text("EditGX1")));
    m_state.GX2 = core::DegMinToDeg(Utf8(text("EditGX2")));
    m_state.GY1 = core::DegMinToDeg(Utf8(text("EditGY1")));
    m_state.GY2 = core::DegMinToDeg(Utf8(text("EditGY2")));
  }
  m_state.GH2 = core::StrToFloat(Utf8(text("EditGH2")));
  m_state.GH1 = 0;
  m_state.I2K = core::StrToFloat(Utf8(text("EditI2K")));
  m_state.LabX = core::DegMinToDeg(Utf8(text("EditLabelX")));
  m_state.LabY = core::DegMinToDeg(Utf8(text("EditLabelY")));
  m_state.MapKind = CheckedMapKind();
  m_state.ScaleBar = findChild<QCheckBox*>(QStringLiteral("ScaleBar"))->isChecked();
  m_state.ScaleBarCorner = findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->currentIndex();
  m_state.MapFileName = text("EditMapFile");
  m_status[0]->setText(FileNamePart(text("EditGrdFile")));
  m_status[0]->setToolTip(text("EditGrdFile"));
  const std::pair<int, const char*> precision[] = {{0, "・"},   {1, "3次"},  {2, "2倍"},
                                                   {5, "５倍"}, {10, "2次"}, {12, "1/2"}};
  for (const auto& [code, word] : precision) {
    if (code == m_state.GridSize) m_status[2]->setText(QString::fromUtf8(word));
  }
  m_status[4]->setText(m_state.MeshSize == 0
                           ? QStringLiteral("なし")
                           : QString::number(m_state.MeshSize) + QStringLiteral("次"));
  m_state.MapColor = platform::SwatchColor(findChild<QWidget*>(QStringLiteral("MapColorBt")));
  m_state.SubColor = platform::SwatchColor(findChild<QWidget*>(QStringLiteral("SubColorBt")));
  m_state.MshColor = platform::SwatchColor(findChild<QWidget*>(QStringLiteral("MshColorBt")));
  MarkDetailMenu();
}

void TForm1::BtnNewMapClick() {
  try {
    GetDataFromScr();
  } catch (const core::ConversionError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()));
    return;
  }
  m_settingBoard->hide();
  if (!platform::FileExists(ResolveDataFile(m_state.MapFileName))) {
    m_dialogs->open.initialDir = QFileInfo(m_state.MapFileName).absolutePath();
    m_dialogs->open.filter =
        QStringLiteral("設定ファイル (*.ini)|*.ini|地図ﾌｧｲﾙ (*.mdt)|*.mdt|分布ﾃﾞｰﾀ (*.grd)|*.grd");
    m_dialogs->open.filterIndex = 2;
    if (platform::AskForMissingMap(*m_dialogs, m_state.MapFileName)) {
      m_state.MapFileName = m_dialogs->open.fileName;
      findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->setText(m_state.MapFileName);
    }
  }
  platform::BusyCursor busy;
  try {
    ReplaceMaps();
    SetGridType();
  } catch (const LayoutError& error) {
    m_dialogs->ShowError(QString::fromUtf8(error.what()));
    update();
    return;
  }
  try {
    DrawMapLines();
  } catch (const core::IoError& error) {
    const QString named = findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->text();
    m_dialogs->ShowError(named.isEmpty()
                             ? QStringLiteral("地図ファイルが指定されていません")
                             : QString::fromStdString(error.what()) + QLatin1Char('\n') + named);
  } catch (const core::ConversionError& error) {
    m_dialogs->ShowError(
        QStringLiteral("%1 行目: %2").arg(error.Line()).arg(QString::fromStdString(error.what())));
  }
  ClearDotMaps();
  if (platform::FileExists(ResolveDataFile(m_state.GrdFileName)) &&
      LoadGrdToEditorTold(m_state.GrdFileName, true)) {
    PlotOnMap();
  }
  update();
}

void TForm1::ShowLabels(int index, bool shown) {
  platform::Chart& c = m_charts.at(static_cast<size_t>(index))->Model();
  c.Axis(AxisSide::Left).labelsVisible = shown;
  c.Axis(AxisSide::Bottom).labelsVisible = shown;
  c.titleVisible = shown;
  if (index == 3) c.Axis(AxisSide::Right).labelsVisible = shown;
}

void TForm1::SetFigureTitle(const QString& title) {
  auto* field = findChild<QLineEdit*>(QStringLiteral("EditTitle"));
  if (field->text() != title) platform::ShowWholeText(field, title);
  // The corner never shows its component title; its after-draw hook writes this one,
  // wrapped to the corner, when the figure is to carry it.
  m_charts[0]->Model().title = title;
  m_charts[1]->Model().title = title;
  m_charts[2]->Model().title = title + QStringLiteral("　東西断面図");
  m_charts[3]->Model().title = title + QStringLiteral("　南北断面図");
  for (platform::ChartWidget* chart : m_charts)
    chart->update();
}

void TForm1::ReplaceMaps() {
  LayoutInput in;
  in.gx1 = m_state.GX1;
  in.gx2 = m_state.GX2;
  in.gy1 = m_state.GY1;
  in.gy2 = m_state.GY2;
  in.i2k = m_state.I2K;
  in.mapKind = m_state.MapKind;
  const QSize client = ClientSize();
  in.clientWidth = client.width();
  in.clientHeight = client.height();
  in.zoom = m_state.ZoomFactor;
  in.fitToWidth = m_state.FitToWidth;
  // Refused before anything changes: the charts keep their layout. Fitted to the window,
  // the whole figure fits what the drawing area shows, not a share of the window's height
  // that takes no account of the profiles, the menu and the status bar.
  const QSize view = m_fixedClient.isValid() ? m_fixedClient : m_sheet->size();
  const ChartLayout layout = m_state.FitToWidth
                                 ? LayoutCharts(in, m_layout)
                                 : FitLayout(in, m_layout, view.width(), view.height());
  m_layout = layout;
  m_state.MapAspect = layout.mapAspect;
  m_sheet->verticalScrollBar()->setValue(0);
  m_sheet->horizontalScrollBar()->setValue(0);

  SetFigureTitle(findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text());
  platform::Chart& map = m_charts[1]->Model();
  map.Axis(AxisSide::Bottom).minimum = m_state.GX1;
  map.Axis(AxisSide::Bottom).maximum = m_state.GX2;
  map.Axis(AxisSide::Bottom).increment = 1;
  map.Axis(AxisSide::Left).minimum = m_state.GY1;
  map.Axis(AxisSide::Left).maximum = m_state.GY2;
  map.titleVisible = false;
  platform::Chart& we = m_charts[2]->Model();
  we.titleVisible = false;
  we.Axis(AxisSide::Bottom).axisPen = {0, 2, true, false};
  we.Axis(AxisSide::Bottom).minimum = m_state.GX1;
  we.Axis(AxisSide::Bottom).maximum = m_state.GX2;
  we.Axis(AxisSide::Left).increment = 500;
  we.Axis(AxisSide::Left).valueFormat = "###0m";
  we.Axis(AxisSide::Left).minimum = m_state.GH1;
  we.Axis(AxisSide::Left).maximum = m_state.GH2;
  platform::Chart& sn = m_charts[3]->Model();
  sn.titleVisible = false;

  ChartAxis& snBottom = sn.Axis(AxisSide::Bottom);
  ChartAxis& snLeft = sn.Axis(AxisSide::Left);
  ChartAxis& snRight = sn.Axis(AxisSide::Right);
  switch (m_state.MapKind) {
    case 1:
      ShowLabels(1, true);
      break;
    case 2:
      // No map, so no legend on it to tell about.
      ShowLegendNote(false);
      ShowLabels(2, true);
      ShowLabels(3, true);
      we.titleVisible = true;
      snRight.visible = false;
      snRight.labelsVisible = false;
      snBottom.visible = true;
      snBottom.axisPen = {0, 2, true, false};
      snBottom.inverted = false;
      snBottom.labelsVisible = true;
      snBottom.minimum = m_state.GY1;
      snBottom.maximum = m_state.GY2;
      snBottom.valueFormat = kDegreeFormat;
      snLeft.inverted = false;
      snLeft.visible = true;
      snLeft.axisPen = {0, 1, true, false};
      snLeft.increment = 500;
      snLeft.valueFormat = "###0m";
      snLeft.minimum = m_state.GH1;
      snLeft.maximum = m_state.GH2;
      snLeft.tickLength = 3;
      sn.titleVisible = true;
      break;
    default:
      for (int i = 1; i <= 3; ++i)
        ShowLabels(i, false);
      snLeft.axisPen.visible = false;
      snLeft.minimum = m_state.GY1;
      snLeft.maximum = m_state.GY2;
      snRight.visible = true;
      snRight.axisPen = {0, 2, true, false};
      snRight.inverted = false;
      snRight.minimum = m_state.GY1;
      snRight.maximum = m_state.GY2;
      snRight.labelsVisible = false;
      snBottom.visible = true;
      snBottom.inverted = true;
      snBottom.minimum = m_state.GH1;
      snBottom.maximum = m_state.GH2;
      snBottom.axisPen.visible = true;
      snBottom.increment = 500;
      snBottom.valueFormat = "###0m";
      break;
  }

  QRect covered;
  for (size_t i = 0; i < 4; ++i) {
    platform::ChartWidget* widget = m_charts[i];
    const ChartRect& r = layout.rect[i];
    widget->setGeometry(r.left, r.top, std::max(r.width, 0), std::max(r.height, 0));
    // Enlarged, a chart is the same picture at more pixels: its text, markers and lines
    // grow with it.
    widget->SetScale(m_state.ZoomFactor);
    widget->setVisible(layout.shown[i]);
    if (layout.shown[i]) covered |= widget->geometry();
    widget->update();
  }
  m_sheetArea->setMinimumSize(covered.right() + 1, covered.bottom() + 1);
  m_settingBoard->raise();
}

void TForm1::SetGridType() {
  platform::Chart& map = m_charts[1]->Model();
  platform::Chart& we = m_charts[2]->Model();
  platform::Chart& sn = m_charts[3]->Model();
  GridAxes axes{&map.Axis(AxisSide::Bottom),
                &map.Axis(AxisSide::Left),
                &we.Axis(AxisSide::Bottom),
                &we.Axis(AxisSide::Left),
                nullptr,
                nullptr};
  if (m_state.MapKind == 2) {
    sn.Axis(AxisSide::Top).visible = false;
    sn.Axis(AxisSide::Right).visible = false;
    axes.snLatitude = &sn.Axis(AxisSide::Bottom);
    axes.snAltitude = &sn.Axis(AxisSide::Left);
  } else if (m_state.MapKind == 3) {
    sn.Axis(AxisSide::Top).visible = false;
    sn.Axis(AxisSide::Left).visible = false;
    axes.snLatitude = &sn.Axis(AxisSide::Right);
    axes.snAltitude = &sn.Axis(AxisSide::Bottom);
  }
  GridInput in;
  in.meshSize = m_state.MeshSize;
  in.meshColor = m_state.MshColor;
  in.gx1 = m_state.GX1;
  in.gx2 = m_state.GX2;
  in.gy1 = m_state.GY1;
  in.gy2 = m_state.GY2;
  in.gh2 = m_state.GH2;
  chart::SetGridType(axes, in);
  for (platform::ChartWidget* widget : m_charts)
    widget->update();
}

void TForm1::KeepPathOfFile(const char* fieldName, QString& path) {
  auto* field = findChild<QLineEdit*>(QString::fromLatin1(fieldName));
  path = field->text();
  // A bare name may stand for a file the program brings.
  if (!platform::FileExists(ResolveDataFile(path))) {
    path.clear();
    field->clear();
  }
}

void TForm1::EditMapFileChange() {
  KeepPathOfFile("EditMapFile", m_state.MapFileName);
}

void TForm1::EditGrdFileChange() {
  KeepPathOfFile("EditGrdFile", m_state.GrdFileName);
}

bool TForm1::WriteDefaultSettingsTold() {
  const QFileInfo program(m_programPath);
  m_state.IniFileName = program.absolutePath() + QLatin1Char('/') + program.completeBaseName() +
                        QStringLiteral(".ini");
  return WriteIniFileTold();
}

void TForm1::MenuQuitClick() {
  WriteDefaultSettingsTold();
  close();
}

bool TForm1::MayClose() {
  if (m_editor->IsModified()) {
    const QString name = m_editor->SourceFile().isEmpty()
                             ? QStringLiteral("新しい分布データ")
                             : QFileInfo(m_editor->SourceFile()).fileName();
    if (!platform::AskToKeepWork(
            *m_dialogs,
            QStringLiteral("データエディタの %1 は保存されていません。保存しますか？").arg(name),
            [this] { return RunDataSaveDialog() && SaveEditorText(m_dialogs->save.fileName); })) {
      return false;
    }
  }
  return m_settingsBaseline.MayClose(*m_dialogs, [this] { return WriteDefaultSettingsTold(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  platform::CloseIf(event, MayClose());
}

void TForm1::HelpVersionClick() {
  TAboutBox box(this);
  box.exec();
}

}  // namespace chart
