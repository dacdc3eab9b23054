#include "report/fr_picture_view.h"

#include <algorithm>

#include "platform/base/math_utils.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "platform/data/fields.h"
#include "platform/draw/metafile_renderer.h"
#include "report/fr_engine.h"
#include "report/fr_stream.h"

namespace {

bool StartsWith(const std::string& s, std::string_view prefix) {
  return s.size() >= prefix.size() && std::string_view(s).substr(0, prefix.size()) == prefix;
}

bool IsMetafile(const std::string& b) {
  using namespace std::string_view_literals;
  if (StartsWith(b, "\xD7\xCD\xC6\x9A"sv) || StartsWith(b, "\x01\x00\x09\x00"sv) ||
      StartsWith(b, "\x02\x00\x09\x00"sv))
    return true;  // placeable or plain WMF
  return b.size() >= 44 && StartsWith(b, "\x01\x00\x00\x00"sv) && b.compare(40, 4, " EMF") == 0;
}

}  // namespace

TRect PictureRect(const TRect& box, int pw, int ph, bool stretched, bool center, bool keepAspect,
                  double scale) {
  const int w = box.Right - box.Left, h = box.Bottom - box.Top;
  if (pw <= 0 || ph <= 0) return box;
  int rw, rh;
  if (!stretched) {
    rw = static_cast<int>(Round(pw * scale));
    rh = static_cast<int>(Round(ph * scale));
  } else if (keepAspect) {
    const double kx = static_cast<double>(w) / pw, ky = static_cast<double>(h) / ph;
    if (kx < ky) {
      rw = w;
      rh = static_cast<int>(Round(ph * kx));
    } else {
      rh = h;
      rw = static_cast<int>(Round(pw * ky));
    }
  } else {
    return box;
  }
  int left = box.Left, top = box.Top;
  if (center) {
    left += (w - rw) / 2;
    top += (h - rh) / 2;
  }
  return TRect{left, top, left + rw, top + rh};
}

TfrPictureView::TfrPictureView() {
  Typ = gtPicture;
  BaseName = "Picture";
  Flags = flStretched | flPictRatio;
}

TfrGraphicKind TfrPictureView::GraphicKind() const {
  if (!FMetafile.empty()) return gkMetafile;
  TGraphic* g = Picture.Graphic();
  if (g == nullptr) return gkNone;
  if (g->InheritsFrom("TIcon")) return gkIcon;
  if (g->InheritsFrom("TBitmap")) return gkBitmap;
  return gkNone;
}

void TfrPictureView::SetMetafileBytes(std::string bytes) {
  Picture.Assign(nullptr);
  FMetafile = std::move(bytes);
}

void TfrPictureView::ClearPicture() {
  Picture.Assign(nullptr);
  FMetafile.clear();
}

void TfrPictureView::LoadPictureBytes(const std::string& bytes, std::uint8_t hint) {
  ClearPicture();
  using namespace std::string_view_literals;
  std::uint8_t kind = hint;
  if (StartsWith(bytes, "BM"))
    kind = btBMP;
  else if (StartsWith(bytes, "\x00\x00\x01\x00"sv))
    kind = btICO;
  else if (IsMetafile(bytes))
    kind = btWMF;
  TStringStream s(bytes);
  switch (kind) {
    case btBMP:
      Picture.Bitmap()->LoadFromStream(s);
      break;
    case btICO:
      Picture.Icon()->LoadFromStream(s);
      break;
    case btWMF:
      FMetafile = bytes;
      break;
    default:
      break;  // no JPEG support: an empty picture
  }
}

void TfrPictureView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Picture", frdtString);
  AddProperty("Stretched", frdtBoolean);
  AddProperty("Center", frdtBoolean);
  AddProperty("KeepAspect", frdtBoolean);
  AddProperty("DataField", frdtString);
  AddEnumProperty("BlobType", "btBMP;btJPG;btICO;btWMF", {0, 1, 2, 3});
}

void TfrPictureView::SetPropertyValue(const std::string& name, const Variant& v) {
  const std::string n = UpperCase(name);
  if (n == "CENTER")
    Flags = v.AsBoolean() ? (Flags | flPictCenter) : (Flags & ~flPictCenter);
  else if (n == "KEEPASPECT")
    Flags = v.AsBoolean() ? (Flags | flPictRatio) : (Flags & ~flPictRatio);
  else if (n == "BLOBTYPE")
    BlobType = static_cast<std::uint8_t>(v.AsInteger());
  else
    TfrView::SetPropertyValue(name, v);
}

Variant TfrPictureView::GetPropertyValue(const std::string& name) {
  const std::string n = UpperCase(name);
  if (n == "CENTER") return Variant((Flags & flPictCenter) != 0);
  if (n == "KEEPASPECT") return Variant((Flags & flPictRatio) != 0);
  if (n == "BLOBTYPE") return Variant(static_cast<int>(BlobType));
  return TfrView::GetPropertyValue(name);
}

void TfrPictureView::CallMethod(const std::string& name, const std::string& p1,
                                const std::string& p2, const std::string& p3, Variant& Val) {
  TfrView::CallMethod(name, p1, p2, p3, Val);
  if (UpperCase(name) == "LOADFROMFILE") {
    FMetafile.clear();
    Picture.LoadFromFile(VarToStr(frEngine().Parser.Calculate(p1)));
  }
}

void TfrPictureView::GetBlob(TField* field) {
  if (field == nullptr || field->IsNull()) {
    ClearPicture();
    return;
  }
  LoadPictureBytes(field->AsString(), BlobType);
}

void TfrPictureView::Draw(TCanvas& canvas) {
  ScaleCoords();
  ShowBackground(canvas);
  if (!FMetafile.empty()) {
    // Played at the size it lands on, so zoom and print stay sharp. A
    // metafile that names no size of its own fills the box.
    const TMetafileInfo info = InspectMetafile(FMetafile);
    const TRect r = PictureRect(DrawRect(), info.Width, info.Height, Flags & flStretched,
                                Flags & flPictCenter, Flags & flPictRatio, ScaleX);
    canvas.SaveState();
    canvas.IntersectClipRect(DrawRect());
    DrawMetafile(canvas, r, FMetafile);
    canvas.RestoreState();
  } else if (TGraphic* g = Picture.Graphic(); g != nullptr && !g->Empty()) {
    const TRect r = PictureRect(DrawRect(), g->Width(), g->Height(), Flags & flStretched,
                                Flags & flPictCenter, Flags & flPictRatio, ScaleX);
    canvas.SaveState();
    canvas.IntersectClipRect(DrawRect());
    canvas.StretchDraw(r, g);
    canvas.RestoreState();
  }
  ShowFrame(canvas);
  RestoreCoords();
}

void TfrPictureView::LoadFromStream(TStream& stream) {
  TfrView::LoadFromStream(stream);
  const std::uint8_t kind = ReadU8(stream);
  if (MajorVersion * 10 + MinorVersion > 10) BlobType = ReadU8(stream);
  const std::int64_t end = ReadI32(stream);
  const std::int64_t start = stream.Position();
  if (end < start || end > stream.Size()) throw EReadError(SReadError);
  std::string bytes(static_cast<std::size_t>(end - start), '\0');
  stream.ReadBuffer(bytes.data(), end - start);
  ClearPicture();
  TStringStream s(bytes);
  switch (kind) {
    case gkBitmap:
      Picture.Bitmap()->LoadFromStream(s);
      break;
    case gkMetafile:
      FMetafile = std::move(bytes);
      break;
    case gkIcon:
      Picture.Icon()->LoadFromStream(s);
      break;
    default:
      break;
  }
  stream.SetPosition(end);
}

void TfrPictureView::SaveToStream(TStream& stream) {
  TfrView::SaveToStream(stream);
  const TfrGraphicKind kind = GraphicKind();
  WriteU8(stream, kind);
  WriteU8(stream, BlobType);
  const std::int64_t at = stream.Position();
  WriteI32(stream, 0);
  if (kind == gkMetafile)
    stream.WriteBuffer(FMetafile.data(), static_cast<std::int64_t>(FMetafile.size()));
  else if (kind != gkNone)
    Picture.Graphic()->SaveToStream(stream);
  const std::int64_t end = stream.Position();
  if (end > INT32_MAX) throw EWriteError(SWriteError);
  stream.SetPosition(at);
  WriteI32(stream, static_cast<std::int32_t>(end));
  stream.SetPosition(end);
}

// --- TfrLineView --------------------------------------------------------------

TfrLineView::TfrLineView() {
  Typ = gtLine;
  BaseName = "Line";
  FrameTyp = frbLeft;
  FillColor = clWhite;
}

void TfrLineView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Stretched", frdtBoolean);
}

void TfrLineView::Draw(TCanvas& canvas) {
  const std::uint16_t frame = FrameTyp;
  const int sdx = dx, sdy = dy;
  ScaleCoords();
  if (dx <= dy) {
    dx = 0;
    FrameTyp = frbLeft;
  } else {
    dy = 0;
    FrameTyp = frbTop;
  }
  ShowFrame(canvas);
  RestoreCoords();
  FrameTyp = frame;
  dx = sdx;
  dy = sdy;
}

TRect TfrLineView::GetClipRgn(bool extended) const {
  const double fw = FrameWidth;
  const int half = static_cast<int>(Round(FrameStyle == frsDouble ? fw * 1.5 : fw / 2));
  TRect r{x, y, x + dx + 1, y + dy + 1};
  if (dx <= dy)
    r = TRect{x - half, y, x + half + 1, y + dy + 1};
  else
    r = TRect{x, y - half, x + dx + 1, y + half + 1};
  if (extended) r = TRect{r.Left - 10, r.Top - 10, r.Right + 10, r.Bottom + 10};
  return r;
}
