#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

#include "chart/ChartLayout.h"
#include "platform/chart/ChartWidget.h"
#include "platform/raster/RasterLayer.h"
#include "platform/ui/DialogService.h"

class QLabel;
class QGroupBox;
class QScrollArea;

namespace chart {

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
};

/// The main window of the chart map program.
class TForm1 : public QMainWindow {
 public:
  /// `arguments` are the command-line arguments without the program path; `dialogs`
  /// replaces the real dialogs (tests pass a scripted double); `programPath` is the
  /// program file, beside which the default settings file lives.
  TForm1(const QStringList& arguments, std::unique_ptr<platform::DialogService> dialogs = nullptr,
         const QString& programPath = QString());
  ~TForm1() override;

  void FormCreate(const QStringList& arguments);
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

  DrawingState& State() { return m_state; }
  platform::ChartWidget* ChartAt(int index) const {
    return m_charts.at(static_cast<size_t>(index));
  }
  QString StatusText(int panel) const;
  /// The client size the layout works with; tests and the scripted export fix it.
  void SetFixedClientSize(int width, int height);

 private:
  void BuildWindow();
  void BuildSettingBoard();
  void BuildStatusBar();
  void BuildMenus();
  void SetupCharts();
  void ShowLabels(int chart, bool shown);
  // The field's text becomes `path` when it names a file; otherwise both are emptied.
  void KeepPathOfFile(const char* fieldName, QString& path);
  QSize ClientSize() const;

  std::unique_ptr<platform::DialogService> m_dialogs;
  QString m_programPath;
  DrawingState m_state;
  ChartLayout m_layout;
  QScrollArea* m_sheet = nullptr;
  QWidget* m_sheetArea = nullptr;
  QGroupBox* m_settingBoard = nullptr;
  std::array<platform::ChartWidget*, 4> m_charts{};
  std::array<QLabel*, 14> m_status{};
  QSize m_fixedClient;
};

}  // namespace chart
