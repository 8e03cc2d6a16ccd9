#include "platform/emf/EmfDevice.h"

#include <gtest/gtest.h>
#include <uemf.h>
#include <uemf_safe.h>

#include <QFile>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/chart/Chart.h"

// Comparisons for libUEMF's C structs, where the checks find them.
bool operator==(const U_RECTL& a, const U_RECTL& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
bool operator==(const U_POINTL& a, const U_POINTL& b) {
  return a.x == b.x && a.y == b.y;
}
bool operator==(const U_COLORREF& a, const U_COLORREF& b) {
  return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

namespace platform {
namespace {

// One record, copied out of the file so that it outlives the device.
struct Record {
  uint32_t type = 0;
  uint32_t size = 0;
  std::string raw;
  const char* data() const { return raw.data(); }

  template <typename T>
  T At(size_t offset) const {
    T value{};
    if (offset + sizeof(T) <= size) std::memcpy(&value, raw.data() + offset, sizeof(T));
    return value;
  }
  // The fixed part of a record as libUEMF's struct; a shorter record leaves the rest zero.
  template <typename T>
  T As() const {
    T value{};
    std::memcpy(&value, raw.data(), std::min<size_t>(sizeof(T), size));
    return value;
  }
};

// Splits the file into records, checking the framing every reader relies on.
std::vector<Record> Records(const std::string& bytes) {
  std::vector<Record> out;
  size_t offset = 0;
  while (offset + 8 <= bytes.size()) {
    Record r;
    std::memcpy(&r.type, bytes.data() + offset, 4);
    std::memcpy(&r.size, bytes.data() + offset + 4, 4);
    EXPECT_EQ(r.size % 4, 0u) << "record " << out.size() << " type " << r.type;
    if (r.size < 8 || offset + r.size > bytes.size()) {
      ADD_FAILURE() << "record " << out.size() << " runs past the file";
      return out;
    }
    r.raw = bytes.substr(offset, r.size);
    out.push_back(r);
    offset += r.size;
  }
  EXPECT_EQ(offset, bytes.size()) << "record sizes must add up to the file";
  if (out.empty()) {
    ADD_FAILURE() << "no records";
    return out;
  }
  EXPECT_EQ(out.front().type, uint32_t{U_EMR_HEADER});
  EXPECT_EQ(out.back().type, uint32_t{U_EMR_EOF});
  const auto header = out.front().As<U_EMRHEADER>();
  EXPECT_EQ(header.dSignature, uint32_t{U_ENHMETA_SIGNATURE});
  EXPECT_EQ(header.nBytes, bytes.size());
  EXPECT_EQ(header.nRecords, out.size());
  return out;
}

std::string Paint(int width, int height, const std::function<void(QPainter&)>& draw) {
  EmfDevice device(width, height);
  QPainter painter(&device);
  draw(painter);
  EXPECT_TRUE(device.Bytes().empty()) << "the file is complete only once the painter ends";
  painter.end();
  return device.Bytes();
}

QString Utf16(const Record& r, size_t offset, size_t count) {
  QString s;
  for (size_t i = 0; i < count; ++i)
    s.append(QChar(r.At<char16_t>(offset + 2 * i)));
  return s;
}

bool IsDrawing(uint32_t type) {
  switch (type) {
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYGON16:
    case U_EMR_RECTANGLE:
    case U_EMR_ELLIPSE:
    case U_EMR_SETPIXELV:
    case U_EMR_EXTTEXTOUTW:
      return true;
    default:
      return false;
  }
}

// The device context a reader builds while playing the records: objects by handle, what is
// selected, the modes, the clip. Playing also checks the object bookkeeping: handles are
// created once, used only while they exist, and never deleted while selected (in the current
// or a saved state).
struct Dc {
  enum Kind { kPen, kBrush, kFont };
  std::map<uint32_t, Record> objects;
  std::map<uint32_t, Kind> kinds;
  struct Saved {
    uint32_t selected[3] = {U_BLACK_PEN, U_WHITE_BRUSH, U_SYSTEM_FONT};
    uint32_t rop = U_R2_COPYPEN;
    std::optional<U_COLORREF> textColor;
    uint32_t textAlign = 0;
    uint32_t bkMode = 2;
    std::optional<std::vector<U_RECTL>> clip;
  } now;
  std::vector<Saved> stack;

  static Kind StockKind(uint32_t ih) {
    if (ih <= U_NULL_BRUSH) return kBrush;
    if (ih <= U_NULL_PEN) return kPen;
    return kFont;
  }
  bool Stock(Kind k) const { return (now.selected[k] & U_STOCK_OBJECT) != 0; }
  const Record& Selected(Kind k) const { return objects.at(now.selected[k]); }
  U_LOGPEN Pen() const { return Selected(kPen).As<U_EMRCREATEPEN>().lopn; }
  U_LOGBRUSH Brush() const { return Selected(kBrush).As<U_EMRCREATEBRUSHINDIRECT>().lb; }
  U_LOGFONT Font() const { return Selected(kFont).At<U_LOGFONT>(12); }

  void Play(const Record& r, size_t index) {
    auto create = [&](Kind kind) {
      const auto ih = r.At<uint32_t>(8);
      EXPECT_FALSE(objects.count(ih)) << "record " << index << " reuses live handle " << ih;
      objects[ih] = r;
      kinds[ih] = kind;
    };
    switch (r.type) {
      case U_EMR_CREATEPEN:
        create(kPen);
        break;
      case U_EMR_CREATEBRUSHINDIRECT:
        create(kBrush);
        break;
      case U_EMR_EXTCREATEFONTINDIRECTW:
        create(kFont);
        break;
      case U_EMR_SELECTOBJECT: {
        const auto ih = r.At<uint32_t>(8);
        if (ih & U_STOCK_OBJECT) {
          now.selected[StockKind(ih)] = ih;
        } else {
          ASSERT_TRUE(objects.count(ih)) << "record " << index << " selects dead handle " << ih;
          now.selected[kinds[ih]] = ih;
        }
        break;
      }
      case U_EMR_DELETEOBJECT: {
        const auto ih = r.At<uint32_t>(8);
        ASSERT_TRUE(objects.count(ih)) << "record " << index << " deletes dead handle " << ih;
        const Kind kind = kinds[ih];
        EXPECT_NE(now.selected[kind], ih) << "record " << index << " deletes a selected object";
        for (const Saved& s : stack)
          EXPECT_NE(s.selected[kind], ih) << "record " << index << " deletes a saved object";
        objects.erase(ih);
        break;
      }
      case U_EMR_SETROP2:
        now.rop = r.At<uint32_t>(8);
        break;
      case U_EMR_SETTEXTCOLOR:
        now.textColor = r.At<U_COLORREF>(8);
        break;
      case U_EMR_SETTEXTALIGN:
        now.textAlign = r.At<uint32_t>(8);
        break;
      case U_EMR_SETBKMODE:
        now.bkMode = r.At<uint32_t>(8);
        break;
      case U_EMR_SAVEDC:
        stack.push_back(now);
        break;
      case U_EMR_RESTOREDC:
        ASSERT_EQ(r.At<int32_t>(8), -1);
        ASSERT_FALSE(stack.empty()) << "record " << index << " restores what was not saved";
        now = stack.back();
        stack.pop_back();
        break;
      case U_EMR_INTERSECTCLIPRECT: {
        const auto rect = r.At<U_RECTL>(8);
        if (now.clip) {
          ADD_FAILURE() << "clips are expected one at a time";
        }
        now.clip = std::vector<U_RECTL>{rect};
        break;
      }
      case U_EMR_EXTSELECTCLIPRGN: {
        EXPECT_EQ(r.At<uint32_t>(12), uint32_t{U_RGN_COPY});
        std::vector<U_RECTL> rects(r.At<uint32_t>(24));
        for (size_t i = 0; i < rects.size(); ++i)
          rects[i] = r.At<U_RECTL>(48 + 16 * i);
        now.clip = rects;
        break;
      }
      case U_EMR_EOF:
        EXPECT_TRUE(stack.empty()) << "a saved state is left open";
        EXPECT_TRUE(objects.empty()) << objects.size() << " objects are never deleted";
        break;
      default:
        break;
    }
  }
};

// Each drawing record with the device context it is drawn in.
std::vector<std::pair<Record, Dc>> Drawings(const std::vector<Record>& records) {
  std::vector<std::pair<Record, Dc>> out;
  Dc dc;
  for (size_t i = 0; i < records.size(); ++i) {
    if (IsDrawing(records[i].type)) out.emplace_back(records[i], dc);
    dc.Play(records[i], i);
  }
  return out;
}

std::vector<U_POINTL> Points(const Record& r) {
  std::vector<U_POINTL> out(r.At<uint32_t>(24));
  for (size_t i = 0; i < out.size(); ++i) {
    if (r.type == U_EMR_POLYLINE16 || r.type == U_EMR_POLYGON16) {
      const auto p = r.At<U_POINT16>(28 + 4 * i);
      out[i] = {p.x, p.y};
    } else {
      out[i] = r.At<U_POINTL>(28 + 8 * i);
    }
  }
  return out;
}

// Lines, shapes, Japanese text, a dotted and a mask-mode pen, clips narrowed and lifted.
void RichPicture(QPainter& p) {
  p.fillRect(QRect(0, 0, 400, 300), Qt::white);
  QPen dotted(QColor(128, 128, 128));
  dotted.setCosmetic(true);
  dotted.setDashPattern({1, 1});
  p.setPen(dotted);
  for (int x = 40; x < 400; x += 40)
    p.drawLine(QPointF(x + 0.5, 20), QPointF(x + 0.5, 280));
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(QPointF(40, 280), QPointF(380, 280));
  p.setBrush(QColor(255, 200, 0));
  p.drawRect(QRectF(96, 196, 8, 8));
  p.drawEllipse(QRectF(136, 156, 8, 8));
  const QPointF triangle[3] = {{180, 116}, {176, 124}, {184, 124}};
  p.drawPolygon(triangle, 3);
  p.save();
  p.setClipRect(QRectF(50.5, 20, 300, 200));
  p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
  p.setPen(QPen(Qt::red, 3));
  p.drawPolyline(QPolygonF({{40, 250}, {140, 160}, {220, 200}, {380, 60}}));
  p.setPen(QPen(Qt::darkGreen, 0));
  const QPointF dots[3] = {{250, 250}, {253, 250}, {256, 250}};
  p.drawPoints(dots, 3);
  p.restore();
  p.setClipRegion(QRegion(0, 0, 50, 50) + QRegion(100, 100, 50, 50));
  QPainterPath path;
  path.moveTo(0, 20);
  path.cubicTo(5, 10, 10, 30, 15, 20);
  path.closeSubpath();
  p.drawPath(path);
  p.setClipping(false);
  QFont font(QStringLiteral("ＭＳ ゴシック"));
  font.setPixelSize(16);
  p.setFont(font);
  p.drawText(QPointF(100, 30), QStringLiteral("日本植物三面分布図"));
  p.drawText(QPointF(50, 290), QStringLiteral("128ﾟ"));
  p.drawLine(QPointF(0, 0), QPointF(70000, 10));  // beyond 16-bit coordinates
}

TEST(EmfFile, HeaderGivesBackThePixelSizeAtNinetySixDpi) {
  struct Case {
    int width, height;
  };
  for (const Case c : {Case{300, 200}, Case{1, 1}, Case{641, 479}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    const std::string bytes = Paint(c.width, c.height, [](QPainter&) {});
    const std::vector<Record> records = Records(bytes);
    ASSERT_FALSE(records.empty());
    const auto h = records.front().As<U_EMRHEADER>();
    EXPECT_EQ(h.rclBounds, (U_RECTL{0, 0, c.width, c.height}));
    EXPECT_EQ(h.rclFrame.left, 0);
    EXPECT_EQ(h.rclFrame.top, 0);
    EXPECT_EQ(h.rclFrame.right, std::lround(c.width * 2540.0 / 96));
    EXPECT_EQ(h.rclFrame.bottom, std::lround(c.height * 2540.0 / 96));
    // The reference screen is 96 dpi exactly, so frame and device agree on the pixel size.
    EXPECT_DOUBLE_EQ(h.szlDevice.cx * 25.4 / h.szlMillimeters.cx, 96.0);
    EXPECT_DOUBLE_EQ(h.szlDevice.cy * 25.4 / h.szlMillimeters.cy, 96.0);
    EXPECT_EQ(std::lround(h.rclFrame.right / 2540.0 * 96), c.width);
  }
}

TEST(EmfFile, EveryRecordPassesLibUemfChecksAndEveryObjectIsDeleted) {
  const std::string bytes = Paint(400, 300, RichPicture);
  const std::vector<Record> records = Records(bytes);
  std::set<uint32_t> types;
  Dc dc;
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_NE(U_emf_record_safe(records[i].data()), 0)
        << "record " << i << " type " << records[i].type;
    dc.Play(records[i], i);
    types.insert(records[i].type);
  }
  uint16_t highest = 0;
  for (const Record& r : records) {
    if (r.type == U_EMR_CREATEPEN || r.type == U_EMR_CREATEBRUSHINDIRECT ||
        r.type == U_EMR_EXTCREATEFONTINDIRECTW)
      highest = std::max(highest, static_cast<uint16_t>(r.At<uint32_t>(8)));
  }
  EXPECT_GT(records.front().As<U_EMRHEADER>().nHandles, highest);
  for (const int type :
       {U_EMR_POLYLINE16, U_EMR_POLYLINE, U_EMR_POLYGON16, U_EMR_RECTANGLE, U_EMR_ELLIPSE,
        U_EMR_EXTTEXTOUTW, U_EMR_INTERSECTCLIPRECT, U_EMR_EXTSELECTCLIPRGN, U_EMR_SETROP2})
    EXPECT_TRUE(types.count(static_cast<uint32_t>(type))) << "the picture lacks type " << type;
}

TEST(EmfRecords, PensFollowThePainterAndAreReused) {
  struct Case {
    const char* name;
    std::function<QPen()> pen;
    double scale;
    uint32_t style;  // pen style, geometric and cap bits
    int32_t width;
  };
  const auto dotted = [] {
    QPen p(Qt::blue, 0);
    p.setDashPattern({1, 1});
    return p;
  };
  const auto wide = [] {
    QPen p(Qt::blue, 3);
    p.setCosmetic(true);
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    return p;
  };
  const std::vector<Case> cases = {
      {"hairline", [] { return QPen(Qt::blue, 0); }, 1, U_PS_SOLID, 1},
      {"custom dots", dotted, 1, U_PS_DOT, 1},
      {"dot line", [] { return QPen(Qt::blue, 0, Qt::DotLine); }, 1, U_PS_DOT, 1},
      {"cosmetic 3 px ignores the scale", wide, 2,
       U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT | U_PS_JOIN_MITER, 3},
      {"geometric width scales", [] { return QPen(Qt::blue, 1.5); }, 2,
       U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_SQUARE | U_PS_JOIN_BEVEL, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Record> records = Records(Paint(100, 100, [&](QPainter& p) {
      p.scale(c.scale, c.scale);
      p.setPen(c.pen());
      p.drawLine(QPointF(1, 1), QPointF(20, 1));
      p.drawLine(QPointF(1, 5), QPointF(20, 5));
    }));
    const auto drawings = Drawings(records);
    ASSERT_EQ(drawings.size(), 2u);
    for (const auto& [record, dc] : drawings) {
      ASSERT_FALSE(dc.Stock(Dc::kPen));
      EXPECT_EQ(dc.Pen().lopnStyle, c.style);
      EXPECT_EQ(dc.Pen().lopnWidth.x, c.width);
      EXPECT_EQ(dc.Pen().lopnColor, colorref3_set(0, 0, 255));
      EXPECT_EQ(dc.now.rop, uint32_t{U_R2_COPYPEN});
    }
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const Record& r) { return r.type == U_EMR_CREATEPEN; }),
              1)
        << "an unchanged pen is reused";
  }
}

TEST(EmfRecords, MaskModeNoPenAndBrushesReachTheDeviceContext) {
  EmfDevice probe(10, 10);
  QPainter probePainter(&probe);
  EXPECT_TRUE(probePainter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes));
  probePainter.end();

  const auto drawings = Drawings(Records(Paint(100, 100, [](QPainter& p) {
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.setPen(QPen(Qt::red, 0));
    p.drawLine(QPointF(0, 0), QPointF(10, 10));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawLine(QPointF(0, 0), QPointF(10, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(1, 2, 3));
    p.drawRect(QRectF(1, 1, 5, 5));
    p.setPen(QPen(Qt::red, 0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1, 1, 5, 5));
  })));
  ASSERT_EQ(drawings.size(), 4u);
  EXPECT_EQ(drawings[0].second.now.rop, uint32_t{U_R2_MASKPEN});
  EXPECT_EQ(drawings[1].second.now.rop, uint32_t{U_R2_COPYPEN});
  const Dc& filled = drawings[2].second;
  EXPECT_EQ(filled.now.selected[Dc::kPen], uint32_t{U_NULL_PEN});
  ASSERT_FALSE(filled.Stock(Dc::kBrush));
  EXPECT_EQ(filled.Brush().lbStyle, uint32_t{U_BS_SOLID});
  EXPECT_EQ(filled.Brush().lbColor, colorref3_set(1, 2, 3));
  EXPECT_EQ(drawings[3].second.now.selected[Dc::kBrush], uint32_t{U_NULL_BRUSH});
  EXPECT_FALSE(drawings[3].second.Stock(Dc::kPen));
}

TEST(EmfRecords, ShapesLandOnTransformedRoundedPixels) {
  struct Case {
    const char* name;
    std::function<void(QPainter&)> draw;
    uint32_t type;
    std::vector<U_POINTL> points;  // corners for rectangles and ellipses
  };
  const std::vector<Case> cases = {
      {"rectangle",
       [](QPainter& p) { p.drawRect(QRectF(1, 1, 3, 4.2)); },
       U_EMR_RECTANGLE,
       {{12, 22}, {18, 30}}},
      {"ellipse",
       [](QPainter& p) { p.drawEllipse(QRectF(0, 0, 5, 5)); },
       U_EMR_ELLIPSE,
       {{10, 20}, {20, 30}}},
      {"line",
       [](QPainter& p) { p.drawLine(QPointF(0.3, 0), QPointF(5, 0)); },
       U_EMR_POLYLINE16,
       {{11, 20}, {20, 20}}},
      {"polyline",
       [](QPainter& p) {
         p.drawPolyline(QPolygonF({{0, 0}, {1, 1}, {2, 0}}));
       },
       U_EMR_POLYLINE16,
       {{10, 20}, {12, 22}, {14, 20}}},
      {"polygon",
       [](QPainter& p) {
         p.drawPolygon(QPolygonF({{0, 0}, {1, 1}, {2, 0}}));
       },
       U_EMR_POLYGON16,
       {{10, 20}, {12, 22}, {14, 20}}},
      {"far polyline",
       [](QPainter& p) { p.drawLine(QPointF(0, 0), QPointF(20000, 0)); },
       U_EMR_POLYLINE,
       {{10, 20}, {40010, 20}}},
      {"point",
       [](QPainter& p) { p.drawPoint(QPointF(3, 3)); },
       U_EMR_POLYLINE16,
       {{16, 26}, {17, 26}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto drawings = Drawings(Records(Paint(100, 100, [&](QPainter& p) {
      p.translate(10, 20);
      p.scale(2, 2);
      c.draw(p);
    })));
    ASSERT_EQ(drawings.size(), 1u);
    const Record& r = drawings[0].first;
    ASSERT_EQ(r.type, c.type);
    if (r.type == U_EMR_RECTANGLE || r.type == U_EMR_ELLIPSE) {
      const auto box = r.At<U_RECTL>(8);
      EXPECT_EQ((std::vector<U_POINTL>{{box.left, box.top}, {box.right, box.bottom}}), c.points);
    } else {
      EXPECT_EQ(Points(r), c.points);
    }
  }
}

TEST(EmfRecords, TextIsUtf16InTheFontAndColourOfThePainter) {
  struct Case {
    QString face;
    int pixelSize;
    int pointSize;
    bool bold;
    QString text;
    int32_t height;
    int32_t weight;
    uint8_t charset;  // of pieces without Japanese characters, which are always Shift JIS
  };
  const std::vector<Case> cases = {
      {QStringLiteral("ＭＳ ゴシック"), 16, 0, false, QStringLiteral("日本植物三面分布図"), -16,
       400, 128},
      {QStringLiteral("Arial"), 0, 9, true, QStringLiteral("128ﾟ"), -12, 700, 1},
      {QStringLiteral("ＭＳ ゴシック"), 0, 9, false, QStringLiteral("128"), -12, 400, 128},
      {QStringLiteral("Arial"), 20, 0, false, QStringLiteral("Latin 42"), -20, 400, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    const auto drawings = Drawings(Records(Paint(300, 100, [&](QPainter& p) {
      QFont font(c.face);
      if (c.pixelSize) font.setPixelSize(c.pixelSize);
      if (c.pointSize) font.setPointSize(c.pointSize);
      font.setBold(c.bold);
      p.setFont(font);
      p.setPen(QColor(10, 20, 30));
      p.drawText(QPointF(10.4, 40.6), c.text);
    })));
    QString drawn;
    for (const auto& [r, dc] : drawings) {
      ASSERT_EQ(r.type, uint32_t{U_EMR_EXTTEXTOUTW}) << "text must stay text";
      const auto text = r.At<U_EMRTEXT>(36);
      if (drawn.isEmpty()) {
        EXPECT_EQ(text.ptlReference, (U_POINTL{10, 41}));
      }
      const QString piece = Utf16(r, text.offString, text.nChars);
      drawn += piece;
      ASSERT_FALSE(dc.Stock(Dc::kFont));
      const U_LOGFONT font = dc.Font();
      EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(font.lfFaceName)), c.face);
      EXPECT_EQ(font.lfHeight, c.height);
      EXPECT_EQ(font.lfWeight, c.weight);
      const bool japanese =
          std::any_of(piece.begin(), piece.end(), [](QChar ch) { return ch.unicode() >= 0x3000; });
      EXPECT_EQ(font.lfCharSet, japanese ? 128 : c.charset) << piece.toStdString();
      EXPECT_EQ(dc.now.textColor, colorref3_set(10, 20, 30));
      EXPECT_EQ(dc.now.textAlign, uint32_t{U_TA_BASELINE | U_TA_LEFT});
      EXPECT_EQ(dc.now.bkMode, uint32_t{U_TRANSPARENT});
    }
    EXPECT_EQ(drawn, c.text);
  }
}

TEST(EmfRecords, ClipsNarrowTheDrawingAndLiftAgain) {
  using Rects = std::vector<U_RECTL>;
  const auto drawings = Drawings(Records(Paint(200, 200, [](QPainter& p) {
    auto line = [&] { p.drawLine(QPointF(0, 0), QPointF(100, 100)); };
    p.save();
    p.setClipRect(QRect(10, 10, 20, 20));
    line();
    p.restore();
    line();
    p.setClipRect(QRectF(5.4, 5.6, 10, 10));
    line();
    p.setClipRect(QRectF(0, 0, 12, 12), Qt::IntersectClip);
    line();
    p.setClipRegion(QRegion(0, 0, 10, 10) + QRegion(50, 50, 10, 10));
    line();
    p.setClipping(false);
    line();
  })));
  const std::vector<std::optional<Rects>> expected = {Rects{{10, 10, 30, 30}},
                                                      std::nullopt,
                                                      Rects{{5, 6, 15, 16}},
                                                      Rects{{5, 6, 12, 12}},
                                                      Rects{{0, 0, 10, 10}, {50, 50, 60, 60}},
                                                      std::nullopt};
  ASSERT_EQ(drawings.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(drawings[i].second.now.clip, expected[i]) << "drawing " << i;
}

TEST(EmfRecords, ChartDrawsIntoTheDeviceWithMaskPenAndText) {
  Chart chart;
  chart.title = QStringLiteral("日本植物三面分布図");
  for (ChartAxis& axis : chart.axes) {
    axis.minimum = 120;
    axis.maximum = 150;
    axis.increment = 10;
  }
  LineSeries line;
  line.maskMode = true;
  line.Add(125, 125);
  line.Add(145, 140);
  chart.lines.push_back(line);
  PointSeries points;
  points.marker.shape = MarkerShape::Circle;
  points.Add(130, 130);
  chart.points.push_back(points);
  const auto drawings = Drawings(
      Records(Paint(400, 300, [&](QPainter& p) { DrawChart(p, QRect(0, 0, 400, 300), chart); })));
  bool mask = false, title = false, marker = false;
  for (const auto& [r, dc] : drawings) {
    mask = mask || dc.now.rop == U_R2_MASKPEN;
    marker = marker || r.type == U_EMR_ELLIPSE;
    if (r.type == U_EMR_EXTTEXTOUTW) {
      const auto text = r.At<U_EMRTEXT>(36);
      title = title || Utf16(r, text.offString, text.nChars) == chart.title;
    }
  }
  EXPECT_TRUE(mask);
  EXPECT_TRUE(title);
  EXPECT_TRUE(marker);
}

TEST(EmfRoundTrip, ConverterShowsTheTextAtThePictureSize) {
  const QString converter = QStringLiteral("/usr/bin/emf2svg-conv");
  if (!QFileInfo(converter).isExecutable()) GTEST_SKIP() << "emf2svg-conv is not installed";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string bytes = Paint(400, 300, RichPicture);
  QFile emf(dir.filePath("picture.emf"));
  ASSERT_TRUE(emf.open(QIODevice::WriteOnly));
  emf.write(bytes.data(), static_cast<qint64>(bytes.size()));
  emf.close();
  QProcess process;
  process.start(converter, {"-i", emf.fileName(), "-o", dir.filePath("picture.svg")});
  ASSERT_TRUE(process.waitForFinished());
  ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  QFile svgFile(dir.filePath("picture.svg"));
  ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
  const QString svg = QString::fromUtf8(svgFile.readAll());
  const auto size =
      QRegularExpression(QStringLiteral("<svg[^>]*width=\"([\\d.]+)\"[^>]*height=\"([\\d.]+)\""))
          .match(svg);
  ASSERT_TRUE(size.hasMatch());
  EXPECT_DOUBLE_EQ(size.captured(1).toDouble(), 400);
  EXPECT_DOUBLE_EQ(size.captured(2).toDouble(), 300);
  EXPECT_TRUE(svg.contains(QStringLiteral("日本植物三面分布図")));
  EXPECT_TRUE(svg.contains(QStringLiteral("128ﾟ")));
  EXPECT_TRUE(svg.contains(QStringLiteral("font-family=\"ＭＳ ゴシック\"")));
  EXPECT_TRUE(svg.contains(QStringLiteral("stroke-dasharray"))) << "the dotted pen";
  EXPECT_TRUE(svg.contains(QStringLiteral("clip-path")));
}

}  // namespace
}  // namespace platform
