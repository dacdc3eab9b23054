#include "platform/draw/draw_text.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/text.h"

namespace {

// One character of the text after prefix processing.
struct TChar {
  char32_t Code;
  bool Underlined;
};

// A laid-out line: the characters and each one's advance.
struct TLine {
  std::vector<TChar> Chars;
  std::vector<int> Advances;
  int Width = 0;
};

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t'; }

std::vector<TChar> StripPrefixes(std::string_view text, unsigned flags) {
  std::u32string s = Utf8ToUtf32(text);
  std::vector<TChar> chars;
  chars.reserve(s.size());
  bool prefixes = (flags & DT_NOPREFIX) == 0;
  bool underline = (flags & DT_HIDEPREFIX) == 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (prefixes && s[i] == U'&') {
      if (i + 1 == s.size()) break;  // a lone "&" at the end shows nothing
      ++i;
      chars.push_back({s[i], underline && s[i] != U'&'});
      continue;
    }
    chars.push_back({s[i], false});
  }
  return chars;
}

// Splits at CR LF, CR and LF; no empty line after a final break.
std::vector<std::vector<TChar>> SplitParagraphs(const std::vector<TChar>& chars, bool single) {
  std::vector<std::vector<TChar>> paragraphs(1);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    char32_t c = chars[i].Code;
    if (!single && (c == U'\r' || c == U'\n')) {
      if (c == U'\r' && i + 1 < chars.size() && chars[i + 1].Code == U'\n') ++i;
      paragraphs.emplace_back();
      continue;
    }
    paragraphs.back().push_back(chars[i]);
  }
  if (paragraphs.back().empty() && (paragraphs.size() > 1 || chars.empty())) paragraphs.pop_back();
  return paragraphs;
}

class TLayout {
 public:
  TLayout(TCanvas& canvas, unsigned flags) : FCanvas(canvas), FFlags(flags) {
    FTabWidth = 8 * std::max(canvas.TextMetrics().tmAveCharWidth, 1);
  }

  // Advances of `chars` as they would sit from the line's start.
  std::vector<int> Measure(const std::vector<TChar>& chars) {
    std::string utf8;
    for (const TChar& c : chars) AppendUtf8(utf8, c.Code);
    std::vector<int> advances = FCanvas.CharAdvances(utf8);
    if ((FFlags & DT_EXPANDTABS) != 0) {
      int x = 0;
      for (std::size_t i = 0; i < chars.size(); ++i) {
        if (chars[i].Code == U'\t') advances[i] = (x / FTabWidth + 1) * FTabWidth - x;
        x += advances[i];
      }
    }
    return advances;
  }

  TLine MakeLine(std::vector<TChar> chars) {
    TLine line;
    line.Advances = Measure(chars);
    line.Chars = std::move(chars);
    for (int a : line.Advances) line.Width += a;
    return line;
  }

  // Greedy breaking at blanks; characters when a word does not fit. The
  // paragraph is measured once; tabs are placed from each line's start.
  void Wrap(const std::vector<TChar>& para, int maxWidth, std::vector<TLine>& out) {
    if (para.empty()) {
      out.push_back(TLine{});
      return;
    }
    std::string utf8;
    for (const TChar& c : para) AppendUtf8(utf8, c.Code);
    std::vector<int> base = FCanvas.CharAdvances(utf8);
    bool tabs = (FFlags & DT_EXPANDTABS) != 0;
    std::size_t start = 0;
    while (start < para.size()) {
      int x = 0;
      std::size_t end = para.size();
      std::size_t lastBlank = std::string::npos;
      for (std::size_t i = start; i < para.size(); ++i) {
        int advance = tabs && para[i].Code == U'\t' ? (x / FTabWidth + 1) * FTabWidth - x : base[i];
        if (IsBlank(para[i].Code)) {
          lastBlank = i;
          x += advance;
          continue;  // blanks may hang past the edge
        }
        if (x + advance > maxWidth && i > start) {
          end = lastBlank != std::string::npos ? lastBlank + 1 : i;
          break;
        }
        x += advance;
      }
      std::size_t next = end;
      while (next < para.size() && IsBlank(para[next].Code)) ++next;
      // Drop the blanks at the break from the line.
      std::size_t lineEnd = end;
      if (end < para.size())
        while (lineEnd > start && IsBlank(para[lineEnd - 1].Code)) --lineEnd;
      out.push_back(
          MakeLine(std::vector<TChar>(para.begin() + static_cast<std::ptrdiff_t>(start),
                                      para.begin() + static_cast<std::ptrdiff_t>(lineEnd))));
      start = next;
    }
  }

  // Cuts `line` to fit `maxWidth` with "..." at its end.
  void Ellipsize(TLine& line, int maxWidth) {
    if (line.Width <= maxWidth) return;
    std::vector<TChar> dots(3, TChar{U'.', false});
    int dotsWidth = 0;
    for (int a : Measure(dots)) dotsWidth += a;
    std::size_t keep = line.Chars.size();
    int width = line.Width;
    while (keep > 0 && width + dotsWidth > maxWidth) width -= line.Advances[--keep];
    std::vector<TChar> cut(line.Chars.begin(),
                           line.Chars.begin() + static_cast<std::ptrdiff_t>(keep));
    cut.insert(cut.end(), dots.begin(), dots.end());
    line = MakeLine(std::move(cut));
  }

 private:
  TCanvas& FCanvas;
  unsigned FFlags;
  int FTabWidth;
};

}  // namespace

int DrawText(TCanvas& canvas, std::string_view text, TRect& rect, unsigned flags) {
  bool single = (flags & DT_SINGLELINE) != 0;
  bool wordBreak = (flags & DT_WORDBREAK) != 0 && !single;
  int maxWidth = std::max(rect.Width(), 0);

  TLayout layout(canvas, flags);
  std::vector<TLine> lines;
  for (const std::vector<TChar>& para : SplitParagraphs(StripPrefixes(text, flags), single)) {
    if (wordBreak)
      layout.Wrap(para, maxWidth, lines);
    else
      lines.push_back(layout.MakeLine(para));
  }
  if ((flags & DT_END_ELLIPSIS) != 0)
    for (TLine& line : lines) layout.Ellipsize(line, maxWidth);

  TTextMetric tm = canvas.TextMetrics();
  int lineHeight = tm.tmHeight + ((flags & DT_EXTERNALLEADING) != 0 ? tm.tmExternalLeading : 0);
  int textHeight = lineHeight * static_cast<int>(lines.size());

  if ((flags & DT_CALCRECT) != 0) {
    int widest = 0;
    for (const TLine& line : lines) widest = std::max(widest, line.Width);
    rect.Right = rect.Left + widest;
    rect.Bottom = rect.Top + textHeight;
    return textHeight;
  }

  int y = rect.Top;
  if (single && (flags & DT_VCENTER) != 0)
    y = rect.Top + (rect.Height() - lineHeight) / 2;
  else if (single && (flags & DT_BOTTOM) != 0)
    y = rect.Bottom - lineHeight;
  int result = single ? y - rect.Top + textHeight : textHeight;

  bool clip = (flags & DT_NOCLIP) == 0;
  unsigned options = (clip ? ETO_CLIPPED : 0) | ((flags & DT_RTLREADING) != 0 ? ETO_RTLREADING : 0);
  for (std::size_t n = 0; n < lines.size(); ++n, y += lineHeight) {
    if ((flags & DT_EDITCONTROL) != 0 && n > 0 && y + lineHeight > rect.Bottom) break;
    if (clip && y >= rect.Bottom) break;
    const TLine& line = lines[n];
    int x = rect.Left;
    if ((flags & DT_CENTER) != 0)
      x = rect.Left + (rect.Width() - line.Width) / 2;
    else if ((flags & DT_RIGHT) != 0)
      x = rect.Right - line.Width;
    std::string utf8;
    for (const TChar& c : line.Chars) AppendUtf8(utf8, c.Code == U'\t' ? U' ' : c.Code);
    if (!utf8.empty())
      canvas.ExtTextOut(x, y, options, clip ? &rect : nullptr, utf8, line.Advances.data());
    // Prefix underlines: one pixel below the baseline, in the text colour.
    int cx = x;
    for (std::size_t i = 0; i < line.Chars.size(); ++i) {
      if (line.Chars[i].Underlined) {
        TRect bar = Bounds(cx, y + tm.tmAscent + 1, line.Advances[i], 1);
        if (clip) IntersectRect(bar, bar, rect);
        canvas.FillSolidRect(bar, canvas.TextColor());
      }
      cx += line.Advances[i];
    }
  }
  return result;
}
