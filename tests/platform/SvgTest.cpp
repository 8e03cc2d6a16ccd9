#include "platform/svg/SvgDevice.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

#include "platform/chart/Chart.h"

namespace platform {
namespace {

std::string Paint(int width, int height, const std::function<void(QPainter&)>& draw,
                  const QString& title = {}) {
  SvgDevice device(width, height);
  device.SetTitle(title);
  QPainter painter(&device);
  draw(painter);
  EXPECT_TRUE(device.Bytes().empty()) << "the document is complete only once the painter ends";
  painter.end();
  return device.Bytes();
}

// One element with the attributes it has or inherits from its groups.
struct Element {
  QString name;
  std::map<QString, QString> attributes;
  QString text;
  QString Attr(const char* key) const {
    const auto it = attributes.find(QString::fromLatin1(key));
    return it == attributes.end() ? QString() : it->second;
  }
  double Num(const char* key) const { return Attr(key).toDouble(); }
};

// Every element in document order; the document must parse.
std::vector<Element> Elements(const std::string& svg) {
  QXmlStreamReader xml(QByteArray::fromStdString(svg));
  std::vector<std::map<QString, QString>> inherited{{}};
  std::vector<Element> out;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      Element e{xml.name().toString(), inherited.back(), {}};
      for (const QXmlStreamAttribute& a : xml.attributes())
        e.attributes[a.qualifiedName().toString()] = a.value().toString();
      if (e.name == u"text" || e.name == u"title") {
        e.text = xml.readElementText();
      } else {
        inherited.push_back(e.attributes);
      }
      out.push_back(e);
    } else if (xml.isEndElement()) {
      inherited.pop_back();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line "
                               << xml.lineNumber();
  return out;
}

std::vector<Element> Drawn(const std::vector<Element>& all) {
  std::vector<Element> out;
  for (const Element& e : all) {
    if (e.name != u"svg" && e.name != u"g" && e.name != u"title" && e.name != u"clipPath" &&
        !e.attributes.count(QStringLiteral("id")))
      out.push_back(e);
  }
  return out;
}

// The corners of path data, absolute: a reader's view, whatever commands were chosen.
std::vector<QPointF> PathPoints(const QString& d) {
  std::vector<QPointF> out;
  QPointF at, start;
  QChar command;
  qsizetype i = 0;
  auto number = [&]() {
    while (i < d.size() && (d[i] == u' ' || d[i] == u','))
      ++i;
    qsizetype j = i;
    if (j < d.size() && d[j] == u'-') ++j;
    while (j < d.size() && (d[j].isDigit() || d[j] == u'.'))
      ++j;
    const double v = d.mid(i, j - i).toDouble();
    i = j;
    return v;
  };
  while (i < d.size()) {
    if (d[i].isLetter()) command = d[i++];
    if (command == u'z' || command == u'Z') {
      at = start;
      out.push_back(at);
      command = QChar();
      continue;
    }
    if (command == u'M') {
      const double x = number();
      at = start = QPointF(x, number());
    } else if (command == u'L') {
      const double x = number();
      at = QPointF(x, number());
    } else if (command == u'l') {
      const double x = number();
      at += QPointF(x, number());
    } else if (command == u'h') {
      at.rx() += number();
    } else if (command == u'v') {
      at.ry() += number();
    } else if (command == u'c') {
      for (int k = 0; k < 4; ++k)
        number();
      const double x = number();
      at += QPointF(x, number());
    } else {
      ADD_FAILURE() << "unexpected path data " << d.toStdString();
      return out;
    }
    out.push_back(at);
  }
  return out;
}

std::vector<QPointF> PolygonPoints(const QString& points) {
  std::vector<QPointF> out;
  for (const QString& pair : points.split(u' ', Qt::SkipEmptyParts)) {
    const QStringList xy = pair.split(u',');
    out.emplace_back(xy.value(0).toDouble(), xy.value(1).toDouble());
  }
  return out;
}

// The document as librsvg renders it on white, or a null image when it is not installed.
QImage Render(const std::string& svg) {
  const QString converter = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
  if (converter.isEmpty()) return {};
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("picture.svg")));
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(svg.data(), static_cast<qint64>(svg.size()));
  file.close();
  const QString png = dir.filePath(QStringLiteral("picture.png"));
  QProcess process;
  process.start(converter, {QStringLiteral("--background-color=white"), QStringLiteral("-o"), png,
                            file.fileName()});
  process.waitForFinished();
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  return QImage(png).convertToFormat(QImage::Format_RGB32);
}

bool Near(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Antialiasing and half-pixel rounding may move an edge by a pixel: the colour must show at
// the point or next to it.
bool NearBy(const QImage& image, QPoint at, QRgb expected, int tolerance) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (Near(image.pixel(at + QPoint(dx, dy)), expected, tolerance)) return true;
    }
  }
  return false;
}

std::string Hex(QRgb c) {
  return QColor(c).name().toStdString();
}

TEST(SvgDocument, SizeTitleAndTextParseEscaped) {
  const QString title = QStringLiteral("<&>\"' 日本植物三面分布図");
  const std::string svg = Paint(
      320, 200,
      [](QPainter& p) {
        QFont font(QStringLiteral("Noto Sans CJK JP"));
        font.setPixelSize(16);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(10, 20, 30));
        p.translate(5, 6);
        p.drawText(QPointF(10.5, 40), QStringLiteral("a<&>\"b\x01 東京"));
      },
      title);
  ASSERT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
  const auto all = Elements(svg);
  ASSERT_FALSE(all.empty());
  const Element& root = all.front();
  EXPECT_EQ(root.name, u"svg");
  EXPECT_EQ(root.Attr("width"), u"320");
  EXPECT_EQ(root.Attr("height"), u"200");
  EXPECT_EQ(root.Attr("viewBox"), u"0 0 320 200");
  EXPECT_EQ(root.Attr("version"), u"1.1");
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[1].name, u"title");
  EXPECT_EQ(all[1].text, title);
  QString text;
  for (const Element& e : Drawn(all)) {
    ASSERT_EQ(e.name, u"text");
    if (text.isEmpty()) {
      EXPECT_DOUBLE_EQ(e.Num("x"), 15.5);
      EXPECT_DOUBLE_EQ(e.Num("y"), 46);
    }
    EXPECT_EQ(e.Attr("font-size"), u"16");
    EXPECT_EQ(e.Attr("font-weight"), u"700");
    EXPECT_TRUE(e.Attr("font-family").contains(u"Noto Sans CJK JP"));
    EXPECT_EQ(e.Attr("fill"), u"#0a141e");
    EXPECT_NE(e.Attr("stroke"), u"#0a141e") << "text must not be outlined";
    text += e.text;
  }
  EXPECT_EQ(text, QStringLiteral("a<&>\"b 東京")) << "the control character is dropped";
}

// The settings files name Windows fonts no other system has: a reader must find the face this
// system drew with, and a generic family of the same kind when it has neither.
TEST(SvgDocument, FontFamilyListsTheFaceDrawnWithAndAGenericFamily) {
  const struct {
    const char* family;
    const char* value;
  } cases[] = {
      {"ＭＳ Ｐ明朝", "'ＭＳ Ｐ明朝', IPAPMincho, serif"},
      {"ＭＳ ゴシック", "'ＭＳ ゴシック', IPAGothic, sans-serif"},
      {"MS PGothic", "'MS PGothic', IPAPGothic, sans-serif"},
      {"Cambria", "Cambria, Caladea, serif"},
      {"Tahoma", "Tahoma, 'DejaVu Sans', sans-serif"},
      // An installed face is not named twice.
      {"IPAPMincho", "IPAPMincho, serif"},
      {"DejaVu Sans Mono", "'DejaVu Sans Mono', monospace"},
  };
  for (const auto& c : cases) {
    const QString family = QString::fromUtf8(c.family);
    const std::string svg = Paint(200, 100, [&](QPainter& p) {
      QFont font(family);
      font.setPixelSize(16);
      p.setFont(font);
      p.drawText(QPointF(10, 40), QStringLiteral("分布 a"));
      // The same family again takes the same value, whatever the size or weight.
      font.setPixelSize(9);
      font.setBold(true);
      p.setFont(font);
      p.drawText(QPointF(10, 80), QStringLiteral("b"));
    });
    int texts = 0;
    for (const Element& e : Drawn(Elements(svg))) {
      if (e.name != u"text") continue;
      ++texts;
      EXPECT_EQ(e.Attr("font-family"), QString::fromUtf8(c.value)) << c.family;
    }
    // A text of two scripts may be written in two pieces.
    EXPECT_GE(texts, 2) << c.family;
  }
  // A figure naming a generic family has it once, at the end, after the face it stands for.
  const std::string svg = Paint(200, 100, [](QPainter& p) {
    p.setFont(QFont(QStringLiteral("serif")));
    p.drawText(QPointF(10, 40), QStringLiteral("a"));
  });
  for (const Element& e : Drawn(Elements(svg))) {
    const QStringList names = e.Attr("font-family").split(QStringLiteral(", "));
    EXPECT_EQ(names.count(QStringLiteral("serif")), 1) << e.Attr("font-family").toStdString();
    EXPECT_EQ(names.back(), QStringLiteral("serif"));
  }
}

// A figure of many records is a document of many megabytes, written in pieces: every shape
// must come out once, in order, with a long text between them whole.
TEST(SvgDocument, BigDocumentKeepsEveryShapeInOrder) {
  constexpr int kPolygons = 30000;
  constexpr int kCorners = 24;
  const QString longText(40000, u'名');
  // Corner k of polygon i, on whole and half pixels so that the written numbers are exact.
  auto corner = [](int i, int k) { return QPointF(i % 997 + k * 0.5, i / 997 + (k % 2) * 2); };
  SvgDevice device(1000, 1000);
  {
    QPainter p(&device);
    p.setBrush(Qt::blue);
    for (int i = 0; i < kPolygons; ++i) {
      if (i == kPolygons / 2) p.drawText(QPointF(1, 1), longText);
      std::vector<QPointF> corners;
      for (int k = 0; k < kCorners; ++k)
        corners.push_back(corner(i, k));
      p.drawPolygon(corners.data(), kCorners);
    }
  }
  const std::string svg = device.TakeBytes();
  EXPECT_TRUE(device.Bytes().empty()) << "taken, not copied";
  ASSERT_GT(svg.size(), size_t{5} << 20) << "the document should span several pieces";
  // Read as a stream: the element list of the other tests is slow on a document this size.
  QXmlStreamReader xml(QByteArray::fromStdString(svg));
  int polygons = 0;
  QString text;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"text") {
      EXPECT_EQ(polygons, kPolygons / 2) << "the text sits where it was drawn";
      text += xml.readElementText();
    } else if (xml.name() == u"polygon") {
      const std::vector<QPointF> points =
          PolygonPoints(xml.attributes().value(QStringLiteral("points")).toString());
      ASSERT_EQ(points.size(), size_t{kCorners});
      EXPECT_EQ(points.back(), corner(polygons, kCorners - 1)) << "polygon " << polygons;
      ++polygons;
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(polygons, kPolygons);
  EXPECT_EQ(text, longText);
}

TEST(SvgShapes, EachCallBecomesItsElementAtTransformedCoordinates) {
  using Points = std::vector<QPointF>;
  struct Case {
    const char* name;
    std::function<void(QPainter&)> draw;
    QString element;
    std::map<QString, double> numbers;
    Points points;  // of polygons and paths
  };
  const QPointF pentagon[] = {{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}};
  const std::vector<Case> cases = {
      {"rectangle",
       [](QPainter& p) { p.drawRect(QRectF(1, 1, 3, 4.25)); },
       "rect",
       {{"x", 12}, {"y", 22}, {"width", 6}, {"height", 8.5}},
       {}},
      {"circle",
       [](QPainter& p) { p.drawEllipse(QRectF(0, 0, 5, 5)); },
       "circle",
       {{"cx", 15}, {"cy", 25}, {"r", 5}},
       {}},
      {"ellipse",
       [](QPainter& p) { p.drawEllipse(QRectF(0, 0, 5, 2)); },
       "ellipse",
       {{"cx", 15}, {"cy", 22}, {"rx", 5}, {"ry", 2}},
       {}},
      {"line",
       [](QPainter& p) { p.drawLine(QPointF(0.3, 0), QPointF(5, -1.5)); },
       "path",
       {},
       Points{{10.6, 20}, {20, 17}}},
      {"polyline",
       [](QPainter& p) {
         p.drawPolyline(QPolygonF({{0, 0}, {1, 1}, {2, 0}, {2.005, 3}}));
       },
       "path",
       {},
       Points{{10, 20}, {12, 22}, {14, 20}, {14.01, 26}}},
      {"polygon",
       [&](QPainter& p) { p.drawPolygon(pentagon, 5); },
       "polygon",
       {},
       Points{{10, 20}, {18, 20}, {18, 28}, {14, 32}, {10, 28}}},
      {"point",
       [](QPainter& p) {
         p.setPen(QPen(QColor(255, 0, 0), 0));  // one pixel, whatever the scale
         p.drawPoint(QPointF(3.3, 3.3));
       },
       "path",
       {},
       Points{{16, 26}, {17, 26}, {17, 27}, {16, 27}}},
      {"path",
       [](QPainter& p) {
         QPainterPath path;
         path.moveTo(1, 1);
         path.cubicTo(2, 0, 3, 0, 4, 1);
         path.lineTo(4, 4);
         path.closeSubpath();
         p.drawPath(path);
       },
       "path",
       {},
       Points{{12, 22}, {18, 22}, {18, 28}, {12, 22}}},
      {"turned rectangle",
       [](QPainter& p) {
         p.rotate(90);
         p.drawRect(QRectF(0, 0, 2, 1));
       },
       "path",
       {},
       Points{{10, 20}, {10, 24}, {8, 24}, {8, 20}, {10, 20}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto drawn = Drawn(Elements(Paint(100, 100, [&](QPainter& p) {
      p.setPen(QColor(255, 0, 0));
      p.setBrush(QColor(0, 0, 255));
      p.translate(10, 20);
      p.scale(2, 2);
      c.draw(p);
    })));
    ASSERT_EQ(drawn.size(), 1u);
    const Element& e = drawn.front();
    EXPECT_EQ(e.name, c.element);
    for (const auto& [key, value] : c.numbers)
      EXPECT_DOUBLE_EQ(e.Num(key.toLatin1().constData()), value) << key.toStdString();
    if (e.name == u"polygon") {
      EXPECT_EQ(PolygonPoints(e.Attr("points")), c.points);
      EXPECT_EQ(e.Attr("fill-rule"), u"evenodd") << "the painter's default fill rule";
    }
    if (e.name == u"path") {
      EXPECT_EQ(PathPoints(e.Attr("d")), c.points);
    }
    // Lines are stroked only; points are filled in the pen's colour.
    const bool lineLike = std::string_view(c.name) == "line" || c.name == std::string("polyline");
    const bool point = std::string_view(c.name) == "point";
    EXPECT_EQ(e.Attr("fill"), lineLike ? u"none" : point ? u"#f00" : u"#00f");
    EXPECT_EQ(e.Attr("stroke"), point ? u"none" : u"#f00");
  }
}

TEST(SvgState, GroupsFollowPenBrushAndOpacity) {
  const auto all = Elements(Paint(200, 200, [](QPainter& p) {
    QPen pen(QColor(0, 128, 0));
    pen.setCosmetic(true);
    p.setPen(pen);
    p.drawLine(QLineF(0, 0, 10, 0));
    p.setPen(pen);  // the same pen again: no new group
    p.drawLine(QLineF(0, 5, 10, 5));
    pen.setWidth(2);
    pen.setDashPattern({1, 1});
    p.setPen(pen);
    p.scale(3, 3);  // a cosmetic pen keeps its width
    p.drawLine(QLineF(0, 10, 10, 10));
    p.resetTransform();
    p.setPen(QColor(255, 0, 0, 128));
    p.drawLine(QLineF(0, 20, 10, 20));
    p.drawLine(QLineF(0, 25, 10, 25));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(1, 2, 3));
    p.drawRect(QRectF(0, 30, 5, 5));
    p.drawLine(QLineF(0, 40, 10, 40));  // nothing to draw it with
  }));
  std::vector<const Element*> groups;
  for (const Element& e : all) {
    if (e.name == u"g") groups.push_back(&e);
  }
  const auto drawn = Drawn(all);
  ASSERT_EQ(groups.size(), 4u);
  ASSERT_EQ(drawn.size(), 5u);
  EXPECT_EQ(PathPoints(drawn[0].Attr("d")),
            (std::vector<QPointF>{{0, 0}, {10, 0}, {0, 5}, {10, 5}}))
      << "lines in one state share a path";
  EXPECT_EQ(groups[0]->Attr("stroke"), u"#008000");
  EXPECT_EQ(groups[0]->Attr("stroke-width"), u"");
  EXPECT_EQ(groups[1]->Attr("stroke-width"), u"2");
  EXPECT_EQ(groups[1]->Attr("stroke-dasharray"), u"2 2");
  EXPECT_EQ(groups[1]->Attr("stroke-linecap"), u"") << "caps would close the gaps";
  EXPECT_EQ(PathPoints(drawn[1].Attr("d")), (std::vector<QPointF>{{0, 30}, {30, 30}}));
  EXPECT_EQ(groups[2]->Attr("stroke-opacity"), u"0.5");
  EXPECT_EQ(drawn[2].name, u"path") << "translucent lines blend one by one";
  EXPECT_EQ(drawn[3].name, u"path");
  EXPECT_EQ(groups[3]->Attr("fill"), u"#010203");
  EXPECT_EQ(groups[3]->Attr("stroke"), u"");
  EXPECT_EQ(drawn[4].name, u"rect");
}

TEST(SvgRender, ClipKeepsTheDrawingInsideAndLiftsAgain) {
  const QRect clip(40, 30, 50, 40);
  const std::string svg = Paint(200, 150, [&](QPainter& p) {
    p.setPen(QPen(Qt::black, 3));
    for (int i = 0; i < 2; ++i) {  // the same clip twice is defined once
      p.save();
      p.setClipRect(clip);
      p.drawLine(QPointF(0, 0), QPointF(200, 150));
      p.restore();
      p.drawLine(QPointF(0, 140), QPointF(200, 140));
    }
    p.setClipRect(QRectF(120.5, 0, 40, 150));
    p.setClipRect(QRectF(0, 0, 140, 20), Qt::IntersectClip);
    p.drawLine(QPointF(0, 10), QPointF(200, 10));
  });
  size_t definitions = 0;
  for (const Element& e : Elements(svg))
    definitions += e.name == u"clipPath" ? 1u : 0u;
  EXPECT_EQ(definitions, 2u);
  const QImage image = Render(svg);
  if (image.isNull()) GTEST_SKIP() << "rsvg-convert is not installed";
  ASSERT_EQ(image.size(), QSize(200, 150));
  const QRgb white = qRgb(255, 255, 255);
  // Along the diagonal: dark inside the clip, white outside.
  for (int x = 2; x < 170; x += 4) {
    const int y = static_cast<int>(std::lround(x * 0.75));
    const bool inside = clip.adjusted(2, 2, -2, -2).contains(x, y);
    const bool outside = !clip.adjusted(-3, -3, 3, 3).contains(x, y);
    if (inside) {
      EXPECT_LT(qGray(image.pixel(x, y)), 80) << x;
    }
    if (outside) {
      EXPECT_EQ(image.pixel(x, y), white) << x;
    }
  }
  EXPECT_LT(qGray(image.pixel(100, 140)), 80) << "unclipped after the restore";
  EXPECT_LT(qGray(image.pixel(130, 10)), 80) << "inside both clips";
  EXPECT_EQ(image.pixel(100, 10), white) << "outside the first";
  EXPECT_EQ(image.pixel(150, 10), white) << "outside the second";
}

TEST(SvgRender, ChartLooksAsOnAnImage) {
  constexpr std::uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;
  constexpr std::uint32_t kYellow = 0x00FFFF, kMagenta = 0xFF00FF;
  Chart chart;
  chart.title = QStringLiteral("分布 <&>");
  for (ChartAxis& axis : chart.axes) {
    axis.minimum = 0;
    axis.maximum = 10;
    axis.increment = 2;
    axis.gridPen = {0x808080, 1, true, false};
    axis.minorGridPen = {kBlue, 1, false, true};
  }
  chart.Axis(AxisSide::Left).minorGridPen.visible = true;
  chart.Axis(AxisSide::Left).minorTickCount = 1;
  LineSeries line;
  line.seriesColor = kRed;
  line.width = 2;
  line.maskMode = true;
  line.Add(0.5, 9.5);
  line.Add(9.5, 0.5);
  chart.lines.push_back(line);
  struct Marker {
    MarkerShape shape;
    std::uint32_t fill;
    double x, y;
  };
  const std::vector<Marker> markers = {{MarkerShape::Circle, kGreen, 3, 7},
                                       {MarkerShape::Rectangle, kYellow, 7, 7},
                                       {MarkerShape::TriangleUp, kMagenta, 3, 3},
                                       {MarkerShape::Diamond, kGreen, 7, 3},
                                       {MarkerShape::Cross, kGreen, 5, 8.5}};
  for (const Marker& m : markers) {
    PointSeries series;
    series.marker = {m.shape, 6, m.fill, kBlue};
    series.Add(m.x, m.y);
    chart.points.push_back(series);
  }
  const QSize size(600, 400);
  QImage raster(size, QImage::Format_RGB32);
  raster.fill(Qt::black);
  ChartMapping mapping;
  {
    QPainter painter(&raster);
    mapping = DrawChart(painter, QRect(QPoint(0, 0), size), chart);
  }
  const std::string svg = Paint(size.width(), size.height(), [&](QPainter& p) {
    EXPECT_FALSE(p.paintEngine()->hasFeature(QPaintEngine::RasterOpModes));
    DrawChart(p, QRect(QPoint(0, 0), size), chart);
  });
  QString texts;
  for (const Element& e : Elements(svg)) {
    if (e.name == u"text") texts += e.text;
  }
  EXPECT_TRUE(texts.contains(chart.title)) << texts.toStdString();
  const QImage image = Render(svg);
  if (image.isNull()) GTEST_SKIP() << "rsvg-convert is not installed";
  ASSERT_EQ(image.size(), size);

  auto px = [&](AxisSide side, double v) {
    return static_cast<int>(std::floor(mapping.ToPixel(side, v)));
  };
  struct Probe {
    const char* what;
    QPoint at;
    QRgb expected;
    // A one-pixel line on whole coordinates is drawn half in each of two pixels when
    // antialiased: its colour shows only half strong.
    int tolerance = 40;
  };
  std::vector<Probe> probes;
  for (const Marker& m : markers) {
    const QPoint centre(px(AxisSide::Bottom, m.x), px(AxisSide::Left, m.y));
    // The triangle's centroid lies below the point it is centred on.
    const QPoint inside = m.shape == MarkerShape::TriangleUp ? centre + QPoint(0, 2) : centre;
    if (m.shape == MarkerShape::Cross) {
      probes.push_back({"cross", inside, ToQColor(kBlue).rgb(), 130});
    } else {
      probes.push_back({"marker", inside, ToQColor(m.fill).rgb()});
    }
  }
  const int midY = px(AxisSide::Left, 4.5);
  for (const double v : {2.0, 4.0, 6.0})
    probes.push_back({"grid", {px(AxisSide::Bottom, v), midY}, qRgb(128, 128, 128)});
  probes.push_back(
      {"background", {px(AxisSide::Bottom, 5.1), px(AxisSide::Left, 5.5)}, qRgb(255, 255, 255)});
  const double lx = 1.5;
  const double ly = 9.5 - (lx - 0.5);
  probes.push_back({"line", {px(AxisSide::Bottom, lx), px(AxisSide::Left, ly)}, qRgb(255, 0, 0)});
  for (const Probe& probe : probes) {
    SCOPED_TRACE(std::string(probe.what) + " at " + std::to_string(probe.at.x()) + "," +
                 std::to_string(probe.at.y()));
    EXPECT_TRUE(NearBy(raster, probe.at, probe.expected, 0)) << Hex(raster.pixel(probe.at));
    EXPECT_TRUE(NearBy(image, probe.at, probe.expected, probe.tolerance))
        << Hex(image.pixel(probe.at));
  }
  // The dotted minor line at 5 (between the grid lines at 4 and 6): every other pixel.
  const int y = px(AxisSide::Left, 5);
  const int from = px(AxisSide::Bottom, 0.3);
  int onRaster = 0, onSvg = 0;
  for (int x = from; x < from + 40; ++x) {
    onRaster += qBlue(raster.pixel(x, y)) > 200 && qRed(raster.pixel(x, y)) < 100 ? 1 : 0;
    onSvg += qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 100 ? 1 : 0;
  }
  EXPECT_EQ(onRaster, 20);
  EXPECT_NEAR(onSvg, 20, 2);
}

}  // namespace
}  // namespace platform
