// What the charts draw over themselves once drawn, and the read-out of a press on them.
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <optional>

#include "chart/Decorations.h"
#include "chart/GridNote.h"
#include "chart/TForm1.h"
#include "core/MeshCode.h"

namespace chart {

namespace {

using platform::AxisSide;

}  // namespace

void TForm1::SetupDecorations() {
  m_charts[0]->Model().afterDraw = [this](QPainter& p, const platform::ChartMapping& m) {
    Chart0AfterDraw(p, m);
  };
  m_charts[1]->Model().afterDraw = [this](QPainter& p, const platform::ChartMapping& m) {
    Chart1AfterDraw(p, m);
  };
  m_charts[2]->Model().afterDraw = [this](QPainter& p, const platform::ChartMapping& m) {
    Chart2AfterDraw(p, m);
  };
  m_charts[3]->Model().afterDraw = [this](QPainter& p, const platform::ChartMapping& m) {
    Chart3AfterDraw(p, m);
  };
  for (platform::ChartWidget* chart : m_charts)
    chart->onPainted = [this] { ShowGridNote(); };
  m_charts[1]->onMouseDown = [this](Qt::MouseButton b, QPoint p) { Chart1MouseDown(b, p); };
  m_charts[2]->onMouseDown = [this](Qt::MouseButton b, QPoint p) { Chart2MouseDown(b, p); };
  m_charts[3]->onMouseDown = [this](Qt::MouseButton b, QPoint p) { Chart3MouseDown(b, p); };
}

QFont TForm1::LegendFont() const {
  QFont font(QStringLiteral("ＭＳ Ｐ明朝"));
  font.setPixelSize(16);
  return font;
}

void TForm1::Chart1AfterDraw(QPainter& painter, const platform::ChartMapping& mapping) {
  const bool onMap = LegendOnMap(mapping, m_state.LabX, m_state.LabY);
  std::optional<QPointF> at;
  if (onMap) {
    m_state.LegendPixelX =
        static_cast<int>(std::lround(mapping.ToPixel(AxisSide::Bottom, m_state.LabX)));
    m_state.LegendPixelY =
        static_cast<int>(std::lround(mapping.ToPixel(AxisSide::Left, m_state.LabY)));
    at = QPointF(m_state.LegendPixelX, m_state.LegendPixelY);
  } else {
    // Off the map the legend would be lost: it goes to the corner chart, or, on the map
    // alone, which has none, into the map's own upper-left corner.
    m_state.LegendPixelX = -1;
    m_state.LegendPixelY = -1;
    if (m_state.MapKind == 1) at = MapCornerOf(mapping);
  }
  ShowLegendNote(!onMap && HasLegendAnchor());
  QRectF legendBox;
  if (at) {
    painter.setFont(LegendFont());
    const QFontMetricsF metrics(painter.font(), painter.device());
    double width = 0;
    for (int k = 0; k < m_state.CategoryCount; ++k)
      width =
          std::max(width, metrics.horizontalAdvance(m_categoryTitles.at(static_cast<size_t>(k))));
    if (onMap) {
      // The legend keeps its size in pixels while the map shrinks (a window fitted to a
      // laptop's screen): one anchored low or far east would run off the chart and be cut.
      const QRectF plot(QPointF(mapping.ToPixel(AxisSide::Bottom, m_state.GX1),
                                mapping.ToPixel(AxisSide::Left, m_state.GY2)),
                        QPointF(mapping.ToPixel(AxisSide::Bottom, m_state.GX2),
                                mapping.ToPixel(AxisSide::Left, m_state.GY1)));
      at = KeptOnPlot(MapLegend(at->x(), at->y(), m_state.CategoryCount, width).box, plot);
    }
    const LegendLayout legend = MapLegend(at->x(), at->y(), m_state.CategoryCount, width);
    DrawLegend(painter, legend, m_state.MarkStyles, m_categoryTitles);
    legendBox = legend.box;
  }
  DrawScaleBarOnMap(painter, mapping, legendBox);
  if (m_state.MapKind != 3) return;
  const platform::Chart& map = m_charts[1]->Model();
  painter.setFont(map.labelFont);
  painter.setPen(platform::ToQColor(map.labelColor));
  const QFontMetricsF labels(map.labelFont, painter.device());
  DrawTexts(painter, MapDegreeLabels(mapping, m_state.GX1, m_state.GX2, m_state.GY1, m_state.GY2,
                                     [&labels](const QString& text) {
                                       return labels.horizontalAdvance(text);
                                     }));
}

void TForm1::DrawScaleBarOnMap(QPainter& painter, const platform::ChartMapping& mapping,
                               const QRectF& legendBox) {
  m_lastScaleBar.reset();
  if (m_state.ScaleBar) {
    const QFont& font = m_charts[1]->Model().labelFont;
    const QFontMetricsF metrics(font, painter.device());
    m_lastScaleBar = PlanScaleBar(
        mapping, m_state.GX1, m_state.GX2, m_state.GY1, m_state.GY2,
        core::MapCornerOf(m_state.ScaleBarCorner),
        [&metrics](const QString& text) { return metrics.horizontalAdvance(text); },
        metrics.height(), legendBox);
    if (m_lastScaleBar) DrawScaleBar(painter, *m_lastScaleBar, font, m_state.MLW);
  }
  m_scaleBarLeftOut = m_state.ScaleBar && !m_lastScaleBar;
  if (!m_scaleBarLeftOut) {
    SetNote(m_status[kScalePanel], QString(), QString());
    return;
  }
  SetNote(m_status[kScalePanel], QStringLiteral("縮尺は省略"), ScaleBarLeftOutSentence());
}

QString TForm1::ScaleBarLeftOutSentence() {
  return QStringLiteral(
      "地図が小さすぎるか、凡例が縮尺の隅をふさいでいるので、縮尺を描いていません。"
      "図を大きくするか、設定パネルで縮尺の隅を変えてください");
}

void TForm1::ShowGridNote() {
  // What the window shows: the shown charts' last paints.
  LinesLeftOut out;
  for (const int i : {1, 2, 3}) {
    if (m_layout.shown.at(static_cast<size_t>(i)))
      AddLinesLeftOut(out, m_charts.at(static_cast<size_t>(i))->LastReport(), i, m_state.MapKind);
  }
  const Note note = LinesLeftOutNote(out);
  SetNote(m_status[kGridPanel], note.text, note.tip);
}

bool TForm1::HasLegendAnchor() const {
  // "凡例の左上指定" on the corner chart puts the anchor at 0, 0: the legend's place is then
  // the corner by the user's choice.
  return m_state.LabX != 0 || m_state.LabY != 0;
}

void TForm1::ShowLegendNote(bool moved) {
  QLabel* note = m_status[kLegendPanel];
  if (!moved) {
    SetNote(note, QString(), QString());
    return;
  }
  SetNote(note, QStringLiteral("凡例は隅"),
          QStringLiteral("凡例の位置（北緯 %1、東経 %2）が地図の範囲の外なので、凡例を左上の隅に"
                         "描いています。位置は設定パネルの「凡例位置」か、地図の右ボタンの"
                         "「凡例の左上指定」で変えられます")
              .arg(QString::fromStdString(core::DegToDMS(m_state.LabY)),
                   QString::fromStdString(core::DegToDMS(m_state.LabX))));
}

void TForm1::Chart0AfterDraw(QPainter& painter, const platform::ChartMapping& mapping) {
  double below = 0;
  if (m_state.FigureTitle) {
    const platform::Chart& corner = m_charts[0]->Model();
    painter.setFont(corner.titleFont);
    below = DrawCornerTitle(painter, mapping.Plot().size(), corner.title);
  }
  if (m_state.LegendPixelX > 0) return;
  painter.setFont(LegendFont());
  // Under the title, with the room its first row always had above it.
  painter.translate(0, below);
  DrawLegend(painter, CornerLegend(m_state.CategoryCount), m_state.MarkStyles, m_categoryTitles);
}

void TForm1::Chart2AfterDraw(QPainter& painter, const platform::ChartMapping& mapping) {
  if (m_state.MapKind != 3) return;
  const platform::Chart& profile = m_charts[2]->Model();
  painter.setFont(profile.labelFont);
  painter.setPen(platform::ToQColor(profile.labelColor));
  const QFontMetricsF labels(profile.labelFont, painter.device());
  DrawTexts(painter, WestEastLabels(mapping, m_state.GX1, m_state.GX2, m_state.GH1, m_state.GH2,
                                    [&labels](const QString& text) {
                                      return labels.horizontalAdvance(text);
                                    }));
}

void TForm1::Chart3AfterDraw(QPainter& painter, const platform::ChartMapping& mapping) {
  if (m_state.MapKind != 3) return;
  const platform::Chart& map = m_charts[1]->Model();
  painter.setFont(map.labelFont);
  painter.setPen(platform::ToQColor(map.labelColor));
  DrawTexts(painter, SouthNorthLabels(mapping, m_state.GY1, m_state.GH2));
}

void TForm1::Chart1MouseDown(Qt::MouseButton button, QPoint pixel) {
  const platform::ChartMapping mapping = m_charts[1]->Mapping();
  const double lon = mapping.ToValue(AxisSide::Bottom, pixel.x());
  const double lat = mapping.ToValue(AxisSide::Left, pixel.y());
  // The legend anchor is the point last pressed on the map, with any button.
  m_state.LabX = lon;
  m_state.LabY = lat;
  if (button != Qt::LeftButton) return;
  m_status[6]->setText(QString::fromStdString(core::DegToDMS(lat)));
  m_status[8]->setText(QString::fromStdString(core::DegToDMS(lon)));
  m_status[10]->clear();
  m_status[12]->setText(QLatin1Char(' ') + QString::fromStdString(core::PointToMeshCode(lat, lon)));
}

void TForm1::Chart2MouseDown(Qt::MouseButton button, QPoint pixel) {
  // A press on a profile leaves the legend where it is: its latitude would be an altitude.
  if (button != Qt::LeftButton) return;
  const platform::ChartMapping mapping = m_charts[2]->Mapping();
  const double lon = mapping.ToValue(AxisSide::Bottom, pixel.x());
  const double alt = mapping.ToValue(AxisSide::Left, pixel.y());
  m_status[6]->clear();
  m_status[8]->setText(QString::fromStdString(core::DegToDMS(lon)));
  m_status[10]->setText(AltitudeText(alt) + QStringLiteral(" m"));
  m_status[12]->clear();
}

void TForm1::Chart3MouseDown(Qt::MouseButton button, QPoint pixel) {
  if (button != Qt::LeftButton) return;
  const platform::ChartMapping mapping = m_charts[3]->Mapping();
  const bool beside = m_state.MapKind == 3;
  const double lat = beside ? mapping.ToValue(AxisSide::Left, pixel.y())
                            : mapping.ToValue(AxisSide::Bottom, pixel.x());
  const double alt = beside ? mapping.ToValue(AxisSide::Bottom, pixel.x())
                            : mapping.ToValue(AxisSide::Left, pixel.y());
  m_status[6]->setText(QString::fromStdString(core::DegToDMS(lat)));
  m_status[8]->clear();
  m_status[10]->setText(AltitudeText(alt) + QStringLiteral("m"));
  m_status[12]->clear();
}

}  // namespace chart
