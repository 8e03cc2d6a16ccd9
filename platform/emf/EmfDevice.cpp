#include "platform/emf/EmfDevice.h"

#include <uemf.h>

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

namespace platform {

namespace {

static_assert(std::endian::native == std::endian::little,
              "records are copied as libUEMF builds them, which is little-endian only here");

// The reference screen the header describes: 1920 × 1440 pixels on 508 × 381 mm is exactly
// 96 dpi, so readers that derive the resolution from these sizes get 96 back.
constexpr int kDpi = 96;
constexpr int kScreenWidthPx = 1920;
constexpr int kScreenHeightPx = 1440;
constexpr int kScreenWidthMm = kScreenWidthPx * 254 / (kDpi * 10);
constexpr int kScreenHeightMm = kScreenHeightPx * 254 / (kDpi * 10);
static_assert(kScreenWidthMm * kDpi * 10 == kScreenWidthPx * 254);
static_assert(kScreenHeightMm * kDpi * 10 == kScreenHeightPx * 254);

int32_t Round(double v) {
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  if (!(v >= lo)) return std::numeric_limits<int32_t>::min();  // NaN lands here too
  if (v >= hi) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::lround(v));
}

U_POINTL Point(const QPointF& p) {
  return point32_set(Round(p.x()), Round(p.y()));
}

U_RECTL Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return rectl_set(point32_set(left, top), point32_set(right, bottom));
}

U_COLORREF Color(const QColor& c) {
  const QColor rgb = c.toRgb();
  return colorref3_set(static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
                       static_cast<uint8_t>(rgb.blue()));
}

bool SameColor(const U_COLORREF& a, const U_COLORREF& b) {
  return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

// Kana, kanji, CJK punctuation and the full- and half-width forms: text a reader should set
// with a Japanese font and code page.
bool IsJapanese(const QString& s) {
  for (const QChar c : s) {
    const char16_t u = c.unicode();
    if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x4DBF) ||
        (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) ||
        (u >= 0xFF00 && u <= 0xFFEF))
      return true;
  }
  return false;
}

// What a created pen, brush or font looks like; an unchanged description reuses the object.
struct PenKey {
  uint32_t style = U_PS_SOLID;
  int32_t width = 1;
  U_COLORREF color{};
  bool operator==(const PenKey& o) const {
    return style == o.style && width == o.width && SameColor(color, o.color);
  }
};

struct BrushKey {
  uint32_t style = U_BS_SOLID;
  U_COLORREF color{};
  bool operator==(const BrushKey& o) const { return style == o.style && SameColor(color, o.color); }
};

struct FontKey {
  QString face;
  int32_t height = 0;
  int32_t weight = U_FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int32_t escapement = 0;
  uint8_t charset = U_DEFAULT_CHARSET;
  bool operator==(const FontKey&) const = default;
};

// One kind of GDI object (pen, brush or font): the object last created for it, and what the
// device context has selected. The null pen and brush are stock objects, so that switching
// between drawing with and without outline or fill keeps the created object.
enum class Selected {
  Unknown,  // some stock object: what a new or restored device context holds
  Object,
  Stock,  // the slot's own stock object
};

template <typename Key>
struct Slot {
  explicit Slot(uint32_t stockObject) : stock(stockObject) {}
  std::optional<Key> key;
  uint32_t handle = 0;
  Selected selected = Selected::Unknown;
  uint32_t stock = 0;
};

}  // namespace

class EmfPaintEngine : public QPaintEngine {
 public:
  EmfPaintEngine()
      : QPaintEngine(QPaintEngine::PrimitiveTransform | QPaintEngine::PainterPaths |
                     QPaintEngine::RasterOpModes | QPaintEngine::PaintOutsidePaintEvent) {}
  ~EmfPaintEngine() override { Discard(); }
  EmfPaintEngine(const EmfPaintEngine&) = delete;
  EmfPaintEngine& operator=(const EmfPaintEngine&) = delete;

  const std::string& Bytes() const { return m_bytes; }
  std::string TakeBytes() { return std::move(m_bytes); }

  bool begin(QPaintDevice* device) override;
  bool end() override;
  void updateState(const QPaintEngineState& painterState) override;

  using QPaintEngine::drawEllipse;
  using QPaintEngine::drawLines;
  using QPaintEngine::drawPoints;
  using QPaintEngine::drawPolygon;
  using QPaintEngine::drawRects;
  void drawRects(const QRectF* rects, int rectCount) override;
  void drawLines(const QLineF* lines, int lineCount) override;
  void drawEllipse(const QRectF& rect) override;
  void drawPath(const QPainterPath& path) override;
  void drawPoints(const QPointF* points, int pointCount) override;
  void drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) override;
  void drawTextItem(const QPointF& p, const QTextItem& textItem) override;
  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                 Qt::ImageConversionFlags flags) override;
  Type type() const override { return QPaintEngine::User; }

 private:
  void Add(char* record);
  void Discard();

  template <typename Key, typename Create>
  void Select(Slot<Key>& slot, const Key& key, Create create);
  template <typename Key>
  void SelectStock(Slot<Key>& slot);
  // Puts the stock object in the place of the created one, which may then be deleted.
  template <typename Key>
  void Release(Slot<Key>& slot);
  template <typename Key>
  void Delete(Slot<Key>& slot);

  PenKey CurrentPen() const;
  void UsePen(const PenKey& key);
  void UseBrush(const BrushKey& key);
  void UseStrokeState();
  void UseFillState(Qt::FillRule rule);
  void UseRop();
  void ApplyClip();
  void SetClip(const QRegion& region, Qt::ClipOperation op);
  void ForgetDeviceContext();

  bool Simple() const { return m_transform.type() <= QTransform::TxScale; }
  void Polyline(const QPolygonF& devicePoints);
  void Polygon(const QPolygonF& devicePoints);
  void PolyPolygon(const QList<QPolygonF>& devicePolygons);

  std::string m_bytes;
  std::string m_out;
  uint32_t m_records = 0;
  EMFHANDLES* m_handles = nullptr;
  int m_width = 0;
  int m_height = 0;

  // The painter's state as last reported.
  QPen m_qpen;
  QBrush m_qbrush;
  QTransform m_transform;
  QPainter::CompositionMode m_mode = QPainter::CompositionMode_SourceOver;
  std::optional<QRegion> m_clip;  // device pixels; none = not clipped
  bool m_clipEnabled = false;

  // What the records written so far have set in the device context; none = not known, so
  // the next use writes it.
  Slot<PenKey> m_pen{U_NULL_PEN};
  Slot<BrushKey> m_brush{U_NULL_BRUSH};
  Slot<FontKey> m_font{U_DEVICE_DEFAULT_FONT};
  std::optional<uint32_t> m_rop;
  std::optional<uint32_t> m_fillMode;
  std::optional<U_COLORREF> m_textColor;
  bool m_textModesSet = false;
  std::optional<QRegion> m_writtenClip;
  bool m_saved = false;
};

void EmfPaintEngine::Add(char* record) {
  if (!record) return;  // libUEMF refuses what it cannot build; the file stays well-formed
  U_EMR emr;
  std::memcpy(&emr, record, sizeof emr);
  m_out.append(record, emr.nSize);
  std::free(record);
  ++m_records;
}

void EmfPaintEngine::Discard() {
  if (m_handles) emf_htable_free(&m_handles);
  m_handles = nullptr;
}

bool EmfPaintEngine::begin(QPaintDevice* device) {
  Discard();
  m_bytes.clear();
  m_out.clear();
  m_records = 0;
  if (emf_htable_create(128, 128, &m_handles) != 0) return false;
  m_width = device->width();
  m_height = device->height();
  m_pen = Slot<PenKey>(U_NULL_PEN);
  m_brush = Slot<BrushKey>(U_NULL_BRUSH);
  m_font = Slot<FontKey>(U_DEVICE_DEFAULT_FONT);
  ForgetDeviceContext();
  m_writtenClip.reset();
  m_saved = false;
  m_clip.reset();
  m_clipEnabled = false;
  m_transform = QTransform();
  m_mode = QPainter::CompositionMode_SourceOver;

  auto frame = [](int px) { return Round(px * 2540.0 / kDpi); };
  // The bounds end at the width and height rather than one pixel short, since readers that
  // size the picture from the bounds take their difference.
  Add(U_EMRHEADER_set(Rect(0, 0, m_width, m_height), Rect(0, 0, frame(m_width), frame(m_height)),
                      nullptr, 0, nullptr, sizel_set(kScreenWidthPx, kScreenHeightPx),
                      sizel_set(kScreenWidthMm, kScreenHeightMm), 0));
  Add(U_EMRSETMAPMODE_set(U_MM_TEXT));
  return !m_out.empty();
}

bool EmfPaintEngine::end() {
  if (!m_handles) return false;
  if (m_saved) Add(U_EMRRESTOREDC_set(-1));
  m_saved = false;
  Release(m_pen);
  Release(m_brush);
  Release(m_font);
  Delete(m_pen);
  Delete(m_brush);
  Delete(m_font);
  EMFTRACK track{};
  Add(U_EMREOF_set(0, nullptr, &track));

  U_EMRHEADER header;
  std::memcpy(&header, m_out.data(), sizeof header);
  header.nBytes = static_cast<uint32_t>(m_out.size());
  header.nRecords = m_records;
  header.nHandles = static_cast<uint16_t>(m_handles->peak + 1);  // slot 0 is reserved
  std::memcpy(m_out.data(), &header, sizeof header);
  m_bytes = std::move(m_out);
  m_out.clear();
  Discard();
  return true;
}

void EmfPaintEngine::ForgetDeviceContext() {
  m_pen.selected = Selected::Unknown;
  m_brush.selected = Selected::Unknown;
  m_font.selected = Selected::Unknown;
  m_rop.reset();
  m_fillMode.reset();
  m_textColor.reset();
  m_textModesSet = false;
}

template <typename Key, typename Create>
void EmfPaintEngine::Select(Slot<Key>& slot, const Key& key, Create create) {
  if (slot.key && *slot.key == key) {
    if (slot.selected != Selected::Object) Add(selectobject_set(slot.handle, m_handles));
    slot.selected = Selected::Object;
    return;
  }
  // The replacement is selected before the old object goes: a selected object must not be
  // deleted.
  uint32_t handle = 0;
  char* record = create(&handle);
  if (!record) return;
  Add(record);
  Add(selectobject_set(handle, m_handles));
  if (slot.key) Add(deleteobject_set(&slot.handle, m_handles));
  slot.key = key;
  slot.handle = handle;
  slot.selected = Selected::Object;
}

template <typename Key>
void EmfPaintEngine::SelectStock(Slot<Key>& slot) {
  if (slot.selected != Selected::Stock) Add(selectobject_set(slot.stock, m_handles));
  slot.selected = Selected::Stock;
}

template <typename Key>
void EmfPaintEngine::Release(Slot<Key>& slot) {
  if (slot.selected == Selected::Object) SelectStock(slot);
}

template <typename Key>
void EmfPaintEngine::Delete(Slot<Key>& slot) {
  if (slot.key) Add(deleteobject_set(&slot.handle, m_handles));
  slot.key.reset();
  slot.handle = 0;
}

void EmfPaintEngine::updateState(const QPaintEngineState& painterState) {
  const DirtyFlags dirty = painterState.state();
  if (dirty & DirtyTransform) m_transform = painterState.transform();
  if (dirty & DirtyPen) m_qpen = painterState.pen();
  if (dirty & DirtyBrush) m_qbrush = painterState.brush();
  if (dirty & DirtyCompositionMode) m_mode = painterState.compositionMode();
  // A clip is given in the coordinates in force when it was set, so the transform above is
  // taken first.
  if (dirty & DirtyClipRegion) {
    SetClip(m_transform.map(painterState.clipRegion()), painterState.clipOperation());
  }
  if (dirty & DirtyClipPath) {
    const QPainterPath path = m_transform.map(painterState.clipPath());
    const QPolygonF polygon = path.toFillPolygon();
    // A rectangle given in fractions becomes a path: keep it a rectangle, rounded.
    const QRectF bounds = polygon.boundingRect();
    QRegion region;
    if (path.elementCount() <= 5 && QPolygonF(bounds) == polygon) {
      region = QRegion(QRect(QPoint(Round(bounds.left()), Round(bounds.top())),
                             QPoint(Round(bounds.right()) - 1, Round(bounds.bottom()) - 1)));
    } else {
      region = QRegion(polygon.toPolygon(), path.fillRule());
    }
    SetClip(region, painterState.clipOperation());
  }
  if (dirty & DirtyClipEnabled) m_clipEnabled = painterState.isClipEnabled();
}

void EmfPaintEngine::SetClip(const QRegion& region, Qt::ClipOperation op) {
  switch (op) {
    case Qt::NoClip:
      m_clip.reset();
      break;
    case Qt::ReplaceClip:
      m_clip = region;
      m_clipEnabled = true;
      break;
    case Qt::IntersectClip:
      m_clip = m_clip ? m_clip->intersected(region) : region;
      m_clipEnabled = true;
      break;
  }
}

void EmfPaintEngine::ApplyClip() {
  const std::optional<QRegion> wanted = m_clipEnabled ? m_clip : std::nullopt;
  if (wanted == m_writtenClip) return;
  // Clipping can only narrow; widening it again takes going back to the state saved before
  // the clip.
  if (m_saved) {
    Add(U_EMRRESTOREDC_set(-1));
    m_saved = false;
    ForgetDeviceContext();
  }
  if (wanted) {
    // The saved state must not hold objects that are deleted before it comes back.
    Release(m_pen);
    Release(m_brush);
    Release(m_font);
    Add(U_EMRSAVEDC_set());
    m_saved = true;
    if (wanted->rectCount() <= 1) {
      const QRect r = wanted->boundingRect();
      Add(U_EMRINTERSECTCLIPRECT_set(
          Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height())));
    } else {
      // Rare (the painter's clips are rectangles): readers that only follow rectangle clips
      // draw such a region unclipped, which shows more rather than something wrong.
      std::vector<U_RECTL> rects;
      for (const QRect& r : *wanted)
        rects.push_back(Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
      const QRect b = wanted->boundingRect();
      const U_RGNDATAHEADER head =
          rgndataheader_set(static_cast<uint32_t>(rects.size()),
                            Rect(b.left(), b.top(), b.left() + b.width(), b.top() + b.height()));
      PU_RGNDATA data = rgndata_set(head, rects.data());
      if (data) {
        Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, data));
        std::free(data);
      }
    }
  }
  m_writtenClip = wanted;
}

PenKey EmfPaintEngine::CurrentPen() const {
  PenKey key;
  if (m_qpen.style() == Qt::NoPen || m_qpen.brush().style() == Qt::NoBrush) {
    key.style = U_PS_NULL;
    return key;
  }
  switch (m_qpen.style()) {
    case Qt::DashLine:
      key.style = U_PS_DASH;
      break;
    case Qt::DotLine:
    case Qt::CustomDashLine:
      key.style = U_PS_DOT;
      break;
    case Qt::DashDotLine:
      key.style = U_PS_DASHDOT;
      break;
    case Qt::DashDotDotLine:
      key.style = U_PS_DASHDOTDOT;
      break;
    default:
      key.style = U_PS_SOLID;
      break;
  }
  double width = m_qpen.widthF();
  if (!m_qpen.isCosmetic()) width *= std::sqrt(std::abs(m_transform.determinant()));
  key.width = std::max(Round(width), 1);
  key.color = Color(m_qpen.color());
  // Readers draw a pen that is not marked geometric one pixel wide, whatever its width.
  if (key.width > 1) {
    key.style |= U_PS_GEOMETRIC;
    switch (m_qpen.capStyle()) {
      case Qt::FlatCap:
        key.style |= U_PS_ENDCAP_FLAT;
        break;
      case Qt::SquareCap:
        key.style |= U_PS_ENDCAP_SQUARE;
        break;
      default:
        key.style |= U_PS_ENDCAP_ROUND;
        break;
    }
    switch (m_qpen.joinStyle()) {
      case Qt::MiterJoin:
      case Qt::SvgMiterJoin:
        key.style |= U_PS_JOIN_MITER;
        break;
      case Qt::BevelJoin:
        key.style |= U_PS_JOIN_BEVEL;
        break;
      default:
        key.style |= U_PS_JOIN_ROUND;
        break;
    }
  }
  return key;
}

void EmfPaintEngine::UsePen(const PenKey& key) {
  if (key.style == U_PS_NULL) {
    SelectStock(m_pen);
    return;
  }
  Select(m_pen, key, [&](uint32_t* ih) {
    return createpen_set(ih, m_handles,
                         logpen_set(key.style, point32_set(key.width, 0), key.color));
  });
}

void EmfPaintEngine::UseBrush(const BrushKey& key) {
  if (key.style == U_BS_NULL) {
    SelectStock(m_brush);
    return;
  }
  Select(m_brush, key, [&](uint32_t* ih) {
    return createbrushindirect_set(ih, m_handles, logbrush_set(key.style, key.color, 0));
  });
}

void EmfPaintEngine::UseRop() {
  const uint32_t rop =
      m_mode == QPainter::RasterOp_SourceAndDestination ? U_R2_MASKPEN : U_R2_COPYPEN;
  if (m_rop != rop) Add(U_EMRSETROP2_set(rop));
  m_rop = rop;
}

void EmfPaintEngine::UseStrokeState() {
  ApplyClip();
  UseRop();
  UsePen(CurrentPen());
  UseBrush(BrushKey{U_BS_NULL, {}});
}

void EmfPaintEngine::UseFillState(Qt::FillRule rule) {
  ApplyClip();
  UseRop();
  UsePen(CurrentPen());
  // Patterns and gradients are not recorded; their colour stands in for them.
  if (m_qbrush.style() == Qt::NoBrush) {
    UseBrush(BrushKey{U_BS_NULL, {}});
  } else {
    UseBrush(BrushKey{U_BS_SOLID, Color(m_qbrush.color())});
  }
  const uint32_t mode = rule == Qt::WindingFill ? U_WINDING : U_ALTERNATE;
  if (m_fillMode != mode) Add(U_EMRSETPOLYFILLMODE_set(mode));
  m_fillMode = mode;
}

namespace {

template <typename P>
U_RECTL Bounds(const std::vector<P>& points) {
  U_RECTL b = Rect(0, 0, 0, 0);
  if (points.empty()) return b;
  b = Rect(points[0].x, points[0].y, points[0].x, points[0].y);
  for (const P& p : points) {
    b.left = std::min<int32_t>(b.left, p.x);
    b.top = std::min<int32_t>(b.top, p.y);
    b.right = std::max<int32_t>(b.right, p.x);
    b.bottom = std::max<int32_t>(b.bottom, p.y);
  }
  return b;
}

std::vector<U_POINTL> Points(const QPolygonF& polygon) {
  std::vector<U_POINTL> out;
  out.reserve(static_cast<size_t>(polygon.size()));
  for (const QPointF& p : polygon)
    out.push_back(Point(p));
  return out;
}

// The 16-bit coordinates when every point fits them.
std::optional<std::vector<U_POINT16>> Short(const std::vector<U_POINTL>& points) {
  std::vector<U_POINT16> out;
  out.reserve(points.size());
  for (const U_POINTL& p : points) {
    if (p.x < INT16_MIN || p.x > INT16_MAX || p.y < INT16_MIN || p.y > INT16_MAX) return {};
    out.push_back(point16_set(static_cast<int16_t>(p.x), static_cast<int16_t>(p.y)));
  }
  return out;
}

}  // namespace

void EmfPaintEngine::Polyline(const QPolygonF& devicePoints) {
  if (devicePoints.size() < 2) return;
  const std::vector<U_POINTL> points = Points(devicePoints);
  const auto count = static_cast<uint32_t>(points.size());
  if (const auto small = Short(points)) {
    Add(U_EMRPOLYLINE16_set(Bounds(points), count, small->data()));
  } else {
    Add(U_EMRPOLYLINE_set(Bounds(points), count, points.data()));
  }
}

void EmfPaintEngine::Polygon(const QPolygonF& devicePoints) {
  if (devicePoints.size() < 2) return;
  const std::vector<U_POINTL> points = Points(devicePoints);
  const auto count = static_cast<uint32_t>(points.size());
  if (const auto small = Short(points)) {
    Add(U_EMRPOLYGON16_set(Bounds(points), count, small->data()));
  } else {
    Add(U_EMRPOLYGON_set(Bounds(points), count, points.data()));
  }
}

void EmfPaintEngine::PolyPolygon(const QList<QPolygonF>& devicePolygons) {
  QList<QPolygonF> shapes;
  for (const QPolygonF& polygon : devicePolygons) {
    if (polygon.size() >= 2) shapes.append(polygon);
  }
  if (shapes.size() <= 1) {
    if (!shapes.isEmpty()) Polygon(shapes.front());
    return;
  }
  std::vector<U_POINTL> points;
  std::vector<uint32_t> counts;
  for (const QPolygonF& polygon : shapes) {
    const std::vector<U_POINTL> some = Points(polygon);
    points.insert(points.end(), some.begin(), some.end());
    counts.push_back(static_cast<uint32_t>(some.size()));
  }
  const auto n = static_cast<uint32_t>(counts.size());
  const auto total = static_cast<uint32_t>(points.size());
  if (const auto small = Short(points)) {
    Add(U_EMRPOLYPOLYGON16_set(Bounds(points), n, counts.data(), total, small->data()));
  } else {
    Add(U_EMRPOLYPOLYGON_set(Bounds(points), n, counts.data(), total, points.data()));
  }
}

void EmfPaintEngine::drawRects(const QRectF* rects, int rectCount) {
  if (!Simple()) {
    for (int i = 0; i < rectCount; ++i) {
      QPainterPath path;
      path.addRect(rects[i]);
      drawPath(path);
    }
    return;
  }
  UseFillState(Qt::OddEvenFill);
  for (int i = 0; i < rectCount; ++i) {
    const QRectF r = m_transform.mapRect(rects[i]);
    Add(U_EMRRECTANGLE_set(
        Rect(Round(r.left()), Round(r.top()), Round(r.right()), Round(r.bottom()))));
  }
}

void EmfPaintEngine::drawEllipse(const QRectF& rect) {
  if (!Simple()) {
    QPainterPath path;
    path.addEllipse(rect);
    drawPath(path);
    return;
  }
  UseFillState(Qt::OddEvenFill);
  const QRectF r = m_transform.mapRect(rect);
  Add(U_EMRELLIPSE_set(Rect(Round(r.left()), Round(r.top()), Round(r.right()), Round(r.bottom()))));
}

void EmfPaintEngine::drawLines(const QLineF* lines, int lineCount) {
  if (CurrentPen().style == U_PS_NULL) return;
  UseStrokeState();
  for (int i = 0; i < lineCount; ++i)
    Polyline(m_transform.map(QPolygonF({lines[i].p1(), lines[i].p2()})));
}

void EmfPaintEngine::drawPoints(const QPointF* points, int pointCount) {
  if (CurrentPen().style == U_PS_NULL) return;
  UseStrokeState();
  // A line one pixel long sets exactly its first pixel, in the pen's colour and raster mode.
  for (int i = 0; i < pointCount; ++i) {
    const U_POINTL p = Point(m_transform.map(points[i]));
    const QPointF at(p.x, p.y);
    Polyline(QPolygonF({at, at + QPointF(1, 0)}));
  }
}

void EmfPaintEngine::drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) {
  if (pointCount < 2) return;
  const QPolygonF polygon = m_transform.map(QPolygonF(QList<QPointF>(points, points + pointCount)));
  if (mode == PolylineMode) {
    if (CurrentPen().style == U_PS_NULL) return;
    UseStrokeState();
    Polyline(polygon);
    return;
  }
  UseFillState(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
  Polygon(polygon);
}

void EmfPaintEngine::drawPath(const QPainterPath& path) {
  const QList<QPolygonF> polygons = path.toSubpathPolygons(m_transform);
  if (polygons.isEmpty()) return;
  bool allClosed = true;
  for (const QPolygonF& p : polygons)
    allClosed = allClosed && p.isClosed();
  const bool fill = m_qbrush.style() != Qt::NoBrush;
  const bool stroke = CurrentPen().style != U_PS_NULL;
  if (fill && (allClosed || !stroke)) {
    UseFillState(path.fillRule());
    PolyPolygon(polygons);
    return;
  }
  if (fill) {
    // Open figures are filled as if closed but stroked as they are.
    const QPen pen = m_qpen;
    m_qpen = QPen(Qt::NoPen);
    UseFillState(path.fillRule());
    PolyPolygon(polygons);
    m_qpen = pen;
  }
  if (stroke) {
    UseStrokeState();
    for (const QPolygonF& p : polygons)
      Polyline(p);
  }
}

void EmfPaintEngine::drawTextItem(const QPointF& p, const QTextItem& textItem) {
  const QString text = textItem.text();
  if (text.isEmpty()) return;
  const QFont font = textItem.font();
  const double scale = std::sqrt(std::abs(m_transform.determinant()));
  const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDpi / 72.0;

  FontKey key;
  key.face = font.family().left(U_LF_FACESIZE - 1);
  key.height = -std::max(Round(pixels * scale), 1);
  key.weight = font.weight() >= QFont::Bold ? U_FW_BOLD : U_FW_NORMAL;
  key.italic = font.italic();
  key.underline = font.underline();
  key.strikeOut = font.strikeOut();
  const double angle = std::atan2(m_transform.m12(), m_transform.m11()) * 180.0 / std::numbers::pi;
  key.escapement = Round(-angle * 10);
  key.charset = IsJapanese(key.face) || IsJapanese(text) ? U_SHIFTJIS_CHARSET : U_DEFAULT_CHARSET;

  ApplyClip();
  UseRop();
  Select(m_font, key, [&](uint32_t* ih) {
    std::vector<uint16_t> face(U_LF_FACESIZE, 0);
    std::copy_n(key.face.utf16(), key.face.size(), face.begin());
    U_LOGFONT lf =
        logfont_set(key.height, 0, key.escapement, key.escapement, key.weight, key.italic,
                    key.underline, key.strikeOut, key.charset, U_OUT_DEFAULT_PRECIS,
                    U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, face.data());
    return extcreatefontindirectw_set(ih, m_handles, reinterpret_cast<const char*>(&lf), nullptr);
  });
  const U_COLORREF color = Color(m_qpen.color());
  if (!m_textColor || !SameColor(*m_textColor, color)) Add(U_EMRSETTEXTCOLOR_set(color));
  m_textColor = color;
  if (!m_textModesSet) {
    Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT));
    m_textModesSet = true;
  }

  // Each character's advance as Qt laid the text out, so that a reader with another font
  // still places the characters where the picture measured them.
  const QFontMetricsF metrics(font, paintDevice());
  std::vector<uint32_t> dx;
  dx.reserve(static_cast<size_t>(text.size()));
  double previous = 0;
  for (qsizetype i = 1; i <= text.size(); ++i) {
    const double at = metrics.horizontalAdvance(text.left(i)) * scale;
    dx.push_back(static_cast<uint32_t>(std::max(Round(at) - Round(previous), 0)));
    previous = at;
  }
  const U_POINTL origin = Point(m_transform.map(p));
  const U_RECTL bounds = Rect(origin.x, origin.y - Round(textItem.ascent() * scale),
                              origin.x + Round(textItem.width() * scale),
                              origin.y + Round(textItem.descent() * scale));
  std::vector<uint16_t> utf16(text.utf16(), text.utf16() + text.size());
  char* emrtext = emrtext_set(origin, static_cast<uint32_t>(utf16.size()), 2, utf16.data(), 0,
                              bounds, dx.data());
  if (!emrtext) return;
  Add(U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, 1.0f, 1.0f,
                           reinterpret_cast<PU_EMRTEXT>(emrtext)));
  std::free(emrtext);
}

void EmfPaintEngine::drawPixmap(const QRectF&, const QPixmap&, const QRectF&) {}

void EmfPaintEngine::drawImage(const QRectF&, const QImage&, const QRectF&,
                               Qt::ImageConversionFlags) {}

EmfDevice::EmfDevice(int width, int height)
    : ReferenceDevice(width, height), m_engine(std::make_unique<EmfPaintEngine>()) {}

EmfDevice::~EmfDevice() = default;

const std::string& EmfDevice::Bytes() const {
  return m_engine->Bytes();
}

std::string EmfDevice::TakeBytes() {
  return m_engine->TakeBytes();
}

QPaintEngine* EmfDevice::paintEngine() const {
  return m_engine.get();
}

}  // namespace platform
