#include "platform/draw/bitmap.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

#include "platform/base/file_stream.h"
#include "platform/base/text.h"

// --- TGraphic -----------------------------------------------------------------

void TGraphic::SetTransparent(bool value) {
  if (FTransparent == value) return;
  FTransparent = value;
  Changed();
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

namespace {

// The rest of the stream, from its position.
std::string ReadRest(TStream& stream) {
  std::int64_t count = std::max<std::int64_t>(stream.Size() - stream.Position(), 0);
  std::string bytes(static_cast<std::size_t>(count), '\0');
  stream.ReadBuffer(bytes.data(), count);
  return bytes;
}

void WriteAll(TStream& stream, const std::string& bytes) {
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

// --- The software canvas ------------------------------------------------------

// Draws into a bitmap's pixels without a host (see bitmap.h).
class TBitmapCanvas final : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& bitmap) : FBitmap(bitmap) { InitClip(); }

  TRasterImagePtr SourceImage() override { return FBitmap.Image(); }

 protected:
  TRect DoSurfaceRect() const override { return Rect(0, 0, FBitmap.Width(), FBitmap.Height()); }
  void DoSetClip(const TRegion& clip) override { FClip = clip; }

  void DoFillRect(const TRect& r, TColor color) override {
    std::uint32_t argb = ColorToArgb(color);
    TRasterImage& image = FBitmap.MutableImage();
    for (const TRect& c : FClip.Rects()) {
      TRect part;
      if (!IntersectRect(part, c, r)) continue;
      for (int y = part.Top; y < part.Bottom; ++y)
        std::fill_n(&image.At(part.Left, y), part.Width(), argb);
    }
  }

  void DoLine(TPoint from, TPoint to) override {
    FDashStep = 0;
    Line(from, to, false);
  }

  void DoPolyline(const std::vector<TPoint>& points) override {
    FDashStep = 0;
    for (std::size_t i = 1; i < points.size(); ++i) Line(points[i - 1], points[i], false);
  }

  void DoPolygon(const std::vector<TPoint>& points) override {
    FillPolygon(points);
    Outline(points);
  }

  void DoRectangle(const TRect& r) override {
    bool pen = Pen()->Style() != psClear;
    TRect inside = r;
    if (pen) InflateRect(inside, -1, -1);
    if (Brush()->Style() != bsClear && !IsRectEmpty(inside)) DoFillRect(inside, Brush()->Color());
    if (pen)
      Outline({{r.Left, r.Top},
               {r.Right - 1, r.Top},
               {r.Right - 1, r.Bottom - 1},
               {r.Left, r.Bottom - 1}});
  }

  void DoRoundRect(const TRect& r, TSize corner) override {
    double rx = std::min(corner.cx, r.Width()) / 2.0;
    double ry = std::min(corner.cy, r.Height()) / 2.0;
    double right = r.Right - 1;
    double bottom = r.Bottom - 1;
    std::vector<TPoint> points;
    auto quarter = [&](double cx, double cy, double from) {
      for (int i = 0; i <= 6; ++i) {
        double a = (from + i * 15.0) * std::numbers::pi / 180.0;
        points.push_back({static_cast<int>(std::lround(cx + rx * std::cos(a))),
                          static_cast<int>(std::lround(cy - ry * std::sin(a)))});
      }
    };
    quarter(right - rx, r.Top + ry, 0);
    quarter(r.Left + rx, r.Top + ry, 90);
    quarter(r.Left + rx, bottom - ry, 180);
    quarter(right - rx, bottom - ry, 270);
    DoPolygon(points);
  }

  void DoEllipse(const TRect& r) override { DoPolygon(ArcPoints(r, 0, 360)); }

  void DoArc(TArcKind kind, const TRect& r, double startAngle, double sweepAngle) override {
    std::vector<TPoint> points = ArcPoints(r, startAngle, sweepAngle);
    switch (kind) {
      case TArcKind::Arc:
        FDashStep = 0;
        for (std::size_t i = 1; i < points.size(); ++i) Line(points[i - 1], points[i], false);
        break;
      case TArcKind::Pie:
        points.push_back({(r.Left + r.Right - 1) / 2, (r.Top + r.Bottom - 1) / 2});
        DoPolygon(points);
        break;
      case TArcKind::Chord:
        DoPolygon(points);
        break;
    }
  }

  void DoText(const TTextRun&) override {}
  TTextMetric DoTextMetrics() override { return TRecordingCanvas::FixedMetrics(Font()->Data()); }
  void DoMeasure(std::u32string_view text, std::vector<int>& advances) override {
    advances.assign(text.size(), TRecordingCanvas::FixedCharWidth(Font()->Data()));
  }

  void DoImage(const TRect& dest, const TRasterImagePtr& image, const TRect& source) override {
    TRasterImagePtr src = image;  // keeps the source alive if it is our own image
    TRasterImage& dst = FBitmap.MutableImage();
    for (const TRect& c : FClip.Rects()) {
      TRect part;
      if (!IntersectRect(part, c, dest)) continue;
      for (int y = part.Top; y < part.Bottom; ++y) {
        int sy = source.Top + static_cast<int>(static_cast<long long>(y - dest.Top) *
                                               source.Height() / dest.Height());
        for (int x = part.Left; x < part.Right; ++x) {
          int sx = source.Left + static_cast<int>(static_cast<long long>(x - dest.Left) *
                                                  source.Width() / dest.Width());
          dst.At(x, y) = Blend(src->At(sx, sy), dst.At(x, y));
        }
      }
    }
  }

  TColor DoGetPixel(TPoint p) override { return ArgbToColor(FBitmap.Image()->At(p.X, p.Y)); }
  void DoSetPixel(TPoint p, TColor color) override {
    FBitmap.MutableImage().At(p.X, p.Y) = ColorToArgb(color);
  }

 private:
  static std::uint32_t Blend(std::uint32_t s, std::uint32_t d) {
    std::uint32_t a = s >> 24;
    if (a == 255) return s;
    if (a == 0) return d;
    std::uint32_t da = d >> 24;
    auto mix = [a](std::uint32_t sc, std::uint32_t dc) { return (sc * a + dc * (255 - a)) / 255; };
    std::uint32_t outA = a + da * (255 - a) / 255;
    return outA << 24 | mix((s >> 16) & 0xFF, (d >> 16) & 0xFF) << 16 |
           mix((s >> 8) & 0xFF, (d >> 8) & 0xFF) << 8 | mix(s & 0xFF, d & 0xFF);
  }

  // The pen's raster operation on one pixel.
  static std::uint32_t Combine(TPenMode mode, std::uint32_t p, std::uint32_t s) {
    constexpr std::uint32_t kRgb = 0x00FFFFFF;
    p &= kRgb;
    std::uint32_t sc = s & kRgb;
    std::uint32_t r;
    switch (mode) {
      case pmBlack:
        r = 0;
        break;
      case pmWhite:
        r = kRgb;
        break;
      case pmNop:
        r = sc;
        break;
      case pmNot:
        r = ~sc;
        break;
      case pmCopy:
        r = p;
        break;
      case pmNotCopy:
        r = ~p;
        break;
      case pmMergePenNot:
        r = p | ~sc;
        break;
      case pmMaskPenNot:
        r = p & ~sc;
        break;
      case pmMergeNotPen:
        r = ~p | sc;
        break;
      case pmMaskNotPen:
        r = ~p & sc;
        break;
      case pmMerge:
        r = p | sc;
        break;
      case pmNotMerge:
        r = ~(p | sc);
        break;
      case pmMask:
        r = p & sc;
        break;
      case pmNotMask:
        r = ~(p & sc);
        break;
      case pmXor:
        r = p ^ sc;
        break;
      default:
        r = ~(p ^ sc);
        break;
    }
    return (s & 0xFF000000u) | (r & kRgb);
  }

  bool DashOn() {
    static constexpr int kDash[] = {18, 6};
    static constexpr int kDot[] = {3, 3};
    static constexpr int kDashDot[] = {9, 6, 3, 6};
    static constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};
    std::span<const int> pattern;
    switch (Pen()->Style()) {
      case psDash:
        pattern = kDash;
        break;
      case psDot:
        pattern = kDot;
        break;
      case psDashDot:
        pattern = kDashDot;
        break;
      case psDashDotDot:
        pattern = kDashDotDot;
        break;
      default:
        return true;
    }
    int total = 0;
    for (int n : pattern) total += n;
    int at = FDashStep++ % total;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      if (at < pattern[i]) return i % 2 == 0;
      at -= pattern[i];
    }
    return true;
  }

  void Plot(TRasterImage& image, int x, int y) {
    if (!FClip.Contains({x, y})) return;
    std::uint32_t& px = image.At(x, y);
    px = Combine(Pen()->Mode(), ColorToArgb(Pen()->Color()), px) | 0xFF000000u;
  }

  // Bresenham; the last point is drawn only when `last`.
  void Line(TPoint a, TPoint b, bool last) {
    if (Pen()->Style() == psClear) return;
    TRasterImage& image = FBitmap.MutableImage();
    int w = Pen()->Width();
    int dx = std::abs(b.X - a.X), sx = a.X < b.X ? 1 : -1;
    int dy = -std::abs(b.Y - a.Y), sy = a.Y < b.Y ? 1 : -1;
    int err = dx + dy;
    int x = a.X, y = a.Y;
    while (true) {
      bool end = x == b.X && y == b.Y;
      if (end && !last) break;
      if (DashOn()) {
        for (int oy = -(w - 1) / 2; oy <= w / 2; ++oy)
          for (int ox = -(w - 1) / 2; ox <= w / 2; ++ox) Plot(image, x + ox, y + oy);
      }
      if (end) break;
      int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y += sy;
      }
    }
  }

  void Outline(const std::vector<TPoint>& points) {
    if (Pen()->Style() == psClear || points.empty()) return;
    FDashStep = 0;
    for (std::size_t i = 0; i < points.size(); ++i)
      Line(points[i], points[(i + 1) % points.size()], false);
  }

  // Even-odd fill through pixel centres.
  void FillPolygon(const std::vector<TPoint>& points) {
    if (Brush()->Style() == bsClear || points.size() < 3) return;
    std::uint32_t argb = ColorToArgb(Brush()->Color());
    TRasterImage& image = FBitmap.MutableImage();
    TRect surface = DoSurfaceRect();
    int top = surface.Bottom, bottom = surface.Top;
    for (TPoint p : points) {
      top = std::min(top, p.Y);
      bottom = std::max(bottom, p.Y);
    }
    top = std::max(top, surface.Top);
    bottom = std::min(bottom, surface.Bottom);
    std::vector<double> xs;
    for (int y = top; y < bottom; ++y) {
      double cy = y + 0.5;
      xs.clear();
      for (std::size_t i = 0; i < points.size(); ++i) {
        TPoint p = points[i], q = points[(i + 1) % points.size()];
        if ((p.Y <= cy) == (q.Y <= cy)) continue;
        xs.push_back(p.X + (cy - p.Y) * (q.X - p.X) / static_cast<double>(q.Y - p.Y));
      }
      std::sort(xs.begin(), xs.end());
      for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
        int from = std::max(static_cast<int>(std::ceil(xs[i] - 0.5)), surface.Left);
        int to = std::min(static_cast<int>(std::ceil(xs[i + 1] - 0.5)), surface.Right);
        for (int x = from; x < to; ++x)
          if (FClip.Contains({x, y})) image.At(x, y) = argb;
      }
    }
  }

  static std::vector<TPoint> ArcPoints(const TRect& r, double start, double sweep) {
    double rx = (r.Width() - 1) / 2.0, ry = (r.Height() - 1) / 2.0;
    double cx = r.Left + rx, cy = r.Top + ry;
    int steps = std::max(8, static_cast<int>((rx + ry) * sweep / 90.0));
    std::vector<TPoint> points;
    for (int i = 0; i <= steps; ++i) {
      double a = (start + sweep * i / steps) * std::numbers::pi / 180.0;
      TPoint p{static_cast<int>(std::lround(cx + rx * std::cos(a))),
               static_cast<int>(std::lround(cy - ry * std::sin(a)))};
      if (points.empty() || !(points.back() == p)) points.push_back(p);
    }
    return points;
  }

  TBitmap& FBitmap;
  TRegion FClip;
  int FDashStep = 0;
};

TRasterCanvasFactory& Factory() {
  static TRasterCanvasFactory factory;
  return factory;
}

}  // namespace

void SetRasterCanvasFactory(TRasterCanvasFactory factory) { Factory() = std::move(factory); }

// --- TBitmap ------------------------------------------------------------------

TBitmap::TBitmap() : FImage(std::make_shared<TRasterImage>()) {}

TBitmap::TBitmap(int width, int height)
    : FImage(std::make_shared<TRasterImage>(width, height, kWhite)) {}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == Width() && height == Height()) return;
  auto image = std::make_shared<TRasterImage>(width, height, kWhite);
  for (int y = 0; y < std::min(height, Height()); ++y)
    std::copy_n(&FImage->At(0, y), std::min(width, Width()), &image->At(0, y));
  FImage = std::move(image);
  if (FCanvas) FCanvas->ResetClip();
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (Empty()) return clNone;
  return ArgbToColor(FImage->At(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
  if (FTransparentColor == color) return;
  FTransparentColor = color;
  FTransparentMode = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (FTransparentMode == mode) return;
  FTransparentMode = mode;
  if (mode == tmAuto) FTransparentColor = clDefault;
  Changed();
}

std::uint32_t* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= Height()) throw EInvalidGraphicOperation("Scan line index out of range");
  return &MutableImage().At(0, row);
}

const std::uint32_t* TBitmap::ScanLine(int row) const {
  if (row < 0 || row >= Height()) throw EInvalidGraphicOperation("Scan line index out of range");
  return &FImage->At(0, row);
}

TRasterImage& TBitmap::MutableImage() {
  if (FImage.use_count() > 1) FImage = std::make_shared<TRasterImage>(*FImage);
  return *FImage;
}

void TBitmap::SetImage(TRasterImage image) {
  FImage = std::make_shared<TRasterImage>(std::move(image));
  if (FCanvas) FCanvas->ResetClip();
  Changed();
}

TRasterImagePtr TBitmap::DrawingImage() const {
  if (!Transparent() || Empty()) return FImage;
  std::uint32_t key = ColorToArgb(TransparentColor()) & 0x00FFFFFFu;
  auto masked = std::make_shared<TRasterImage>(*FImage);
  for (std::uint32_t& px : masked->Pixels)
    if ((px & 0x00FFFFFFu) == key) px = 0;
  return masked;
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = Factory() ? Factory()(*this) : std::make_unique<TBitmapCanvas>(*this);
  return FCanvas.get();
}

void TBitmap::Assign(const TPersistent* source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    if (bitmap == this) return;
    FImage = bitmap->FImage;
    FPixelFormat = bitmap->FPixelFormat;
    FTransparentColor = bitmap->FTransparentColor;
    FTransparentMode = bitmap->FTransparentMode;
    TGraphic::SetTransparent(bitmap->Transparent());
    if (FCanvas) FCanvas->ResetClip();
    Changed();
    return;
  }
  if (const auto* icon = dynamic_cast<const TIcon*>(source)) {
    SetImage(*icon->Image());
    FPixelFormat = pf32bit;
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::LoadFromStream(TStream& stream) {
  TDecodedBmp decoded = DecodeBmp(ReadRest(stream));
  switch (decoded.BitsPerPixel) {
    case 1:
      FPixelFormat = pf1bit;
      break;
    case 4:
      FPixelFormat = pf4bit;
      break;
    case 8:
      FPixelFormat = pf8bit;
      break;
    case 16:
      FPixelFormat = pf16bit;
      break;
    case 32:
      FPixelFormat = pf32bit;
      break;
    default:
      FPixelFormat = pf24bit;
      break;
  }
  SetImage(std::move(decoded.Image));
}

void TBitmap::SaveToStream(TStream& stream) const {
  WriteAll(stream, EncodeBmp(*FImage, FPixelFormat == pf32bit ? 32 : 24));
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(this);
  return copy;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const {
  canvas.DrawImage(rect, DrawingImage(), Rect(0, 0, Width(), Height()));
}

// --- TIcon --------------------------------------------------------------------

TIcon::TIcon() : FImage(std::make_shared<TRasterImage>()) {}

void TIcon::SetImage(TRasterImage image) {
  FImage = std::make_shared<TRasterImage>(std::move(image));
  Changed();
}

void TIcon::Assign(const TPersistent* source) {
  if (const auto* icon = dynamic_cast<const TIcon*>(source)) {
    if (icon == this) return;
    FImage = icon->FImage;
    Changed();
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    FImage = bitmap->DrawingImage();
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::LoadFromStream(TStream& stream) { SetImage(DecodeIco(ReadRest(stream))); }

void TIcon::SaveToStream(TStream& stream) const { WriteAll(stream, EncodeIco(*FImage)); }

std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto copy = std::make_unique<TIcon>();
  copy->Assign(this);
  return copy;
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const {
  canvas.DrawImage(rect, FImage, Rect(0, 0, Width(), Height()));
}

// --- TMetafile ----------------------------------------------------------------

void TMetafile::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  Changed();
}

void TMetafile::SetRecords(std::vector<TCanvasRecord> records) {
  FRecords = std::move(records);
  Changed();
}

void TMetafile::Clear() {
  FRecords.clear();
  FWidth = 0;
  FHeight = 0;
  Changed();
}

void TMetafile::Assign(const TPersistent* source) {
  if (const auto* metafile = dynamic_cast<const TMetafile*>(source)) {
    if (metafile == this) return;
    FRecords = metafile->FRecords;
    FWidth = metafile->FWidth;
    FHeight = metafile->FHeight;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TMetafile::LoadFromStream(TStream&) {
  throw EInvalidGraphicOperation("Metafiles cannot be read or written");
}

void TMetafile::SaveToStream(TStream&) const {
  throw EInvalidGraphicOperation("Metafiles cannot be read or written");
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
  auto copy = std::make_unique<TMetafile>();
  copy->Assign(this);
  return copy;
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) const {
  TCanvasStateSaver saver(canvas);
  canvas.IntersectClipRect(rect);
  TRecordingCanvas::Replay(FRecords, canvas, rect.TopLeft());
}

TMetafileCanvas::~TMetafileCanvas() {
  std::vector<TCanvasRecord> records = FMetafile.Records();
  TRect bounds;
  for (TCanvasRecord& r : TakeRecords()) {
    TRect extent = r.Rect;
    for (TPoint p : r.Points) UnionRect(extent, extent, Bounds(p.X, p.Y, 1, 1));
    UnionRect(bounds, bounds, extent);
    records.push_back(std::move(r));
  }
  FMetafile.SetRecords(std::move(records));
  if (FMetafile.Empty()) FMetafile.SetSize(bounds.Right, bounds.Bottom);
}

// --- TPicture -----------------------------------------------------------------

TPicture::~TPicture() = default;

void TPicture::Replace(std::unique_ptr<TGraphic> graphic) {
  FGraphic = std::move(graphic);
  if (FGraphic)
    FGraphic->OnChange = [this](TObject*) {
      if (OnChange) OnChange(this);
    };
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  Replace(graphic != nullptr ? graphic->Clone() : nullptr);
}

template <class T>
T* TPicture::As() {
  if (auto* existing = dynamic_cast<T*>(FGraphic.get())) return existing;
  Replace(std::make_unique<T>());
  return static_cast<T*>(FGraphic.get());
}

TBitmap* TPicture::Bitmap() { return As<TBitmap>(); }
TIcon* TPicture::Icon() { return As<TIcon>(); }
TMetafile* TPicture::Metafile() { return As<TMetafile>(); }

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string name = fileName;
  std::size_t dot = name.find_last_of('.');
  std::size_t slash = name.find_last_of('/');
  std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                        ? ""
                        : name.substr(dot + 1);
  std::unique_ptr<TGraphic> graphic;
  if (SameText(ext, "bmp") || SameText(ext, "dib"))
    graphic = std::make_unique<TBitmap>();
  else if (SameText(ext, "ico"))
    graphic = std::make_unique<TIcon>();
  else
    throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  graphic->LoadFromFile(fileName);
  Replace(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const {
  if (!FGraphic) throw EInvalidGraphicOperation("The picture is empty");
  FGraphic->SaveToFile(fileName);
}

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Replace(nullptr);
  } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    if (picture != this) SetGraphic(picture->Graphic());
  } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(source);
  }
}
