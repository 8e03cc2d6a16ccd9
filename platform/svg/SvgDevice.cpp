#include "platform/svg/SvgDevice.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontInfo>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QRegion>
#include <QStringList>
#include <QTransform>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/FontSubstitution.h"

namespace platform {

namespace {

constexpr int kDpi = ReferenceDevice::kDpi;

// Stroke-only shapes drawn in one state share a path element. It is cut at this length, and
// one long polyline at a larger one, so that no attribute grows past what XML readers accept
// by default (libxml2 refuses values of about 10 MB).
constexpr size_t kMaxMergedPath = size_t{1} << 16;
constexpr size_t kMaxPolylinePath = size_t{1} << 20;

// Coordinates are kept as whole hundredths of a pixel: the written digits are exact, and a
// step relative to the previous point adds up to the same absolute position a reader gets.
using Fixed = std::int64_t;

Fixed ToFixed(double v) {
  constexpr double kLimit = 1e15;
  if (std::isnan(v)) return 0;
  return static_cast<Fixed>(std::llround(std::clamp(v * 100, -kLimit, kLimit)));
}

// Integers without a decimal point, otherwise up to two decimals without trailing zeros.
char* PutFixed(char* p, Fixed n) {
  if (n < 0) {
    *p++ = '-';
    n = -n;
  }
  p = std::to_chars(p, p + 20, n / 100).ptr;
  const auto frac = static_cast<int>(n % 100);
  if (frac != 0) {
    *p++ = '.';
    *p++ = static_cast<char>('0' + frac / 10);
    if (frac % 10 != 0) *p++ = static_cast<char>('0' + frac % 10);
  }
  return p;
}

// Path data needs no separator before a minus sign.
char* PutFixedAfterNumber(char* p, Fixed n) {
  if (n >= 0) *p++ = ' ';
  return PutFixed(p, n);
}

char* PutColor(char* p, QRgb c) {
  static constexpr char kHex[] = "0123456789abcdef";
  const int parts[3] = {qRed(c), qGreen(c), qBlue(c)};
  const bool shortForm = parts[0] % 17 == 0 && parts[1] % 17 == 0 && parts[2] % 17 == 0;
  *p++ = '#';
  for (const int v : parts) {
    if (shortForm) {
      *p++ = kHex[v / 17];
    } else {
      *p++ = kHex[v >> 4];
      *p++ = kHex[v & 15];
    }
  }
  return p;
}

QRgb WithOpacity(const QColor& color, double opacity) {
  const QRgb rgb = color.rgba();
  const auto alpha = static_cast<int>(std::lround(qAlpha(rgb) * std::clamp(opacity, 0.0, 1.0)));
  return qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), alpha);
}

// The output, built in a small staging buffer and appended to the document in large pieces,
// so that writing a number costs a few stores rather than a call that checks capacity. The
// document grows as a list of pieces joined once at the end: a single string doubling to a
// hundred megabytes copied everything written so far at each step.
class Writer {
 public:
  void Reset() {
    m_pieces.clear();
    m_committed = 0;
    m_used = 0;
  }
  // Room for at most `n` (no more than the staging buffer) bytes; Commit says where they end.
  char* Room(size_t n) {
    if (m_used + n > m_stage.size()) Flush();
    return m_stage.data() + m_used;
  }
  void Commit(char* end) { m_used = static_cast<size_t>(end - m_stage.data()); }
  void Put(std::string_view s) {
    if (s.size() > m_stage.size() / 4) {
      Flush();
      Append(s);
      return;
    }
    std::memcpy(Room(s.size()), s.data(), s.size());
    m_used += s.size();
  }
  void Put(char c) {
    *Room(1) = c;
    ++m_used;
  }
  void Num(Fixed n) { Commit(PutFixed(Room(24), n)); }
  void Int(long long n) { Commit(std::to_chars(Room(24), m_stage.data() + m_stage.size(), n).ptr); }
  // A matrix entry, which needs more than two decimals.
  void Real(double v) {
    if (!std::isfinite(v) || std::abs(v) < 1e-12) v = 0;
    Commit(std::to_chars(Room(32), m_stage.data() + m_stage.size(), v).ptr);
  }
  void Color(QRgb c) { Commit(PutColor(Room(8), c)); }
  size_t Size() const { return m_committed + m_used; }
  std::string Take() {
    Flush();
    size_t total = 0;
    for (const std::string& piece : m_pieces)
      total += piece.size();
    std::string out;
    out.reserve(total);
    // Each piece is freed as soon as it is copied, so the peak stays near one document.
    for (std::string& piece : m_pieces) {
      out.append(piece);
      std::string().swap(piece);
    }
    m_pieces.clear();
    m_committed = 0;
    return out;
  }

 private:
  static constexpr size_t kPiece = size_t{4} << 20;

  void Flush() {
    Append(std::string_view(m_stage.data(), m_used));
    m_used = 0;
  }
  void Append(std::string_view s) {
    if (m_pieces.empty() || m_pieces.back().size() + s.size() > m_pieces.back().capacity()) {
      m_pieces.emplace_back().reserve(std::max(kPiece, s.size()));
    }
    m_pieces.back().append(s);
    m_committed += s.size();
  }

  std::vector<std::string> m_pieces;
  size_t m_committed = 0;
  std::array<char, size_t{1} << 16> m_stage{};
  size_t m_used = 0;
};

// Text as XML character data or attribute value, in UTF-8: markup characters escaped, control
// characters and unpaired surrogates (which XML cannot hold) dropped.
void PutEscaped(Writer& w, const QString& s) {
  const QChar* u = s.constData();
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    char32_t c = u[i].unicode();
    if (QChar::isHighSurrogate(c)) {
      if (i + 1 >= n || !u[i + 1].isLowSurrogate()) continue;
      c = QChar::surrogateToUcs4(u[i], u[i + 1]);
      ++i;
    } else if (QChar::isLowSurrogate(c)) {
      continue;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFFFE || c == 0xFFFF) continue;
    switch (c) {
      case '&':
        w.Put("&amp;");
        continue;
      case '<':
        w.Put("&lt;");
        continue;
      case '>':
        w.Put("&gt;");
        continue;
      case '"':
        w.Put("&quot;");
        continue;
      case '\'':
        w.Put("&apos;");
        continue;
      default:
        break;
    }
    char* p = w.Room(4);
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    w.Commit(p);
  }
}

// A family name as a font-family value: a plain name as it is, anything else quoted, with the
// characters that would end the quotes left out.
QString FontFamily(const QString& family) {
  bool plain = !family.isEmpty() && !family.front().isDigit();
  for (const QChar c : family) {
    plain = plain && c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'-');
  }
  if (plain) return family;
  QString quoted = family;
  quoted.remove(u'\'');
  quoted.remove(u'\\');
  return u'\'' + quoted + u'\'';
}

// The rectangle a clip path or polygon outlines, when it is one.
std::optional<QRectF> AsRect(QPolygonF polygon) {
  if (polygon.size() == 5 && polygon.front() == polygon.back()) polygon.removeLast();
  if (polygon.size() != 4) return {};
  const QRectF b = polygon.boundingRect();
  for (qsizetype i = 0; i < 4; ++i) {
    const QPointF& a = polygon[i];
    const QPointF& c = polygon[(i + 1) % 4];
    if ((a.x() != b.left() && a.x() != b.right()) || (a.y() != b.top() && a.y() != b.bottom()))
      return {};
    if (a.x() != c.x() && a.y() != c.y()) return {};  // a diagonal edge: not a rectangle
  }
  return b;
}

// A clip's shape in device pixels as the content of a clipPath element; empty clips all.
std::string ClipShape(const QPainterPath& path) {
  std::string out;
  char buffer[64];
  auto number = [&](Fixed n) { out.append(buffer, PutFixed(buffer, n)); };
  if (path.isEmpty()) return out;
  if (path.elementCount() <= 5) {
    if (const auto rect = AsRect(path.toFillPolygon())) {
      out += "<rect x=\"";
      number(ToFixed(rect->x()));
      out += "\" y=\"";
      number(ToFixed(rect->y()));
      out += "\" width=\"";
      number(ToFixed(rect->width()));
      out += "\" height=\"";
      number(ToFixed(rect->height()));
      out += "\"/>";
      return out;
    }
  }
  out += "<path";
  if (path.fillRule() == Qt::OddEvenFill) out += " clip-rule=\"evenodd\"";
  out += " d=\"";
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element& e = path.elementAt(i);
    switch (e.type) {
      case QPainterPath::MoveToElement:
        out += 'M';
        break;
      case QPainterPath::LineToElement:
        out += 'L';
        break;
      case QPainterPath::CurveToElement:
        out += 'C';
        break;
      case QPainterPath::CurveToDataElement:
        out += ' ';
        break;
    }
    number(ToFixed(e.x));
    out += ' ';
    number(ToFixed(e.y));
  }
  out += "\"/>";
  return out;
}

// What a group's attributes set: the pen, the brush and the clip.
struct Style {
  bool stroke = false;
  QRgb strokeColor = 0;
  Fixed width = 100;
  Qt::PenCapStyle cap = Qt::FlatCap;
  Qt::PenJoinStyle join = Qt::MiterJoin;
  std::array<Fixed, 8> dashes{};
  int dashCount = 0;
  Fixed dashOffset = 0;
  bool fill = false;
  QRgb fillColor = 0;
  int clip = 0;  // the clipPath's number; 0 = not clipped
  bool operator==(const Style&) const = default;
};

struct ClipDefinition {
  int id = 0;
  bool written = false;
};

}  // namespace

class SvgPaintEngine : public QPaintEngine {
 public:
  // Antialiasing, alpha and opacity are declared so that the painter hands such drawing over
  // as shapes rather than rendering it into an image first.
  SvgPaintEngine()
      : QPaintEngine(QPaintEngine::PrimitiveTransform | QPaintEngine::PainterPaths |
                     QPaintEngine::AlphaBlend | QPaintEngine::Antialiasing |
                     QPaintEngine::ConstantOpacity | QPaintEngine::PaintOutsidePaintEvent) {}

  void SetTitle(const QString& title) { m_title = title; }
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
  // A path element left open so that the next stroke-only shapes, or the next points, in the
  // same state join it.
  enum class Merged { None, Strokes, Dots };

  void Use();
  Style Wanted() const;
  void ResolveClip();
  void SetClip(const QPainterPath& devicePath, Qt::ClipOperation op);
  void OpenGroup();
  void CloseGroup();
  void BeginMerged(Merged kind);
  void CloseMerged();
  // After a stroke-only shape: translucent shapes must each blend on their own.
  void EndStroke();
  void PutPenFill();
  void PutTransform();

  bool Simple() const { return m_txType <= QTransform::TxScale; }
  QPointF Map(const QPointF& p) const;

  void MoveTo(const QPointF& devicePoint);
  void Segment(char letter, std::initializer_list<Fixed> values);
  void LineTo(const QPointF& devicePoint);
  void CurveTo(const QPointF& c1, const QPointF& c2, const QPointF& end);
  void Close();
  void PathData(const QPainterPath& path);
  void Polyline(const QPointF* points, int pointCount, bool closed);

  const QString& FamilyList(const QFont& font);

  std::string m_bytes;
  Writer m_w;
  QString m_title;
  // font-family values by the family the painter named: resolving a font is slow, and a
  // figure names few.
  std::unordered_map<QString, QString> m_families;

  // The painter's state as last reported.
  QPen m_pen;
  QBrush m_brush;
  QTransform m_transform;
  QTransform::TransformationType m_txType = QTransform::TxNone;
  double m_opacity = 1;
  std::optional<QPainterPath> m_clip;  // device pixels; none = not clipped
  bool m_clipEnabled = false;

  // Clips by the shape they write, each defined once.
  std::unordered_map<std::string, ClipDefinition> m_clips;
  std::pair<const std::string, ClipDefinition>* m_clipEntry = nullptr;
  bool m_clipStale = true;

  Style m_wanted;
  bool m_stale = true;  // the painter's state changed since m_wanted was worked out
  Style m_group;
  bool m_groupOpen = false;

  Merged m_merged = Merged::None;
  size_t m_mergedStart = 0;

  // Path data: the current point and subpath start (hundredths) and the last command letter,
  // which following coordinates may repeat implicitly.
  Fixed m_x = 0, m_y = 0, m_startX = 0, m_startY = 0;
  char m_command = 0;
};

bool SvgPaintEngine::begin(QPaintDevice* device) {
  m_bytes.clear();
  m_w.Reset();
  m_pen = QPen();
  m_brush = QBrush();
  m_transform = QTransform();
  m_txType = QTransform::TxNone;
  m_opacity = 1;
  m_clip.reset();
  m_clipEnabled = false;
  m_clips.clear();
  m_clipEntry = nullptr;
  m_clipStale = true;
  m_stale = true;
  m_groupOpen = false;
  m_merged = Merged::None;

  const int width = device->width();
  const int height = device->height();
  m_w.Put(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "width=\"");
  m_w.Int(width);
  m_w.Put("\" height=\"");
  m_w.Int(height);
  m_w.Put("\" viewBox=\"0 0 ");
  m_w.Int(width);
  m_w.Put(' ');
  m_w.Int(height);
  // Text keeps its spaces as the painter drew them.
  m_w.Put("\" version=\"1.1\" xml:space=\"preserve\">\n");
  if (!m_title.isEmpty()) {
    m_w.Put("<title>");
    PutEscaped(m_w, m_title);
    m_w.Put("</title>\n");
  }
  return true;
}

bool SvgPaintEngine::end() {
  CloseMerged();
  CloseGroup();
  m_w.Put("</svg>\n");
  m_bytes = m_w.Take();
  m_clips.clear();
  m_clipEntry = nullptr;
  return true;
}

void SvgPaintEngine::updateState(const QPaintEngineState& painterState) {
  const DirtyFlags dirty = painterState.state();
  if (dirty & DirtyTransform) {
    m_transform = painterState.transform();
    m_txType = m_transform.type();
  }
  if (dirty & DirtyPen) m_pen = painterState.pen();
  if (dirty & DirtyBrush) m_brush = painterState.brush();
  if (dirty & DirtyOpacity) m_opacity = painterState.opacity();
  // A clip is given in the coordinates in force when it was set, so the transform above is
  // taken first.
  if (dirty & DirtyClipRegion) {
    QPainterPath path;
    path.addRegion(painterState.clipRegion());
    SetClip(m_transform.map(path), painterState.clipOperation());
  }
  if (dirty & DirtyClipPath) {
    SetClip(m_transform.map(painterState.clipPath()), painterState.clipOperation());
  }
  if (dirty & DirtyClipEnabled) {
    m_clipEnabled = painterState.isClipEnabled();
    m_clipStale = true;
  }
  m_stale = true;
}

void SvgPaintEngine::SetClip(const QPainterPath& devicePath, Qt::ClipOperation op) {
  switch (op) {
    case Qt::NoClip:
      m_clip.reset();
      break;
    case Qt::ReplaceClip:
      m_clip = devicePath;
      m_clipEnabled = true;
      break;
    case Qt::IntersectClip:
      m_clip = m_clip ? m_clip->intersected(devicePath) : devicePath;
      m_clipEnabled = true;
      break;
  }
  m_clipStale = true;
}

void SvgPaintEngine::ResolveClip() {
  m_clipStale = false;
  if (!m_clipEnabled || !m_clip) {
    m_clipEntry = nullptr;
    return;
  }
  auto [it, added] = m_clips.try_emplace(ClipShape(*m_clip));
  if (added) it->second.id = static_cast<int>(m_clips.size());
  m_clipEntry = &*it;
}

Style SvgPaintEngine::Wanted() const {
  Style s;
  if (m_pen.style() != Qt::NoPen && m_pen.brush().style() != Qt::NoBrush) {
    s.stroke = true;
    s.strokeColor = WithOpacity(m_pen.color(), m_opacity);
    double width = m_pen.widthF();
    if (m_pen.isCosmetic()) {
      width = std::max(width, 1.0);
    } else {
      width *= std::sqrt(std::abs(m_transform.determinant()));
    }
    s.width = std::max<Fixed>(ToFixed(width), 1);
    s.cap = m_pen.capStyle();
    s.join = m_pen.joinStyle() == Qt::SvgMiterJoin ? Qt::MiterJoin : m_pen.joinStyle();
    if (m_pen.style() != Qt::SolidLine) {
      // The pattern is in pen widths.
      const QList<qreal> pattern = m_pen.dashPattern();
      for (qsizetype i = 0; i < pattern.size() && s.dashCount < static_cast<int>(s.dashes.size());
           ++i)
        s.dashes[static_cast<size_t>(s.dashCount++)] = ToFixed(pattern[i] * width);
      s.dashCount -= s.dashCount % 2;
      s.dashOffset = ToFixed(m_pen.dashOffset() * width);
      // Thin pens draw their dashes pixel by pixel, without a cap on each dash; a square cap
      // here would fill the gaps of a dotted line.
      if (m_pen.isCosmetic()) s.cap = Qt::FlatCap;
    }
  }
  if (m_brush.style() != Qt::NoBrush) {
    // Patterns and gradients are not written; their colour stands in for them.
    s.fill = true;
    s.fillColor = WithOpacity(m_brush.color(), m_opacity);
  }
  s.clip = m_clipEntry ? m_clipEntry->second.id : 0;
  return s;
}

void SvgPaintEngine::Use() {
  if (m_stale) {
    if (m_clipStale) ResolveClip();
    m_wanted = Wanted();
    m_stale = false;
  }
  if (m_groupOpen && m_wanted == m_group) return;
  CloseMerged();
  CloseGroup();
  if (m_clipEntry && !m_clipEntry->second.written) {
    m_w.Put("<clipPath id=\"c");
    m_w.Int(m_clipEntry->second.id);
    m_w.Put("\">");
    m_w.Put(m_clipEntry->first);
    m_w.Put("</clipPath>\n");
    m_clipEntry->second.written = true;
  }
  m_group = m_wanted;
  OpenGroup();
}

void SvgPaintEngine::OpenGroup() {
  const Style& s = m_group;
  m_w.Put("<g");
  if (!s.fill) {
    m_w.Put(" fill=\"none\"");
  } else {
    if ((s.fillColor & RGB_MASK) != 0) {
      m_w.Put(" fill=\"");
      m_w.Color(s.fillColor);
      m_w.Put('"');
    }
    if (qAlpha(s.fillColor) != 255) {
      m_w.Put(" fill-opacity=\"");
      m_w.Num(ToFixed(qAlpha(s.fillColor) / 255.0));
      m_w.Put('"');
    }
  }
  if (s.stroke) {
    m_w.Put(" stroke=\"");
    m_w.Color(s.strokeColor);
    m_w.Put('"');
    if (qAlpha(s.strokeColor) != 255) {
      m_w.Put(" stroke-opacity=\"");
      m_w.Num(ToFixed(qAlpha(s.strokeColor) / 255.0));
      m_w.Put('"');
    }
    if (s.width != 100) {
      m_w.Put(" stroke-width=\"");
      m_w.Num(s.width);
      m_w.Put('"');
    }
    if (s.dashCount > 0) {
      m_w.Put(" stroke-dasharray=\"");
      for (int i = 0; i < s.dashCount; ++i) {
        if (i > 0) m_w.Put(' ');
        m_w.Num(s.dashes[static_cast<size_t>(i)]);
      }
      m_w.Put('"');
      if (s.dashOffset != 0) {
        m_w.Put(" stroke-dashoffset=\"");
        m_w.Num(s.dashOffset);
        m_w.Put('"');
      }
    }
    if (s.cap == Qt::SquareCap) m_w.Put(" stroke-linecap=\"square\"");
    if (s.cap == Qt::RoundCap) m_w.Put(" stroke-linecap=\"round\"");
    if (s.join == Qt::BevelJoin) m_w.Put(" stroke-linejoin=\"bevel\"");
    if (s.join == Qt::RoundJoin) m_w.Put(" stroke-linejoin=\"round\"");
  }
  if (s.clip != 0) {
    m_w.Put(" clip-path=\"url(#c");
    m_w.Int(s.clip);
    m_w.Put(")\"");
  }
  m_w.Put(">\n");
  m_groupOpen = true;
}

void SvgPaintEngine::CloseGroup() {
  if (m_groupOpen) m_w.Put("</g>\n");
  m_groupOpen = false;
}

// The pen's colour as the fill of a shape in the current group, which strokes nothing.
void SvgPaintEngine::PutPenFill() {
  const QRgb color = m_group.strokeColor;
  m_w.Put(" fill=\"");
  m_w.Color(color);
  m_w.Put('"');
  const int inherited = m_group.fill ? qAlpha(m_group.fillColor) : 255;
  if (qAlpha(color) != inherited) {
    m_w.Put(" fill-opacity=\"");
    m_w.Num(ToFixed(qAlpha(color) / 255.0));
    m_w.Put('"');
  }
  if (m_group.stroke) m_w.Put(" stroke=\"none\"");
}

void SvgPaintEngine::BeginMerged(Merged kind) {
  if (m_merged == kind && m_w.Size() - m_mergedStart < kMaxMergedPath) return;
  CloseMerged();
  m_w.Put("<path");
  if (kind == Merged::Strokes) {
    if (m_group.fill) m_w.Put(" fill=\"none\"");
  } else {
    PutPenFill();
  }
  m_w.Put(" d=\"");
  m_merged = kind;
  m_mergedStart = m_w.Size();
  m_command = 0;
}

void SvgPaintEngine::CloseMerged() {
  if (m_merged == Merged::None) return;
  m_w.Put("\"/>\n");
  m_merged = Merged::None;
}

void SvgPaintEngine::EndStroke() {
  if (qAlpha(m_group.strokeColor) != 255) CloseMerged();
}

// The transform as an attribute, for what is written in the painter's own coordinates.
void SvgPaintEngine::PutTransform() {
  m_w.Put(" transform=\"matrix(");
  const double values[] = {m_transform.m11(), m_transform.m12(), m_transform.m21(),
                           m_transform.m22(), m_transform.dx(),  m_transform.dy()};
  for (size_t i = 0; i < 6; ++i) {
    if (i > 0) m_w.Put(' ');
    m_w.Real(values[i]);
  }
  m_w.Put(")\"");
}

QPointF SvgPaintEngine::Map(const QPointF& p) const {
  switch (m_txType) {
    case QTransform::TxNone:
      return p;
    case QTransform::TxTranslate:
      return {p.x() + m_transform.dx(), p.y() + m_transform.dy()};
    case QTransform::TxScale:
      return {p.x() * m_transform.m11() + m_transform.dx(),
              p.y() * m_transform.m22() + m_transform.dy()};
    default:
      return m_transform.map(p);
  }
}

void SvgPaintEngine::MoveTo(const QPointF& devicePoint) {
  m_x = m_startX = ToFixed(devicePoint.x());
  m_y = m_startY = ToFixed(devicePoint.y());
  char* p = m_w.Room(64);
  *p++ = 'M';
  p = PutFixed(p, m_x);
  p = PutFixedAfterNumber(p, m_y);
  m_w.Commit(p);
  // Coordinates after a moveto would be absolute linetos: the next segment names its command.
  m_command = 'M';
}

// Relative coordinates, the command letter left out when it repeats the last one.
void SvgPaintEngine::Segment(char letter, std::initializer_list<Fixed> values) {
  char* p = m_w.Room(160);
  bool first = true;
  if (letter != m_command) *p++ = letter;
  for (const Fixed v : values) {
    p = first && letter != m_command ? PutFixed(p, v) : PutFixedAfterNumber(p, v);
    first = false;
  }
  m_w.Commit(p);
  m_command = letter;
}

void SvgPaintEngine::LineTo(const QPointF& devicePoint) {
  const Fixed x = ToFixed(devicePoint.x());
  const Fixed y = ToFixed(devicePoint.y());
  const Fixed dx = x - m_x;
  const Fixed dy = y - m_y;
  if (dy == 0) {
    Segment('h', {dx});
  } else if (dx == 0) {
    Segment('v', {dy});
  } else {
    Segment('l', {dx, dy});
  }
  m_x = x;
  m_y = y;
}

void SvgPaintEngine::CurveTo(const QPointF& c1, const QPointF& c2, const QPointF& end) {
  const Fixed x = ToFixed(end.x());
  const Fixed y = ToFixed(end.y());
  Segment('c', {ToFixed(c1.x()) - m_x, ToFixed(c1.y()) - m_y, ToFixed(c2.x()) - m_x,
                ToFixed(c2.y()) - m_y, x - m_x, y - m_y});
  m_x = x;
  m_y = y;
}

void SvgPaintEngine::Close() {
  m_w.Put('z');
  m_command = 'z';
  m_x = m_startX;
  m_y = m_startY;
}

// A subpath that ends where it began is closed, as the painter strokes it: joined, not capped.
void SvgPaintEngine::PathData(const QPainterPath& path) {
  const int n = path.elementCount();
  for (int i = 0; i < n; ++i) {
    const QPainterPath::Element& e = path.elementAt(i);
    const bool last = i + 1 == n || path.elementAt(i + 1).type == QPainterPath::MoveToElement;
    switch (e.type) {
      case QPainterPath::MoveToElement:
        MoveTo(Map(e));
        break;
      case QPainterPath::LineToElement: {
        const QPointF p = Map(e);
        if (last && m_command != 'M' && ToFixed(p.x()) == m_startX && ToFixed(p.y()) == m_startY) {
          Close();
        } else {
          LineTo(p);
        }
        break;
      }
      case QPainterPath::CurveToElement:
        if (i + 2 < n) {
          CurveTo(Map(e), Map(path.elementAt(i + 1)), Map(path.elementAt(i + 2)));
          i += 2;
          const bool ends = i + 1 == n || path.elementAt(i + 1).type == QPainterPath::MoveToElement;
          if (ends && m_x == m_startX && m_y == m_startY) Close();
        }
        break;
      case QPainterPath::CurveToDataElement:
        break;
    }
  }
}

void SvgPaintEngine::Polyline(const QPointF* points, int pointCount, bool closed) {
  MoveTo(Map(points[0]));
  for (int i = 1; i < pointCount; ++i) {
    LineTo(Map(points[i]));
    // A very long line goes on in a new element from where it stopped.
    if (m_w.Size() - m_mergedStart > kMaxPolylinePath && i + 1 < pointCount) {
      CloseMerged();
      BeginMerged(Merged::Strokes);
      MoveTo(Map(points[i]));
      closed = false;
    }
  }
  if (closed) Close();
}

void SvgPaintEngine::drawLines(const QLineF* lines, int lineCount) {
  Use();
  if (!m_group.stroke) return;
  for (int i = 0; i < lineCount; ++i) {
    BeginMerged(Merged::Strokes);
    MoveTo(Map(lines[i].p1()));
    LineTo(Map(lines[i].p2()));
  }
  EndStroke();
}

void SvgPaintEngine::drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) {
  if (pointCount < 2) return;
  Use();
  const bool fill = mode != PolylineMode && m_group.fill;
  if (!fill) {
    if (!m_group.stroke) return;
    BeginMerged(Merged::Strokes);
    Polyline(points, pointCount, mode != PolylineMode);
    EndStroke();
    return;
  }
  CloseMerged();
  m_w.Put("<polygon");
  // Up to four corners cannot wind twice around any point, so the rule only matters beyond.
  if (mode == OddEvenMode && pointCount > 4) m_w.Put(" fill-rule=\"evenodd\"");
  m_w.Put(" points=\"");
  for (int i = 0; i < pointCount; ++i) {
    const QPointF p = Map(points[i]);
    char* out = m_w.Room(64);
    if (i > 0) *out++ = ' ';
    out = PutFixed(out, ToFixed(p.x()));
    *out++ = ',';
    out = PutFixed(out, ToFixed(p.y()));
    m_w.Commit(out);
  }
  m_w.Put("\"/>\n");
}

void SvgPaintEngine::drawPath(const QPainterPath& path) {
  if (path.isEmpty()) return;
  Use();
  if (!m_group.fill) {
    if (!m_group.stroke) return;
    BeginMerged(Merged::Strokes);
    PathData(path);
    EndStroke();
    return;
  }
  CloseMerged();
  m_w.Put("<path");
  if (path.fillRule() == Qt::OddEvenFill && path.elementCount() > 4)
    m_w.Put(" fill-rule=\"evenodd\"");
  m_w.Put(" d=\"");
  m_command = 0;
  PathData(path);
  m_w.Put("\"/>\n");
}

void SvgPaintEngine::drawRects(const QRectF* rects, int rectCount) {
  for (int i = 0; i < rectCount; ++i) {
    const QRectF r = Simple() ? m_transform.mapRect(rects[i].normalized()) : QRectF();
    // Turned rectangles are paths; so are flat ones, which a rect element would not draw.
    if (!Simple() || r.width() == 0 || r.height() == 0) {
      QPainterPath path;
      path.addRect(rects[i]);
      drawPath(path);
      continue;
    }
    Use();
    if (!m_group.fill && !m_group.stroke) return;
    CloseMerged();
    char* p = m_w.Room(128);
    for (const char c : std::string_view("<rect x=\""))
      *p++ = c;
    p = PutFixed(p, ToFixed(r.x()));
    for (const char c : std::string_view("\" y=\""))
      *p++ = c;
    p = PutFixed(p, ToFixed(r.y()));
    for (const char c : std::string_view("\" width=\""))
      *p++ = c;
    p = PutFixed(p, ToFixed(r.width()));
    for (const char c : std::string_view("\" height=\""))
      *p++ = c;
    p = PutFixed(p, ToFixed(r.height()));
    for (const char c : std::string_view("\"/>\n"))
      *p++ = c;
    m_w.Commit(p);
  }
}

void SvgPaintEngine::drawEllipse(const QRectF& rect) {
  if (!Simple()) {
    QPainterPath path;
    path.addEllipse(rect);
    drawPath(path);
    return;
  }
  Use();
  if (!m_group.fill && !m_group.stroke) return;
  CloseMerged();
  const QRectF r = m_transform.mapRect(rect.normalized());
  const QPointF c = r.center();
  const Fixed rx = ToFixed(r.width() / 2);
  const Fixed ry = ToFixed(r.height() / 2);
  char* p = m_w.Room(128);
  auto put = [&p](std::string_view s) {
    for (const char ch : s)
      *p++ = ch;
  };
  put(rx == ry ? "<circle cx=\"" : "<ellipse cx=\"");
  p = PutFixed(p, ToFixed(c.x()));
  put("\" cy=\"");
  p = PutFixed(p, ToFixed(c.y()));
  if (rx == ry) {
    put("\" r=\"");
    p = PutFixed(p, rx);
  } else {
    put("\" rx=\"");
    p = PutFixed(p, rx);
    put("\" ry=\"");
    p = PutFixed(p, ry);
  }
  put("\"/>\n");
  m_w.Commit(p);
}

void SvgPaintEngine::drawPoints(const QPointF* points, int pointCount) {
  Use();
  if (!m_group.stroke) return;
  const Fixed side = m_group.width;
  for (int i = 0; i < pointCount; ++i) {
    BeginMerged(Merged::Dots);
    const QPointF p = Map(points[i]);
    // A one-pixel pen sets the pixel the point falls in; a wider one a square centred on it.
    const QPointF corner = side <= 100 ? QPointF(std::floor(p.x()), std::floor(p.y()))
                                       : p - QPointF(0.5, 0.5) * (static_cast<double>(side) / 100);
    MoveTo(corner);
    // The fill closes the square; no stroke needs its last side.
    Segment('h', {side});
    Segment('v', {side});
    Segment('h', {-side});
  }
  EndStroke();
}

// The family the figure names comes first, for readers that have it (the settings files name
// Windows fonts); then the face this system drew with, whose metrics placed the text; then a
// generic family, so a reader with neither does not pick an arbitrary face.
const QString& SvgPaintEngine::FamilyList(const QFont& font) {
  const QString family = font.family();
  const auto found = m_families.find(family);
  if (found != m_families.end()) return found->second;
  QStringList names;
  const auto add = [&names](const QString& name) {
    if (name.isEmpty()) return;
    for (const QString& n : std::as_const(names)) {
      if (n.compare(name, Qt::CaseInsensitive) == 0) return;
    }
    names << name;
  };
  add(family);
  add(QFontInfo(font).family());
  const QString generic = GenericFontFamily(family);
  QStringList values;
  for (const QString& name : std::as_const(names)) {
    if (name.compare(generic, Qt::CaseInsensitive) != 0) values << FontFamily(name);
  }
  values << generic;
  return m_families.emplace(family, values.join(QStringLiteral(", "))).first->second;
}

void SvgPaintEngine::drawTextItem(const QPointF& p, const QTextItem& textItem) {
  const QString text = textItem.text();
  if (text.isEmpty()) return;
  Use();
  // Text is filled with the pen's colour; without a pen the painter draws none.
  if (!m_group.stroke) return;
  CloseMerged();
  const QFont font = textItem.font();
  const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDpi / 72.0;
  m_w.Put("<text");
  QPointF at = p;
  if (m_txType <= QTransform::TxTranslate) {
    at = Map(p);
  } else {
    PutTransform();
  }
  m_w.Put(" x=\"");
  m_w.Num(ToFixed(at.x()));
  m_w.Put("\" y=\"");
  m_w.Num(ToFixed(at.y()));
  m_w.Put("\" font-family=\"");
  PutEscaped(m_w, FamilyList(font));
  m_w.Put("\" font-size=\"");
  m_w.Num(ToFixed(pixels));
  m_w.Put('"');
  if (font.weight() != QFont::Normal) {
    m_w.Put(" font-weight=\"");
    m_w.Int(std::clamp(static_cast<int>(font.weight()), 100, 900) / 100 * 100);
    m_w.Put('"');
  }
  if (font.italic()) m_w.Put(" font-style=\"italic\"");
  if (font.underline() || font.strikeOut()) {
    m_w.Put(" text-decoration=\"");
    if (font.underline()) m_w.Put(font.strikeOut() ? "underline line-through" : "underline");
    if (!font.underline()) m_w.Put("line-through");
    m_w.Put('"');
  }
  PutPenFill();
  m_w.Put('>');
  PutEscaped(m_w, text);
  m_w.Put("</text>\n");
}

void SvgPaintEngine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) {
  drawImage(r, pm.toImage(), sr, Qt::AutoColor);
}

void SvgPaintEngine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                               Qt::ImageConversionFlags) {
  if (image.isNull() || r.isEmpty()) return;
  const QRect source = sr.toAlignedRect().intersected(image.rect());
  if (source.isEmpty()) return;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!(source == image.rect() ? image : image.copy(source)).save(&buffer, "PNG")) return;
  Use();
  CloseMerged();
  m_w.Put("<image");
  QRectF at = r;
  if (Simple()) {
    at = m_transform.mapRect(r);
  } else {
    PutTransform();
  }
  m_w.Put(" x=\"");
  m_w.Num(ToFixed(at.x()));
  m_w.Put("\" y=\"");
  m_w.Num(ToFixed(at.y()));
  m_w.Put("\" width=\"");
  m_w.Num(ToFixed(at.width()));
  m_w.Put("\" height=\"");
  m_w.Num(ToFixed(at.height()));
  m_w.Put("\" preserveAspectRatio=\"none\"");
  if (m_opacity < 1) {
    m_w.Put(" opacity=\"");
    m_w.Num(ToFixed(std::max(m_opacity, 0.0)));
    m_w.Put('"');
  }
  m_w.Put(" xlink:href=\"data:image/png;base64,");
  const QByteArray base64 = png.toBase64();
  m_w.Put(std::string_view(base64.constData(), static_cast<size_t>(base64.size())));
  m_w.Put("\"/>\n");
}

SvgDevice::SvgDevice(int width, int height)
    : ReferenceDevice(width, height), m_engine(std::make_unique<SvgPaintEngine>()) {}

SvgDevice::~SvgDevice() = default;

void SvgDevice::SetTitle(const QString& title) {
  m_engine->SetTitle(title);
}

const std::string& SvgDevice::Bytes() const {
  return m_engine->Bytes();
}

std::string SvgDevice::TakeBytes() {
  return m_engine->TakeBytes();
}

QPaintEngine* SvgDevice::paintEngine() const {
  return m_engine.get();
}

}  // namespace platform
