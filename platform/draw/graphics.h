// Colours, fonts, pens and brushes: the drawing attributes every canvas
// and control shares.
//
// TColor is the classic 32-bit BGR value (0x00BBGGRR, so 255 is red).
// A value whose top byte is 0xFF names a system colour (0xFF0000nn, nn the
// classic index); ColorToRGB resolves it through a fixed palette of ours, a
// flat light look that does not depend on the desktop. clNone and clDefault
// are sentinels that are never drawn.
//
// TFont, TPen and TBrush are small value-like objects that announce every
// change through OnChange (sent once per change, never when a setter gets
// the value already held). Their plain data (TFontData, TPenData,
// TBrushData) is what canvases save, restore and record.
//
// Fonts are sized at 96 pixels per inch: Height = -MulDiv(Size, 96, 72);
// a negative Height is the character height in pixels, a positive one the
// cell height (character plus internal leading). The default font is
// "MS Sans Serif" at 8 points (Height -11), as the classic default; the Qt
// side maps that face (MapFontFace) to Liberation Sans.
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/base/object.h"
#include "platform/base/sets.h"

// --- Colours ----------------------------------------------------------------

using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

// The classic system colour indices (the low byte of a system TColor).
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
inline constexpr int COLOR_MENUHILIGHT = 29;
inline constexpr int COLOR_MENUBAR = 30;

constexpr TColor SystemColor(int index) {
  return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index));
}

inline constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SystemColor(COLOR_MENU);
inline constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
inline constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
inline constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
inline constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
inline constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// The palette colour (0x00BBGGRR) of system colour `index`; black for an
// index the palette does not know.
TColor GetSysColor(int index);
// A system colour resolved through the palette; any other value returned
// as it is (so clNone and clDefault come back unchanged: callers that draw
// must treat them as "no colour").
TColor ColorToRGB(TColor color);
inline bool IsSystemColor(TColor color) { return color < 0; }

// --- Graphics objects ---------------------------------------------------------

// The common part of TFont, TPen and TBrush: the change notice.
class TGraphicsObject : public TPersistent {
  MEBRATH_CLASS(TGraphicsObject, TPersistent)
 public:
  // Sent with the object as sender after every change (once per Assign).
  TNotifyEvent OnChange;

 protected:
  TGraphicsObject() = default;
  TGraphicsObject(const TGraphicsObject&) = delete;
  TGraphicsObject& operator=(const TGraphicsObject&) = delete;
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = std::uint8_t;

inline constexpr TFontCharset ANSI_CHARSET = 0;
inline constexpr TFontCharset DEFAULT_CHARSET = 1;
inline constexpr TFontCharset SYMBOL_CHARSET = 2;
inline constexpr TFontCharset RUSSIAN_CHARSET = 204;
inline constexpr TFontCharset OEM_CHARSET = 255;

inline constexpr int kScreenPixelsPerInch = 96;
inline constexpr const char* kDefaultFontName = "MS Sans Serif";
inline constexpr int kDefaultFontHeight = -11;  // 8 points at 96 dpi

// Everything that describes a font; plain record.
struct TFontData {
  std::string Name = kDefaultFontName;
  int Height = kDefaultFontHeight;
  TFontStyles Style;
  TColor Color = clWindowText;
  TFontCharset Charset = DEFAULT_CHARSET;
  TFontPitch Pitch = fpDefault;
  int Orientation = 0;  // escapement, tenths of a degree counter-clockwise
  friend bool operator==(const TFontData&, const TFontData&) = default;
};

class TFont : public TGraphicsObject {
  MEBRATH_CLASS(TFont, TGraphicsObject)
 public:
  TFont() = default;

  const std::string& Name() const { return FData.Name; }
  void SetName(const std::string& name);
  // Points at PixelsPerInch: -MulDiv(Height, 72, PixelsPerInch) (so a
  // positive Height gives a negative Size, as the classic did).
  int Size() const;
  // Sets Height = -MulDiv(size, PixelsPerInch, 72).
  void SetSize(int size);
  int Height() const { return FData.Height; }
  void SetHeight(int height);
  TFontStyles Style() const { return FData.Style; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return FData.Color; }
  void SetColor(TColor color);
  TFontCharset Charset() const { return FData.Charset; }
  void SetCharset(TFontCharset charset);
  TFontPitch Pitch() const { return FData.Pitch; }
  void SetPitch(TFontPitch pitch);
  int Orientation() const { return FData.Orientation; }
  void SetOrientation(int tenthsOfDegree);
  // The resolution Size converts with: 96 on screen, a printer's own on a
  // printer canvas. Changing it keeps Height (the pixel size) and sends no
  // change notice.
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int pixelsPerInch);

  const TFontData& Data() const { return FData; }
  // Replaces everything at once; one change notice when anything differs.
  void SetData(const TFontData& data);

  // From another TFont: copies its data and keeps its point size when the
  // two resolutions differ (Height scaled by PixelsPerInch). Otherwise as
  // TPersistent::Assign.
  void Assign(const TPersistent* source) override;

 private:
  TFontData FData;
  int FPixelsPerInch = kScreenPixelsPerInch;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// The classic raster operations of a pen: the result from pen P and screen S.
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,          // not S
  pmCopy,         // P
  pmNotCopy,      // not P
  pmMergePenNot,  // P or not S
  pmMaskPenNot,   // P and not S
  pmMergeNotPen,  // not P or S
  pmMaskNotPen,   // not P and S
  pmMerge,        // P or S
  pmNotMerge,     // not (P or S)
  pmMask,         // P and S
  pmNotMask,      // not (P and S)
  pmXor,          // P xor S
  pmNotXor        // not (P xor S)
};

struct TPenData {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  friend bool operator==(const TPenData&, const TPenData&) = default;
};

class TPen : public TGraphicsObject {
  MEBRATH_CLASS(TPen, TGraphicsObject)
 public:
  TPen() = default;

  TColor Color() const { return FData.Color; }
  void SetColor(TColor color);
  // At least 1; smaller values are taken as 1.
  int Width() const { return FData.Width; }
  void SetWidth(int width);
  TPenStyle Style() const { return FData.Style; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return FData.Mode; }
  void SetMode(TPenMode mode);

  const TPenData& Data() const { return FData; }
  void SetData(const TPenData& data);
  void Assign(const TPersistent* source) override;

 private:
  TPenData FData;
};

class TBitmap;

enum TBrushStyle { bsSolid, bsClear };

struct TBrushData {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  // A pattern tiled instead of the colour; not owned (the classic rule:
  // whoever sets it keeps it alive while the brush uses it).
  const TBitmap* Bitmap = nullptr;
  friend bool operator==(const TBrushData&, const TBrushData&) = default;
};

class TBrush : public TGraphicsObject {
  MEBRATH_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush() = default;

  TColor Color() const { return FData.Color; }
  // Setting a colour makes a clear brush solid, as the classic did.
  void SetColor(TColor color);
  TBrushStyle Style() const { return FData.Style; }
  void SetStyle(TBrushStyle style);
  const TBitmap* Bitmap() const { return FData.Bitmap; }
  void SetBitmap(const TBitmap* bitmap);

  const TBrushData& Data() const { return FData; }
  void SetData(const TBrushData& data);
  void Assign(const TPersistent* source) override;

 private:
  TBrushData FData;
};

// The face the Qt side asks for: Windows faces map to their metric twins
// (Arial, MS Sans Serif, Tahoma, Verdana -> "Liberation Sans"; Times New
// Roman -> "Liberation Serif"; Courier New, Courier -> "Liberation Mono";
// case ignored); "Default" and "" are the default font's face; any other
// name is returned trimmed.
std::string MapFontFace(std::string_view name);
