// The map lines, the data editor's text and its plotting, and the legend editor.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <exception>
#include <iterator>
#include <new>

#include "chart/MapLines.h"
#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/SaveFile.h"
#include "core/TableFile.h"
#include "core/TableImport.h"
#include "core/TextCodec.h"
#include "core/TextFile.h"
#include "core/formats/OpenTable.h"
#include "platform/text/FileName.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/StatusWarning.h"
#include "platform/ui/Swatch.h"

namespace chart {

namespace {

// Tables come as .csv from spreadsheets and as .txt or .tsv from occurrence downloads
// (a Darwin Core Archive's occurrence.txt), and as the spreadsheet, GPS and GIS files the
// command-line import reads.
bool IsTableName(const QString& path) {
  return formats::IsTableName(path.toStdString());
}

// What the import read and left out, for a message box: the count, then the rows not
// written, at most a screenful of them.
QString ImportMessage(const core::ImportResult& result) {
  constexpr size_t kShown = 20;
  QString text = QString::fromStdString(result.columns) + QLatin1Char('\n') +
                 QString::fromStdString(core::ImportSummary(result));
  for (const std::string& warning : result.warnings)
    text += QStringLiteral("\n注意: ") + QString::fromStdString(warning);
  const std::vector<std::string> report = core::ImportReport(result);
  if (!report.empty()) text += QStringLiteral("\n表の行: 理由");
  for (size_t i = 0; i < report.size() && i < kShown; ++i)
    text += QLatin1Char('\n') + QString::fromStdString(report[i]);
  if (report.size() > kShown) {
    text += QStringLiteral("\nほか %1 行（全部を見るには tarvo-import を使ってください）")
                .arg(report.size() - kShown);
  }
  return text;
}

bool Ticked(const QObject* form, const char* name) {
  return form->findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked();
}

const char* const kShapeItems[] = {"□", "○", "△", "▽", "＋", "×", "＊", "◇"};
const char* const kSizeItems[] = {" 1", " 2", " 3", " 4", " 5", " 6", " 8", "10", "12", "16", "20"};

}  // namespace

void TForm1::ClearMapLines() {
  for (const SeriesTables* table : {&m_seriesH, &m_seriesW, &m_seriesS})
    table->lines->Clear(0);
}

void TForm1::DrawMapLines() {
  ClearMapLines();
  MapLineStyle style;
  style.horizonMap = Ticked(this, "HorizonMap");
  style.profileMap = Ticked(this, "ProfileMap");
  style.prefecture = Ticked(this, "Prefecture");
  style.mapColor = m_state.MapColor;
  style.subColor = m_state.SubColor;
  style.width = m_state.MLW;
  const QString path =
      ResolveDataFile(findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->text());
  core::LineReader reader = core::LineReader::Open(platform::FileNameBytes(path));
  m_missingSections.clear();
  const core::SectionsRead read =
      ReadMapLines(reader, style, *m_seriesH.lines, *m_seriesW.lines, *m_seriesS.lines);
  for (const std::string& header :
       core::MissingSections(read, style.prefecture && style.horizonMap, style.profileMap)) {
    m_missingSections << QString::fromStdString(header);
  }
  ShowWhatIsNotDrawn();
  // Told as Tarvo_L tells it: a map without its coastlines looks like a drawing otherwise.
  if (!m_missingSections.isEmpty()) {
    m_dialogs->ShowMessage(
        QStringLiteral("地図ファイルに %1 の区画がないので、その線は描かれていません\n（%2）")
            .arg(m_missingSections.join(QStringLiteral("、")), QFileInfo(path).fileName()));
  }
}

void TForm1::ShowWhatIsNotDrawn() {
  QStringList shortTexts;
  QStringList sentences;
  if (m_lastPlot.skipped > 0) {
    shortTexts << QStringLiteral("描かない記録 %1").arg(m_lastPlot.skipped);
    sentences << NotDrawnSentence();
  }
  if (!m_missingSections.isEmpty()) {
    shortTexts << QStringLiteral("地図の区画なし");
    sentences << QStringLiteral("地図ファイルに %1 の区画がないので、その線は描かれていません")
                     .arg(m_missingSections.join(QStringLiteral("、")));
  }
  platform::ShowStatusWarning(m_status[13], shortTexts, sentences);
}

QString TForm1::NotDrawnSentence() const {
  if (m_lastPlot.skipped == 0) return QString();
  // The text plotted is the editor's; the checker reads it from the file it came from.
  const QString source = m_editor->SourceFile();
  return QString::fromStdString(core::NotDrawnSentence(
      m_lastPlot.skipped, m_lastPlot.firstSkippedLine, m_lastPlot.firstSkippedReason.toStdString(),
      core::Program::Chart, m_state.GridSize,
      source.isEmpty() ? std::string("（保存したファイル）") : platform::FileNameBytes(source)));
}

void TForm1::ClearDotMaps() {
  chart::ClearDotMaps(m_state.CategoryCount, m_seriesH.categories, m_seriesW.categories,
                      m_seriesS.categories);
  m_state.CategoryCount = 0;
}

void TForm1::PlotOnMap() {
  platform::BusyCursor busy;
  PlotInput input;
  input.gridSize = m_state.GridSize;
  input.horizonMap = Ticked(this, "HorizonMap");
  input.profileMap = Ticked(this, "ProfileMap");
  input.styles = m_state.MarkStyles;
  input.gx1 = m_state.GX1;
  input.gx2 = m_state.GX2;
  input.gy1 = m_state.GY1;
  input.gy2 = m_state.GY2;
  input.profilesInRange = m_state.ProfilesInRange;
  m_state.CategoryCount = 0;
  const PlotResult result = PlotText(m_editor->LineReader(), input, m_seriesH.categories,
                                     m_seriesW.categories, m_seriesS.categories);
  m_state.CategoryCount = result.categories;
  m_state.PlotCount = result.records;
  m_categoryTitles = result.titles;
  for (QString& title : m_categoryTitles) {
    for (const auto& [header, edited] : m_titleEdits) {
      if (title == header && !title.isEmpty()) title = edited;
    }
  }
  // Records outside the map's range are no errors: they are told apart from them.
  if (result.outside > 0) {
    SetNote(m_status[kOutsidePanel], QStringLiteral("範囲外 %1").arg(result.outside),
            QStringLiteral("作図の範囲の外にある記録が %1 件あります（最初は %2 行目）。")
                    .arg(result.outside)
                    .arg(result.firstOutsideLine) +
                (m_state.ProfilesInRange
                     ? QStringLiteral("地図にない記録なので、断面図にも描いていません。"
                                      "詳細メニューの「断面図には範囲内の記録だけを描く」を外すと"
                                      "断面図に描きます")
                     : QStringLiteral("断面図にだけ描いています")));
  } else {
    SetNote(m_status[kOutsidePanel], QString(), QString());
  }
  m_lastPlot = result;
  // A user who sees fewer markers than records learns how many, where the first is and why.
  ShowWhatIsNotDrawn();
  for (platform::ChartWidget* chart : m_charts)
    chart->update();
  if (result.stopLine > 0) {
    m_dialogs->ShowMessage(
        QStringLiteral("%1 行目の見出し「%2」は描けません。カテゴリは 6 つまでなので、"
                       "この行から後の記録は描かれていません")
            .arg(result.stopLine)
            .arg(result.stopTitle));
  }
}

void TForm1::LoadGrdToEditor(const QString& path, bool replace) {
  const QString resolved = ResolveDataFile(path);
  // Read whole before the text changes: a file that cannot be read leaves it as it was.
  core::GrdText text = core::LoadGrdText(platform::FileNameBytes(resolved));
  const bool fromThisFile = replace || m_editor->IsEmpty();
  if (replace) {
    m_editor->SetText(std::move(text));
    platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditGrdFile")), path);
  } else {
    m_editor->AppendText(std::move(text));
  }
  if (fromThisFile) m_editor->SetSourceFile(QFileInfo(resolved).absoluteFilePath());
  m_recent.AddData(resolved);
}

bool TForm1::LoadGrdToEditorTold(const QString& path, bool replace) {
  try {
    LoadGrdToEditor(path, replace);
    return true;
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QLatin1Char('\n') + path);
  }
  return false;
}

bool TForm1::ImportTableTold(const QString& path, bool replace) {
  try {
    const std::unique_ptr<formats::OpenedTable> table =
        formats::OpenTable(platform::FileNameBytes(path), nullptr);
    core::ImportOptions options;
    options.program = core::Program::Chart;
    core::ImportResult result = core::ImportTable(table->Rows(), options);
    std::vector<std::string> lines;
    for (core::ImportedFile& file : result.files)
      std::move(file.lines.begin(), file.lines.end(), std::back_inserter(lines));
    if (replace) {
      m_editor->SetLines(std::move(lines));
      // The text no longer comes from the data file: a new figure must not read it over
      // the imported records, which are kept until the user saves them.
      m_state.GrdFileName.clear();
      findChild<QLineEdit*>(QStringLiteral("EditGrdFile"))->clear();
    } else {
      m_editor->AppendLines(std::move(lines));
    }
    m_dialogs->ShowMessage(ImportMessage(result));
    return true;
  } catch (const std::bad_alloc&) {
    // A table of millions of rows is the user's to split, not a reason to end the program.
    m_dialogs->ShowError(QStringLiteral("メモリが足りません。表が大きすぎます\n") + path);
  } catch (const std::exception& error) {
    // A file that cannot be read (IoError) or a table that cannot be used (invalid_argument).
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QLatin1Char('\n') + path);
  }
  return false;
}

bool TForm1::AskTableImport(const QString& path) {
  if (!IsTableName(path)) return false;
  // A spreadsheet, GPS or GIS file can be nothing but a table; only a text table may as
  // well be distribution data written with commas, and that is what is asked.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("csv") && suffix != QLatin1String("tsv") &&
      suffix != QLatin1String("txt"))
    return true;
  return m_dialogs->AskYesNo(
      QStringLiteral("%1 を表（GBIF のダウンロードや表計算ソフトの CSV）として取り込みますか？\n"
                     "「いいえ」なら分布データとしてそのまま読みます")
          .arg(QFileInfo(path).fileName()));
}

void TForm1::ReadGrdFile(bool add) {
  m_dialogs->open.filter = QStringLiteral(
      "設定ﾌｧｲﾙ (*.ini)|*.ini|地図ﾌｧｲﾙ (*.mdt)|*.mdt|分布データファイル (*.grd,)|*.grd|"
      "分布データファイル (*.csv)|*.csv|"
      "表・GPS・GIS (*.xlsx;*.ods;*.gpx;*.kml;*.kmz;*.geojson;*.json;*.gpkg;*.shp)|"
      "*.xlsx;*.ods;*.gpx;*.kml;*.kmz;*.geojson;*.json;*.gpkg;*.shp|すべてのﾌｧｲﾙ (*.*)|*.*");
  m_dialogs->open.filterIndex = 3;
  m_dialogs->open.fileName = QStringLiteral("*.grd");
  if (!m_state.GrdFileName.isEmpty())
    m_dialogs->open.initialDir = QFileInfo(m_state.GrdFileName).absolutePath();
  if (m_dialogs->RunOpen()) {
    const QString chosen = m_dialogs->open.fileName;
    if (AskTableImport(chosen)) {
      if (!ImportTableTold(chosen, !add)) return;
    } else {
      if (!LoadGrdToEditorTold(chosen, !add)) return;
      if (!add) m_state.GrdFileName = chosen;
    }
  }
  PlotOnMap();
}

bool TForm1::RunDataSaveDialog() {
  SetUpSaveDialog(SaveKind::Data);
  // Where the text came from, so that saving an edit is a matter of pressing Enter; a new
  // text starts in the user's own folder, never in the program's (read-only) data folder.
  const QString source = m_editor->SourceFile();
  m_dialogs->save.fileName = source;
  m_dialogs->save.initialDir =
      source.isEmpty() ? QDir::homePath() : QFileInfo(source).absolutePath();
  return m_dialogs->RunSave();
}

void TForm1::SavePlotItemClick() {
  if (!RunDataSaveDialog()) return;
  SaveEditorText(m_dialogs->save.fileName);
}

bool TForm1::IsFigureInput(const QString& path, bool withData) const {
  const QString inputs[] = {
      ResolveDataFile(findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->text()),
      ResolveSettingsFile(m_state.IniFileName),
      withData ? ResolveDataFile(m_state.GrdFileName) : QString()};
  for (const QString& input : inputs) {
    if (!input.isEmpty() &&
        core::SameFile(platform::FileNameBytes(path), platform::FileNameBytes(input))) {
      return true;
    }
  }
  return false;
}

bool TForm1::SaveEditorText(const QString& path) {
  // The map and the settings the figure is drawn from are never written over with data;
  // the data file itself may be, as an editor saves what it opened.
  if (IsFigureInput(path, false)) {
    m_dialogs->ShowError(
        QStringLiteral("%1 は図に使っているファイルなので、分布データを書き込みません").arg(path));
    return false;
  }
  core::GrdLayout layout = m_editor->Layout();
  const std::vector<std::string> blocks = m_editor->Blocks();
  core::UnwritableCharacter where;
  std::optional<std::string> bytes = core::EncodeGrdText(blocks, layout, &where);
  if (!bytes) {
    // The file is Shift-JIS, which the user's other tools expect; changing its encoding is
    // the user's choice, and replacing the character would change the record.
    if (!m_dialogs->AskYesNo(
            QStringLiteral("%1 行目の「%2」は Shift-JIS では書けません（このファイルは Shift-JIS "
                           "です）。\nファイル全体を UTF-8 にして保存しますか？"
                           "「いいえ」なら保存しません")
                .arg(where.line)
                .arg(QString::fromStdString(core::VisibleText(where.character))))) {
      return false;
    }
    layout.encoding = core::GrdLayout::Encoding::Utf8;
    bytes = core::EncodeGrdText(blocks, layout, &where);
  }
  try {
    core::SaveFileAtomically(platform::FileNameBytes(path), *bytes);
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(
        QStringLiteral("%1 に書き込めません\n%2").arg(path, QString::fromStdString(error.what())));
    return false;
  }
  m_editor->SetLayout(layout);
  m_editor->SetSourceFile(QFileInfo(path).absoluteFilePath());
  m_recent.AddData(path);
  m_editor->SetModified(false);
  return true;
}

void TForm1::ClearPlotItemClick() {
  m_editor->BtnClearClick();
  ClearDotMaps();
  for (platform::ChartWidget* chart : m_charts)
    chart->update();
}

void TForm1::EditDataItemClick() {
  m_editor->move(m_editor->x(), 6);
  m_editor->show();
  m_editor->raise();
  m_editor->activateWindow();
}

void TForm1::BuildMarkEditor() {
  // On the drawing area over the map's upper-left corner rather than inside the map, so
  // that the profile above the map, which may overlap its top edge, cannot hide the
  // panel's heading.
  auto* panel = new QFrame(m_sheetArea);
  panel->setObjectName(QStringLiteral("MrkEdPanel"));
  panel->setFrameShape(QFrame::Box);
  panel->setAutoFillBackground(true);
  panel->setGeometry(4, 4, 381, 221);
  auto place = [panel](QWidget* w, int x, int y, int width = -1, int height = -1) {
    w->setParent(panel);
    w->adjustSize();
    w->setGeometry(x, y, width > 0 ? width : w->width(), height > 0 ? height : w->height());
  };
  place(new QLabel(QStringLiteral("分布図凡例の編集")), 104, 8);
  place(new QLabel(QStringLiteral("形　　大きさ　色　縁取り　　凡例")), 16, 28);
  auto* cancel = new QPushButton(QStringLiteral("取消"));
  cancel->setObjectName(QStringLiteral("BtnCancel"));
  place(cancel, 220, 192, 65, 22);
  auto* redraw = new QPushButton(QStringLiteral("再描画"));
  redraw->setObjectName(QStringLiteral("BtnReDraw"));
  place(redraw, 296, 192, 73, 22);
  connect(cancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
  connect(redraw, &QPushButton::clicked, this, [this] { BtnReDrawClick(); });
  const int startShapes[] = {0, 1, 2, 4, 5, 6};
  for (int r = 1; r <= 6; ++r) {
    const auto row = static_cast<size_t>(r - 1);
    const int y = 44 + 24 * (r - 1);
    auto* shape = new QComboBox;
    shape->setObjectName(QStringLiteral("CBoxMark%1").arg(r));
    for (const char* item : kShapeItems)
      shape->addItem(QString::fromUtf8(item));
    shape->setCurrentIndex(startShapes[row]);
    place(shape, 8, y, 48, 22);
    auto* size = new QComboBox;
    size->setObjectName(QStringLiteral("CBoxSize%1").arg(r));
    size->setEditable(true);
    for (const char* item : kSizeItems)
      size->addItem(QString::fromLatin1(item));
    size->setCurrentIndex(3);
    place(size, 58, y, 48, 22);
    auto* colour = new QPushButton(QStringLiteral("■"));
    colour->setObjectName(QStringLiteral("MrkColor%1").arg(r));
    colour->setStyleSheet(QStringLiteral("background: white;"));
    platform::SetSwatchColor(colour, 0xFF0000);
    place(colour, 108, y, 33, 21);
    connect(colour, &QPushButton::clicked, this, [this, r] { MrkColorClick(r); });
    auto* rim = new QCheckBox(QStringLiteral("縁"));
    rim->setObjectName(QStringLiteral("MarkRim%1").arg(r));
    rim->setChecked(true);
    place(rim, 148, y);
    auto* name = new QLineEdit;
    name->setObjectName(QStringLiteral("EditLegName%1").arg(r));
    place(name, 190, y, 180, 22);
    m_cboxMark.at(row) = shape;
    m_cboxSize.at(row) = size;
    m_mrkColor.at(row) = colour;
    m_markRim.at(row) = rim;
    m_editLegName.at(row) = name;
  }
  panel->hide();
  m_markEditor = panel;
}

void TForm1::EditMarkItemClick() {
  const int n = m_state.CategoryCount;
  for (int k = 1; k <= n; ++k) {
    const auto row = static_cast<size_t>(n - k);
    const platform::TMarkStyle& style = m_state.MarkStyles.at(static_cast<size_t>(k - 1));
    m_cboxMark.at(row)->setCurrentIndex(style.shape >= 0 && style.shape <= 7 ? style.shape : -1);
    m_cboxSize.at(row)->setEditText(QString::number(style.size));
    platform::SetSwatchColor(m_mrkColor.at(row), style.fillColor);
    m_markRim.at(row)->setChecked(style.rimColor == 0);
    m_editLegName.at(row)->setText(m_categoryTitles.at(static_cast<size_t>(k - 1)));
  }
  m_markEditor->move(m_charts[1]->geometry().topLeft() + QPoint(4, 4));
  m_markEditor->show();
  m_markEditor->raise();
}

void TForm1::MrkColorClick(int row) {
  // The dialog opens on the category's colour, not on the last one chosen for another.
  m_dialogs->color = platform::SwatchColor(m_mrkColor.at(static_cast<size_t>(row - 1)));
  if (!m_dialogs->RunColor()) return;
  platform::SetSwatchColor(m_mrkColor.at(static_cast<size_t>(row - 1)), m_dialogs->color);
}

void TForm1::BtnReDrawClick() {
  const int n = m_state.CategoryCount;
  for (int k = 1; k <= n; ++k) {
    const auto row = static_cast<size_t>(n - k);
    platform::TMarkStyle& style = m_state.MarkStyles.at(static_cast<size_t>(k - 1));
    const QString sizeText = m_cboxSize.at(row)->currentText();
    bool ok = false;
    const int size = sizeText.trimmed().toInt(&ok);
    if (!ok) {
      m_dialogs->ShowError(QStringLiteral("'%1' は整数ではありません").arg(sizeText));
      return;
    }
    style.shape = m_cboxMark.at(row)->currentIndex();
    style.size = std::clamp(size, 0, platform::kMaxMarkerSize);
    style.fillColor = platform::SwatchColor(m_mrkColor.at(row));
    style.rimColor = m_markRim.at(row)->isChecked() ? 0 : style.fillColor;
    // A title typed here stands for its header line from now on, re-plots included.
    const QString header = m_lastPlot.titles.at(static_cast<size_t>(k - 1));
    const QString typed = m_editLegName.at(row)->text();
    std::erase_if(m_titleEdits, [&header](const auto& edit) { return edit.first == header; });
    if (typed != header) m_titleEdits.emplace_back(header, typed);
    m_categoryTitles.at(static_cast<size_t>(k - 1)) = typed;
  }
  m_markEditor->hide();
  PlotOnMap();
}

void TForm1::BtnCancelClick() {
  m_markEditor->hide();
}

void TForm1::SetLegendPosClick(bool fromCorner) {
  if (fromCorner) {
    m_state.LabX = 0;
    m_state.LabY = 0;
    m_state.LegendPixelX = -1;
    m_state.LegendPixelY = -1;
  }
  // The map first: its drawing places the legend, and the corner then leaves it out or
  // shows it. Asked the other way round, the toolkit may paint the corner first.
  m_charts[1]->repaint();
  m_charts[0]->repaint();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString file = platform::FirstDroppedFile(*event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  // Only the first file counts; the others are ignored.
  DropFile(file);
}

bool TForm1::DropFile(const QString& path) {
  if (AskTableImport(path)) {
    // A table is no data file: the field keeps naming the data the figure was drawn from.
    if (!ImportTableTold(path, false)) return false;
  } else {
    m_state.GrdFileName = path;
    platform::BusyCursor busy;
    if (!LoadGrdToEditorTold(path, false)) return false;
  }
  PlotOnMap();
  update();
  return true;
}

}  // namespace chart
