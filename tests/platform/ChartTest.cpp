#include "platform/chart/Chart.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPicture>
#include <cmath>
#include <vector>

#include "platform/chart/ChartWidget.h"

namespace platform {
namespace {

constexpr std::uint32_t kRed = 0x0000FF;  // Windows colour values
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
const QRgb kWhite = qRgb(255, 255, 255);

// A chart over 0..10 on both axes with nothing but what a test turns on.
Chart Bare() {
  Chart chart;
  chart.titleVisible = false;
  for (ChartAxis& axis : chart.axes) {
    axis.minimum = 0;
    axis.maximum = 10;
    axis.increment = 1;
    axis.labelsVisible = false;
    axis.tickLength = 0;
    axis.axisPen.visible = false;
    axis.gridPen.visible = false;
    axis.minorGridPen.visible = false;
  }
  return chart;
}

struct Drawn {
  QImage image;
  ChartMapping mapping;
  DrawReport report;
};

// The chart drawn into `size` chart pixels, on an image `scale` times as large.
Drawn Draw(const Chart& chart, QSize size = {1000, 500}, int scale = 1) {
  Drawn d;
  d.image = QImage(size * scale, QImage::Format_RGB32);
  d.image.fill(Qt::black);
  QPainter painter(&d.image);
  painter.scale(scale, scale);
  d.mapping = DrawChart(painter, QRect(QPoint(0, 0), size), chart, &d.report);
  return d;
}

int Px(double v) {
  return static_cast<int>(std::floor(v));
}

TEST(ChartMapping, ConvertsBothWaysOnEveryAxisAndInverted) {
  Chart chart = Bare();
  chart.Axis(AxisSide::Bottom).inverted = true;
  const QRectF plot = PlotRect(chart, QRect(0, 0, 1000, 500));
  // Margins only: 5 % left, 4 % right, top and bottom.
  EXPECT_EQ(plot, QRectF(QPointF(50, 20), QPointF(960, 480)));
  const ChartMapping mapping(plot, chart.axes);
  EXPECT_DOUBLE_EQ(mapping.ToPixel(AxisSide::Bottom, 0), 960);  // inverted
  EXPECT_DOUBLE_EQ(mapping.ToPixel(AxisSide::Left, 0), 480);
  EXPECT_DOUBLE_EQ(mapping.ToPixel(AxisSide::Left, 10), 20);
  for (const AxisSide side : {AxisSide::Bottom, AxisSide::Left, AxisSide::Right, AxisSide::Top}) {
    for (const double v : {0.0, 2.5, 7.25, 10.0})
      EXPECT_NEAR(mapping.ToValue(side, mapping.ToPixel(side, v)), v, 1e-12);
  }
}

TEST(ChartPlot, ShownLabelsAndTitleTakeRoomHiddenOnesDoNot) {
  Chart chart = Bare();
  const QRectF bare = PlotRect(chart, QRect(0, 0, 1000, 500));
  chart.title = QStringLiteral("標題");
  chart.titleVisible = false;
  chart.Axis(AxisSide::Left).tickLength = 5;
  EXPECT_EQ(PlotRect(chart, QRect(0, 0, 1000, 500)), bare);
  chart.titleVisible = true;
  chart.Axis(AxisSide::Left).labelsVisible = true;
  chart.Axis(AxisSide::Bottom).labelsVisible = true;
  const QRectF labelled = PlotRect(chart, QRect(0, 0, 1000, 500));
  EXPECT_GT(labelled.top(), bare.top());
  EXPECT_GT(labelled.left(), bare.left() + 5);
  EXPECT_LT(labelled.bottom(), bare.bottom());
  EXPECT_EQ(labelled.right(), bare.right());
}

TEST(DrawChart, GridLinesStandAtMultiplesSolidOrDotted) {
  Chart chart = Bare();
  chart.Axis(AxisSide::Bottom).gridPen = {kRed, 1, true, false};
  chart.Axis(AxisSide::Left).gridPen = {kBlue, 1, true, true};
  chart.Axis(AxisSide::Left).increment = 2.5;
  const Drawn d = Draw(chart);
  const QRectF plot = d.mapping.Plot();
  const int midY = Px(d.mapping.ToPixel(AxisSide::Left, 3.3));
  for (int v = 0; v <= 10; ++v) {
    const int x = Px(d.mapping.ToPixel(AxisSide::Bottom, v));
    EXPECT_EQ(d.image.pixel(std::min(x, d.image.width() - 1), midY), qRgb(255, 0, 0)) << v;
  }
  EXPECT_EQ(d.image.pixel(Px(d.mapping.ToPixel(AxisSide::Bottom, 0.5)), midY), kWhite);
  // The dotted latitude line at 5: every other pixel along it.
  const int y = Px(d.mapping.ToPixel(AxisSide::Left, 5));
  int on = 0;
  const int from = Px(d.mapping.ToPixel(AxisSide::Bottom, 0.3));
  for (int x = from; x < from + 40; ++x)
    on += d.image.pixel(x, y) == qRgb(0, 0, 255) ? 1 : 0;
  EXPECT_EQ(on, 20);
  // Outside the chart's rectangle nothing was painted; inside, the background is white.
  EXPECT_EQ(d.image.pixel(Px(plot.left()) + 3, Px(plot.top()) + 3), kWhite);
}

TEST(DrawChart, MinorLinesCutIntervalsAndLabelsCoarsenTheGrid) {
  Chart chart = Bare();
  ChartAxis& x = chart.Axis(AxisSide::Bottom);
  x.gridPen = {kRed, 1, true, false};
  x.minorGridPen = {kGreen, 1, true, false};
  x.minorTickCount = 1;
  Drawn d = Draw(chart);
  const int midY = Px(d.mapping.ToPixel(AxisSide::Left, 5.3));
  EXPECT_EQ(d.image.pixel(Px(d.mapping.ToPixel(AxisSide::Bottom, 4.5)), midY), qRgb(0, 255, 0));

  // Shown labels on 60 pixels: eleven labels do not fit, the increment steps to 2 or 5.
  x.labelsVisible = true;
  x.minorGridPen.visible = false;
  d = Draw(chart, {60, 300});
  const int y = Px(d.mapping.ToPixel(AxisSide::Left, 5.3));
  EXPECT_NE(d.image.pixel(Px(d.mapping.ToPixel(AxisSide::Bottom, 1)), y), qRgb(255, 0, 0));
  EXPECT_EQ(d.image.pixel(Px(d.mapping.ToPixel(AxisSide::Bottom, 10)) - 1, y) == qRgb(255, 0, 0) ||
                d.image.pixel(Px(d.mapping.ToPixel(AxisSide::Bottom, 10)), y) == qRgb(255, 0, 0),
            true);

  // A mesh far too fine for the range draws no lines of that kind and says so.
  x.labelsVisible = false;
  x.increment = 1e-6;
  d = Draw(chart);
  EXPECT_EQ(d.report.gridLeftOut[0], 1e-6);
}

TEST(DrawChart, LinesCloserThanThreePixelsAreLeftOutAndSaid) {
  // The plot is 910 pixels wide over 0..10: 91 pixels a unit.
  const struct {
    double increment;
    int minorCount;
    double gridLeftOut;
    double minorLeftOut;
  } cases[] = {
      {1, 9, 0, 0},            // 9.1 and 91 pixels apart: all drawn
      {1, 39, 0, 0.025},       // minor lines 2.3 pixels apart: left out, the grid kept
      {0.04, 0, 0, 0},         // 3.6 pixels apart: drawn
      {0.03, 1, 0.03, 0.015},  // 2.7 pixels apart: both left out, with their ticks
  };
  for (const auto& c : cases) {
    Chart chart = Bare();
    ChartAxis& x = chart.Axis(AxisSide::Bottom);
    x.increment = c.increment;
    x.tickLength = 4;
    x.axisPen = {kBlue, 1, true, false};
    x.gridPen = {kRed, 1, true, false};
    x.minorGridPen = {kGreen, 1, c.minorCount > 0, false};
    x.minorTickCount = c.minorCount;
    const Drawn d = Draw(chart);
    EXPECT_DOUBLE_EQ(d.report.gridLeftOut[0], c.gridLeftOut) << c.increment;
    EXPECT_DOUBLE_EQ(d.report.minorLeftOut[0], c.minorLeftOut) << c.increment;
    EXPECT_EQ(d.report.linesNotDrawn, 0);
    // What is left out leaves the plot white; what is kept is there.
    const int y = Px(d.mapping.ToPixel(AxisSide::Left, 5.3));
    int red = 0;
    int green = 0;
    for (int px = Px(d.mapping.Plot().left()) + 1; px < Px(d.mapping.Plot().right()); ++px) {
      red += d.image.pixel(px, y) == qRgb(255, 0, 0) ? 1 : 0;
      green += d.image.pixel(px, y) == qRgb(0, 255, 0) ? 1 : 0;
    }
    EXPECT_EQ(red > 0, c.gridLeftOut == 0) << c.increment;
    EXPECT_EQ(green > 0, c.minorCount > 0 && c.minorLeftOut == 0) << c.increment;
    // Ticks go with their grid lines: below the axis line, blue only where they stand.
    const int below = Px(d.mapping.Plot().bottom()) + 2;
    int ticks = 0;
    for (int px = 0; px < d.image.width(); ++px)
      ticks += d.image.pixel(px, below) == qRgb(0, 0, 255) ? 1 : 0;
    EXPECT_EQ(ticks > 0, c.gridLeftOut == 0) << c.increment;
  }
}

TEST(DrawChart, AScaledPainterDrawsTheSamePictureAtMorePixels) {
  Chart chart = Bare();
  chart.Axis(AxisSide::Bottom).gridPen = {kRed, 1, true, false};
  chart.Axis(AxisSide::Left).gridPen = {kBlue, 1, true, true};
  chart.Axis(AxisSide::Left).increment = 5;
  PointSeries points;
  points.marker = {MarkerShape::Rectangle, 4, kGreen, 0};
  points.Add(2.5, 2.5);
  chart.points.push_back(points);
  for (const int scale : {1, 2, 4}) {
    const Drawn d = Draw(chart, {200, 100}, scale);
    auto at = [&](AxisSide side, double v) {
      return static_cast<int>(std::floor(d.mapping.ToPixel(side, v))) * scale;
    };
    auto row = [&](int y, QRgb colour, int from, int to) {
      int n = 0;
      for (int x = from; x < to; ++x)
        n += d.image.pixel(x, y) == colour ? 1 : 0;
      return n;
    };
    // Eleven solid lines `scale` pixels thick.
    EXPECT_EQ(row(at(AxisSide::Left, 7.3), qRgb(255, 0, 0), 0, d.image.width()), 11 * scale);
    // The dotted line at 5: `scale` rows, on and off by `scale` pixels along them.
    const int y5 = at(AxisSide::Left, 5);
    int rows = 0;
    for (int y = y5 - 4 * scale; y < y5 + 4 * scale; ++y)
      rows += row(y, qRgb(0, 0, 255), at(AxisSide::Bottom, 0.3), at(AxisSide::Bottom, 0.7)) > 0;
    EXPECT_EQ(rows, scale);
    const int from = at(AxisSide::Bottom, 0.3);
    EXPECT_NEAR(row(y5, qRgb(0, 0, 255), from, from + 40 * scale), 20 * scale, scale);
    // The marker: 9 chart pixels across, its black rim `scale` pixels wide.
    const int cy = at(AxisSide::Left, 2.5) + scale / 2;
    int left = at(AxisSide::Bottom, 2.5);
    int right = left;
    while (d.image.pixel(left - 1, cy) != kWhite)
      --left;
    while (d.image.pixel(right + 1, cy) != kWhite)
      ++right;
    EXPECT_NEAR(right - left + 1, 9 * scale, 1) << scale;
    EXPECT_EQ(row(cy, qRgb(0, 0, 0), left, right + 1), 2 * scale) << scale;
  }
}

TEST(DrawChart, LineSeriesBreakAtNullPointsAndPointSeriesDrawMarkers) {
  Chart chart = Bare();
  LineSeries line;
  line.seriesColor = kRed;
  line.Add(1, 5);
  line.Add(3, 5);
  line.AddNull();
  line.Add(6, 5);
  line.Add(8, 5, kBlue);
  chart.lines.push_back(line);
  PointSeries points;
  points.marker = {MarkerShape::Rectangle, 6, kGreen, kBlue};
  points.Add(5, 8);
  chart.points.push_back(points);
  const Drawn d = Draw(chart);
  const int y = static_cast<int>(std::round(d.mapping.ToPixel(AxisSide::Left, 5)));
  auto at = [&](double v) { return d.image.pixel(Px(d.mapping.ToPixel(AxisSide::Bottom, v)), y); };
  EXPECT_EQ(at(2), qRgb(255, 0, 0));
  EXPECT_EQ(at(4.5), kWhite);         // the null point's gap
  EXPECT_EQ(at(7), qRgb(0, 0, 255));  // a segment takes its end point's colour
  const int cx = static_cast<int>(std::round(d.mapping.ToPixel(AxisSide::Bottom, 5)));
  const int cy = static_cast<int>(std::round(d.mapping.ToPixel(AxisSide::Left, 8)));
  EXPECT_EQ(d.image.pixel(cx, cy), qRgb(0, 255, 0));
  EXPECT_EQ(d.image.pixel(cx - 6, cy), qRgb(0, 0, 255));
  EXPECT_EQ(d.image.pixel(cx - 8, cy), kWhite);
}

// How much drawing a chart makes, as a recorded picture's size.
qsizetype Recorded(const Chart& chart) {
  QPicture picture;
  QPainter painter(&picture);
  DrawChart(painter, QRect(0, 0, 300, 300), chart);
  painter.end();
  return picture.size();
}

TEST(DrawChart, MarkersBuriedUnderLaterOnesAreLeftOutAndTheOthersKept) {
  Chart one = Bare();
  PointSeries square;
  square.marker = {MarkerShape::Rectangle, 5, kGreen, kBlue};
  square.Add(5, 5);
  one.points.push_back(square);
  Chart many = one;
  for (int i = 0; i < 300; ++i)
    many.points[0].Add(5, 5);
  // Three hundred more at the same place draw nothing more, and look the same.
  EXPECT_EQ(Recorded(many), Recorded(one));
  EXPECT_EQ(Draw(many).image, Draw(one).image);
  // A later marker of another shape or size buries nothing, even one that covers it.
  Chart partly = one;
  PointSeries small;
  small.marker = {MarkerShape::Circle, 2, kRed, kRed};
  small.Add(5, 5);
  PointSeries cross;
  cross.marker = {MarkerShape::Rectangle, 9, kRed, kRed};
  cross.Add(5, 5);
  partly.points.push_back(small);
  partly.points.push_back(cross);
  Chart smallAndCross = Bare();
  smallAndCross.points = {small, cross};
  EXPECT_GT(Recorded(partly), Recorded(smallAndCross));
}

TEST(DrawChart, StampedMarkersArePixelForPixelWhatDrawingEachGives) {
  // Markers of every shape and several sizes, some cut by the plot's edges.
  Chart chart = Bare();
  const MarkerShape shapes[] = {MarkerShape::Rectangle,     MarkerShape::Circle,
                                MarkerShape::TriangleUp,    MarkerShape::TriangleDown,
                                MarkerShape::Diamond,       MarkerShape::Cross,
                                MarkerShape::DiagonalCross, MarkerShape::Star};
  int n = 0;
  for (const MarkerShape shape : shapes) {
    for (int size = 0; size <= 6; size += 2) {
      PointSeries series;
      series.marker = {shape, size, n % 2 ? kGreen : kBlue, kRed};
      for (double v = -0.3; v <= 10.3; v += 0.7)
        series.Add(v, std::fmod(v * 3 + n, 10.6) - 0.3);
      chart.points.push_back(series);
      ++n;
    }
  }
  // Images of 32 bits are stamped on; one of 24 bits gets each marker drawn. Chart sizes
  // put the plot's edges on whole, half and quarter pixels.
  // Scaled by a whole number, the stamps are drawn at that scale.
  auto draw = [&chart](QImage::Format format, int size, int scale) {
    QImage image((size + 10) * scale, (size + 10) * scale, format);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(7, 5);
    painter.scale(scale, scale);
    DrawChart(painter, QRect(0, 0, size, size - 20), chart);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
  };
  for (const int scale : {1, 2, 3}) {
    for (const int size : {250, 251, 253, 254}) {
      const QImage drawn = draw(QImage::Format_RGB888, size, scale);
      EXPECT_EQ(draw(QImage::Format_RGB32, size, scale), drawn) << size << " x" << scale;
      EXPECT_EQ(draw(QImage::Format_ARGB32_Premultiplied, size, scale), drawn)
          << size << " x" << scale;
    }
  }
}

TEST(DrawChart, HooksRewriteLabelsAndDrawAfterwardsWithTheChartsConversions) {
  Chart chart = Bare();
  chart.Axis(AxisSide::Bottom).labelsVisible = true;
  chart.Axis(AxisSide::Bottom).labelsAtEnds = false;
  std::vector<QString> seen;
  chart.getAxisLabel = [&](AxisSide side, QString& text) {
    if (side == AxisSide::Bottom) seen.push_back(text);
  };
  QRectF plotSeen;
  chart.afterDraw = [&](QPainter& painter, const ChartMapping& mapping) {
    plotSeen = mapping.Plot();
    painter.fillRect(
        QRectF(mapping.ToPixel(AxisSide::Bottom, 5), mapping.ToPixel(AxisSide::Left, 5), 3, 3),
        Qt::magenta);
  };
  const Drawn d = Draw(chart);
  EXPECT_EQ(plotSeen, d.mapping.Plot());
  EXPECT_EQ(d.image.pixel(Px(d.mapping.ToPixel(AxisSide::Bottom, 5)) + 1,
                          Px(d.mapping.ToPixel(AxisSide::Left, 5)) + 1),
            qRgb(255, 0, 255));
  // The formatted labels reach the hook; those at the axis ends are not drawn.
  EXPECT_NE(std::find(seen.begin(), seen.end(), QStringLiteral("5")), seen.end());
  EXPECT_EQ(std::count(seen.begin(), seen.end(), QStringLiteral("1")), 1);
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

TEST(ChartWidget, ZoomsIntoADraggedRectangleAndReportsPresses) {
  ChartWidget widget;
  widget.resize(400, 300);
  Chart& chart = widget.Model();
  chart = Bare();
  const ChartMapping before = widget.Mapping();
  const QRect drag(QPoint(static_cast<int>(before.ToPixel(AxisSide::Bottom, 2)),
                          static_cast<int>(before.ToPixel(AxisSide::Left, 8))),
                   QPoint(static_cast<int>(before.ToPixel(AxisSide::Bottom, 6)),
                          static_cast<int>(before.ToPixel(AxisSide::Left, 4))));
  widget.ZoomTo(drag);
  EXPECT_NEAR(chart.Axis(AxisSide::Bottom).minimum, 2, 0.05);
  EXPECT_NEAR(chart.Axis(AxisSide::Bottom).maximum, 6, 0.05);
  EXPECT_NEAR(chart.Axis(AxisSide::Left).minimum, 4, 0.05);
  EXPECT_NEAR(chart.Axis(AxisSide::Left).maximum, 8, 0.05);
  widget.ZoomTo(QRect(10, 10, 2, 50));  // too small: ignored
  EXPECT_NEAR(chart.Axis(AxisSide::Bottom).minimum, 2, 0.05);

  Qt::MouseButton pressed = Qt::NoButton;
  QPoint where;
  widget.onMouseDown = [&](Qt::MouseButton b, QPoint p) {
    pressed = b;
    where = p;
  };
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 40), QPointF(30, 40), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &press);
  EXPECT_EQ(pressed, Qt::LeftButton);
  EXPECT_EQ(where, QPoint(30, 40));
}

TEST(ChartWidget, AtAScaleShowsTheSmallerChartEnlargedAndReadsPressesInItsOwnPixels) {
  ChartWidget widget;
  widget.Model() = Bare();
  widget.Model().Axis(AxisSide::Bottom).gridPen = {kRed, 1, true, false};
  widget.Model().Axis(AxisSide::Bottom).minorGridPen = {kGreen, 1, true, false};
  widget.Model().Axis(AxisSide::Bottom).minorTickCount = 9;
  widget.resize(400, 300);
  widget.SetScale(2);
  EXPECT_EQ(widget.ChartRect(), QRect(0, 0, 200, 150));
  const ChartMapping mapping = widget.Mapping();
  const ChartMapping small(PlotRect(widget.Model(), QRect(0, 0, 200, 150)), widget.Model().axes);
  for (const double v : {0.0, 3.5, 10.0}) {
    EXPECT_DOUBLE_EQ(mapping.ToPixel(AxisSide::Bottom, v), 2 * small.ToPixel(AxisSide::Bottom, v));
    EXPECT_DOUBLE_EQ(mapping.ToPixel(AxisSide::Left, v), 2 * small.ToPixel(AxisSide::Left, v));
  }
  // The minor lines stand 1.8 of the chart's pixels apart: left out at any scale, and the
  // paint says so.
  bool painted = false;
  widget.onPainted = [&painted] { painted = true; };
  const QImage shown = widget.grab().toImage();
  EXPECT_TRUE(painted);
  EXPECT_NEAR(widget.LastReport().minorLeftOut[0], 0.1, 1e-12);
  EXPECT_EQ(widget.LastReport().gridLeftOut[0], 0);
  // Grid lines two pixels wide, as on a chart half the size drawn twice as large.
  const int x = static_cast<int>(std::floor(small.ToPixel(AxisSide::Bottom, 5))) * 2;
  const int y = static_cast<int>(mapping.ToPixel(AxisSide::Left, 5.3));
  EXPECT_EQ(shown.pixel(x, y), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(x + 1, y), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(x + 2, y), kWhite);
}

}  // namespace
}  // namespace platform
