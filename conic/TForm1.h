#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <array>
#include <memory>
#include <optional>

#include "conic/BaseMap.h"
#include "conic/Geometry.h"
#include "conic/Plotting.h"
#include "platform/raster/PngWriter.h"
#include "platform/raster/RasterLayer.h"
#include "platform/text/SettingsTable.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/Printing.h"
#include "platform/ui/RecentFiles.h"
#include "platform/ui/SettingsBaseline.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPageLayout;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace platform {
class IniFile;
class LayerView;
}  // namespace platform

namespace conic {

/// Everything the window keeps between commands.
struct DrawingState {
  QString IniFileName;
  QString MapFileName;
  QString GrdFileName;
  QString CRst1 = QStringLiteral("Distribution Map");
  int MapsType = 3;   ///< 3 three-view; 1 vertical distribution; 2 enlarged map
  int SheetSize = 0;  ///< 0 window width, 1 A6, 2 A5, 3 A4, 4 A3
  int GridSize = 10;
  WinColor MapColor = 0;
  WinColor SubColor = 8421504;
  WinColor MshColor = 16776960;
  int MLineW = 1;
  int SLineW = 1;
  int GLineW = 1;
  double ScaleFactorLegend = 1.2;
  double ScaleFactorHeader = 1.5;
  std::array<TMarkStyle, 5> MarkStyles = DefaultMarkStyles();
  int PlotCount = 0;
  int CategoryCount = 0;
};

/// The sheet sizes in pixels, by `SheetSize` 1..4 (0 is the window width).
struct SheetPixels {
  int width;
  int height;
};
std::optional<SheetPixels> SheetPixelsOf(int sheetSize, int windowWidth);

/// The dots per inch a sheet is printed at: that of the A-series sheets, whose pixels the
/// figure's lines, markers and text are sized in.
inline constexpr int kPrintResolution = platform::kPrintDpi;
/// The widest sheet a printed page is drawn on, the A3 sheet's. A paper that would need a
/// wider one is printed at a lower resolution, so that the drawing's memory stays bounded
/// whatever paper is chosen.
inline constexpr int kMaxPrintSheetWidth = 3500;

/// The largest sheet of the program's proportions inside a printable area of `area` pixels,
/// centred in it; empty when none fits.
QRect SheetOnPage(const QSize& area);
/// The resolution a page of `layout` is printed at: kPrintResolution, or less where the
/// sheet would be wider than kMaxPrintSheetWidth pixels.
int PrintResolution(const QPageLayout& layout);

/// The figure as written out: the base map, the legend box whitened, then every pixel
/// ANDed with the plot layer; so white plot pixels leave the base map, and the legend box
/// shows the plot layer alone.
QImage ComposeLayers(const QImage& base, const QImage& plot, const QRect& legendBox);

/// The main window of the conic map program.
class TForm1 : public QMainWindow {
 public:
  /// `arguments` are the command-line arguments without the program path; `dialogs`
  /// replaces the real dialogs (tests pass a scripted double); `programPath` is the
  /// program file, whose folder holds the default settings.
  TForm1(const QStringList& arguments, std::unique_ptr<platform::DialogService> dialogs = nullptr,
         const QString& programPath = QString());
  ~TForm1() override;

  // Commands and steps, named as the menus and buttons know them.
  void FormCreate(const QStringList& arguments);
  /// Opens the file a file manager handed over on the command line (see
  /// platform::FileToOpenFromArguments): distribution data is drawn at once on the map the
  /// settings name; a map file is put into the panel for the next drawing.
  void OpenFileArgument(const QStringList& arguments);
  void InitializeVariables();
  void SetParameter();
  void SetLayerSize(platform::RasterLayer& layer, int width, int height);
  void DrawMap(bool isNew);
  /// The drawing: with `isNew` the panel, layout and base map; with `plot` the data file
  /// named in the panel. False when it failed (the message was shown) or was cancelled.
  bool RunDrawing(bool isNew, bool plot);
  /// Shows a plotting pass's error, or else what it could not draw; false on an error.
  bool ReportPlotting(const QString& error);
  void DrawMapNewClick();
  void BtnGetMapFileClick();
  void BtnGetDataFileClick();
  void BtnSettingCancelClick();
  void ReSetItemClick();
  void ReplaceMaps();
  void DrawBaseMap();
  void HelpVersionItemClick();

  // Plotting and the legend editor.
  void ClearAllPlot();
  /// Plots the distribution data file `fname` on the plot layer; with `isNew` the legend
  /// heading and category titles come from the file. Raises the reader's errors.
  void ReadAndPlot(const QString& fname, bool isNew);
  void EditMarkItemClick();
  void MrkColorClick(int row);
  void BtnReDrawClick();
  void BtnCancelClick();
  // Settings file.
  void ReadIniFile();
  /// Takes the settings of a profile into the panel, the legend editor and the state.
  void ApplySettings(const platform::IniFile& ini);
  void WriteIniFile();
  /// The profile the current settings make, over the keys of `base`.
  void StoreSettings(platform::IniFile& ini) const;
  /// Where a settings file name stands on this system (see the definition).
  QString ResolveSettingsFile(const QString& name) const;
  void BtnGetIniFileClick();
  /// Reads a settings file the user chose and keeps it among the recent files.
  void OpenSettingsFile(const QString& path);
  /// The recent files' menu entry: a data file drawn anew, a settings file read; one that is
  /// gone is told and forgotten.
  void OpenRecentFile(const QString& path, bool settings);
  /// Keeps the recent files in `file` (the user's configuration folder) rather than for the
  /// run only.
  void UseRecentFiles(const QString& file) { m_recent = platform::RecentFiles(file); }
  const platform::RecentFiles& Recent() const { return m_recent; }
  void EditIniFileChange();
  void SaveIniFileItemClick();

  // Figure output.
  /// Base map, the legend box whitened, and the plot layer ANDed over them.
  QImage ComposeFigure() const;
  /// The composed figure as a PNG file; raises core::IoError when it cannot be written.
  void SaveFigurePng(const QString& path) const;
  /// Without a window to show (the scripted export), the layers are not copied for the
  /// screen after each drawing.
  void SetHeadless(bool headless) { m_headless = headless; }
  void ToPNGFormat(bool isFile);
  void SaveToPNGItemClick() { ToPNGFormat(true); }
  void CopyMapItemClick() { ToPNGFormat(false); }
  void ScrollBox1Resize();
  /// The figure the layers show, drawn anew on a sheet `width` pixels wide: the map and the
  /// data file read again and drawn with the settings, titles and legend they were drawn
  /// with. Nothing of the window changes. Raises the readers' errors, the file being read
  /// left in `reading`.
  QImage FigureAtWidth(int width, QString* reading = nullptr) const;
  /// "印刷": the figure on the page the user sets up in the print preview, drawn anew at the
  /// page's resolution and put on it pixel for pixel. True when printed.
  bool PrintMapItemClick();

  // Menus and display options.
  void NewPlotItemClick();
  void MenuQuitItemClick();
  void FontBtnClick();
  void BtnFontClick();
  /// Takes the title's font; its field shows the face and weight at a size it can hold.
  void SetTitleFieldFont(QFont font);
  /// The title's font as chosen or read, whatever size its field shows it at.
  const QFont& ChosenTitleFont() const { return m_titleFont; }
  void ShowTitleItemClick();
  void ShowLegendItemClick();
  void ShowCombClick();
  void GraticuleLineItemClick();
  void PrefLineItemClick();
  /// "縮尺を表示": the scale bar switched on or off, and the map drawn anew.
  void ScaleBarItemClick();
  void PrecisionItemClick(int gridSize);
  void SheetItemClick(int sheetSize);
  /// "画面に収める": the window-width sheet made as large as the window shows whole.
  void FitWindowItemClick();
  /// The window-width sheet's width: the drawing area's width, or with the fit the largest
  /// width whose sheet the drawing area shows whole.
  int WindowSheetWidth() const;
  void LineColorBtnClick(int line);  ///< 0 coastline, 1 boundary, 2 graticule
  void LineWidthClick(int line);
  void LandOceanColClick(bool land);
  void WEBHelpClick();
  /// Re-plots a data file over the base map on screen, as a dropped file.
  bool DropFile(const QString& path);
  /// Sheets of window width are this wide when there is no window to measure (0: measure).
  void SetFixedWindowWidth(int width) { m_fixedWindowWidth = width; }
  void SetFixedWindowHeight(int height) { m_fixedWindowHeight = height; }
  /// A bundled file, `folder` "data" or "docs"; empty when it cannot be found.
  QString FindBundled(const QString& folder, const QString& name) const;
  /// Where the bundled manual stands.
  QString ManualPath() const;
  /// The page the web help opens: the web address the build was given, else the bundled
  /// manual's index page; empty when there is neither.
  QUrl WebHelpAddress() const;

  /// Where the last base map's scale bar stands; empty when it has none.
  QRect ScaleBarBox() const { return m_scaleBarBox; }
  /// The legend box of the last legend drawn, empty before any.
  QRect LegendBox() const { return m_legendBox; }
  /// The file the last failed drawing or drop concerned (map or data file).
  const QString& ErrorFile() const { return m_errorFile; }
  /// Records of the last plotting pass that are not drawn, and the sentence that tells how
  /// many, the first one's line and reason, and the checker's command that lists them.
  long NotDrawn() const { return m_notDrawn; }
  const QString& NotDrawnSentence() const { return m_notDrawnSentence; }

  DrawingState& State() { return m_state; }
  const DrawingState& State() const { return m_state; }
  /// The settings file's keys, in their order, with how each is read and written.
  static const platform::SettingsTable<TForm1>& Settings();
  static std::vector<const platform::SettingName*> SettingNames();
  const Geometry& GetGeometry() const { return m_geometry; }
  platform::RasterLayer& CanvasM() { return m_canvasM; }
  platform::RasterLayer& CanvasP() { return m_canvasP; }
  platform::DialogService& Dialogs() { return *m_dialogs; }
  QString StatusText(int panel) const;
  void SetStatus(int panel, const QString& text);
  /// The style the base map is painted with, from the drawing state and the panel.
  BaseMapStyle CurrentBaseMapStyle() const;
  /// A data file name as given, or where the bundled data has it when the name has no
  /// folder and no such file stands in the current folder.
  QString ResolveDataFile(const QString& name) const;

 private:
  void BuildWindow();
  void BuildMenus();
  void BuildSettingBoard();
  void BuildStatusBar();
  /// The message a failed drawing shows: the error's own text, then the file and line.
  static QString ErrorMessage(const std::exception& error, const QString& file);
  void RefreshLayers();
  void BuildLegendEditor();
  void ConnectPanelCommands();
  void SetCategoryTitle(int category, const QString& title);
  void SetLegendHeading(const QString& heading);
  /// The warning panel from the last base map and plotting pass.
  void ShowWhatIsNotDrawn();
  QFont LegendFont() const;
  QFont TitleFont() const;

  DrawingState m_state;
  Geometry m_geometry;
  platform::RasterLayer m_canvasM;
  platform::RasterLayer m_canvasP;
  std::unique_ptr<platform::DialogService> m_dialogs;
  QString m_programPath;
  QFont m_textFont;

  QScrollArea* m_scrollBox = nullptr;
  platform::LayerView* m_layerView = nullptr;
  QFrame* m_settingBoard = nullptr;
  std::array<QLabel*, 11> m_status{};

  QFrame* m_markEditor = nullptr;
  std::array<QComboBox*, 5> m_cboxMark{};
  std::array<QComboBox*, 5> m_cboxSize{};
  std::array<QCheckBox*, 5> m_markRim{};
  std::array<QLineEdit*, 5> m_editLegName{};
  // The texts last taken from the data file, so that a title the user edited survives a
  // redraw of the same data and gives way to a file with other headers.
  std::array<QString, 5> m_fileTitles{};
  QString m_fileHeading;
  QRect m_legendBox;
  /// What the last plotting pass could not draw, told once the pass has ended.
  QString m_plotWarning;
  /// What the last base map could not draw for want of a section of the map file.
  QString m_mapWarning;
  /// The sections of the map file the last base map missed ("*G-MAP"), for the status bar.
  QStringList m_missingSections;
  /// The scale bar of the last base map, and whether one asked for was left out.
  QRect m_scaleBarBox;
  bool m_scaleBarLeftOut = false;
  static QString ScaleBarLeftOutSentence();
  /// Records of the last plotting pass that are not drawn, and the sentence telling them.
  long m_notDrawn = 0;
  QString m_notDrawnSentence;
  QString m_errorFile;
  QFont m_titleFont;
  /// The figure type the settings file last read asked for.
  int m_settingsMapsType = 3;
  bool m_headless = false;
  WinColor m_titleColor = platform::kBlack;
  // How the figure on the layers was drawn, to draw it again at the size a printed page
  // needs: the base map, and the plot layer with its title and legend as they were drawn.
  struct BaseDrawn {
    BaseMapStyle style;
    QString mapFile;
    QFont labelFont;
    WinColor labelColor = platform::kBlack;
    int width = 0;  ///< the sheet's width as drawn, which its sizes in pixels were chosen for
  };
  struct TitleDrawn {
    QFont font;
    WinColor color = platform::kBlack;
    QString text;
  };
  struct PlotDrawn {
    QString dataFile;
    int gridSize = 0;
    int mapsType = 3;
    std::array<TMarkStyle, 5> styles{};
    std::optional<TitleDrawn> title;
    std::optional<LegendSpec> legend;
  };
  std::optional<BaseDrawn> m_baseDrawn;
  std::optional<PlotDrawn> m_plotDrawn;
  platform::FigurePrinter m_printer;
  int m_fixedWindowWidth = 0;
  /// The drawing area's height when there is no window to measure (tests and exports).
  int m_fixedWindowHeight = 0;
  bool m_fitWindow = false;
  platform::RecentFiles m_recent;

 public:
  /// True when the settings differ from those last read or written.
  bool SettingsChanged() const { return m_settingsBaseline.Changed(); }
  /// Before the window closes another way than "終了": asks about changed settings; false
  /// when the user cancels or the save fails.
  bool MayClose();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  /// Writes the settings to the default file, as "終了" does; true when written (a failure
  /// is shown).
  bool WriteDefaultSettingsTold();
  void TakeSettingsBaseline() { m_settingsBaseline.Take(); }
  /// The settings as last read or written, to tell whether closing would lose a change.
  platform::SettingsBaseline m_settingsBaseline{
      [this] { return platform::SettingsSnapshot(Settings(), *this); }};
};

}  // namespace conic
