#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chart/ChartLayout.h"
#include "chart/Plotting.h"
#include "chart/ScaleBar.h"
#include "platform/chart/ChartWidget.h"
#include "platform/raster/RasterLayer.h"
#include "platform/text/SettingsTable.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/MarkStyle.h"
#include "platform/ui/Printing.h"
#include "platform/ui/RecentFiles.h"
#include "platform/ui/SettingsBaseline.h"

class QAction;
class QCloseEvent;
class QCheckBox;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QLineEdit;
class QPushButton;
class QImage;
class QLabel;
class QGroupBox;
class QMenu;
class QPainter;
class QScrollArea;

namespace platform {
class IniFile;
}

namespace chart {

class TForm2;

using platform::WinColor;

/// What the settings panel, the settings file and the menus feed the drawing steps.
struct DrawingState {
  int GridSize = 1;         ///< plotting precision 0, 1, 2, 5, 10, 12
  int MeshSize = 0;         ///< mesh lines: 0 none, 1 first-order, 2 second-order, 3 standard
  double GX1 = 0, GX2 = 0;  ///< west and east edge, degrees
  double GY1 = 0, GY2 = 0;  ///< south and north edge, degrees
  double GH1 = 0, GH2 = 0;  ///< altitude range of the profiles, metres
  double I2K = 0;           ///< a degree of latitude over a degree of longitude
  double LabX = 0, LabY = 0;
  int MapKind = 0;  ///< 1 map, 2 profiles, 3 both
  QString MapFileName;
  QString GrdFileName;
  QString IniFileName;
  WinColor MapColor = 0;
  WinColor SubColor = 0x808080;
  WinColor MshColor = 0x808080;
  int MLW = 1;
  int ZoomFactor = 1;
  bool FitToWidth = true;
  double MapAspect = 0;
  int LegendPixelX = 50;
  int LegendPixelY = 50;
  /// Marker styles of data categories 1 to 6.
  std::array<platform::TMarkStyle, 6> MarkStyles{};
  /// Categories and records of the data plotted last.
  int CategoryCount = 0;
  int PlotCount = 0;
  /// The profiles show only the records inside the map's range.
  bool ProfilesInRange = true;
  /// The three-view figure carries the title in its corner (the map alone and the profiles
  /// carry it over their charts whatever this says).
  bool FigureTitle = false;
  /// A scale bar on the map, in the corner of that code (core::MapCorner).
  bool ScaleBar = false;
  int ScaleBarCorner = 0;
};

/// The marker styles a settings file without them gives: shapes 1 to 6, size 3, blue
/// fill, black rim.
std::array<platform::TMarkStyle, 6> DefaultMarkStyles();

/// The file formats a figure is written in.
enum class FigureFormat { Emf, Svg, Pdf, Png };

/// The format a file name's suffix names (.emf, .svg, .pdf, .png, any letter case).
std::optional<FigureFormat> FigureFormatOf(const QString& path);
/// "-H", "-V" or "-3D": what names of figures of the chart set `mapKind` end with.
QString FigureSuffix(int mapKind);

/// Chart series of the figure: the map lines and the six data categories of each chart.
struct SeriesTables {
  platform::LineSeries* lines = nullptr;
  std::array<platform::PointSeries*, 6> categories{};
};

/// The main window of the chart map program.
/// The map of Japan the program brings, by the bare name that finds it: what a figure is
/// drawn on when no map is named.
inline constexpr char kBundledMapName[] = "三面図全国.mdt";

class TForm1 : public QMainWindow {
 public:
  /// `arguments` are the command-line arguments without the program path; `dialogs`
  /// replaces the real dialogs (tests pass a scripted double); `programPath` is the
  /// program file, beside which the default settings file lives.
  TForm1(const QStringList& arguments, std::unique_ptr<platform::DialogService> dialogs = nullptr,
         const QString& programPath = QString());
  ~TForm1() override;

  void FormCreate(const QStringList& arguments);
  /// Opens the file a file manager handed over on the command line (see
  /// platform::FileToOpenFromArguments): distribution data is drawn at once on the map the
  /// settings name; a map file is put into the panel for the next drawing.
  void OpenFileArgument(const QStringList& arguments);
  void InitializeVariables();
  /// Reads the settings panel into the drawing state; raises core::ConversionError with
  /// the user's message at the first field that does not read.
  void GetDataFromScr();
  /// The whole build of the figure ("分布図を作成する"); errors are shown, never thrown.
  void BtnNewMapClick();
  /// Places and sizes the charts for the chart set; raises LayoutError, changing nothing.
  void ReplaceMaps();
  void SetGridType();
  /// The map and data file fields: the state takes the field's path, and a path that names
  /// no file empties both. Typing is judged when the user finishes the field (Enter or
  /// leaving it), not at every letter; a path the program sets is judged at once.
  void EditMapFileChange();
  void EditGrdFileChange();
  void MenuQuitClick();
  void HelpVersionClick();

  // Settings file.
  void ReadIniFile();
  /// What ReadIniFile does with the file's contents.
  void ApplySettings(const platform::IniFile& ini);
  void WriteIniFile();
  /// The panel and the drawing state written into `ini`; other keys stay as they are.
  void StoreSettings(platform::IniFile& ini) const;
  /// ReadIniFile and WriteIniFile with what goes wrong shown; true when all went well.
  bool ReadIniFileTold();
  bool WriteIniFileTold();
  QString ResolveSettingsFile(const QString& name) const;
  QString ResolveDataFile(const QString& name) const;
  void EditIniFileChange();
  void OpenIniFileItemClick();
  /// Reads a settings file the user chose, as the settings-open command does, and keeps it
  /// among the recent files.
  void OpenSettingsFile(const QString& path);
  /// The recent files' menu entry: a data file drawn as "分布データを読込" would draw it, a
  /// settings file read; one that is gone is told and forgotten.
  void OpenRecentFile(const QString& path, bool settings);
  /// Keeps the recent files in `file` (the user's configuration folder) rather than for the
  /// run only.
  void UseRecentFiles(const QString& file) { m_recent = platform::RecentFiles(file); }
  const platform::RecentFiles& Recent() const { return m_recent; }
  void SaveIniFileItemClick();

  // Commands of the menus and the panel's buttons.
  void ReSetItemClick();
  /// The Detail menu's precision entries, by precision code.
  void PlotSizeClick(int gridSize);
  /// The Detail menu's mesh-line entries, by mesh level.
  void MeshLineClick(int meshSize);
  void PrefLinesClick();
  /// "縮尺を表示": the scale bar switched on or off by its entry's mark, and the figure built.
  void ScaleBarItemClick();
  /// "断面図には範囲内の記録だけを描く": turns the choice over and plots again.
  void ProfilesInRangeClick();
  /// "三面分布図に標題を入れる": turns the choice over and draws the corner again.
  void FigureTitleClick();
  /// Sets the title the charts carry, as the title field and a rebuild would.
  void SetFigureTitle(const QString& title);
  void ShowAllClick();
  void ShowHorizonClick();
  void ShowVerticalClick();
  void ShowHeightFillClick();
  void ShowWidthFillClick();
  /// "画面の２倍大にする" and "画面の４倍大にする".
  void ShowEnlargedClick(int zoom);
  void HelpMokujiClick();
  void BtnGetMapFileClick();
  void BtnGetDataFileClick();
  /// The three line-colour buttons: 0 coastlines, 1 boundaries, 2 mesh lines.
  void LineColorBtClick(int line);
  void MapLWBtnClick();
  /// Recomputes the ratio of degree lengths; false (with the message shown) when a
  /// latitude field does not read.
  bool LabelRatioClick();
  void BtnSettingCancelClick();
  void HorizonMapClick();
  void ProfileMapClick();

  // Map lines, data and legend editor.
  void ClearMapLines();
  /// Refills the map-line series from the map file; raises core::IoError or
  /// core::ConversionError, the lines read before staying.
  void DrawMapLines();
  void ClearDotMaps();
  /// Plots the data editor's text on the charts.
  void PlotOnMap();
  /// Reads a distribution data file into the editor's text, replacing it (and naming the
  /// file in the data field) or appending; raises core::IoError, the text unchanged.
  void LoadGrdToEditor(const QString& path, bool replace);
  bool LoadGrdToEditorTold(const QString& path, bool replace);
  /// Reads an occurrence table (CSV or tab-separated) into the editor as data categories and
  /// records, and tells what was left out; an error message when it cannot be used.
  bool ImportTableTold(const QString& path, bool replace);
  /// What a save writes; each has its own filters in the one save dialog.
  enum class SaveKind { Settings, Data, Figure };
  /// The save dialog's title, filters (the first one chosen) and default extension for a
  /// save of that kind.
  void SetUpSaveDialog(SaveKind kind);
  /// True when a table file is to be imported rather than read as distribution data:
  /// asked of a text table, never of a spreadsheet, GPS or GIS file.
  bool AskTableImport(const QString& path);
  /// "分布データを読込" (`add` false) and "分布データを追加" (`add` true).
  void ReadGrdFile(bool add);
  /// The save dialog for the editor's text: in the folder of the file the text came from,
  /// proposing its name (a new text: the home folder); true on OK.
  bool RunDataSaveDialog();
  void SavePlotItemClick();
  /// True when `path` is the map or the settings file the figure is drawn from, or (with
  /// `withData`) its data file, however the path is spelled.
  bool IsFigureInput(const QString& path, bool withData) const;
  /// Writes the editor's text as a distribution data file, in the encoding and with the
  /// line ends of the file it came from; asks before changing the encoding, and shows
  /// failures. True when the file was written.
  bool SaveEditorText(const QString& path);
  void ClearPlotItemClick();
  void EditDataItemClick();
  void EditMarkItemClick();
  void MrkColorClick(int row);
  void BtnReDrawClick();
  void BtnCancelClick();
  /// "凡例の左上指定" on the map (false) or on the corner chart (true).
  void SetLegendPosClick(bool fromCorner);
  /// A file dropped on the window: appended to the data and plotted. False (with the
  /// message shown) when it cannot be read.
  bool DropFile(const QString& path);
  TForm2* Editor() const { return m_editor; }
  const std::array<QString, 6>& CategoryTitles() const { return m_categoryTitles; }
  /// What the last plotting pass came to.
  const PlotResult& LastPlot() const { return m_lastPlot; }
  /// How many records the last plotting pass did not draw, the first one's line and
  /// reason, and the checker's command that lists them; empty when all were drawn.
  QString NotDrawnSentence() const;

  // What the charts draw over themselves, and the read-out of a press on them.
  void Chart0AfterDraw(QPainter& painter, const platform::ChartMapping& mapping);
  void Chart1AfterDraw(QPainter& painter, const platform::ChartMapping& mapping);
  void Chart2AfterDraw(QPainter& painter, const platform::ChartMapping& mapping);
  void Chart3AfterDraw(QPainter& painter, const platform::ChartMapping& mapping);
  void Chart1MouseDown(Qt::MouseButton button, QPoint pixel);
  void Chart2MouseDown(Qt::MouseButton button, QPoint pixel);
  void Chart3MouseDown(Qt::MouseButton button, QPoint pixel);
  /// The font legends are written in.
  QFont LegendFont() const;

  // The figure.
  /// The size of the written figure for the last layout; raises LayoutError for one
  /// too large to write.
  QSize FigureSize() const;
  /// Draws every shown chart anew into its place on an output of FigureSize(); the
  /// window's legend anchor is left as it was. Sets of grid lines too many to draw are
  /// counted in `linesNotDrawn`.
  void RenderFigure(QPainter& painter, int* linesNotDrawn = nullptr);
  /// The figure on an opaque white image.
  QImage FigureImage(int* linesNotDrawn = nullptr);
  /// The figure as a file of that format holds it.
  std::string FigureBytes(FigureFormat format, int* linesNotDrawn = nullptr);
  /// Writes the figure in the format its name's suffix says (a metafile when it says
  /// none); raises core::IoError or LayoutError when it cannot.
  void SaveFigure(const QString& path, int* linesNotDrawn = nullptr);
  /// Writes FigureImage() as a PNG file; raises core::IoError when it cannot.
  void SaveFigurePng(const QString& path, int* linesNotDrawn = nullptr);
  /// "図をEMF形式で保存" and "図をクリップボードへ".
  void SaveToEMFItemClick();
  void CopyEMFItemClick();
  /// "印刷": the figure on the page the user sets up in the print preview, drawn as vectors
  /// through RenderFigure, as large as the printable area allows. True when printed.
  bool PrintItemClick();
  /// The map alone, the two profiles, the three-view: to the clipboard for the target
  /// "emf", else to the file it names; failures are shown.
  void SaveHChart(const QString& target);
  void Save2VChart(const QString& target);
  void Save3DChart(const QString& target);
  /// The file name the save command proposes: the data file's name with "-H", "-V" or
  /// "-3D" by the chart set shown, and the extension `extension`.
  QString ProposedFigureName(const QString& extension = QStringLiteral("emf")) const;
  /// Copies one chart (0–3) as drawn on screen to the clipboard, as a metafile (with SVG
  /// and PNG beside it) or as a bitmap.
  void CopyChart(int index, bool metafile);

  const SeriesTables& SeriesH() const { return m_seriesH; }
  const SeriesTables& SeriesW() const { return m_seriesW; }
  const SeriesTables& SeriesS() const { return m_seriesS; }
  /// The entry of the main menu or of a chart's context menu with that object name.
  QAction* Command(const QString& name) const;

  /// The chart set the two check boxes ask for: 1 map, 2 profiles, 3 both.
  int CheckedMapKind() const;
  DrawingState& State() { return m_state; }
  const DrawingState& State() const { return m_state; }
  /// The settings file's keys, in their order, with how each is read and written.
  static const platform::SettingsTable<TForm1>& Settings();
  static std::vector<const platform::SettingName*> SettingNames();
  platform::ChartWidget* ChartAt(int index) const {
    return m_charts.at(static_cast<size_t>(index));
  }
  QString StatusText(int panel) const;
  /// Status bar panels that tell what the figure shows otherwise than its settings ask,
  /// shown only while they have something to say: the legend moved into the corner, mesh
  /// lines left out, records outside the map's range.
  static constexpr int kLegendPanel = 14;
  static constexpr int kGridPanel = 15;
  static constexpr int kOutsidePanel = 16;
  /// The scale bar asked for but left out of the map's last paint.
  static constexpr int kScalePanel = 17;
  /// Whether the map's last paint (the window's or an output's) left out the scale bar
  /// that the settings ask for.
  bool ScaleBarLeftOut() const { return m_scaleBarLeftOut; }
  /// The scale bar of the map's last paint; none when it drew none.
  const std::optional<ScaleBarPlan>& LastScaleBar() const { return m_lastScaleBar; }
  /// The client size the layout works with; tests and the scripted export fix it.
  void SetFixedClientSize(int width, int height);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  /// Asks before unsaved data or changed settings would be lost.
  void closeEvent(QCloseEvent* event) override;

 public:
  /// True when the settings differ from those last read or written.
  bool SettingsChanged() const { return m_settingsBaseline.Changed(); }
  /// Before the window closes: asks about unsaved data in the editor, then about changed
  /// settings (not after "終了", which wrote them); false when the user cancels or a save
  /// fails.
  bool MayClose();

 private:
  void BuildWindow();
  /// The warning panel from the last map lines and plotting pass.
  void ShowWhatIsNotDrawn();
  void BuildMarkEditor();
  void BuildSettingBoard();
  void BuildStatusBar();
  void BuildMenus();
  void SetupCharts();
  void SetupSeries();
  void SetupDecorations();
  void AddPopupMenus();
  /// The Detail menu's check marks as the panel's last read left the drawing state.
  void MarkDetailMenu();
  /// Layout only, as the View menu's fit and enlargement commands run it.
  void Relayout();
  void SetMapLWCaption();
  void WriteFigureTo(const QString& target);
  /// The ratio field from the two latitude fields; raises core::ConversionError when one
  /// does not read, changing nothing.
  void UpdateRatio();
  void ShowLabels(int chart, bool shown);
  // The field's text becomes `path` when it names a file; otherwise both are emptied.
  void KeepPathOfFile(const char* fieldName, QString& path);
  QSize ClientSize() const;

  /// Whether the legend has an anchor of its own: not the corner chosen on the corner chart.
  bool HasLegendAnchor() const;
  /// The scale bar on the map when asked for, clear of the legend's box; the scale panel
  /// says when it is left out.
  void DrawScaleBarOnMap(QPainter& painter, const platform::ChartMapping& mapping,
                         const QRectF& legendBox);

 public:
  /// What the user is told when the scale bar is left out.
  static QString ScaleBarLeftOutSentence();

 private:
  /// The grid panel: says which mesh lines the shown charts left out, or nothing.
  void ShowGridNote();
  /// The legend panel: says that the legend was moved into the corner, or nothing.
  void ShowLegendNote(bool moved);
  /// Sets a note panel's text and tool tip; an empty text hides the panel.
  static void SetNote(QLabel* panel, const QString& text, const QString& tip);

  /// Writes the settings to the default file, as "終了" does; true when written.
  bool WriteDefaultSettingsTold();

  std::unique_ptr<platform::DialogService> m_dialogs;
  QString m_programPath;
  /// The settings as last read or written, to tell whether closing would lose a change.
  platform::SettingsBaseline m_settingsBaseline{
      [this] { return platform::SettingsSnapshot(Settings(), *this); }};
  platform::RecentFiles m_recent;
  /// The figure format the save dialog offered last (1-based filter: EMF, SVG, PDF, PNG).
  int m_figureFilterIndex = 1;
  platform::FigurePrinter m_printer;
  DrawingState m_state;
  ChartLayout m_layout;
  QScrollArea* m_sheet = nullptr;
  QWidget* m_sheetArea = nullptr;
  QGroupBox* m_settingBoard = nullptr;
  std::array<platform::ChartWidget*, 4> m_charts{};
  std::array<QLabel*, 18> m_status{};
  bool m_scaleBarLeftOut = false;
  std::optional<ScaleBarPlan> m_lastScaleBar;
  QSize m_fixedClient;
  SeriesTables m_seriesH, m_seriesW, m_seriesS;
  /// The manual, when one was found at start; help stays off without it.
  QString m_manual;
  /// The path the map-file dialog last opened.
  QString m_mapDialogDir;
  TForm2* m_editor = nullptr;
  std::array<QString, 6> m_categoryTitles;
  /// Titles typed into the legend editor, by the header they stand for: they stay
  /// through re-plots of the same data.
  std::vector<std::pair<QString, QString>> m_titleEdits;
  QFrame* m_markEditor = nullptr;
  PlotResult m_lastPlot;
  /// The sections of the map file the last map lines missed ("*G-MAP").
  QStringList m_missingSections;
  std::array<QComboBox*, 6> m_cboxMark{};
  std::array<QComboBox*, 6> m_cboxSize{};
  std::array<QPushButton*, 6> m_mrkColor{};
  std::array<QCheckBox*, 6> m_markRim{};
  std::array<QLineEdit*, 6> m_editLegName{};
};

}  // namespace chart
