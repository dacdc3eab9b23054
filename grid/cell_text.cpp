#include "grid/cell_text.h"

#include <algorithm>

#include "platform/base/text.h"
#include "platform/draw/draw_text.h"

unsigned DrawTextEhFlags(TAlignment alignment, bool wordWrap, bool endEllipsis) {
  unsigned flags = DT_NOPREFIX | DT_EXPANDTABS | AlignFlags(alignment);
  if (wordWrap) flags |= DT_WORDBREAK;
  if (endEllipsis) flags |= DT_END_ELLIPSIS;
  return flags;
}

namespace {

TRect TextRectEh(const TRect& rect, int dx, int dy) {
  TRect r{rect.Left + dx, rect.Top + dy, rect.Right - dx, rect.Bottom};
  if (dx > 0) r.Bottom += 1;
  return r;
}

// Where a line `width` pixels wide starts in `r`, as DrawText places it.
TPoint LineOriginEh(TCanvas& canvas, const TRect& r, int width, TAlignment alignment,
                    TTextLayout layout) {
  int y = r.Top;
  if (layout != tlTop) {
    const int free = (r.Bottom - r.Top) - canvas.TextMetrics().tmHeight;
    if (free > 0) y += layout == tlCenter ? free / 2 : free;
  }
  int x = r.Left;
  if (alignment == taCenter)
    x = r.Left + (r.Width() - width) / 2;
  else if (alignment == taRightJustify)
    x = r.Right - width;
  return {x, y};
}

}  // namespace

void WriteTextEh(TCanvas& canvas, const TRect& rect, int dx, int dy, std::string_view text,
                 TAlignment alignment, TTextLayout layout, bool wordWrap, bool endEllipsis) {
  TRect r = TextRectEh(rect, dx, dy);
  if (r.Right <= r.Left) return;
  if (!wordWrap && text.find_first_of("\r\n\t") == std::string_view::npos) {
    // One line that needs no layout (most cells): placed and drawn here,
    // as DrawText would place it.
    if (text.empty()) return;
    const int width = alignment != taLeftJustify || endEllipsis ? canvas.TextWidth(text) : 0;
    if (!endEllipsis || width <= r.Width()) {
      const TPoint at = LineOriginEh(canvas, r, width, alignment, layout);
      if (at.Y >= r.Bottom) return;
      canvas.ExtTextOut(at.X, at.Y, ETO_CLIPPED, &r, text);
      return;
    }
  }
  const unsigned flags = DrawTextEhFlags(alignment, wordWrap, endEllipsis);
  if (layout != tlTop) {
    TRect measure = r;
    DrawText(canvas, text, measure, flags | DT_CALCRECT);
    const int free = (r.Bottom - r.Top) - (measure.Bottom - measure.Top);
    if (free > 0) r.Top += layout == tlCenter ? free / 2 : free;
  }
  DrawText(canvas, text, r, flags);
}

void WriteTextPrefixEh(TCanvas& canvas, const TRect& rect, int dx, int dy, std::string_view text,
                       int count, TAlignment alignment, TTextLayout layout, TColor background,
                       TColor textColor) {
  const TRect r = TextRectEh(rect, dx, dy);
  if (r.Right <= r.Left || count <= 0) return;
  const std::string whole(text.substr(0, text.find_first_of("\r\n")));
  const std::string prefix = Copy(whole, 1, count);
  const TPoint at = LineOriginEh(canvas, r, canvas.TextWidth(whole), alignment, layout);
  const TRect box{std::max(r.Left, at.X), at.Y, std::min(r.Right, at.X + canvas.TextWidth(prefix)),
                  std::min(r.Bottom, at.Y + canvas.TextMetrics().tmHeight)};
  if (box.Right <= box.Left || box.Bottom <= box.Top) return;
  TCanvasStateSaver saver(canvas);
  canvas.FillSolidRect(box, background);
  canvas.Font()->SetColor(textColor);
  canvas.SetBkMode(TRANSPARENT);
  canvas.ExtTextOut(at.X, at.Y, ETO_CLIPPED, &box, prefix);
}

std::string EllipsisText(TCanvas& canvas, const std::string& text, int width) {
  if (canvas.TextWidth(text) <= width) return text;
  const int length = Length(text);
  for (int drop = 2; drop <= length; ++drop) {
    std::string tried = Copy(text, 1, length - drop) + "...";
    if (canvas.TextWidth(tried) <= width) return tried;
  }
  return "...";
}

std::unique_ptr<TFont> CreateVerticalFont(const TFont& font) {
  auto vertical = std::make_unique<TFont>();
  vertical->Assign(&font);
  if (font.Name() == "Default") vertical->SetName(kDefaultFontName);
  vertical->SetOrientation(900);
  return vertical;
}

void WriteTextVerticalEh(TCanvas& canvas, const TRect& rect, std::string_view text,
                         TAlignment alignment) {
  TCanvasStateSaver saver(canvas);
  std::unique_ptr<TFont> font = CreateVerticalFont(*canvas.Font());
  canvas.Font()->Assign(font.get());
  canvas.IntersectClipRect(rect);
  const int length = canvas.TextWidth(text);
  const int height = canvas.TextHeight(text);
  int y = rect.Bottom - 3;  // the text runs upwards from its start
  if (alignment == taCenter) y = (rect.Top + rect.Bottom + length) / 2;
  if (alignment == taRightJustify) y = rect.Top + 3 + length;
  const int x = (rect.Left + rect.Right - height) / 2;
  canvas.TextOut(x, y, text);
}

void DrawImageInRect(TCanvas& canvas, const TRect& rect, TCustomImageList* images, int index,
                     TAlignment alignment, int offset) {
  if (images == nullptr || index < 0 || index >= images->Count()) return;
  int x = rect.Left + offset;
  if (alignment == taCenter) x = (rect.Left + rect.Right - images->Width()) / 2;
  if (alignment == taRightJustify) x = rect.Right - images->Width();
  const int y = (rect.Top + rect.Bottom - images->Height()) / 2;
  const bool fits = x >= rect.Left && y >= rect.Top && x + images->Width() <= rect.Right &&
                    y + images->Height() <= rect.Bottom;
  if (fits) {
    images->Draw(&canvas, x, y, index);
    return;
  }
  TCanvasStateSaver saver(canvas);
  canvas.IntersectClipRect(rect);
  images->Draw(&canvas, x, y, index);
}

void DrawCellButton(TCanvas& canvas, const TRect& rect, TDrawButtonControlStyleEh kind,
                    bool pressed, bool flat, bool enabled, TColor color) {
  TCanvasStateSaver saver(canvas);
  canvas.IntersectClipRect(rect);
  PaintButtonControlEh(canvas, rect, flat ? color : clBtnFace, kind, pressed ? 1 : 0, flat, false,
                       enabled);
}
