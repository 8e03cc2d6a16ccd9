#include "platform/raster/RasterLayer.h"

#include <sys/mman.h>

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/Rounding.h"

namespace platform {

namespace {

// Products of distances between int coordinates outgrow 64 bits; a wild coordinate must
// clip, not overflow.
__extension__ typedef __int128 Wide;
__extension__ typedef unsigned __int128 UWide;

using Int = std::int64_t;

constexpr QRgb kRgbBits = 0x00FFFFFFu;
constexpr QRgb kOpaque = 0xFF000000u;

// Writes pixels with one colour and mode, clipped to the image. Coordinates are 64-bit so
// that callers can offset int coordinates without overflowing.
class Ink {
 public:
  // The pixels are looked up once: QImage::scanLine() checks for sharing on every call,
  // which costs more than a marker's few pixels.
  Ink(QImage& image, WinColor color, PenMode mode)
      : m_bits(image.bits()),
        m_stride(image.bytesPerLine()),
        m_width(image.width()),
        m_height(image.height()),
        m_rgb(ToQRgb(color)),
        m_mode(mode) {}

  void Plot(Int x, Int y) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    Put(Row(y)[x]);
  }

  // [x0, x1] inclusive on row y.
  void Span(Int y, Int x0, Int x1) {
    if (y < 0 || y >= m_height) return;
    x0 = std::max<Int>(x0, 0);
    x1 = std::min<Int>(x1, m_width - 1);
    if (x0 > x1) return;
    QRgb* row = Row(y);
    if (m_mode == PenMode::Copy) {
      std::fill(row + x0, row + x1 + 1, m_rgb);
    } else {
      for (Int x = x0; x <= x1; ++x)
        Put(row[x]);
    }
  }

  // [left, right) x [top, bottom).
  void Box(Int left, Int top, Int right, Int bottom) {
    const Int y0 = std::max<Int>(top, 0);
    const Int y1 = std::min<Int>(bottom, m_height);
    for (Int y = y0; y < y1; ++y)
      Span(y, left, right - 1);
  }

 private:
  QRgb* Row(Int y) const { return reinterpret_cast<QRgb*>(m_bits + y * m_stride); }

  // Mask keeps alpha opaque because both operands are.
  void Put(QRgb& pixel) const { pixel = m_mode == PenMode::Copy ? m_rgb : (pixel & m_rgb); }

  uchar* m_bits;
  Int m_stride;
  Int m_width;
  Int m_height;
  QRgb m_rgb;
  PenMode m_mode;
};

// A pen of width w stamps a w x w square whose top-left corner is this far from the
// line pixel: odd widths are centred, an even width puts its extra row and column below
// and right, so a width-2 line covers the pixels the drawing code named and their next
// neighbours, and never strays above or left of them.
Int StampOffset(int width) {
  return -(Int{width} - 1) / 2;
}

Int Mod(Int value, Int period) {
  const Int r = value % period;
  return r < 0 ? r + period : r;
}

// The pixels of a line, one a step along its major axis: step i lies i steps from the
// first pixel on the major axis and floor((i * a + c) / d) steps along the minor one, with
// 0 <= a <= d. Any step's pixel, and the steps whose pixels lie in a band, come in closed
// form, so a line to a far-away point is never walked pixel by pixel.
class LineSteps {
 public:
  // The Bresenham pixels from (x0, y0) towards (x1, y1), end excluded: the minor offset at
  // step i is i * minor / major rounded to nearest, a half away from the start.
  LineSteps(Int x0, Int y0, Int x1, Int y1)
      : m_xMajor(std::abs(x1 - x0) >= std::abs(y1 - y0)),
        m_steps(std::max(std::abs(x1 - x0), std::abs(y1 - y0))),
        m_m0(m_xMajor ? x0 : y0),
        m_n0(m_xMajor ? y0 : x0),
        m_mStep((m_xMajor ? x1 - x0 : y1 - y0) > 0 ? 1 : -1),
        m_nStep((m_xMajor ? y1 - y0 : x1 - x0) >= 0 ? 1 : -1),
        m_a(2 * std::min(std::abs(x1 - x0), std::abs(y1 - y0))),
        m_c(m_steps),
        m_d(std::max<Int>(2 * m_steps, 1)) {}

  // Any line through (m0, n0 + c / d) on the major and minor axis whose minor coordinate
  // moves a / d a step.
  struct Slope {
    bool xMajor;
    Int m0, mStep, steps, n0, nStep, a, c, d;
  };
  explicit LineSteps(const Slope& s)
      : m_xMajor(s.xMajor),
        m_steps(s.steps),
        m_m0(s.m0),
        m_n0(s.n0),
        m_mStep(s.mStep),
        m_nStep(s.nStep),
        m_a(s.a),
        m_c(s.c),
        m_d(s.d) {}

  Int Steps() const { return m_steps; }
  bool XMajor() const { return m_xMajor; }

  Int MinorOffset(Int i) const { return static_cast<Int>((Wide{i} * m_a + m_c) / m_d); }
  Int X(Int i) const { return m_xMajor ? m_m0 + m_mStep * i : m_n0 + m_nStep * MinorOffset(i); }
  Int Y(Int i) const { return m_xMajor ? m_n0 + m_nStep * MinorOffset(i) : m_m0 + m_mStep * i; }

  // The steps [first, last] whose pixel has its x (or y) coordinate in [lo, hi]; first >
  // last when there are none. Both coordinates move monotonically, so they are one run.
  std::pair<Int, Int> Within(bool xAxis, Int lo, Int hi) const {
    if (m_steps == 0 || lo > hi) return {1, 0};
    Int first = 0;
    Int last = 0;
    if (xAxis == m_xMajor) {
      first = m_mStep > 0 ? lo - m_m0 : m_m0 - hi;
      last = m_mStep > 0 ? hi - m_m0 : m_m0 - lo;
    } else {
      const Int qLo = m_nStep > 0 ? lo - m_n0 : m_n0 - hi;
      const Int qHi = m_nStep > 0 ? hi - m_n0 : m_n0 - lo;
      first = FirstReaching(qLo);
      last = FirstReaching(qHi + 1) - 1;
    }
    return {std::max<Int>(first, 0), std::min<Int>(last, m_steps - 1)};
  }

  // Calls visit(x, y) for steps first to last, the minor offset kept incrementally.
  template <typename Visit>
  void Walk(Int first, Int last, Visit visit) const {
    if (first > last) return;
    const Wide start = Wide{first} * m_a + m_c;
    Int n = m_n0 + m_nStep * static_cast<Int>(start / m_d);
    Int rem = static_cast<Int>(start % m_d);
    for (Int m = m_m0 + m_mStep * first, i = first; i <= last; ++i, m += m_mStep) {
      if (m_xMajor) {
        visit(m, n);
      } else {
        visit(n, m);
      }
      rem += m_a;
      if (rem >= m_d) {
        rem -= m_d;
        n += m_nStep;
      }
    }
  }

 private:
  // The first step whose minor offset is at least k, or the step count when none is.
  Int FirstReaching(Int k) const {
    const Wide need = Wide{k} * m_d - m_c;  // i * a >= need
    if (need <= 0) return 0;
    if (m_a == 0) return m_steps;
    return static_cast<Int>(std::min<Wide>((need + m_a - 1) / m_a, m_steps));
  }

  bool m_xMajor;
  Int m_steps;
  Int m_m0;
  Int m_n0;
  Int m_mStep;
  Int m_nStep;
  Int m_a;
  Int m_c;
  Int m_d;
};

// Draws a pen line and returns the number of steps taken, for the dot phase. The work is
// bounded by the layer, not by the line or the pen: a thin pen visits only the steps
// inside the layer, a dotted one jumps from dot to dot, and a wide solid pen paints, row
// by row, the one run that its overlapping stamps cover there.
Int PenLine(QImage& image, const Pen& pen, Int phase, const LineSteps& line) {
  const Int steps = line.Steps();
  if (pen.width < 1 || steps == 0) return steps;
  Ink ink(image, pen.color, pen.mode);
  const int w = pen.width;
  const Int o = StampOffset(w);
  const Int width = image.width();
  const Int height = image.height();
  auto stamp = [&](Int x, Int y) {
    if (w == 1) {
      ink.Plot(x, y);
    } else {
      ink.Box(x + o, y + o, x + o + w, y + o + w);
    }
  };
  // Steps whose stamp can reach the layer along the major axis.
  const bool xMajor = line.XMajor();
  const auto [first, last] = line.Within(xMajor, -o - w + 1, (xMajor ? width : height) - 1 - o);
  if (pen.style == PenStyle::Dot) {
    // Every (2 x width)th step of the polyline, so that the dots are squares as far apart
    // as they are wide: with width 1, one pixel on, one off.
    const Int period = 2 * Int{w};
    for (Int i = first + Mod(-(phase + first), period); i <= last; i += period)
      stamp(line.X(i), line.Y(i));
  } else if (w == 1) {
    line.Walk(first, last, [&](Int x, Int y) { ink.Plot(x, y); });
  } else {
    // Row r is covered by the stamps of the steps whose y lies in [r - o - w + 1, r - o];
    // their x moves by at most 1 a step, so together they cover one run.
    const Int top = std::max<Int>(std::min(line.Y(0), line.Y(steps - 1)) + o, 0);
    const Int bottom = std::min<Int>(std::max(line.Y(0), line.Y(steps - 1)) + o + w, height);
    for (Int r = top; r < bottom; ++r) {
      const auto [a, b] = line.Within(false, r - o - w + 1, r - o);
      if (a > b) continue;
      const Int xa = line.X(a);
      const Int xb = line.X(b);
      ink.Span(r, std::min(xa, xb) + o, std::max(xa, xb) + o + w - 1);
    }
  }
  return steps;
}

std::uint64_t Isqrt(std::uint64_t n) {
  auto r = static_cast<std::uint64_t>(std::sqrt(static_cast<long double>(n)));
  while (UWide{r} * r > n)
    --r;
  while (UWide{r + 1} * (r + 1) <= n)
    ++r;
  return r;
}

// The ellipse inscribed in a box of width w and height h, in doubled coordinates relative
// to the box centre: pixel column i of the box has u = 2i + 1 - w, row j has v = 2j + 1 - h.
// A pixel belongs to the ellipse when its centre lies inside, u²h² + v²w² <= w²h². The
// centre row(s) and column(s) always belong, so thin ellipses still reach all four sides
// of their box. Every row is then one interval symmetric about the centre.
// Up to this width and height, w² (h² − v²) fits an unsigned 64-bit integer.
constexpr Int kNarrowEllipse = 32767;

struct EllipseBox {
  Int left = 0;
  Int top = 0;
  Int w = 0;
  Int h = 0;

  bool Empty() const { return w <= 0 || h <= 0; }

  // Largest |u| of row v, or -1 outside the box.
  Int HalfWidth(Int v) const {
    if (Empty() || std::abs(v) >= h) return -1;
    if (std::abs(v) <= 1) return w - 1;
    Int k = 0;
    if (w <= kNarrowEllipse && h <= kNarrowEllipse) {
      // Every marker: the products fit 64 bits, and 128-bit division is what costs.
      const auto uw = static_cast<std::uint64_t>(w);
      const auto uh = static_cast<std::uint64_t>(h);
      const auto uv = static_cast<std::uint64_t>(v < 0 ? -v : v);
      k = static_cast<Int>(Isqrt(uw * uw * (uh * uh - uv * uv) / (uh * uh)));
    } else {
      k = WideHalfWidth(v);
    }
    // u has the parity of w - 1.
    if ((k - (w - 1)) % 2 != 0) --k;
    return std::max(k, (w - 1) % 2);
  }

  Int WideHalfWidth(Int v) const {
    const UWide w2 = UWide(static_cast<std::uint64_t>(w)) * static_cast<std::uint64_t>(w);
    const UWide h2 = UWide(static_cast<std::uint64_t>(h)) * static_cast<std::uint64_t>(h);
    const UWide v2 = UWide(static_cast<std::uint64_t>(v < 0 ? -v : v)) *
                     static_cast<std::uint64_t>(v < 0 ? -v : v);
    return static_cast<Int>(Isqrt(static_cast<std::uint64_t>(w2 * (h2 - v2) / h2)));
  }

  // Pixel columns [first, second] of row v; first > second when empty.
  std::pair<Int, Int> Span(Int v) const {
    const Int k = HalfWidth(v);
    if (k < 0) return {1, 0};
    return {left + (w - 1 - k) / 2, left + (w - 1 + k) / 2};
  }

  // The pixels of row v whose four neighbours all belong to the ellipse.
  std::pair<Int, Int> Interior(Int v) const {
    const auto [lo, hi] = Span(v);
    const auto [aboveLo, aboveHi] = Span(v - 2);
    const auto [belowLo, belowHi] = Span(v + 2);
    if (aboveLo > aboveHi || belowLo > belowHi) return {1, 0};
    return {std::max({lo + 1, aboveLo, belowLo}), std::min({hi - 1, aboveHi, belowHi})};
  }
};

// Where the outline of an ellipse runs flatter than 45 degrees, neighbouring outline
// pixels differ in x, elsewhere in y; counting along that axis from the centre keeps the
// dots evenly spaced and the pattern symmetric. A rim as wide as the pen has no single
// path to stamp along, so wide dots become runs of `width` pixels on, `width` off.
bool EllipseDotOn(const EllipseBox& box, Int u, Int v, int width) {
  const UWide au = static_cast<std::uint64_t>(std::abs(u));
  const UWide av = static_cast<std::uint64_t>(std::abs(v));
  const UWide w2 = UWide(static_cast<std::uint64_t>(box.w)) * static_cast<std::uint64_t>(box.w);
  const UWide h2 = UWide(static_cast<std::uint64_t>(box.h)) * static_cast<std::uint64_t>(box.h);
  const bool xMajor = av * w2 >= au * h2;
  return (static_cast<Int>(xMajor ? au / 2 : av / 2) / width) % 2 == 0;
}

QFontMetrics MetricsFor(const QFont& font, const QImage& image) {
  // The painter resolves the font against the image's resolution, so measure there too.
  return image.isNull() ? QFontMetrics(font) : QFontMetrics(font, &image);
}

// Scanline border fill within `bounds` with an explicit stack of segments. A segment is a
// run that was just filled and names the row beside it still to be scanned; every open run
// found there is filled whole and pushed onward, and only the parts of it that stick out
// past the segment are pushed back towards the row it came from, so no row is scanned
// twice under the same run. The visited mask, not the pixel colour, says what is done, so
// pixels that already have the fill colour (or a fill colour equal to the border) cannot
// make it loop. Its rows are made on first use: a marker's fill touches a few dozen rows
// of a layer of thousands.
void BorderFill(QImage& image, int x, int y, WinColor border, WinColor fill, QRect bounds) {
  bounds &= image.rect();
  if (!bounds.contains(x, y)) return;
  const QRgb borderRgb = ToQRgb(border) & kRgbBits;
  const QRgb fillRgb = ToQRgb(fill);
  const int left = bounds.left();
  const int right = bounds.right();
  QRgb* const bits = reinterpret_cast<QRgb*>(image.bits());
  const auto stride = static_cast<std::size_t>(image.bytesPerLine()) / sizeof(QRgb);
  // One bit a pixel of the bounds, allocated once: rows of their own cost more to allocate
  // than the fill itself takes.
  const auto width = static_cast<std::size_t>(bounds.width());
  std::vector<std::uint64_t> visited((width * static_cast<std::size_t>(bounds.height()) + 63) / 64);

  struct Segment {
    int y;      // the row to scan
    int first;  // the run filled in row y - dir
    int last;
    int dir;
  };
  std::vector<Segment> stack;
  auto push = [&](int row, int first, int last, int dir) {
    if (row >= bounds.top() && row <= bounds.bottom() && first <= last) {
      stack.push_back({row, first, last, dir});
    }
  };
  QRgb* row = nullptr;
  std::size_t mark = 0;  // the bit of column `left` in the selected row
  auto selectRow = [&](int r) {
    row = bits + static_cast<std::size_t>(r) * stride;
    mark = static_cast<std::size_t>(r - bounds.top()) * width;
  };
  auto seen = [&](int i) {
    const std::size_t bit = mark + static_cast<std::size_t>(i - left);
    return (visited[bit / 64] >> (bit % 64) & 1u) != 0;
  };
  auto open = [&](int i) { return !seen(i) && (row[i] & kRgbBits) != borderRgb; };
  // Fills the open run through column i of the selected row and returns its ends.
  auto fillRun = [&](int i) {
    int first = i;
    while (first > left && open(first - 1))
      --first;
    int last = i;
    while (last < right && open(last + 1))
      ++last;
    std::fill(row + first, row + last + 1, fillRgb);
    for (std::size_t bit = mark + static_cast<std::size_t>(first - left),
                     end = mark + static_cast<std::size_t>(last - left);
         bit <= end; ++bit) {
      visited[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    return std::pair{first, last};
  };

  selectRow(y);
  if (!open(x)) return;
  const auto [seedFirst, seedLast] = fillRun(x);
  push(y + 1, seedFirst, seedLast, 1);
  push(y - 1, seedFirst, seedLast, -1);
  while (!stack.empty()) {
    const Segment seg = stack.back();
    stack.pop_back();
    selectRow(seg.y);
    for (int i = seg.first; i <= seg.last; ++i) {
      if (!open(i)) continue;
      const auto [first, last] = fillRun(i);
      push(seg.y + seg.dir, first, last, seg.dir);
      push(seg.y - seg.dir, first, seg.first - 1, -seg.dir);
      push(seg.y - seg.dir, seg.last + 1, last, -seg.dir);
      i = last + 1;  // closed, or the run would be longer
    }
  }
}

// A dotted pen's pattern repeats every this many steps.
Int DotPeriod(int width) {
  return 2 * Int{std::max(width, 1)};
}

// Long double holds the difference of any two doubles and more of their digits.
using Ld = long double;
static_assert(std::numeric_limits<Ld>::max_exponent > std::numeric_limits<double>::max_exponent);

// True when rounding gives the value's own nearest integer rather than a clamped one;
// NaN too, which rounds to 0 as it always has.
bool RoundsWithinInt(double v) {
  return !(v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max());
}

// Rounds half to even as core::RoundHalfEven does, without clamping to int.
Ld RoundReal(Ld v) {
  Ld whole = std::floor(v);
  const Ld diff = v - whole;
  if (diff > 0.5L || (diff == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
  return whole;
}

Int StepsModulo(Ld steps, Int period) {
  return static_cast<Int>(std::fmod(std::abs(steps), static_cast<Ld>(period)));
}

// A line between real points, however far, as the steps whose pen stamps can reach a
// layer of the size; `skipped` is the number of steps from the start to the first of them.
// The pixels are those of the true line rounded to nearest: the first pixel's fraction and
// the slope are kept to 2^-50 of a pixel, so the rounding of far ends cannot move them.
struct RealLine {
  LineSteps line;
  Ld skipped;
};

std::optional<RealLine> CutRealLine(Ld x0, Ld y0, Ld x1, Ld y1, Int width, Int height,
                                    int penWidth) {
  const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
  const Ld ma = xMajor ? x0 : y0;
  const Ld na = xMajor ? y0 : x0;
  const Ld mb = xMajor ? x1 : y1;
  const Ld nb = xMajor ? y1 : x1;
  const Ld start = RoundReal(ma);
  const Ld end = RoundReal(mb);
  if (start == end) return std::nullopt;
  const Ld slope = (nb - na) / (mb - ma);
  // Beyond this band round the layer no stamp reaches in.
  const Ld reach = static_cast<Ld>(std::max(penWidth, 1)) + 2;
  Ld lo = std::max(std::min(start, end), -reach);
  Ld hi = std::min(std::max(start, end), (xMajor ? width : height) - 1 + reach);
  const Ld nLo = -reach;
  const Ld nHi = (xMajor ? height : width) - 1 + reach;
  if (slope == 0) {
    if (na < nLo || na > nHi) return std::nullopt;
  } else {
    const Ld m1 = ma + (nLo - na) / slope;
    const Ld m2 = ma + (nHi - na) / slope;
    lo = std::max(lo, std::min(m1, m2));
    hi = std::min(hi, std::max(m1, m2));
  }
  const Int mStep = end > start ? 1 : -1;
  // The end is excluded, as in every line.
  Ld first = mStep > 0 ? std::ceil(lo) : std::floor(hi);
  Ld last = mStep > 0 ? std::floor(hi) : std::ceil(lo);
  last = mStep > 0 ? std::min(last, end - 1) : std::max(last, end + 1);
  if ((last - first) * static_cast<Ld>(mStep) < 0) return std::nullopt;
  // The true minor coordinate at the first step, measured from the nearer end.
  const Ld n = std::abs(first - ma) <= std::abs(first - mb) ? na + (first - ma) * slope
                                                            : nb + (first - mb) * slope;
  const Ld n0 = std::floor(n + 0.5L);
  const Ld move = slope * static_cast<Ld>(mStep);
  const Int nStep = move >= 0 ? 1 : -1;
  constexpr Int kOne = Int{1} << 50;
  const Ld one = kOne;
  LineSteps::Slope s{};
  s.xMajor = xMajor;
  s.m0 = static_cast<Int>(first);
  s.mStep = mStep;
  s.steps = static_cast<Int>(std::abs(last - first)) + 1;
  s.n0 = static_cast<Int>(n0);
  s.nStep = nStep;
  s.a = std::min(static_cast<Int>(std::nearbyint(std::abs(move) * one)), kOne);
  s.c = std::clamp<Int>(
      static_cast<Int>(std::nearbyint((static_cast<Ld>(nStep) * (n - n0) + 0.5L) * one)), 0, kOne);
  s.d = kOne;
  return RealLine{LineSteps(s), std::abs(first - start)};
}

// A sheet's layer is tens of megabytes, every byte of which is written. Taken from the
// system with its pages already in place, it costs one call instead of a page fault for
// every four kilobytes, which on virtual machines cost more than painting the sheet.
QImage LayerImage(int width, int height) {
  constexpr size_t kWorthMapping = size_t{4} << 20;
  const auto w = static_cast<size_t>(std::max(width, 0));
  const auto h = static_cast<size_t>(std::max(height, 0));
  const size_t stride = w * sizeof(QRgb);
  if (h == 0 || stride == 0 || stride > std::numeric_limits<size_t>::max() / h ||
      stride * h < kWorthMapping) {
    return QImage(width, height, QImage::Format_RGB32);
  }
  struct Mapping {
    void* address;
    size_t size;
  };
  const size_t size = stride * h;
  void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (address == MAP_FAILED) return QImage(width, height, QImage::Format_RGB32);
  auto* mapping = new Mapping{address, size};
  return QImage(
      static_cast<uchar*>(address), width, height, static_cast<qsizetype>(stride),
      QImage::Format_RGB32,
      [](void* info) {
        const auto* m = static_cast<Mapping*>(info);
        ::munmap(m->address, m->size);
        delete m;
      },
      mapping);
}

// Writing a sheet's tens of megabytes is bound by the memory, not by the core: on these
// machines two cores writing halves of it finish in little more than half the time.
void FillWhole(QImage& image, QRgb rgb) {
  constexpr qsizetype kWorthASecondThread = qsizetype{8} << 20;
  const int height = image.height();
  const int width = image.width();
  uchar* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  auto fillRows = [=](int from, int to) {
    for (int y = from; y < to; ++y) {
      auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
      std::fill(row, row + width, rgb);
    }
  };
  if (image.sizeInBytes() < kWorthASecondThread || std::thread::hardware_concurrency() < 2) {
    fillRows(0, height);
    return;
  }
  std::jthread helper(fillRows, height / 2, height);
  fillRows(0, height / 2);
}

QImage SizedImage(int width, int height) {
  QImage image = LayerImage(width, height);
  // Point sizes of the settings files were chosen on 96-dpi screens; at Qt's default of
  // 72 dpi for images, every label would come out a quarter smaller.
  constexpr int kDotsPerMeterAt96Dpi = 3780;
  image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
  image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
  return image;
}

}  // namespace

QRgb ToQRgb(WinColor color) {
  return kOpaque | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

WinColor FromQRgb(QRgb rgb) {
  return ((rgb >> 16) & 0xFFu) | (rgb & 0xFF00u) | ((rgb & 0xFFu) << 16);
}

RasterLayer::RasterLayer(int width, int height)
    : m_image(SizedImage(width, height)), m_pendingFill(ToQRgb(kWhite)) {
  SetFont(m_font, m_fontColor);
}

void RasterLayer::Reset(int width, int height) {
  m_image = SizedImage(width, height);
  m_pendingFill = ToQRgb(kWhite);
  m_x = 0;
  m_y = 0;
  m_realX = 0;
  m_realY = 0;
  m_dotPhase = 0;
}

void RasterLayer::SetFont(const QFont& font, WinColor color) {
  m_font = font;
  // Glyph pixels must be exactly the font colour or the background: later border fills
  // and colour masks compare pixels for equality.
  m_font.setStyleStrategy(QFont::NoAntialias);
  m_fontColor = color;
}

// Outside the layer reads as blank paper.
WinColor RasterLayer::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return kWhite;
  return FromQRgb(Canvas().pixel(x, y));
}

void RasterLayer::SetPixel(int x, int y, WinColor color) {
  Ink(Canvas(), color, PenMode::Copy).Plot(x, y);
}

void RasterLayer::MoveTo(int x, int y) {
  m_x = x;
  m_y = y;
  m_realX = x;
  m_realY = y;
  m_dotPhase = 0;
}

// A pen narrower than 1 draws nothing, here and in the outlines of shapes.
void RasterLayer::LineTo(int x, int y) {
  const Int steps = PenLine(Canvas(), m_pen, m_dotPhase, LineSteps(m_x, m_y, x, y));
  m_dotPhase = (m_dotPhase + steps) % DotPeriod(m_pen.width);
  m_x = x;
  m_y = y;
  m_realX = x;
  m_realY = y;
}

void RasterLayer::FillRect(int left, int top, int right, int bottom, WinColor color) {
  // A sheet is cleared several times before anything is drawn on it (made blank, then
  // given its ground colour); only the last clearing needs to reach the pixels.
  if (left <= 0 && top <= 0 && right >= Width() && bottom >= Height()) {
    m_pendingFill = ToQRgb(color);
    return;
  }
  Ink(Canvas(), color, PenMode::Copy).Box(left, top, right, bottom);
}

QImage& RasterLayer::Canvas() const {
  if (m_pendingFill) {
    FillWhole(m_image, *m_pendingFill);
    m_pendingFill.reset();
  }
  return m_image;
}

// The outline lies inside the box whatever the pen width, so a box never paints beyond
// the pixels the drawing code gave it. The brush is copied; the pen mode is the pen's.
void RasterLayer::Rectangle(int left, int top, int right, int bottom) {
  const Int l = std::min(left, right);
  const Int r = std::max(left, right);
  const Int t = std::min(top, bottom);
  const Int b = std::max(top, bottom);
  if (l == r || t == b) return;
  const Int w = std::max(m_pen.width, 0);
  Ink(Canvas(), m_brush, PenMode::Copy).Box(l + w, t + w, r - w, b - w);
  if (w == 0) return;
  if (r - l < w || b - t < w) {
    Ink(Canvas(), m_pen.color, m_pen.mode).Box(l, t, r, b);
    return;
  }
  // The corners of the path whose stamps cover exactly the w pixels inside each edge.
  const Int o = StampOffset(m_pen.width);
  const Int x0 = l - o;
  const Int y0 = t - o;
  const Int x1 = r - w - o;
  const Int y1 = b - w - o;
  const Int corners[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
  Int phase = 0;
  for (int i = 0; i < 4; ++i) {
    phase += PenLine(Canvas(), m_pen, phase,
                     LineSteps(corners[i][0], corners[i][1], corners[i + 1][0], corners[i + 1][1]));
  }
}

// The outline is the set of ellipse pixels that have a 4-neighbour outside the ellipse,
// so a 4-connected border fill seeded inside can never leak through it. Wider pens take
// away the interior of the ellipse inscribed in the box shrunk by width - 1 on each side.
namespace {

// An ellipse row as offsets from the box's left edge: the whole span, and the inside the
// brush paints (empty when its first exceeds its last).
struct EllipseRow {
  Int lo, hi, innerLo, innerHi;
};

EllipseRow RowOf(const EllipseBox& outer, const EllipseBox& inner, Int y) {
  const Int v = 2 * (y - outer.top) + 1 - outer.h;
  const auto [lo, hi] = outer.Span(v);
  const auto [innerLo, innerHi] = inner.Interior(v);
  return {lo - outer.left, hi - outer.left, innerLo - outer.left, innerHi - outer.left};
}

// The rows of the last ellipse shape drawn. A figure draws thousands of markers of one
// size, and working out a row costs a division and a square root where painting it costs
// a few stores; the rows depend only on the box's size and the pen, not on its place.
const std::vector<EllipseRow>& RowsOf(const EllipseBox& outer, Int shrink) {
  thread_local struct {
    Int w = -1, h = -1, shrink = -1;
    std::vector<EllipseRow> rows;
  } cache;
  if (cache.w != outer.w || cache.h != outer.h || cache.shrink != shrink) {
    const EllipseBox box{0, 0, outer.w, outer.h};
    const EllipseBox inner{shrink, shrink, outer.w - 2 * shrink, outer.h - 2 * shrink};
    cache.rows.clear();
    for (Int y = 0; y < outer.h; ++y)
      cache.rows.push_back(RowOf(box, inner, y));
    cache.w = outer.w;
    cache.h = outer.h;
    cache.shrink = shrink;
  }
  return cache.rows;
}

// Markers and the like; larger ellipses are worked out row by row, only where visible.
constexpr Int kRememberedEllipseRows = 1024;

}  // namespace

void RasterLayer::Ellipse(int left, int top, int right, int bottom) {
  const EllipseBox outer{std::min(left, right), std::min(top, bottom), std::abs(Int{right} - left),
                         std::abs(Int{bottom} - top)};
  if (outer.Empty()) return;
  const int w = m_pen.width;
  const Int shrink = std::max(w, 1) - 1;
  const EllipseBox inner{outer.left + shrink, outer.top + shrink, outer.w - 2 * shrink,
                         outer.h - 2 * shrink};
  Ink brush(Canvas(), m_brush, PenMode::Copy);
  Ink pen(Canvas(), m_pen.color, m_pen.mode);
  const bool dotted = m_pen.style == PenStyle::Dot;
  const Int y0 = std::max<Int>(outer.top, 0);
  const Int y1 = std::min<Int>(outer.top + outer.h, Height());
  const std::vector<EllipseRow>* remembered =
      outer.h <= kRememberedEllipseRows ? &RowsOf(outer, shrink) : nullptr;
  for (Int y = y0; y < y1; ++y) {
    const EllipseRow r =
        remembered ? (*remembered)[static_cast<size_t>(y - outer.top)] : RowOf(outer, inner, y);
    const Int lo = outer.left + r.lo;
    const Int hi = outer.left + r.hi;
    if (w < 1) {
      brush.Span(y, lo, hi);
      continue;
    }
    const Int innerLo = outer.left + r.innerLo;
    const Int innerHi = outer.left + r.innerHi;
    brush.Span(y, innerLo, innerHi);
    auto outline = [&](Int x0, Int x1) {
      if (!dotted) {
        pen.Span(y, x0, x1);
        return;
      }
      x0 = std::max<Int>(x0, 0);
      x1 = std::min<Int>(x1, Int{Width()} - 1);
      const Int v = 2 * (y - outer.top) + 1 - outer.h;
      for (Int x = x0; x <= x1; ++x) {
        if (EllipseDotOn(outer, 2 * (x - outer.left) + 1 - outer.w, v, w)) pen.Plot(x, y);
      }
    };
    if (innerLo > innerHi) {
      outline(lo, hi);
    } else {
      outline(lo, innerLo - 1);
      outline(innerHi + 1, hi);
    }
  }
}

void RasterLayer::FloodFill(int x, int y, WinColor border, WinColor fill, const QRect& bounds) {
  BorderFill(Canvas(), x, y, border, fill, bounds.intersected(Canvas().rect()));
}

void RasterLayer::FloodFill(int x, int y, WinColor border, WinColor fill) {
  BorderFill(Canvas(), x, y, border, fill, Canvas().rect());
}

// The glyphs are clipped to the extent so that a label paints exactly the box the layout
// reserved for it.
void RasterLayer::TextOut(int x, int y, const QString& text) {
  const QSize size = TextExtent(text);
  const Int right = Int{x} + size.width();
  const Int bottom = Int{y} + size.height();
  if (size.isEmpty() || right <= 0 || bottom <= 0 || x >= Width() || y >= Height()) return;
  FillRect(x, y, static_cast<int>(std::min<Int>(right, Width())),
           static_cast<int>(std::min<Int>(bottom, Height())), m_brush);
  QPainter painter(&Canvas());
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setClipRect(QRect(x, y, size.width(), size.height()));
  painter.setFont(m_font);
  painter.setPen(QColor::fromRgb(ToQRgb(m_fontColor)));
  painter.drawText(x, y + MetricsFor(m_font, m_image).ascent(), text);
}

QSize RasterLayer::TextExtent(const QString& text) const {
  const QFontMetrics metrics = MetricsFor(m_font, m_image);
  return {metrics.horizontalAdvance(text), metrics.height()};
}

void ClearLayer(RasterLayer& layer, WinColor color) {
  layer.FillRect(0, 0, layer.Width(), layer.Height(), color);
  layer.SetPen(Pen{});
}

void FloodFillAt(RasterLayer& layer, WinColor color, double x, double y) {
  layer.FloodFill(core::RoundHalfEven(x), core::RoundHalfEven(y), layer.GetPen().color, color);
}

void SetLayerPen(RasterLayer& layer, WinColor color, int width, PenStyle style, PenMode mode) {
  layer.SetPen(Pen{color, width, style, mode});
}

void MoveToXY(RasterLayer& layer, double x, double y) {
  layer.MoveTo(core::RoundHalfEven(x), core::RoundHalfEven(y));
  layer.m_realX = x;
  layer.m_realY = y;
}

void LineToXY(RasterLayer& layer, double x, double y) {
  const double x0 = layer.m_realX;
  const double y0 = layer.m_realY;
  if (RoundsWithinInt(x0) && RoundsWithinInt(y0) && RoundsWithinInt(x) && RoundsWithinInt(y)) {
    layer.LineTo(core::RoundHalfEven(x), core::RoundHalfEven(y));
  } else {
    // Past the int range the rounded ends no longer name the line, so it is drawn from
    // its true course; without one (an infinite end) nothing is drawn.
    if (std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x) && std::isfinite(y)) {
      const Int period = DotPeriod(layer.m_pen.width);
      const Int phase = layer.m_dotPhase;
      const bool xMajor = std::abs(Ld{x} - x0) >= std::abs(Ld{y} - y0);
      const Ld steps = RoundReal(xMajor ? x : y) - RoundReal(xMajor ? x0 : y0);
      if (const auto cut =
              CutRealLine(x0, y0, x, y, layer.Width(), layer.Height(), layer.m_pen.width)) {
        PenLine(layer.Canvas(), layer.m_pen, phase + StepsModulo(cut->skipped, period), cut->line);
      }
      layer.m_dotPhase = (phase + StepsModulo(steps, period)) % period;
    }
    layer.m_x = core::RoundHalfEven(x);
    layer.m_y = core::RoundHalfEven(y);
  }
  layer.m_realX = x;
  layer.m_realY = y;
}

void DrawLabel(RasterLayer& layer, int anchor, const QString& text, double x, double y) {
  const Int px = core::RoundHalfEven(x);
  const Int py = core::RoundHalfEven(y);
  const QSize size = layer.TextExtent(text);
  const Int w = size.width();
  const Int h = size.height();
  Int left = px;
  Int top = py;
  switch (anchor) {
    case 1:
      left = px - w / 2;
      top = py - h - 2;
      break;
    case 2:
      left = px + 2;
      top = py - h / 2;
      break;
    case 3:
      left = px - w / 2;
      top = py + 2;
      break;
    case 4:
      left = px - w - 2;
      top = py - h / 2;
      break;
    default:
      break;
  }
  // Far-away labels stay far away instead of wrapping round.
  constexpr Int kMin = std::numeric_limits<int>::min();
  constexpr Int kMax = std::numeric_limits<int>::max();
  layer.TextOut(static_cast<int>(std::clamp(left, kMin, kMax)),
                static_cast<int>(std::clamp(top, kMin, kMax)), text);
}

}  // namespace platform
