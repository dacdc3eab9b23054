// Text layout and drawing of TfrMemoView: wrapping with hyphenation,
// alignment, justification, rotation, ruling, automatic width and the count
// of lines that fit.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/math_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/draw_text.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_object.h"
#include "report/fr_utils.h"

namespace {

bool IsVowel(char32_t c) {
  switch (c) {
    case U'Ё':
    case U'А':
    case U'Е':
    case U'И':
    case U'О':
    case U'У':
    case U'Ы':
    case U'Э':
    case U'Ю':
    case U'Я':
      return true;
    default:
      return false;
  }
}

bool IsDelimiter(char32_t c) { return c == ' ' || c == ',' || c == '-' || c == '.' || c == '/'; }

bool Designing() { return frEngine().DocMode == dmDesigning; }

// The next line's position: far-off lines saturate rather than wrap.
int Advance(int pos, int step) {
  return static_cast<int>(
      std::clamp<std::int64_t>(std::int64_t{pos} + step, -kfrMaxScaled, kfrMaxScaled));
}

std::string WithoutMarker(std::string line, bool& paragraphEnd) {
  paragraphEnd = line.empty();
  if (!line.empty() && line.back() == kParagraphEnd) {
    line.pop_back();
    paragraphEnd = true;
  }
  return line;
}

// Blanks of a line, for justification.
int Blanks(const std::string& line) {
  return static_cast<int>(std::count(line.begin(), line.end(), ' '));
}

// Gives `canvas` the font for layout: no scale factor, CharSpacing as
// character extra. Returns the character extra it had, to put back.
int SelectLayoutFont(TCanvas& canvas, const TFont& font, int pixelHeight, int charSpacing,
                     bool rotated) {
  const TFontData& want = font.Data();
  const TFontData& have = canvas.Font()->Data();
  const int orientation = rotated ? 900 : want.Orientation;
  // Most objects share a font: setting it again would only redo metrics.
  if (have.Height != -pixelHeight || have.Orientation != orientation || have.Style != want.Style ||
      have.Color != want.Color || have.Charset != want.Charset || have.Pitch != want.Pitch ||
      have.Name != want.Name) {
    TFontData data = want;
    data.Height = -pixelHeight;
    data.Orientation = orientation;
    TFont f;
    f.SetData(data);
    canvas.SetFont(&f);
  }
  return canvas.SetTextCharacterExtra(charSpacing);
}

}  // namespace

namespace {

std::vector<int> HyphenPoints(std::u32string_view w) {
  std::vector<int> points;
  const int n = static_cast<int>(w.size());
  if (n < 4) return points;
  const auto at = [&](int k) { return AnsiUpperCaseChar(w[static_cast<std::size_t>(k - 1)]); };
  for (int k = 2; k <= n - 2; ++k) {
    const bool v0 = IsVowel(at(k)), v1 = IsVowel(at(k + 1)), v2 = IsVowel(at(k + 2));
    if ((v0 && v1) || (v0 && !v1 && v2) ||
        (!v0 && !v1 && at(k + 1) != U'Ъ' && at(k + 1) != U'Ь' && v2))
      points.push_back(k);
  }
  return points;
}

}  // namespace

std::vector<int> FindHyphenPoints(const std::string& word) {
  return HyphenPoints(Utf8ToUtf32(word));
}

void TfrMemoView::ScaleCoords() {
  const int dx0 = x, dy0 = y, dw = dx, dh = dy;
  const float fw = FrameWidth;
  const bool designing = Designing();
  if (designing) {
    const double sx0 = ScaleX, sy0 = ScaleY;
    const int ox0 = OffsX, oy0 = OffsY;
    ScaleX = ScaleY = 1, OffsX = OffsY = 0;
    TfrView::ScaleCoords();
    ScaleX = sx0, ScaleY = sy0, OffsX = ox0, OffsY = oy0;
  } else {
    TfrView::ScaleCoords();
  }
  const double sx = designing ? 1 : ScaleX, sy = designing ? 1 : ScaleY;
  const int ox = designing ? 0 : OffsX, oy = designing ? 0 : OffsY;
  int innerX, innerY, outerX, outerY, right, bottom;
  if (sx == 1 && sy == 1 && ox == 0 && oy == 0) {
    // Unit scale, as while a report is built: the gaps follow the frame
    // width alone, and whole coordinates only saturate.
    if (!(fw == FUnitGaps.FrameWidth)) {
      FUnitGaps.FrameWidth = fw;
      FUnitGaps.Inner = frScaled((fw - 1.0) / 2);
      FUnitGaps.Outer = frScaled(double{fw} / 2);
    }
    innerX = innerY = FUnitGaps.Inner;
    outerX = outerY = FUnitGaps.Outer;
    const auto keep = [](std::int64_t v) {
      return static_cast<int>(std::clamp<std::int64_t>(v, -kfrMaxScaled, kfrMaxScaled));
    };
    right = keep(std::int64_t{dx0} + dw);
    bottom = keep(std::int64_t{dy0} + dh);
  } else {
    innerX = frScaled((fw * sx - 1) / 2);
    innerY = frScaled((fw * sy - 1) / 2);
    outerX = frScaled(fw * sx / 2);
    outerY = frScaled(fw * sy / 2);
    right = frScaled((static_cast<double>(dx0) + dw) * sx + ox);
    bottom = frScaled((static_cast<double>(dy0) + dh) * sy + oy);
  }
  GapX += outerX;
  GapY += outerY / 2;
  FDrawRect.Left = x + ((FrameTyp & frbLeft) ? innerX : 0);
  FDrawRect.Top = y + ((FrameTyp & frbTop) ? innerY : 0);
  FDrawRect.Right = right - ((FrameTyp & frbRight) ? outerX : 0) + 1;
  FDrawRect.Bottom = bottom - ((FrameTyp & frbBottom) ? outerY : 0) + 1;
}

void TfrMemoView::SetupCanvasFont(TCanvas& canvas) {
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetFont(&Font);
  if (IsPrinting) return;
  const double h =
      std::clamp(Font.Size() * 96.0 / 72 * ScaleY, -double{kfrMaxScaled}, double{kfrMaxScaled});
  canvas.Font()->SetHeight(-static_cast<int>(ScaleY == 1 ? Round(h) : Trunc(h)));
}

void TfrMemoView::AddLine(std::string_view line) {
  // Over the lines a list held before: their strings keep their room, and
  // a line laid out as before (a caption, a repeated value) stays as it is.
  TStringList& lines = *FLayoutLines;
  if (FLayoutCount >= lines.Count())
    lines.Add(line);
  else if (lines.StringRef(FLayoutCount) != line)
    lines.Put(FLayoutCount, line);
  ++FLayoutCount;
  FLayoutPos = Advance(FLayoutPos, FLineStep);
}

void TfrMemoView::LayoutText() { LayoutText(Memo1, frEngine().LayoutList); }

void TfrMemoView::LayoutText(const TStringList& text, TStringList& lines) {
  TfrEngine& e = frEngine();
  const bool vertical = (Adjust & frtaVertical) != 0;
  TCanvas& scratch = frScratchCanvas();
  const int pixelHeight = FontPixelHeight();
  const int savedExtra = SelectLayoutFont(scratch, Font, pixelHeight, CharSpacing, vertical);
  TScopeExit extra([&] { scratch.SetTextCharacterExtra(savedExtra); });
  FLayoutLines = &lines;
  FLayoutCount = 0;
  FLineStep = LineSpacing + pixelHeight;
  const bool wrap = (Flags & flWordWrap) != 0;
  const int count = text.Count();
  if (!vertical) {
    FLayoutPos = y + GapY;
    FLayoutWidth = dx - 2 * GapX;
    if (Designing() && count == 1 && !text.StringRef(0).empty() && text.StringRef(0)[0] == '[' &&
        scratch.TextWidth(text.StringRef(0)) > FLayoutWidth) {
      AddLine(text.StringRef(0));
    } else {
      for (int i = 0; i < count; ++i) {
        if (FLaidOut)
          AddLine(text.StringRef(i));
        else if (wrap)
          WrapParagraph(scratch, text.StringRef(i));
        else
          AddLine(text.StringRef(i) + kParagraphEnd);
      }
    }
    e.LayoutHeight = FLayoutPos - y + GapY;
  } else {
    FLayoutPos = x + GapX;
    FLayoutWidth = dy - 2 * GapY;
    for (int i = 0; i < count; ++i) {
      if (FLaidOut || !wrap)
        AddLine(text.StringRef(i));
      else
        WrapParagraph(scratch, text.StringRef(i));
    }
    e.LayoutHeight = FLayoutPos - x + GapX;
  }
  while (lines.Count() > FLayoutCount) lines.Delete(lines.Count() - 1);
}

void TfrMemoView::WrapParagraph(TCanvas& canvas, const std::string& text) {
  TfrLayoutCache& cache = frEngine().LayoutCache;
  const bool wordBreak = (Flags & flWordBreak) != 0;
  const std::vector<std::string>* lines = cache.Find(canvas, FLayoutWidth, wordBreak, text);
  if (lines == nullptr) {
    std::vector<std::string> wrapped;
    WrapMeasured(canvas, text, wrapped);
    lines = &cache.Add(canvas, FLayoutWidth, wordBreak, text, std::move(wrapped));
  }
  for (const std::string& line : *lines) AddLine(line);
}

void TfrMemoView::WrapMeasured(TCanvas& canvas, const std::string& text,
                               std::vector<std::string>& lines) const {
  const int avail = FLayoutWidth;
  // Short texts that fit need no per-character work; long ones are
  // measured once below.
  if (text.size() <= 256 && text.find_first_of("\r\n") == std::string::npos &&
      (Length(text) <= 1 || canvas.TextWidth(text) <= avail)) {
    lines.push_back(text + kParagraphEnd);
    return;
  }
  // Characters with their byte offsets, so lines are cut from `text` as it
  // stands.
  std::u32string s;
  std::vector<std::size_t> at;
  s.reserve(text.size());
  at.reserve(text.size() + 1);
  bool hasBreaks = false;
  for (std::size_t b = 0; b < text.size();) {
    at.push_back(b);
    const char32_t c = DecodeUtf8At(text, b);
    hasBreaks = hasBreaks || c == '\r' || c == '\n';
    s.push_back(c);
  }
  at.push_back(text.size());
  const int n = static_cast<int>(s.size());
  // Widths add up per character, so one measurement serves every part.
  const std::vector<int> adv = canvas.CharAdvances(text);
  std::vector<int> sum(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 0; i < n && i < static_cast<int>(adv.size()); ++i)
    sum[static_cast<std::size_t>(i) + 1] =
        sum[static_cast<std::size_t>(i)] + adv[static_cast<std::size_t>(i)];
  const auto ch = [&](int i) { return s[static_cast<std::size_t>(i - 1)]; };
  const auto width = [&](int from, int to) {  // characters from..to, 1-based
    return to < from ? 0
                     : sum[static_cast<std::size_t>(to)] - sum[static_cast<std::size_t>(from - 1)];
  };
  const auto part = [&](int from, int to) {
    if (to < from) return std::string();
    const std::size_t a = at[static_cast<std::size_t>(from - 1)];
    return text.substr(a, at[static_cast<std::size_t>(to)] - a);
  };
  if (!hasBreaks && (n <= 1 || width(1, n) <= avail)) {
    lines.push_back(text + kParagraphEnd);
    return;
  }
  const bool wordBreak = (Flags & flWordBreak) != 0;
  const int hyphen = canvas.TextWidth("-");
  int beg = 1, last = 1;
  int i = 1;
  while (i <= n) {
    const char32_t c = ch(i);
    if (c == '\r' || c == '\n') {
      lines.push_back(part(beg, i - 1) + kParagraphEnd);
      while (i <= n && (ch(i) == '\r' || ch(i) == '\n')) ++i;
      if (i > n) return;
      beg = last = i;
      continue;
    }
    if (c == ' ') {
      last = i++;
      continue;
    }
    if (width(beg, i) <= avail) {
      ++i;
      continue;
    }
    bool hadPoints = false;
    if (wordBreak) {
      int end = i;
      while (end <= n && !IsDelimiter(ch(end))) ++end;
      const int from = std::max(last, beg - 1) + 1;
      const std::vector<int> points = HyphenPoints(std::u32string_view(s).substr(
          static_cast<std::size_t>(from - 1), static_cast<std::size_t>(std::max(0, end - from))));
      hadPoints = !points.empty();
      int candidate = 0;
      for (int p : points) {
        if (width(beg, from - 1 + p) + hyphen > avail) break;
        candidate = p;
      }
      if (candidate > 0) {
        lines.push_back(part(beg, from - 1 + candidate) + "-");
        beg = last = from + candidate;
        i = beg;
        continue;
      }
    }
    // A blank before beg (last < beg) is no blank of this line.
    int breakAt;
    if (last >= beg && ch(last) == ' ') {
      breakAt = last;
    } else {
      breakAt = i;
      for (int k = i - 1; k >= beg; --k) {
        if (IsDelimiter(ch(k))) {
          breakAt = k + 1;
          break;
        }
      }
    }
    // A single character wider than the line still takes a line of its own.
    if (breakAt <= beg && ch(beg) != ' ') {
      if (beg == n) {  // the last character: it ends the paragraph below
        ++i;
        continue;
      }
      breakAt = beg + 1;
    }
    lines.push_back(part(beg, breakAt - 1));
    beg = breakAt <= n && ch(breakAt) == ' ' ? breakAt + 1 : breakAt;
    last = beg;
    i = wordBreak && hadPoints ? beg : std::max(i + 1, beg);
  }
  if (beg <= n) lines.push_back(part(beg, n) + kParagraphEnd);
}

void TfrMemoView::Draw(TCanvas& canvas) {
  FCanvas = &canvas;
  // A prepared page's object holds its (evaluated) text in Memo1.
  TStringList text;
  text.Assign(StreamMode != 0 ? static_cast<const TStrings&>(Memo1) : Memo);
  const bool autoWidth = (Flags & flAutoWidth) != 0 && !Designing();
  if (autoWidth && text.Count() > 0) {
    const int w = MeasureAutoWidth(text);
    if (Adjust & frtaVertical) {
      dy = w;
    } else {
      if (Adjust & 1) x = std::clamp(x + dx - w, -kfrMaxCoordinate, kfrMaxCoordinate);
      dx = w;
    }
  }
  frEngine().CurView = this;
  FFitOnly = false;
  Memo1.Assign(text);
  if (Memo1.Count() > 0) {
    FLaidOut = Memo1.Text().find(kParagraphEnd) != std::string::npos;
    if (Memo1[Memo1.Count() - 1] == std::string(1, kParagraphEnd)) Memo1.Delete(Memo1.Count() - 1);
    const double sx = ScaleX, sy = ScaleY;
    ScaleX = ScaleY = 1;
    ScaleCoords();
    if (autoWidth) dx += 100;
    LayoutText();
    ScaleX = sx, ScaleY = sy;
    RestoreCoords();
    Memo1.Assign(frEngine().LayoutList);
  }
  ScaleCoords();
  if (!FExporting) {
    ShowBackground(canvas);
    ShowFrame(canvas);
    DrawRuledLines();
  }
  if (Memo1.Count() > 0) DrawLaidOutText();
  canvas.SetTextCharacterExtra(0);
  RestoreCoords();
}

int TfrMemoView::CalcHeight() {
  TfrEngine& e = frEngine();
  if (!Continuation) Evaluate();
  // Measured in the style it prints in; the object keeps its own.
  const bool highlighted = FPrint.Highlighted;
  TScopeExit restoreStyle([this, highlighted, style = Font.Style()] {
    if (highlighted) Font.SetStyle(style);
  });
  if (highlighted) Font.SetStyle(StyleFromInt(Highlight.FontStyle));
  const TStringList& text = Continuation ? FRemainder : FPrint.Text;
  FLaidOut = Continuation;
  if (text.Count() == 0) return 0;
  ScaleCoords();
  // The lines go over the ones the last layout left in Memo1.
  LayoutText(text, Memo1);
  RestoreCoords();
  return e.LayoutHeight;
}

int TfrMemoView::CalcWidth() {
  if (FExpandingText) return dx;
  // Asked before this print evaluated the text (by its script): the text
  // as it stands now, evaluated aside.
  TStringList text;
  if (FPrint.Evaluated || FPrint.Replaced) {
    text.Assign(FPrint.Text);
  } else if (Flags & flTextOnly) {
    text.Assign(Memo);
  } else {
    TValueGuard<Variant> value(frEngine().CurValue, frEngine().CurValue);
    TFlagGuard expanding(FExpandingText);
    TStringList saved;
    saved.SwapItems(Memo1);
    TScopeExit restore([&] { Memo1.SwapItems(saved); });
    ExpandVariables(Memo);
    text.Assign(Memo1);
  }
  if (text.Count() == 0) return 0;
  FCanvas = &frScratchCanvas();
  return MeasureAutoWidth(text);
}

void TfrMemoView::ExportData() {
  TfrView::ExportData();
  TFlagGuard exporting(FExporting);
  Draw(frScratchCanvas());
}

void TfrMemoView::DrawLaidOutText() {
  TCanvas& canvas = *FCanvas;
  SetupCanvasFont(canvas);
  canvas.SetTextCharacterExtra(frScaled(CharSpacing * ScaleX));
  TfrEngine& e = frEngine();
  e.LayoutHeight = frScaled(e.LayoutHeight * ScaleY);
  if ((Adjust & (frtaMiddle | frtaDown)) == 0) {
    (Adjust & frtaVertical) ? DrawVertical() : DrawHorizontal();
    return;
  }
  const int savedAdjust = Adjust, sx = x, sy = y;
  const bool middle = (Adjust & frtaMiddle) != 0, down = (Adjust & frtaDown) != 0;
  Adjust &= 7;
  if (!(Adjust & frtaVertical)) {
    if (!FFitOnly && middle != down) {
      if (middle) y += (FDrawRect.Bottom - FDrawRect.Top - e.LayoutHeight) / 2;
      if (down) y = FDrawRect.Bottom - e.LayoutHeight - 1;
    }
  } else if (middle != down) {
    if (middle) x += (FDrawRect.Right - FDrawRect.Left - e.LayoutHeight) / 2;
    if (down) x = FDrawRect.Right - e.LayoutHeight;
  }
  TScopeExit restore([&] { Adjust = savedAdjust, x = sx, y = sy; });
  (Adjust & frtaVertical) ? DrawVertical() : DrawHorizontal();
}

void TfrMemoView::DrawHorizontal() {
  TCanvas& canvas = *FCanvas;
  const TRect clip{FDrawRect.Left + 1, FDrawRect.Top, FDrawRect.Right - 2, FDrawRect.Bottom - 1};
  FDrawnLines = 0;
  int top = y + GapY;
  const int step = -canvas.Font()->Height() + frScaled(LineSpacing * ScaleY);
  const int savedAdjust = Adjust;
  if (Designing() && Memo1.Count() == 1 && !Memo1[0].empty() && Memo1[0][0] == '[' &&
      canvas.TextWidth(Memo1[0]) > clip.Right - clip.Left)
    Adjust = frtaRight;
  const unsigned options = ETO_CLIPPED | ((Flags & flRTLReading) ? ETO_RTLREADING : 0);
  const int W = FDrawRect.Right - FDrawRect.Left;
  const int count = Memo1.Count();
  for (int i = 0; i < count; ++i) {
    if (FFitOnly && top + step > clip.Bottom) break;
    bool paragraphEnd;
    const std::string line = WithoutMarker(Memo1[i], paragraphEnd);
    const int w = canvas.TextWidth(line);
    int lx = x + GapX;
    bool justified = false;
    switch (Adjust & 3) {
      case frtaRight:
        lx = x + W - 1 - GapX - w;
        break;
      case frtaCenter:
        lx = x + GapX + (W - 2 * GapX - w) / 2;
        break;
      case 3:
        if (!FExporting && !paragraphEnd && Blanks(line) > 0) {
          canvas.SetTextJustification(W - 2 * GapX - w, Blanks(line));
          justified = true;
        }
        break;
      default:
        break;
    }
    if (!FExporting) {
      canvas.ExtTextOut(lx, top, options, &clip, line);
    } else if (frEngine().CurReport != nullptr) {
      int sides = FrameTyp;
      if (count > 1) {
        if (i == 0)
          sides &= ~frbBottom;
        else if (i == count - 1)
          sides &= ~frbTop;
        else
          sides &= ~(frbTop | frbBottom);
      }
      frEngine().CurReport->ExportText(FDrawRect, lx, top, line, sides, this);
    }
    if (justified) canvas.SetTextJustification(0, 0);
    ++FDrawnLines;
    top = Advance(top, step);
  }
  Adjust = savedAdjust;
}

void TfrMemoView::DrawVertical() {
  TCanvas& canvas = *FCanvas;
  TFont saved;
  saved.Assign(canvas.Font());
  canvas.SetFont(CreateRotatedFont(saved).get());
  const TRect clip{FDrawRect.Left + 1, FDrawRect.Top, FDrawRect.Right - 2, FDrawRect.Bottom - 1};
  const unsigned options = ETO_CLIPPED | ((Flags & flRTLReading) ? ETO_RTLREADING : 0);
  FDrawnLines = 0;
  int left = x + GapX;
  const int step = -canvas.Font()->Height() + frScaled(LineSpacing * ScaleX);
  const int H = FDrawRect.Bottom - FDrawRect.Top;
  {
    TFinallyGuard restoreFont([&] { canvas.SetFont(&saved); });
    for (int i = 0; i < Memo1.Count(); ++i) {
      bool paragraphEnd;
      const std::string line = WithoutMarker(Memo1[i], paragraphEnd);
      const int w = canvas.TextWidth(line);
      int ty = FDrawRect.Bottom - GapY;
      bool justified = false;
      switch (Adjust & 3) {
        case 1:
          ty = y + GapY + w;
          break;
        case 2:
          ty = FDrawRect.Bottom - 1 - GapY - (H - 2 * GapY - w) / 2;
          break;
        case 3:
          ty = H + y - GapY;
          if (!FExporting && !paragraphEnd && Blanks(line) > 0) {
            canvas.SetTextJustification(H - 2 * GapY - w, Blanks(line));
            justified = true;
          }
          break;
        default:
          break;
      }
      if (!FExporting)
        canvas.ExtTextOut(left, ty, options, &clip, line);
      else if (frEngine().CurReport != nullptr)
        frEngine().CurReport->ExportText(FDrawRect, left, ty, line, 0, this);
      if (justified) canvas.SetTextJustification(0, 0);
      ++FDrawnLines;
      left = Advance(left, step);
    }
  }
}

void TfrMemoView::DrawRuledLines() {
  if (!(Flags & flUnderlines) || FExporting) return;
  TCanvas& canvas = *FCanvas;
  SetupCanvasFont(canvas);
  canvas.Pen()->SetColor(FrameColor);
  canvas.Pen()->SetWidth(static_cast<int>(Round(FrameWidth)));
  canvas.Pen()->SetStyle(psSolid);
  const int pixel = -canvas.Font()->Height();
  const int step = pixel + frScaled(LineSpacing * ScaleY);
  if (step <= 0) return;
  const int offset = pixel + frScaled(2 * ScaleY);
  // Only the rules inside the object and the canvas's clip: a tall object
  // of thin lines would otherwise draw millions that nobody sees.
  const TRect clip = canvas.ClipRect();
  const std::int64_t top = std::max(y, clip.Top), bottom = std::min(y + dy, clip.Bottom);
  const std::int64_t first = std::int64_t{y} + GapY + offset;
  const std::int64_t n = dy / step;
  const std::int64_t from = std::max<std::int64_t>(0, (top - first) / step);
  const std::int64_t to = std::min<std::int64_t>(n, (bottom - first) / step + 1);
  for (std::int64_t k = from; k < to; ++k) {
    const int ry = static_cast<int>(first + k * step);
    canvas.MoveTo(x, ry);
    canvas.LineTo(x + dx - 1, ry);
  }
}

int TfrMemoView::MeasureAutoWidth(const TStrings& memo) {
  std::string text;
  for (int i = 0; i < memo.Count(); ++i) text += memo[i] + "\r\n";
  text.erase(std::remove(text.begin(), text.end(), kParagraphEnd), text.end());
  if (Length(text) > 2 && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  TCanvas& canvas = *FCanvas;
  SetupCanvasFont(canvas);
  canvas.SetTextCharacterExtra(static_cast<int>(Round(CharSpacing * ScaleX)));
  TRect r{0, 0, dx, dy};
  DrawText(canvas, text, r, DT_CALCRECT);
  // A page holds no wider object, whatever the spacing asks for.
  return std::clamp(frScaled(r.Right / ScaleX + FrameWidth + 2.0 * GapX + 1), -kfrMaxCoordinate,
                    kfrMaxCoordinate);
}
