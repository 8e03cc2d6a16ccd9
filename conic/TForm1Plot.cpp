// The plot layer of the main window: records, title and legend, and the legend editor.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>
#include <optional>

#include "conic/Swatch.h"
#include "conic/TForm1.h"
#include "core/DistributionData.h"
#include "core/Errors.h"
#include "core/Number.h"
#include "core/Rounding.h"
#include "core/TextFile.h"
#include "platform/text/FileName.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/StatusWarning.h"

namespace conic {

void TForm1::BuildLegendEditor() {
  auto* panel = new QFrame(m_scrollBox->viewport());
  panel->setObjectName(QStringLiteral("MrkEdPanel"));
  m_markEditor = panel;
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setAutoFillBackground(true);
  panel->setStyleSheet(QStringLiteral("QFrame#MrkEdPanel { background: #FFF8DC; }"));
  panel->setGeometry(58, 393, 419, 250);
  panel->hide();

  auto named = [](QWidget* w, const QString& name) {
    w->setObjectName(name);
    return w;
  };
  auto* heading = new QLabel(QStringLiteral("分布図凡例の編集"), panel);
  named(heading, QStringLiteral("Label13"))->move(120, 8);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  auto* showLegend = new QCheckBox(QStringLiteral("凡例の表示"), panel);
  named(showLegend, QStringLiteral("ShowLegend"))->move(290, 8);
  showLegend->setChecked(true);
  auto* legTitle = new QLineEdit(panel);
  named(legTitle, QStringLiteral("EditLegTitle"))->setGeometry(24, 35, 250, 22);
  auto* showLegTitle = new QCheckBox(QStringLiteral("見出し表示"), panel);
  named(showLegTitle, QStringLiteral("ShowLegTitle"))->move(290, 35);
  showLegTitle->setChecked(true);
  named(new QLabel(QStringLiteral("形　　大きさ  色　縁取　　凡例文字列"), panel),
        QStringLiteral("Label_midasi"))
      ->move(28, 68);

  const QStringList shapes = {QString(),           QStringLiteral("○"),  QStringLiteral("□"),
                              QStringLiteral("△"), QStringLiteral("▽"),  QStringLiteral("＋"),
                              QStringLiteral("×"), QStringLiteral("＊"), QStringLiteral("◇")};
  const QStringList sizes = {QStringLiteral(" 0"), QStringLiteral(" 1"), QStringLiteral(" 2"),
                             QStringLiteral(" 3"), QStringLiteral(" 4"), QStringLiteral(" 5"),
                             QStringLiteral(" 6"), QStringLiteral(" 8"), QStringLiteral("10"),
                             QStringLiteral("12"), QStringLiteral("16"), QStringLiteral("20")};
  const WinColor startColors[] = {0x0000FF, 0xFF0000, 0, 0, 0};
  for (int i = 0; i < 5; ++i) {
    const auto row = static_cast<size_t>(i);
    const int y = 86 + 24 * i;
    const QString n = QString::number(i + 1);
    auto* mark = new QComboBox(panel);
    named(mark, QStringLiteral("CBoxMark") + n)->setGeometry(24, y, 44, 22);
    mark->setEditable(true);
    mark->addItems(shapes);
    mark->setCurrentIndex(i + 1);
    auto* size = new QComboBox(panel);
    named(size, QStringLiteral("CBoxSize") + n)->setGeometry(70, y, 44, 22);
    size->setEditable(true);
    size->addItems(sizes);
    size->setEditText(i == 3 ? QStringLiteral(" 5") : QStringLiteral(" 4"));
    auto* swatch = new QPushButton(QStringLiteral("■"), panel);
    named(swatch, QStringLiteral("MrkColor") + n)->setGeometry(116, y, 32, 21);
    SetSwatchColor(swatch, startColors[i]);
    connect(swatch, &QPushButton::clicked, this, [this, i] { MrkColorClick(i + 1); });
    auto* rim = new QCheckBox(QStringLiteral("縁"), panel);
    named(rim, QStringLiteral("MarkRim") + n)->move(150, y);
    rim->setChecked(true);
    auto* name = new QLineEdit(panel);
    named(name, QStringLiteral("EditLegName") + n)->setGeometry(190, y, 204, 22);
    m_cboxMark[row] = mark;
    m_cboxSize[row] = size;
    m_markRim[row] = rim;
    m_editLegName[row] = name;
  }
  auto* frame = new QCheckBox(QStringLiteral("凡例枠"), panel);
  named(frame, QStringLiteral("IsLegendFrame"))->move(24, 213);
  frame->setChecked(true);
  auto* fontBtn = new QPushButton(QStringLiteral("ABC文字"), panel);
  named(fontBtn, QStringLiteral("FontBtn"))->setGeometry(120, 213, 97, 28);
  auto* cancel = new QPushButton(QStringLiteral("取消"), panel);
  named(cancel, QStringLiteral("BtnCancel"))->setGeometry(246, 213, 70, 30);
  connect(cancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
  auto* redraw = new QPushButton(QStringLiteral("再描画"), panel);
  named(redraw, QStringLiteral("BtnReDraw"))->setGeometry(322, 213, 70, 30);
  connect(redraw, &QPushButton::clicked, this, [this] { BtnReDrawClick(); });
}

void TForm1::ClearAllPlot() {
  ClearLayer(m_canvasP, platform::kWhite);
  // A figure without a legend has no legend box to show in the output.
  m_legendBox = QRect();
  m_plotDrawn.reset();
  m_state.PlotCount = 0;
  m_state.CategoryCount = 0;
}

void TForm1::SetCategoryTitle(int category, const QString& title) {
  const auto row = static_cast<size_t>(category - 1);
  QLineEdit* field = m_editLegName.at(row);
  const bool edited = field->text() != m_fileTitles[row];
  if (!(edited && title == m_fileTitles[row])) field->setText(title);
  m_fileTitles[row] = title;
}

void TForm1::SetLegendHeading(const QString& heading) {
  auto* field = findChild<QLineEdit*>(QStringLiteral("EditLegTitle"));
  const bool edited = field->text() != m_fileHeading;
  if (!(edited && heading == m_fileHeading)) field->setText(heading);
  m_fileHeading = heading;
}

QFont TForm1::LegendFont() const {
  QFont font = findChild<QPushButton*>(QStringLiteral("FontBtn"))->font();
  font.setPointSize(
      std::max(1, core::RoundHalfEven(font.pointSizeF() * m_state.ScaleFactorLegend)));
  font.setBold(false);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

QFont TForm1::TitleFont() const {
  QFont font = m_titleFont;
  const QFont text = findChild<QPushButton*>(QStringLiteral("FontBtn"))->font();
  font.setPointSize(
      std::max(1, core::RoundHalfEven(text.pointSizeF() * m_state.ScaleFactorHeader)));
  return font;
}

void TForm1::ReadAndPlot(const QString& fname, bool isNew) {
  m_plotWarning.clear();
  const QString path = ResolveDataFile(fname);
  core::LineReader reader = core::LineReader::Open(platform::FileNameBytes(path));
  ClearAllPlot();
  m_notDrawn = 0;
  m_notDrawnSentence.clear();
  if (isNew) SetLegendHeading(QFileInfo(fname).completeBaseName());
  auto* grdField = findChild<QLineEdit*>(QStringLiteral("EditGrdFile"));
  // The data field names the file however the pass ends.
  struct ShowFileName {
    QLineEdit* field;
    const QString& name;
    bool isNew;
    ~ShowFileName() {
      if (isNew) field->setText(name);
    }
  } showFileName{grdField, fname, isNew};

  // Past the point where drawing ends the file is still read, to count what was not drawn.
  core::NotDrawnTally notDrawn(core::Program::Conic);
  std::optional<core::ConversionError> conversion;
  m_plotDrawn = PlotDrawn{path, m_state.GridSize, m_state.MapsType, m_state.MarkStyles, {}, {}};
  PlotRecords(reader, m_state.GridSize, m_canvasP, m_geometry, m_state.MarkStyles, m_state.MapsType,
              [&](const core::LineOutcome& outcome, int lineNumber, bool drawing) {
                notDrawn.Feed(outcome, lineNumber);
                if (!drawing) return;
                switch (outcome.kind) {
                  case core::LineOutcome::Kind::Header:
                    m_state.CategoryCount = outcome.category;
                    if (isNew)
                      SetCategoryTitle(outcome.category, QString::fromStdString(outcome.title));
                    break;
                  case core::LineOutcome::Kind::Stop:
                    // What was read is drawn with its title and legend; the user learns
                    // what was not.
                    m_plotWarning =
                        QStringLiteral(
                            "%1 行目の見出し「%2」は描けません。カテゴリは %3 つまでなので、"
                            "この行から後の記録は描かれていません\n（%4）")
                            .arg(lineNumber)
                            .arg(QString::fromStdString(outcome.title))
                            .arg(core::CategoryLimit(core::Program::Conic))
                            .arg(QFileInfo(fname).fileName());
                    break;
                  case core::LineOutcome::Kind::Record:
                    ++m_state.PlotCount;
                    break;
                  case core::LineOutcome::Kind::Error:
                    conversion.emplace(outcome.message, lineNumber);
                    break;
                  case core::LineOutcome::Kind::Short:
                  case core::LineOutcome::Kind::Reject:
                    break;
                }
              });
  m_notDrawn = notDrawn.Records();
  m_notDrawnSentence =
      m_notDrawn == 0
          ? QString()
          : QString::fromStdString(core::NotDrawnSentence(
                notDrawn, core::Program::Conic, m_state.GridSize, platform::FileNameBytes(path)));
  ShowWhatIsNotDrawn();
  m_recent.AddData(path);
  if (conversion) throw *conversion;

  if (findChild<QCheckBox*>(QStringLiteral("ShowMapTitle"))->isChecked()) {
    const TitleDrawn title{TitleFont(), m_titleColor,
                           findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text()};
    DrawTitle(m_canvasP, m_geometry, title.font, title.color, title.text);
    m_plotDrawn->title = title;
  }
  if (findChild<QCheckBox*>(QStringLiteral("ShowLegend"))->isChecked()) {
    LegendSpec legend;
    legend.font = LegendFont();
    legend.showHeading = findChild<QCheckBox*>(QStringLiteral("ShowLegTitle"))->isChecked();
    legend.heading = findChild<QLineEdit*>(QStringLiteral("EditLegTitle"))->text();
    legend.framed = findChild<QCheckBox*>(QStringLiteral("IsLegendFrame"))->isChecked();
    const BaseMapStyle colours = CurrentBaseMapStyle();
    legend.landColor = colours.landColor;
    legend.oceanColor = colours.oceanColor;
    for (int i = 0; i < m_state.CategoryCount; ++i) {
      legend.titles.push_back(m_editLegName.at(static_cast<size_t>(i))->text());
    }
    legend.styles = m_state.MarkStyles;
    m_legendBox = DrawLegend(m_canvasP, m_geometry, legend);
    m_plotDrawn->legend = legend;
    // The legend box is whitened over the base map, and the bar under it with it.
    if (m_scaleBarBox.intersects(m_legendBox)) {
      const QString hidden = QStringLiteral(
          "縮尺が凡例に重なって隠れています。縮尺の位置を地図の別の隅に変えてください");
      m_plotWarning =
          m_plotWarning.isEmpty() ? hidden : m_plotWarning + QStringLiteral("\n\n") + hidden;
    }
  }
  if (isNew) grdField->setText(fname);
  SetStatus(3, QFileInfo(grdField->text()).fileName());
  SetStatus(5, QStringLiteral("%1 / %2").arg(m_state.PlotCount).arg(m_state.CategoryCount));
}

void TForm1::ShowWhatIsNotDrawn() {
  QStringList shortTexts;
  QStringList sentences;
  if (m_notDrawn > 0) {
    shortTexts << QStringLiteral("描かない記録 %1").arg(m_notDrawn);
    sentences << m_notDrawnSentence;
  }
  if (!m_missingSections.isEmpty()) {
    shortTexts << QStringLiteral("地形図の区画なし");
    sentences << QStringLiteral("地形図ファイルに %1 の区画がないので、その線は描かれていません")
                     .arg(m_missingSections.join(QStringLiteral("、")));
  }
  if (m_scaleBarLeftOut) {
    shortTexts << QStringLiteral("縮尺なし");
    sentences << ScaleBarLeftOutSentence();
  }
  platform::ShowStatusWarning(m_status[10], shortTexts, sentences);
}

void TForm1::EditMarkItemClick() {
  for (int i = 0; i < m_state.CategoryCount; ++i) {
    const auto row = static_cast<size_t>(i);
    const TMarkStyle& style = m_state.MarkStyles.at(row);
    m_cboxMark[row]->setCurrentIndex(style.shape >= 0 && style.shape <= 8 ? style.shape : -1);
    m_cboxSize[row]->setEditText(QString::number(style.size));
    SetSwatchColor(findChild<QPushButton*>(QStringLiteral("MrkColor%1").arg(i + 1)),
                   style.fillColor);
    m_markRim[row]->setChecked(style.rimColor == 0);
  }
  m_markEditor->move(60, 60);
  m_markEditor->show();
  m_markEditor->raise();
}

void TForm1::MrkColorClick(int row) {
  auto* swatch = findChild<QPushButton*>(QStringLiteral("MrkColor%1").arg(row));
  // The dialog opens on the category's colour, not on the last one chosen for another.
  m_dialogs->color = SwatchColor(swatch);
  if (m_dialogs->RunColor()) SetSwatchColor(swatch, m_dialogs->color);
}

void TForm1::BtnReDrawClick() {
  for (int i = 0; i < m_state.CategoryCount; ++i) {
    const auto row = static_cast<size_t>(i);
    TMarkStyle& style = m_state.MarkStyles.at(row);
    // Typed text that is no item gives no shape: such a category draws no markers.
    const int index = m_cboxMark[row]->findText(m_cboxMark[row]->currentText());
    style.shape = index;
    try {
      // As a settings file's sizes: a typo of many digits draws the largest marker.
      style.size = std::clamp(core::StrToInt(m_cboxSize[row]->currentText().toStdString()), 0,
                              kMaxMarkerSize);
    } catch (const core::ConversionError& error) {
      m_dialogs->ShowError(QString::fromStdString(error.what()));
      return;
    }
    style.fillColor = SwatchColor(findChild<QPushButton*>(QStringLiteral("MrkColor%1").arg(i + 1)));
    style.rimColor = m_markRim[row]->isChecked() ? 0 : style.fillColor;
  }
  m_markEditor->hide();
  DrawMap(true);
}

void TForm1::BtnCancelClick() {
  m_markEditor->hide();
}

}  // namespace conic
