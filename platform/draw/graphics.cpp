#include "platform/draw/graphics.h"

#include <array>
#include <limits>

#include "platform/base/math_utils.h"
#include "platform/base/text.h"

// --- Colours ----------------------------------------------------------------

namespace {

// Our flat light palette, by classic index (RGB written as RGB(r, g, b)).
constexpr std::array<TColor, 31> kSystemPalette = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(0, 78, 152),     // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(240, 240, 240),  // COLOR_BTNFACE
    RGB(160, 160, 160),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(67, 78, 84),     // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // 25: unused
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 120, 215),    // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};

// The size and the height have opposite signs; the one int without an
// opposite (a size or height from a damaged file) becomes the largest.
int Opposite(int value) {
  return value == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -value;
}

}  // namespace

TColor GetSysColor(int index) {
  if (index < 0 || index >= static_cast<int>(kSystemPalette.size())) return clBlack;
  return kSystemPalette[index];
}

TColor ColorToRGB(TColor color) { return color < 0 ? GetSysColor(color & 0xFF) : color; }

// --- TFont ------------------------------------------------------------------

void TFont::SetName(const std::string& name) {
  if (FData.Name == name) return;
  FData.Name = name;
  Changed();
}

int TFont::Size() const { return Opposite(MulDiv(FData.Height, 72, FPixelsPerInch)); }

void TFont::SetSize(int size) { SetHeight(Opposite(MulDiv(size, FPixelsPerInch, 72))); }

void TFont::SetHeight(int height) {
  if (FData.Height == height) return;
  FData.Height = height;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (FData.Style == style) return;
  FData.Style = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (FData.Color == color) return;
  FData.Color = color;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (FData.Charset == charset) return;
  FData.Charset = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (FData.Pitch == pitch) return;
  FData.Pitch = pitch;
  Changed();
}

void TFont::SetOrientation(int tenthsOfDegree) {
  if (FData.Orientation == tenthsOfDegree) return;
  FData.Orientation = tenthsOfDegree;
  Changed();
}

void TFont::SetPixelsPerInch(int pixelsPerInch) {
  if (pixelsPerInch > 0) FPixelsPerInch = pixelsPerInch;
}

void TFont::SetData(const TFontData& data) {
  if (FData == data) return;
  FData = data;
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  if (const auto* font = dynamic_cast<const TFont*>(source)) {
    TFontData data = font->FData;
    if (font->FPixelsPerInch != FPixelsPerInch)
      data.Height = MulDiv(data.Height, FPixelsPerInch, font->FPixelsPerInch);
    SetData(data);
    return;
  }
  TGraphicsObject::Assign(source);
}

// --- TPen -------------------------------------------------------------------

void TPen::SetColor(TColor color) {
  if (FData.Color == color) return;
  FData.Color = color;
  Changed();
}

void TPen::SetWidth(int width) {
  width = std::max(width, 1);
  if (FData.Width == width) return;
  FData.Width = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (FData.Style == style) return;
  FData.Style = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (FData.Mode == mode) return;
  FData.Mode = mode;
  Changed();
}

void TPen::SetData(const TPenData& data) {
  TPenData d = data;
  d.Width = std::max(d.Width, 1);
  if (FData == d) return;
  FData = d;
  Changed();
}

void TPen::Assign(const TPersistent* source) {
  if (const auto* pen = dynamic_cast<const TPen*>(source)) {
    SetData(pen->FData);
    return;
  }
  TGraphicsObject::Assign(source);
}

// --- TBrush -----------------------------------------------------------------

void TBrush::SetColor(TColor color) {
  if (FData.Color == color && FData.Style != bsClear) return;
  FData.Color = color;
  FData.Style = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (FData.Style == style) return;
  FData.Style = style;
  Changed();
}

void TBrush::SetBitmap(const TBitmap* bitmap) {
  if (FData.Bitmap == bitmap) return;
  FData.Bitmap = bitmap;
  Changed();
}

void TBrush::SetData(const TBrushData& data) {
  if (FData == data) return;
  FData = data;
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  if (const auto* brush = dynamic_cast<const TBrush*>(source)) {
    SetData(brush->FData);
    return;
  }
  TGraphicsObject::Assign(source);
}

// --- Faces ------------------------------------------------------------------

std::string MapFontFace(std::string_view name) {
  std::string n = Trim(name);
  if (n.empty() || SameText(n, "Default")) n = kDefaultFontName;
  for (const char* sans : {"Arial", "MS Sans Serif", "Tahoma", "Verdana"})
    if (SameText(n, sans)) return "Liberation Sans";
  if (SameText(n, "Times New Roman")) return "Liberation Serif";
  if (SameText(n, "Courier New") || SameText(n, "Courier")) return "Liberation Mono";
  return n;
}
