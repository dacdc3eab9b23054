#include "platform/qt/qt_canvas.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QRegion>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "platform/base/exceptions.h"
#include "platform/draw/bitmap.h"

namespace {

QColor ToQColor(TColor color) { return QColor::fromRgba(ColorToArgb(color)); }

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

QPoint ToQPoint(TPoint p) { return QPoint(p.X, p.Y); }

QPolygon ToQPolygon(const std::vector<TPoint>& points) {
  QPolygon polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (TPoint p : points) polygon << ToQPoint(p);
  return polygon;
}

QString OneChar(char32_t ch) {
  char32_t buffer[1] = {ch};
  return QString::fromUcs4(buffer, 1);
}

// --- Fonts and their metrics, shared by every canvas ---------------------------

struct TFontKey {
  std::string Face;
  int Height;
  bool Bold;
  bool Italic;
  TFontPitch Pitch;
  bool operator<(const TFontKey& o) const {
    return std::tie(Face, Height, Bold, Italic, Pitch) <
           std::tie(o.Face, o.Height, o.Bold, o.Italic, o.Pitch);
  }
};

struct TFontEntry {
  QFont Font;  // underline and strike-out off; set per use
  TTextMetric Metric;
  std::unordered_map<char32_t, int> Advances;
  // The face itself, for drawing whole runs of glyphs at our own places.
  std::optional<QRawFont> Raw;
  // Glyph indexes; 0 when the face lacks the character (Qt's fallback
  // fonts draw it then).
  std::unordered_map<char32_t, quint32> Glyphs;
  // Outline bounds of glyphs, relative to their origin on the baseline.
  std::unordered_map<quint32, QRectF> InkBounds;
};

TFontKey KeyOf(const TFontData& font) {
  return {MapFontFace(font.Name), font.Height, font.Style.Contains(fsBold),
          font.Style.Contains(fsItalic), font.Pitch};
}

QFont BaseFont(const std::string& face, bool bold, bool italic, TFontPitch pitch, int pixelSize) {
  QFont f(QString::fromStdString(face));
  if (face == "Liberation Serif") {
    f.setStyleHint(QFont::Serif);
  } else if (face == "Liberation Mono" || pitch == fpFixed) {
    f.setStyleHint(QFont::TypeWriter);
  } else {
    f.setStyleHint(QFont::SansSerif);
  }
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setItalic(italic);
  f.setKerning(false);
  // Unhinted advances are the font's design widths scaled: the same on a
  // screen image, a PDF and a printer.
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferNoShaping);
  return f;
}

// The character height (em) for a classic Height.
int EmOf(const TFontKey& key) {
  if (key.Height < 0) return -key.Height;
  if (key.Height == 0) return -kDefaultFontHeight;
  // A positive Height is the cell: scale from a reference size.
  constexpr int kReference = 100;
  QFontMetricsF m(BaseFont(key.Face, key.Bold, key.Italic, key.Pitch, kReference));
  double cell = m.ascent() + m.descent();
  if (cell <= 0) return key.Height;
  return std::max(1, static_cast<int>(std::lround(key.Height * kReference / cell)));
}

TFontEntry& FontEntryOf(TFontKey key, TFontCharset charset, std::map<TFontKey, TFontEntry>& cache) {
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  TFontEntry entry;
  int em = EmOf(key);
  entry.Font = BaseFont(key.Face, key.Bold, key.Italic, key.Pitch, em);
  QFontMetricsF m(entry.Font);
  TTextMetric& tm = entry.Metric;
  tm.tmAscent = static_cast<int>(std::ceil(m.ascent() - 0.01));
  tm.tmDescent = static_cast<int>(std::ceil(m.descent() - 0.01));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
  tm.tmExternalLeading = static_cast<int>(std::lround(std::max(0.0, m.leading())));
  tm.tmAveCharWidth = static_cast<int>(std::lround(m.horizontalAdvance(QLatin1Char('x'))));
  tm.tmMaxCharWidth = static_cast<int>(std::lround(m.maxWidth()));
  tm.tmWeight = key.Bold ? 700 : 400;
  tm.tmItalic = key.Italic;
  // The classic TMPF_FIXED_PITCH bit is set for variable-pitch fonts.
  tm.tmPitchAndFamily = QFontInfo(entry.Font).fixedPitch() ? 0 : 1;
  tm.tmCharSet = charset;
  return cache.emplace(std::move(key), std::move(entry)).first->second;
}

TFontEntry& FontEntry(const TFontData& data) {
  // Deliberately never freed: QFont must not outlive the application's
  // font database, and the program ends with the cache still in use.
  static auto* cache = new std::map<TFontKey, TFontEntry>();
  // Text is drawn and measured in long runs of one font: remember the last
  // font asked for under its unmapped name (map nodes never move).
  static auto* last = new TFontKey{};
  static TFontEntry* lastEntry = nullptr;
  bool bold = data.Style.Contains(fsBold);
  bool italic = data.Style.Contains(fsItalic);
  if (lastEntry != nullptr && last->Face == data.Name && last->Height == data.Height &&
      last->Bold == bold && last->Italic == italic && last->Pitch == data.Pitch)
    return *lastEntry;
  TFontEntry& entry = FontEntryOf(KeyOf(data), data.Charset, *cache);
  *last = {data.Name, data.Height, bold, italic, data.Pitch};
  lastEntry = &entry;
  return entry;
}

int Advance(TFontEntry& entry, char32_t ch) {
  auto found = entry.Advances.find(ch);
  if (found != entry.Advances.end()) return found->second;
  int width = 0;
  if (ch >= 0x20 && ch != 0x7F) {
    QFontMetricsF m(entry.Font);
    width = static_cast<int>(std::lround(m.horizontalAdvance(OneChar(ch))));
  }
  entry.Advances.emplace(ch, width);
  return width;
}

QRawFont& RawFont(TFontEntry& entry) {
  if (!entry.Raw) entry.Raw = QRawFont::fromFont(entry.Font);
  return *entry.Raw;
}

const QRectF& InkBounds(TFontEntry& entry, quint32 glyph) {
  auto found = entry.InkBounds.find(glyph);
  if (found != entry.InkBounds.end()) return found->second;
  return entry.InkBounds.emplace(glyph, RawFont(entry).boundingRect(glyph)).first->second;
}

quint32 GlyphOf(TFontEntry& entry, char32_t ch) {
  auto found = entry.Glyphs.find(ch);
  if (found != entry.Glyphs.end()) return found->second;
  quint32 glyph = 0;
  QRawFont& raw = RawFont(entry);
  if (raw.isValid()) {
    QList<quint32> indexes = raw.glyphIndexesForString(OneChar(ch));
    if (indexes.size() == 1) glyph = indexes[0];
  }
  entry.Glyphs.emplace(ch, glyph);
  return glyph;
}

// --- Pens and brushes ----------------------------------------------------------------

std::optional<QPainter::CompositionMode> RasterOp(TPenMode mode) {
  using C = QPainter::CompositionMode;
  switch (mode) {
    case pmBlack:
      return C::RasterOp_ClearDestination;
    case pmWhite:
      return C::RasterOp_SetDestination;
    case pmNop:
      return std::nullopt;
    case pmNot:
      return C::RasterOp_NotDestination;
    case pmCopy:
      return C::CompositionMode_SourceOver;
    case pmNotCopy:
      return C::RasterOp_NotSource;
    case pmMergePenNot:
      return C::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot:
      return C::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen:
      return C::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen:
      return C::RasterOp_NotSourceAndDestination;
    case pmMerge:
      return C::RasterOp_SourceOrDestination;
    case pmNotMerge:
      return C::RasterOp_NotSourceAndNotDestination;
    case pmMask:
      return C::RasterOp_SourceAndDestination;
    case pmNotMask:
      return C::RasterOp_NotSourceOrNotDestination;
    case pmXor:
      return C::RasterOp_SourceXorDestination;
    case pmNotXor:
      return C::RasterOp_NotSourceXorDestination;
  }
  return C::CompositionMode_SourceOver;
}

QPen MakePen(const TPenData& data) {
  if (data.Style == psClear) return QPen(Qt::NoPen);
  QPen pen(ToQColor(data.Color));
  int width = std::max(1, data.Width);
  pen.setWidth(width);
  if (width == 1) {
    // A one-pixel line leaves out its last pixel, as the classic did.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    // The classic cosmetic dash patterns (wider pens are drawn solid).
    switch (data.Style) {
      case psDash:
        pen.setDashPattern({18, 6});
        break;
      case psDot:
        pen.setDashPattern({3, 3});
        break;
      case psDashDot:
        pen.setDashPattern({9, 6, 3, 6});
        break;
      case psDashDotDot:
        pen.setDashPattern({9, 3, 3, 3, 3, 3});
        break;
      default:
        break;
    }
  } else {
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
  }
  return pen;
}

QRegion ToQRegion(const TRegion& clip) {
  QRegion region;
  for (const TRect& r : clip.Rects()) region += ToQRect(r);
  // An empty region given to Qt would mean "no clipping": clip to nothing.
  if (region.isEmpty()) region = QRegion(QRect(-1, -1, 1, 1));
  return region;
}

QImage WrapImage(const TRasterImage& image) {
  return QImage(reinterpret_cast<const uchar*>(image.Pixels.data()), image.Width, image.Height,
                image.Width * 4, QImage::Format_ARGB32);
}

QBrush MakeBrush(const TBrushData& data) {
  if (data.Style == bsClear) return QBrush(Qt::NoBrush);
  if (data.Bitmap != nullptr && !data.Bitmap->Empty())
    return QBrush(WrapImage(*data.Bitmap->Image()).copy());
  return QBrush(ToQColor(data.Color));
}

}  // namespace

// --- The canvas ------------------------------------------------------------------------

TQtCanvas::TQtCanvas() = default;

TQtCanvas::TQtCanvas(QPaintDevice* device, double scale)
    : FPainter(std::make_unique<QPainter>()), FScale(scale > 0 ? scale : 1.0) {
  if (device == nullptr || !FPainter->begin(device))
    throw EInvalidOperation("Cannot paint on this device");
  if (device->devType() == QInternal::Image) FImage = static_cast<QImage*>(device);
  FPainter->setRenderHint(QPainter::Antialiasing, false);
  FPainter->setRenderHint(QPainter::TextAntialiasing, true);
  if (FScale != 1.0) FPainter->scale(FScale, FScale);
  FSurface = Rect(0, 0, static_cast<int>(device->width() / FScale),
                  static_cast<int>(device->height() / FScale));
  InitClip();
}

TQtCanvas::~TQtCanvas() {
  if (FPainter && FPainter->isActive()) FPainter->end();
}

QFont TQtCanvas::MakeFont(const TFontData& font) {
  QFont f = FontEntry(font).Font;
  f.setUnderline(font.Style.Contains(fsUnderline));
  f.setStrikeOut(font.Style.Contains(fsStrikeOut));
  return f;
}

TRasterImagePtr TQtCanvas::SourceImage() {
  QImage* source = Image();
  if (source == nullptr) return nullptr;
  QImage copy = source->convertToFormat(QImage::Format_ARGB32);
  auto image = std::make_shared<TRasterImage>(copy.width(), copy.height());
  for (int y = 0; y < copy.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(copy.constScanLine(y));
    std::copy(row, row + copy.width(),
              image->Pixels.begin() + static_cast<std::ptrdiff_t>(y) * copy.width());
  }
  return image;
}

void TQtCanvas::DoSetClip(const TRegion& clip) {
  if (!FPainter) return;
  FClipPending = clip;
  FClipDirty = !FClipValid || !(FClipPending == FClipApplied);
}

void TQtCanvas::SyncClip(const TRect* bounds) {
  if (!FClipDirty) return;
  // Drawing inside a single rectangle that lies within the single
  // rectangle in force comes out the same under either.
  if (bounds != nullptr && FClipValid && FClipPending.Rects().size() == 1 &&
      FClipApplied.Rects().size() == 1) {
    const TRect& pending = FClipPending.Rects()[0];
    const TRect& applied = FClipApplied.Rects()[0];
    auto inside = [](const TRect& a, const TRect& b) {
      return a.Left >= b.Left && a.Top >= b.Top && a.Right <= b.Right && a.Bottom <= b.Bottom;
    };
    if (inside(*bounds, pending) && inside(pending, applied)) return;
  }
  FPainter->setClipRegion(ToQRegion(FClipPending));
  FClipApplied = FClipPending;
  FClipDirty = false;
  FClipValid = true;
}

bool TQtCanvas::FillPixels(const TRect& r, std::uint32_t argb) {
  // An opaque colour over whole pixels of a 32-bit image is what Qt's own
  // fill writes too, without its per-call cost (a grid fills every cell).
  if (FImage == nullptr || FPainterLent || FScale != 1.0 || !FClipValid || (argb >> 24) != 0xFF)
    return false;
  QImage::Format format = FImage->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
      format != QImage::Format_ARGB32_Premultiplied)
    return false;
  // A shared image would be copied by bits(), away from the painter's.
  if (!FPainter->transform().isIdentity() || !FImage->isDetached()) return false;
  const TRect image{0, 0, FImage->width(), FImage->height()};
  auto* bits = FImage->bits();
  const qsizetype stride = FImage->bytesPerLine();
  for (const TRect& clip : FClipApplied.Rects()) {
    TRect a;
    TRect b;
    if (!IntersectRect(a, r, clip) || !IntersectRect(b, a, image)) continue;
    // One row by hand, the others copied from it (memcpy is the quick one).
    auto* first = reinterpret_cast<std::uint32_t*>(bits + b.Top * stride) + b.Left;
    std::fill(first, first + b.Width(), argb);
    const std::size_t bytes = static_cast<std::size_t>(b.Width()) * sizeof(std::uint32_t);
    for (int y = b.Top + 1; y < b.Bottom; ++y)
      std::memcpy(reinterpret_cast<std::uint32_t*>(bits + y * stride) + b.Left, first, bytes);
  }
  return true;
}

void TQtCanvas::DoFillRect(const TRect& r, TColor color) {
  if (FPainter) {
    SyncClip(&r);
    if (FillPixels(r, ColorToArgb(color))) return;
  }
  QPainter& p = Acquire();
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.fillRect(ToQRect(r), ToQColor(color));
  Release();
}

QPainter* TQtCanvas::BeginShape(bool withBrush) {
  std::optional<QPainter::CompositionMode> op = RasterOp(Pen()->Mode());
  if (!op) return nullptr;
  if (FPainter) SyncClip(nullptr);
  QPainter& p = Acquire();
  // Raster operations exist on images only.
  p.setCompositionMode(Image() != nullptr ? *op : QPainter::CompositionMode_SourceOver);
  p.setPen(MakePen(Pen()->Data()));
  p.setBrush(withBrush ? MakeBrush(Brush()->Data()) : QBrush(Qt::NoBrush));
  // Gaps of a styled line take the background colour in opaque mode.
  bool opaque = BkMode() == OPAQUE && Pen()->Style() != psSolid && Pen()->Style() != psInsideFrame;
  p.setBackgroundMode(opaque ? Qt::OpaqueMode : Qt::TransparentMode);
  if (opaque) p.setBackground(QBrush(ToQColor(BkColor())));
  return &p;
}

void TQtCanvas::EndShape(QPainter& p) {
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setBackgroundMode(Qt::TransparentMode);
  Release();
}

TRect TQtCanvas::StrokeRect(const TRect& r) const {
  TRect s = r;
  if (Pen()->Style() == psInsideFrame && Pen()->Width() > 1)
    InflateRect(s, -(Pen()->Width() / 2), -(Pen()->Width() / 2));
  // A stroked QRect covers its size plus the pen width.
  --s.Right;
  --s.Bottom;
  return s;
}

void TQtCanvas::DoLine(TPoint from, TPoint to) {
  if (QPainter* p = BeginShape(false)) {
    p->drawLine(ToQPoint(from), ToQPoint(to));
    EndShape(*p);
  }
}

void TQtCanvas::DoPolyline(const std::vector<TPoint>& points) {
  if (QPainter* p = BeginShape(false)) {
    p->drawPolyline(ToQPolygon(points));
    EndShape(*p);
  }
}

void TQtCanvas::DoPolygon(const std::vector<TPoint>& points) {
  if (QPainter* p = BeginShape(true)) {
    p->drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
    EndShape(*p);
  }
}

void TQtCanvas::DoRectangle(const TRect& r) {
  if (QPainter* p = BeginShape(true)) {
    p->drawRect(ToQRect(StrokeRect(r)));
    EndShape(*p);
  }
}

void TQtCanvas::DoRoundRect(const TRect& r, TSize corner) {
  if (QPainter* p = BeginShape(true)) {
    p->drawRoundedRect(ToQRect(StrokeRect(r)), corner.cx / 2.0, corner.cy / 2.0);
    EndShape(*p);
  }
}

void TQtCanvas::DoEllipse(const TRect& r) {
  if (QPainter* p = BeginShape(true)) {
    p->drawEllipse(ToQRect(StrokeRect(r)));
    EndShape(*p);
  }
}

void TQtCanvas::DoArc(TArcKind kind, const TRect& r, double startAngle, double sweepAngle) {
  QPainter* p = BeginShape(kind != TArcKind::Arc);
  if (p == nullptr) return;
  QRect box = ToQRect(StrokeRect(r));
  int start = static_cast<int>(std::lround(startAngle * 16));
  int sweep = static_cast<int>(std::lround(sweepAngle * 16));
  switch (kind) {
    case TArcKind::Arc:
      p->drawArc(box, start, sweep);
      break;
    case TArcKind::Pie:
      p->drawPie(box, start, sweep);
      break;
    case TArcKind::Chord:
      p->drawChord(box, start, sweep);
      break;
  }
  EndShape(*p);
}

void TQtCanvas::DoText(const TTextRun& run) {
  const TFontData& data = Font()->Data();
  TFontEntry& entry = FontEntry(data);
  const double ascent = entry.Metric.tmAscent;
  const bool rotated = data.Orientation % 3600 != 0;
  const bool lines = data.Style.Contains(fsUnderline) || data.Style.Contains(fsStrikeOut);
  // Plain text is placed by the glyphs' positions rather than by moving
  // the painter: saving and restoring the painter costs more than the
  // glyphs of a short run. Qt places the lines of underlined or struck-out
  // text a shade differently then, so that keeps to the moved painter.
  const bool moved = rotated || lines;
  const double originX = moved ? 0 : run.Origin.X;
  const double originY = moved ? 0 : run.Origin.Y;
  // One glyph run for what the face has (laying text out per character is
  // what costs); the rest goes through Qt's font fallback one by one.
  QList<quint32> glyphs;
  QList<QPointF> positions;
  std::vector<std::size_t> fallback;
  glyphs.reserve(static_cast<qsizetype>(run.Text.size()));
  positions.reserve(static_cast<qsizetype>(run.Text.size()));
  // Where the glyphs' ink may fall, for the clip.
  double inkLeft = 0, inkTop = 0, inkRight = 0, inkBottom = 0;
  bool inked = false;
  for (std::size_t i = 0; i < run.Text.size(); ++i) {
    char32_t ch = run.Text[i];
    if (ch < 0x20 || ch == 0x7F) continue;
    quint32 glyph = GlyphOf(entry, ch);
    if (glyph == 0) {
      fallback.push_back(i);
      continue;
    }
    QPointF at(originX + run.Offsets[i], originY + ascent);
    glyphs.push_back(glyph);
    positions.push_back(at);
    if (!moved) {
      const QRectF& b = InkBounds(entry, glyph);
      if (b.isEmpty()) continue;
      double left = at.x() + b.left(), top = at.y() + b.top();
      double right = at.x() + b.right(), bottom = at.y() + b.bottom();
      if (!inked) {
        inkLeft = left, inkTop = top, inkRight = right, inkBottom = bottom;
        inked = true;
      } else {
        inkLeft = std::min(inkLeft, left), inkTop = std::min(inkTop, top);
        inkRight = std::max(inkRight, right), inkBottom = std::max(inkBottom, bottom);
      }
    }
  }
  if (FPainter) {
    if (moved || !fallback.empty()) {
      SyncClip(nullptr);
    } else {
      // Antialiasing may touch the pixels around the outline.
      TRect bounds{
          static_cast<int>(std::floor(inkLeft)) - 2, static_cast<int>(std::floor(inkTop)) - 2,
          static_cast<int>(std::ceil(inkRight)) + 2, static_cast<int>(std::ceil(inkBottom)) + 2};
      SyncClip(&bounds);
    }
  }
  QPainter& p = Acquire();
  if (moved) {
    p.save();
    p.translate(run.Origin.X, run.Origin.Y);
    if (rotated) p.rotate(-data.Orientation / 10.0);
  }
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setBackgroundMode(Qt::TransparentMode);
  p.setPen(ToQColor(run.Color));
  if (!glyphs.empty()) {
    QGlyphRun glyphRun;
    glyphRun.setRawFont(RawFont(entry));
    glyphRun.setGlyphIndexes(glyphs);
    glyphRun.setPositions(positions);
    glyphRun.setUnderline(data.Style.Contains(fsUnderline));
    glyphRun.setStrikeOut(data.Style.Contains(fsStrikeOut));
    p.drawGlyphRun(QPointF(0, 0), glyphRun);
  }
  if (!fallback.empty()) {
    p.setFont(MakeFont(data));
    for (std::size_t i : fallback)
      p.drawText(QPointF(originX + run.Offsets[i], originY + ascent), OneChar(run.Text[i]));
  }
  if (moved) p.restore();
  Release();
}

TTextMetric TQtCanvas::DoTextMetrics() {
  TTextMetric tm = FontEntry(Font()->Data()).Metric;
  tm.tmUnderlined = Font()->Style().Contains(fsUnderline);
  tm.tmStruckOut = Font()->Style().Contains(fsStrikeOut);
  tm.tmCharSet = Font()->Charset();
  return tm;
}

void TQtCanvas::DoMeasure(std::u32string_view text, std::vector<int>& advances) {
  TFontEntry& entry = FontEntry(Font()->Data());
  advances.resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) advances[i] = Advance(entry, text[i]);
}

void TQtCanvas::DoImage(const TRect& dest, const TRasterImagePtr& image, const TRect& source) {
  // Copied first: the image may be the very pixels being painted on.
  QImage picture = WrapImage(*image).copy(ToQRect(source));
  if (FPainter) SyncClip(nullptr);
  QPainter& p = Acquire();
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  // Stretching picks the nearest pixel, as the classic block transfer did.
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(ToQRect(dest), picture);
  Release();
}

TColor TQtCanvas::DoGetPixel(TPoint p) {
  QImage* image = Image();
  if (image == nullptr) return clNone;
  int x = static_cast<int>(p.X * FScale);
  int y = static_cast<int>(p.Y * FScale);
  if (!image->valid(x, y)) return clNone;
  return ArgbToColor(image->pixel(x, y));
}

void TQtCanvas::DoSetPixel(TPoint p, TColor color) { DoFillRect(Bounds(p.X, p.Y, 1, 1), color); }

// --- Bitmap canvases ----------------------------------------------------------------

namespace {

// Paints into a bitmap's pixels, fetched anew for every primitive (the
// bitmap may have been resized or shared its pixels in between).
class TQtBitmapCanvas final : public TQtCanvas {
 public:
  explicit TQtBitmapCanvas(TBitmap& bitmap) : FBitmap(bitmap) { InitClip(); }

 protected:
  QPainter& Acquire() override {
    TRasterImage& pixels = FBitmap.MutableImage();
    FView = QImage(reinterpret_cast<uchar*>(pixels.Pixels.data()), pixels.Width, pixels.Height,
                   pixels.Width * 4, QImage::Format_ARGB32);
    // Raster operations would turn the alpha of opaque pixels over too:
    // keep it as it was.
    if (Pen()->Mode() != pmCopy) {
      FAlpha.resize(pixels.Pixels.size());
      for (std::size_t i = 0; i < FAlpha.size(); ++i) FAlpha[i] = pixels.Pixels[i] & 0xFF000000u;
    } else {
      FAlpha.clear();
    }
    FPainter.begin(&FView);
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.setRenderHint(QPainter::TextAntialiasing, true);
    FPainter.setClipRegion(ToQRegion(ClipRegion()));
    return FPainter;
  }

  void Release() override {
    FPainter.end();
    if (!FAlpha.empty()) {
      TRasterImage& pixels = FBitmap.MutableImage();
      if (pixels.Pixels.size() == FAlpha.size())
        for (std::size_t i = 0; i < FAlpha.size(); ++i)
          pixels.Pixels[i] = (pixels.Pixels[i] & 0x00FFFFFFu) | FAlpha[i];
    }
    FView = QImage();
  }

  QImage* Image() override {
    if (FPainter.isActive()) return &FView;
    TRasterImage& pixels = FBitmap.MutableImage();
    FView = QImage(reinterpret_cast<uchar*>(pixels.Pixels.data()), pixels.Width, pixels.Height,
                   pixels.Width * 4, QImage::Format_ARGB32);
    return &FView;
  }

  TRect DoSurfaceRect() const override { return Rect(0, 0, FBitmap.Width(), FBitmap.Height()); }
  void DoSetClip(const TRegion&) override {}

 private:
  TBitmap& FBitmap;
  QImage FView;
  QPainter FPainter;
  std::vector<std::uint32_t> FAlpha;
};

}  // namespace

std::unique_ptr<TCanvas> MakeQtBitmapCanvas(TBitmap& bitmap) {
  return std::make_unique<TQtBitmapCanvas>(bitmap);
}
