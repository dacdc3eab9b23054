#include "platform/widgets/std_edit.h"

#include <algorithm>
#include <optional>

#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/cursors.h"
#include "platform/gui/scrolling.h"
#include "platform/gui/services.h"

namespace {

// Room between the border and the text (the default formatting rectangle);
// list boxes start their text at the same column.
constexpr int kMarginX = 3;
constexpr int kMarginY = 2;

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n'; }
bool IsBreak(char32_t c) { return c == U'\r' || c == U'\n'; }

// The measuring canvas with a font, restored when done.
class TMeasure {
 public:
  explicit TMeasure(const TFont* font) : FCanvas(MeasureCanvas()), FSaver(FCanvas) {
    FCanvas.SetFont(font);
  }
  TCanvas& operator*() { return FCanvas; }
  TCanvas* operator->() { return &FCanvas; }

 private:
  TCanvas& FCanvas;
  TCanvasStateSaver FSaver;
};

}  // namespace

TCustomEdit::TCustomEdit(TComponent* owner) : TCustomControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetCursor(crIBeam);
  SetBounds(0, 0, 121, AutoHeight());
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  static constexpr std::uint32_t kAlign[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  params.Style |= kAlign[FAlignment];
  if (FMultiLine) params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!FWordWrap) params.Style |= ES_AUTOHSCROLL;
  if (FCharCase == ecUpperCase) params.Style |= ES_UPPERCASE;
  if (FCharCase == ecLowerCase) params.Style |= ES_LOWERCASE;
  if (FPasswordChar != 0) params.Style |= ES_PASSWORD;
  if (FReadOnly) params.Style |= ES_READONLY;
  if (!FHideSelection) params.Style |= ES_NOHIDESEL;
  if (FVertBar) params.Style |= WS_VSCROLL;
  if (FHorzBar) params.Style |= WS_HSCROLL;
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
  TCustomControl::CreateWnd();
  // A new window's bars have the default range: the text may have come first.
  UpdateScrollBars();
}

// ---------------------------------------------------------------- text

void TCustomEdit::SetText(const std::string& value) {
  if (value == FTextCache) return;
  TState s;
  s.Text = ApplyCharCase(Utf8ToUtf32(value));
  FUndoValid = false;
  FTypingGroup = false;
  FScrollX = 0;
  FTopLine = 0;
  FModified = false;
  SetState(s, false);
}

void TCustomEdit::SetState(const TState& s, bool byUser) {
  FChars = s.Text;
  FSelStart = std::clamp(s.SelStart, 0, Len());
  FSelEnd = std::clamp(s.SelEnd, 0, Len());
  FCaretX = -1;
  CommitText(byUser);
}

void TCustomEdit::CommitText(bool byUser) {
  FTextCache = Utf32ToUtf8(FChars);
  FLayoutValid = false;
  if (byUser) FModified = true;
  TextChanged();
  ScrollCaret();
  Change();
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

bool TCustomEdit::EditCanModify() { return !FReadOnly; }

std::u32string TCustomEdit::ApplyCharCase(std::u32string s) const {
  if (FCharCase == ecUpperCase) {
    for (char32_t& c : s) c = AnsiUpperCaseChar(c);
  } else if (FCharCase == ecLowerCase) {
    for (char32_t& c : s) c = AnsiLowerCaseChar(c);
  }
  return s;
}

bool TCustomEdit::ReplaceSel(const std::string& text, bool canUndo, bool limit, bool byUser) {
  std::u32string u = ApplyCharCase(Utf8ToUtf32(text));
  // A single line takes the first line of what is inserted.
  if (!FMultiLine) {
    auto cut = std::find_if(u.begin(), u.end(), IsBreak);
    u.erase(cut, u.end());
  }
  if (limit && FMaxLength > 0) {
    int room = std::max(0, FMaxLength - (Len() - SelLength()));
    if (static_cast<int>(u.size()) > room) u.resize(static_cast<std::size_t>(room));
    if (u.empty() && !text.empty()) {
      Beep();
      return false;
    }
  }
  if (canUndo) BeginUndoStep(false);
  int a = SelStart();
  FChars.replace(static_cast<std::size_t>(a), static_cast<std::size_t>(SelLength()), u);
  FSelStart = FSelEnd = a + static_cast<int>(u.size());
  FCaretX = -1;
  CommitText(byUser);
  return true;
}

void TCustomEdit::BeginUndoStep(bool typing) {
  if (!(typing && FTypingGroup)) {
    FUndo = TState{FChars, FSelStart, FSelEnd};
    FUndoValid = true;
  }
  FTypingGroup = typing;
}

void TCustomEdit::Beep() { MessageBeep(0); }

// ----------------------------------------------------------- selection

void TCustomEdit::SetSel(int start, int end) {
  if (start < 0) start = end;  // -1: no selection
  if (end < 0) end = Len();
  FSelStart = std::clamp(start, 0, Len());
  FSelEnd = std::clamp(end, 0, Len());
  FCaretX = -1;
  EndUndoGroup();
  ScrollCaret();
}

void TCustomEdit::SetSelStart(int value) { SetSel(value, value); }

void TCustomEdit::SetSelLength(int value) {
  int a = SelStart();
  SetSel(a, a + std::max(value, 0));
}

std::string TCustomEdit::SelText() const {
  return Utf32ToUtf8(std::u32string_view(FChars).substr(static_cast<std::size_t>(SelStart()),
                                                        static_cast<std::size_t>(SelLength())));
}

void TCustomEdit::SetSelText(const std::string& value) { ReplaceSel(value, true, false, false); }

void TCustomEdit::SelectAll() { SetSel(0, Len()); }

void TCustomEdit::ClearSelection() { Perform(WM_CLEAR); }
void TCustomEdit::Clear() { SetText(""); }
void TCustomEdit::CutToClipboard() { Perform(WM_CUT); }
void TCustomEdit::CopyToClipboard() { Perform(WM_COPY); }
void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE); }
void TCustomEdit::Undo() { Perform(WM_UNDO); }

// ---------------------------------------------------------- properties

void TCustomEdit::SetMaxLength(int value) { FMaxLength = std::max(value, 0); }

void TCustomEdit::SetReadOnly(bool value) {
  if (value == FReadOnly) return;
  FReadOnly = value;
  Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  if (value == FCharCase) return;
  FCharCase = value;
  std::u32string converted = ApplyCharCase(FChars);
  if (converted != FChars) SetState(TState{converted, FSelStart, FSelEnd}, false);
}

void TCustomEdit::SetPasswordChar(char32_t value) {
  if (value == FPasswordChar) return;
  FPasswordChar = value;
  FLayoutValid = false;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TCustomEdit::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustHeight();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool value) {
  if (value == FHideSelection) return;
  FHideSelection = value;
  Invalidate();
}

void TCustomEdit::SetMultiLine(bool value) {
  if (value == FMultiLine) return;
  FMultiLine = value;
  FLayoutValid = false;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetWordWrapInternal(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  FLayoutValid = false;
  FScrollX = 0;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetScrollBarsInternal(bool vertical, bool horizontal) {
  if (vertical == FVertBar && horizontal == FHorzBar) return;
  FVertBar = vertical;
  FHorzBar = horizontal;
  FLayoutValid = false;
  if (HandleAllocated()) RecreateWnd();
}

int TCustomEdit::AutoHeight() {
  TMeasure m(Font());
  int extra = FBorderStyle == bsSingle ? 8 : 2;
  return m->TextMetrics().tmHeight + extra;
}

void TCustomEdit::AdjustHeight() {
  if (FAutoSize && !FMultiLine) SetHeight(AutoHeight());
}

void TCustomEdit::Resize() {
  // As the classic control: a new size resets the formatting rectangle.
  FHasFormatRect = false;
  FLayoutValid = false;
  ScrollCaret();
  TCustomControl::Resize();
}

// -------------------------------------------------------------- layout

TRect TCustomEdit::FormatRect() const { return FHasFormatRect ? FFormatRect : DefaultFormatRect(); }

TRect TCustomEdit::DefaultFormatRect() const {
  TRect r = ClientRect();
  InflateRect(r, -kMarginX, -kMarginY);
  return r;
}

int TCustomEdit::LineHeight() {
  TMeasure m(Font());
  return std::max(1, m->TextMetrics().tmHeight);
}

std::u32string TCustomEdit::DisplayChars(int start, int count) const {
  if (FPasswordChar != 0) return std::u32string(static_cast<std::size_t>(count), FPasswordChar);
  return FChars.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

int TCustomEdit::TextWidthOf(int start, int count) {
  if (count <= 0) return 0;
  TMeasure m(Font());
  return m->TextWidth(Utf32ToUtf8(DisplayChars(start, count)));
}

void TCustomEdit::EnsureLayout() {
  if (!FLayoutValid) Relayout();
}

void TCustomEdit::Relayout() {
  FLayoutValid = true;
  FLines.clear();
  if (!FMultiLine) {
    FLines.push_back({0, Len()});
    return;
  }
  int width = FormatRect().Width();
  TMeasure m(Font());
  int p = 0;
  int n = Len();
  while (true) {
    int end = p;
    while (end < n && !IsBreak(FChars[static_cast<std::size_t>(end)])) ++end;
    // The paragraph [p, end), broken at blanks when wrapping.
    if (FWordWrap && end > p && width > 0) {
      std::vector<int> adv = m->CharAdvances(Utf32ToUtf8(DisplayChars(p, end - p)));
      int start = p;
      while (start < end) {
        int x = 0;
        int i = start;
        while (i < end && (i == start || x + adv[static_cast<std::size_t>(i - p)] <= width ||
                           FChars[static_cast<std::size_t>(i)] == U' ')) {
          x += adv[static_cast<std::size_t>(i - p)];
          ++i;
        }
        if (i < end) {
          // Break after the last blank of the line, if there is one.
          int b = i;
          while (b > start && FChars[static_cast<std::size_t>(b - 1)] != U' ') --b;
          if (b > start) i = b;
        }
        FLines.push_back({start, i - start});
        start = i;
      }
    } else {
      FLines.push_back({p, end - p});
    }
    if (end >= n) break;
    // CR LF, CR or LF ends the line.
    p = end + 1;
    if (FChars[static_cast<std::size_t>(end)] == U'\r' && p < n &&
        FChars[static_cast<std::size_t>(p)] == U'\n')
      ++p;
    if (p >= n) {
      FLines.push_back({p, 0});
      break;
    }
  }
  if (FLines.empty()) FLines.push_back({0, 0});
}

int TCustomEdit::LineCount() {
  EnsureLayout();
  return static_cast<int>(FLines.size());
}

int TCustomEdit::LineStart(int line) {
  EnsureLayout();
  line = std::clamp(line, 0, static_cast<int>(FLines.size()) - 1);
  return FLines[static_cast<std::size_t>(line)].Start;
}

int TCustomEdit::LineLength(int line) {
  EnsureLayout();
  line = std::clamp(line, 0, static_cast<int>(FLines.size()) - 1);
  return FLines[static_cast<std::size_t>(line)].Length;
}

int TCustomEdit::LineOfChar(int pos) {
  EnsureLayout();
  auto it = std::upper_bound(FLines.begin(), FLines.end(), pos,
                             [](int p, const TLine& l) { return p < l.Start; });
  int line = static_cast<int>(it - FLines.begin()) - 1;
  return std::max(line, 0);
}

int TCustomEdit::LineX(int line) {
  TRect r = FormatRect();
  int w = TextWidthOf(LineStart(line), LineLength(line));
  int offset = 0;
  if (FAlignment != taLeftJustify && w < r.Width() && FScrollX == 0) {
    offset = r.Width() - w - 1;
    if (FAlignment == taCenter) offset /= 2;
  }
  return r.Left - FScrollX + std::max(offset, 0);
}

int TCustomEdit::XToChar(int line, int x) {
  int start = LineStart(line);
  int len = LineLength(line);
  TMeasure m(Font());
  std::vector<int> adv = m->CharAdvances(Utf32ToUtf8(DisplayChars(start, len)));
  int cx = LineX(line);
  for (int i = 0; i < len; ++i) {
    int w = adv[static_cast<std::size_t>(i)];
    if (x < cx + (w + 1) / 2) return start + i;
    cx += w;
  }
  return start + len;
}

TPoint TCustomEdit::PosFromChar(int pos) {
  pos = std::clamp(pos, 0, Len());
  int line = LineOfChar(pos);
  int start = LineStart(line);
  int inLine = std::min(pos - start, LineLength(line));
  TRect r = FormatRect();
  int lh = LineHeight();
  int y = r.Top + (line - FTopLine) * lh;
  if (!FMultiLine) y = r.Top + std::max(0, (r.Height() - lh) / 2);
  return {LineX(line) + TextWidthOf(start, inLine), y};
}

int TCustomEdit::CharFromPos(TPoint p) {
  TRect r = FormatRect();
  int line = 0;
  if (FMultiLine) {
    int lh = LineHeight();
    int dy = p.Y - r.Top;
    line = FTopLine + (dy < 0 ? -1 : dy / lh);
    line = std::clamp(line, 0, LineCount() - 1);
  }
  return XToChar(line, p.X);
}

void TCustomEdit::ScrollCaret() {
  EnsureLayout();
  TRect r = FormatRect();
  int line = LineOfChar(FSelEnd);
  if (!FWordWrap) {
    int start = LineStart(line);
    int caretX = TextWidthOf(start, std::min(FSelEnd - start, LineLength(line)));
    int view = std::max(r.Width(), 1);
    if (caretX - FScrollX < 0) {
      FScrollX = std::max(0, caretX - view / 4);
    } else if (caretX - FScrollX > view - 1) {
      FScrollX = caretX - view + view / 4;
    }
    // Give back what the text no longer needs.
    int widest = 0;
    if (FMultiLine) {
      for (int i = 0; i < LineCount(); ++i)
        widest = std::max(widest, TextWidthOf(LineStart(i), LineLength(i)));
    } else {
      widest = TextWidthOf(0, Len());
    }
    FScrollX = std::clamp(FScrollX, 0, std::max(0, widest + 1 - view));
  } else {
    FScrollX = 0;
  }
  if (FMultiLine) {
    int visible = std::max(1, r.Height() / LineHeight());
    if (line < FTopLine) FTopLine = line;
    if (line >= FTopLine + visible) FTopLine = line - visible + 1;
    FTopLine = std::clamp(FTopLine, 0, std::max(0, LineCount() - 1));
  }
  UpdateScrollBars();
  Invalidate();
}

void TCustomEdit::UpdateScrollBars() {
  if (!HandleAllocated() || FUpdatingScrollBars) return;
  FUpdatingScrollBars = true;
  TRect r = FormatRect();
  if (FVertBar) {
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMax = LineCount() - 1;
    si.nPage = static_cast<unsigned>(std::max(1, r.Height() / LineHeight()));
    si.nPos = FTopLine;
    SetScrollInfo(Handle(), SB_VERT, si);
  }
  if (FHorzBar) {
    int widest = 0;
    for (int i = 0; i < LineCount(); ++i)
      widest = std::max(widest, TextWidthOf(LineStart(i), LineLength(i)));
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMax = widest;
    si.nPage = static_cast<unsigned>(std::max(1, r.Width()));
    si.nPos = FScrollX;
    SetScrollInfo(Handle(), SB_HORZ, si);
  }
  FUpdatingScrollBars = false;
}

void TCustomEdit::ScrollMessage(TMessage& message, bool vertical) {
  TWMScroll s{message};
  TRect r = FormatRect();
  int page = vertical ? std::max(1, r.Height() / LineHeight()) : std::max(1, r.Width());
  int line = vertical ? 1 : std::max(1, TMeasure(Font())->TextMetrics().tmAveCharWidth);
  TScrollAxis axis{.Position = vertical ? FTopLine : FScrollX, .Line = line, .Page = page};
  if (vertical) {
    axis.Max = LineCount() - page;
  } else {
    int widest = 0;
    for (int i = 0; i < LineCount(); ++i)
      widest = std::max(widest, TextWidthOf(LineStart(i), LineLength(i)));
    axis.Max = widest + 1 - page;
  }
  const int bar = vertical ? SB_VERT : SB_HORZ;
  std::optional<int> pos = ScrollTarget(
      s.ScrollCode(), ThumbPosition(HandleAllocated() ? Handle() : nullptr, bar, s.Pos()), axis);
  if (!pos) return;
  (vertical ? FTopLine : FScrollX) = *pos;
  UpdateScrollBars();
  Invalidate();
}

// ------------------------------------------------------------ painting

void TCustomEdit::Paint() {
  TCanvas& c = *Canvas();
  c.FillSolidRect(ClientRect(), Color());
  TRect r = FormatRect();
  TCanvasStateSaver saver(c);
  c.IntersectClipRect(r);
  c.SetBkMode(TRANSPARENT);
  int lh = LineHeight();
  bool focused = Focused();
  bool showSel = (focused || !FHideSelection) && SelLength() > 0;
  int a = SelStart();
  int b = a + SelLength();
  int first = FMultiLine ? FTopLine : 0;
  int last = FMultiLine ? std::min(LineCount() - 1, FTopLine + r.Height() / lh + 1) : 0;
  for (int line = first; line <= last; ++line) {
    int start = LineStart(line);
    int len = LineLength(line);
    TPoint origin = PosFromChar(start);
    origin.X = LineX(line);
    std::string text = Utf32ToUtf8(DisplayChars(start, len));
    c.SetTextColor(Enabled() ? Font()->Color() : clGrayText);
    c.TextOut(origin.X, origin.Y, text);
    if (showSel && b > start && a <= start + len) {
      int sa = std::max(a, start);
      int sb = std::min(b, start + len);
      int x1 = origin.X + TextWidthOf(start, sa - start);
      int x2 = x1 + TextWidthOf(sa, sb - sa);
      // A selected line break shows as a little room after the line.
      if (b > start + len && FMultiLine) x2 += std::max(2, lh / 4);
      c.FillSolidRect(Rect(x1, origin.Y, x2, origin.Y + lh), clHighlight);
      c.SetTextColor(clHighlightText);
      c.TextOut(x1, origin.Y, Utf32ToUtf8(DisplayChars(sa, sb - sa)));
    }
  }
  if (focused) {
    TPoint p = PosFromChar(FSelEnd);
    c.FillSolidRect(Rect(p.X, p.Y, p.X + 1, p.Y + lh), clWindowText);
  }
}

// ------------------------------------------------------------- editing

void TCustomEdit::MoveCaret(int pos, bool extend) {
  pos = std::clamp(pos, 0, Len());
  if (!extend) FSelStart = pos;
  FSelEnd = pos;
  EndUndoGroup();
  ScrollCaret();
}

int TCustomEdit::WordLeft(int pos) const {
  while (pos > 0 && IsBlank(FChars[static_cast<std::size_t>(pos - 1)])) --pos;
  while (pos > 0 && !IsBlank(FChars[static_cast<std::size_t>(pos - 1)])) --pos;
  return pos;
}

int TCustomEdit::WordRight(int pos) const {
  int n = Len();
  while (pos < n && !IsBlank(FChars[static_cast<std::size_t>(pos)])) ++pos;
  while (pos < n && IsBlank(FChars[static_cast<std::size_t>(pos)])) ++pos;
  return pos;
}

void TCustomEdit::SelectWordAt(int pos) {
  if (FPasswordChar != 0) {
    SelectAll();
    return;
  }
  int n = Len();
  int a = pos;
  int b = pos;
  while (a > 0 && !IsBlank(FChars[static_cast<std::size_t>(a - 1)])) --a;
  while (b < n && !IsBlank(FChars[static_cast<std::size_t>(b)])) ++b;
  while (b < n && (FChars[static_cast<std::size_t>(b)] == U' ' ||
                   FChars[static_cast<std::size_t>(b)] == U'\t'))
    ++b;
  SetSel(a, b);
}

void TCustomEdit::DeleteChars(bool forward, bool word) {
  if (!EditCanModify()) {
    Beep();
    return;
  }
  if (SelLength() == 0) {
    int caret = FSelEnd;
    int n = Len();
    auto at = [this](int i) { return FChars[static_cast<std::size_t>(i)]; };
    int other = caret;
    if (forward) {
      if (word) {
        other = WordRight(caret);
      } else if (caret < n) {
        other = caret + (at(caret) == U'\r' && caret + 1 < n && at(caret + 1) == U'\n' ? 2 : 1);
      }
    } else if (caret > 0) {
      other = caret - (at(caret - 1) == U'\n' && caret > 1 && at(caret - 2) == U'\r' ? 2 : 1);
    }
    if (other == caret) return;
    FSelStart = other;
  }
  BeginUndoStep(true);
  ReplaceSel("", false, false);
}

void TCustomEdit::KeyDownDefault(unsigned key, TShiftState shift) {
  bool sh = shift.Contains(ssShift);
  bool ctrl = shift.Contains(ssCtrl);
  int caret = FSelEnd;
  int n = Len();
  auto at = [this](int i) { return FChars[static_cast<std::size_t>(i)]; };
  auto collapse = [&](bool left) {
    int p = left ? SelStart() : SelStart() + SelLength();
    MoveCaret(p, false);
  };
  auto vertical = [&](int lines) {
    int line = LineOfChar(caret);
    if (FCaretX < 0) FCaretX = PosFromChar(caret).X;
    int target = std::clamp(line + lines, 0, LineCount() - 1);
    int keepX = FCaretX;
    int pos = target == line && lines < 0 ? 0 : XToChar(target, keepX);
    if (target == line && lines > 0) pos = n;
    if (!FMultiLine) pos = lines < 0 ? caret - 1 : caret + 1;
    MoveCaret(pos, sh);
    FCaretX = FMultiLine ? keepX : -1;
  };
  switch (key) {
    case VK_LEFT:
      if (!sh && SelLength() > 0 && !ctrl) {
        collapse(true);
      } else if (ctrl) {
        MoveCaret(WordLeft(caret), sh);
      } else if (caret > 0) {
        MoveCaret(caret - (at(caret - 1) == U'\n' && caret > 1 && at(caret - 2) == U'\r' ? 2 : 1),
                  sh);
      }
      break;
    case VK_RIGHT:
      if (!sh && SelLength() > 0 && !ctrl) {
        collapse(false);
      } else if (ctrl) {
        MoveCaret(WordRight(caret), sh);
      } else if (caret < n) {
        MoveCaret(caret + (at(caret) == U'\r' && caret + 1 < n && at(caret + 1) == U'\n' ? 2 : 1),
                  sh);
      }
      break;
    case VK_HOME:
      MoveCaret(ctrl ? 0 : LineStart(LineOfChar(caret)), sh);
      break;
    case VK_END: {
      int line = LineOfChar(caret);
      MoveCaret(ctrl ? n : LineStart(line) + LineLength(line), sh);
      break;
    }
    case VK_UP:
      vertical(-1);
      break;
    case VK_DOWN:
      vertical(1);
      break;
    case VK_PRIOR:
    case VK_NEXT:
      if (FMultiLine) {
        int page = std::max(1, FormatRect().Height() / LineHeight());
        int delta = key == VK_PRIOR ? -page : page;
        FTopLine = std::clamp(FTopLine + delta, 0, std::max(0, LineCount() - page));
        vertical(delta);
      }
      break;
    case VK_DELETE:
      if (sh) {
        Perform(WM_CUT);
      } else {
        DeleteChars(true, ctrl);
      }
      break;
    case VK_INSERT:
      if (ctrl) Perform(WM_COPY);
      if (sh) Perform(WM_PASTE);
      break;
    default:
      break;
  }
}

void TCustomEdit::CharDefault(char32_t ch) {
  switch (ch) {
    case 3:
      Perform(WM_COPY);
      return;
    case 22:
      Perform(WM_PASTE);
      return;
    case 24:
      Perform(WM_CUT);
      return;
    case 26:
      Perform(WM_UNDO);
      return;
    case 8:
      DeleteChars(false, false);
      return;
    case 13:
    case 10:
      if (!FMultiLine || (ch == 13 && !InsertsReturns())) return;
      break;
    case 9:
      if (!InsertsTabs()) return;
      break;
    default:
      if (ch < 32 || ch == 127) return;
      break;
  }
  if (!EditCanModify()) {
    Beep();
    return;
  }
  std::string text;
  if (ch == 13 || ch == 10) {
    text = "\r\n";
  } else {
    AppendUtf8(text, ch);
  }
  if (FMaxLength > 0 && Len() - SelLength() + Length(text) > FMaxLength) {
    Beep();
    return;
  }
  BeginUndoStep(true);
  ReplaceSel(text, false);
}

// ------------------------------------------------------------ messages

void TCustomEdit::DoEnter() {
  if (FAutoSelect && !FClickFocusing && !FMultiLine) SelectAll();
  TCustomControl::DoEnter();
}

void TCustomEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    int pos = CharFromPos({x, y});
    if (shift.Contains(ssDouble)) {
      SelectWordAt(pos);
      FMouseSelecting = false;
    } else {
      MoveCaret(pos, shift.Contains(ssShift));
      FMouseSelecting = true;
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomEdit::MouseMove(TShiftState shift, int x, int y) {
  if (FMouseSelecting && shift.Contains(ssLeft)) MoveCaret(CharFromPos({x, y}), true);
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) FMouseSelecting = false;
  TCustomControl::MouseUp(button, shift, x, y);
}

void TCustomEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      // Lines take Enter; Esc undoes nothing here and goes to the dialog.
      if (FMultiLine && message.WParam != VK_ESCAPE) message.Result |= DLGC_WANTALLKEYS;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // Focus that comes with a click does not select everything.
      {
        TFlagGuard clickFocusing(FClickFocusing);
        TCustomControl::WndProc(message);
      }
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      FMouseSelecting = false;
      EndUndoGroup();
      Invalidate();
      break;
    case CM_FONTCHANGED:
      FLayoutValid = false;
      AdjustHeight();
      break;
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
      ScrollMessage(message, message.Msg == WM_VSCROLL);
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

void TCustomEdit::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_KEYDOWN: {
      TWMKey key{message};
      KeyDownDefault(key.CharCode(), KeyDataToShiftState(key.KeyData()));
      return;
    }
    case WM_CHAR:
      CharDefault(static_cast<char32_t>(message.WParam));
      return;
    case WM_SETTEXT:
      if (auto* in = LParamAs<const std::string>(message.LParam)) SetText(*in);
      message.Result = 1;
      return;
    case WM_GETTEXT:
      if (auto* out = LParamAs<std::string>(message.LParam)) *out = FTextCache;
      message.Result = static_cast<LRESULT>(FTextCache.size());
      return;
    case WM_GETTEXTLENGTH:
      message.Result = static_cast<LRESULT>(FTextCache.size());
      return;
    case WM_COPY:
      if (FPasswordChar == 0 && SelLength() > 0) SetClipboardText(SelText());
      return;
    case WM_CUT:
      if (FPasswordChar != 0 || SelLength() == 0) return;
      if (!EditCanModify()) {
        Beep();
        return;
      }
      SetClipboardText(SelText());
      ReplaceSel("", true, false);
      return;
    case WM_PASTE: {
      if (!EditCanModify()) {
        Beep();
        return;
      }
      std::string text = GetClipboardText();
      if (!text.empty()) ReplaceSel(text, true);
      return;
    }
    case WM_CLEAR:
      if (SelLength() == 0) return;
      if (!EditCanModify()) {
        Beep();
        return;
      }
      ReplaceSel("", true, false);
      return;
    case WM_UNDO:
    case EM_UNDO:
      message.Result = 0;
      if (!FUndoValid || !EditCanModify()) return;
      {
        TState current{FChars, FSelStart, FSelEnd};
        TState undo = FUndo;
        FUndo = current;
        FTypingGroup = false;
        SetState(undo, true);
      }
      message.Result = 1;
      return;
    case EM_CANUNDO:
      message.Result = FUndoValid ? 1 : 0;
      return;
    case EM_EMPTYUNDOBUFFER:
      ClearUndo();
      return;
    case EM_GETSEL: {
      int a = SelStart();
      int b = a + SelLength();
      if (auto* p = reinterpret_cast<int*>(message.WParam)) *p = a;
      if (auto* p = reinterpret_cast<int*>(message.LParam)) *p = b;
      message.Result = MakeLong(a, b);
      return;
    }
    case EM_SETSEL:
      SetSel(static_cast<int>(message.WParam), static_cast<int>(message.LParam));
      return;
    case EM_REPLACESEL:
      if (auto* in = LParamAs<const std::string>(message.LParam))
        ReplaceSel(*in, message.WParam != 0, false, false);
      return;
    case EM_SETREADONLY:
      SetReadOnly(message.WParam != 0);
      message.Result = 1;
      return;
    case EM_LIMITTEXT:
      SetMaxLength(static_cast<int>(message.WParam));
      return;
    case EM_GETLIMITTEXT:
      message.Result = FMaxLength;
      return;
    case EM_SCROLLCARET:
      ScrollCaret();
      message.Result = 1;
      return;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (auto* r = LParamAs<const TRect>(message.LParam)) {
        FFormatRect = *r;
        FHasFormatRect = true;
      } else {
        FHasFormatRect = false;
      }
      FLayoutValid = false;
      Invalidate();
      return;
    case EM_GETRECT:
      if (auto* r = LParamAs<TRect>(message.LParam)) *r = FormatRect();
      return;
    case EM_GETMODIFY:
      message.Result = FModified ? 1 : 0;
      return;
    case EM_SETMODIFY:
      FModified = message.WParam != 0;
      return;
    case EM_SETPASSWORDCHAR:
      SetPasswordChar(static_cast<char32_t>(message.WParam));
      return;
    case EM_GETLINECOUNT:
      message.Result = LineCount();
      return;
    case EM_GETFIRSTVISIBLELINE:
      message.Result = FTopLine;
      return;
    case EM_LINEINDEX: {
      int line = static_cast<int>(message.WParam);
      if (line < 0) line = LineOfChar(FSelEnd);
      message.Result = line < LineCount() ? LineStart(line) : -1;
      return;
    }
    case EM_LINEFROMCHAR: {
      int pos = static_cast<int>(message.WParam);
      message.Result = LineOfChar(pos < 0 ? FSelEnd : pos);
      return;
    }
    case EM_LINELENGTH: {
      int pos = static_cast<int>(message.WParam);
      message.Result = LineLength(LineOfChar(pos < 0 ? FSelEnd : pos));
      return;
    }
    case EM_POSFROMCHAR:
      message.Result = PointToLParam(PosFromChar(static_cast<int>(message.WParam)));
      return;
    case EM_CHARFROMPOS: {
      int pos = CharFromPos(LParamToPoint(message.LParam));
      message.Result = MakeLong(pos, LineOfChar(pos));
      return;
    }
    default:
      break;
  }
  TCustomControl::DefaultHandler(message);
}
