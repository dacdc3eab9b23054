#include "platform/widgets/menus.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"

namespace {

constexpr int kMenuFrame = 3;  // border (1) and padding (2) of a drop-down
constexpr int kSeparatorHeight = 8;
constexpr int kMinItemHeight = 18;
constexpr int kMinGutter = 22;      // the check/image column
constexpr int kTextGap = 6;         // between the gutter and the text
constexpr int kShortCutGap = 24;    // between the text and the shortcut
constexpr int kArrowWidth = 16;     // the submenu arrow column
constexpr int kBarItemPadding = 7;  // left and right of a bar item's text

// ---------------------------------------------------------- accelerators

// The character after a single "&", lower case, or "".
std::string AcceleratorOf(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    std::size_t at = i + 1;
    char32_t c = DecodeUtf8At(caption, at);
    std::string out;
    AppendUtf8(out, AnsiLowerCaseChar(c));
    return out;
  }
  return {};
}

std::string StripHotkey(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

// The Russian letter on each key of the standard layout.
const char* RussianLetterOfKey(unsigned vk) {
  static const char* const kLetters[26] = {"ф", "и", "с", "в", "у", "а", "п", "р", "ш",
                                           "о", "л", "д", "ь", "т", "щ", "з", "й", "к",
                                           "ы", "е", "г", "м", "ц", "ч", "н", "я"};
  if (vk >= 'A' && vk <= 'Z') return kLetters[vk - 'A'];
  switch (vk) {
    case 0xBA:
      return "ж";
    case 0xDE:
      return "э";
    case 0xDB:
      return "х";
    case 0xDD:
      return "ъ";
    case 0xBC:
      return "б";
    case 0xBE:
      return "ю";
    case 0xC0:
      return "ё";
    default:
      return nullptr;
  }
}

bool KeyMatchesAccelerator(unsigned vk, const std::string& accel) {
  if (accel.empty()) return false;
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
    std::string latin(1, static_cast<char>(vk >= 'A' && vk <= 'Z' ? vk - 'A' + 'a' : vk));
    if (accel == latin) return true;
  }
  const char* ru = RussianLetterOfKey(vk);
  return ru != nullptr && accel == ru;
}

bool IsSelectable(const TMenuItem* item) { return item->Visible() && !item->IsLine(); }

bool HasVisibleChildren(const TMenuItem* item) {
  for (int i = 0; i < item->Count(); ++i) {
    if (item->Items(i)->Visible()) return true;
  }
  return false;
}

TFont& MenuFont() {
  static TFont font;
  return font;
}

// ---------------------------------------------------------- layout

struct TMenuLayout {
  std::vector<TRect> Rects;  // window coordinates, per child (empty when hidden)
  int Width = 0;
  int Height = 0;
  int Gutter = kMinGutter;
  int ShortCutX = 0;
};

TMenuLayout LayoutMenu(const TMenuItem* parent) {
  TMenuLayout layout;
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(&MenuFont());
  TMenu* menu = parent->GetParentMenu();
  TCustomImageList* images = menu != nullptr ? menu->Images() : nullptr;
  int itemHeight = std::max(canvas.TextHeight("Wg") + 6, kMinItemHeight);
  if (images != nullptr) {
    itemHeight = std::max(itemHeight, images->Height() + 4);
    layout.Gutter = std::max(layout.Gutter, images->Width() + 6);
  }
  int textWidth = 0;
  int shortCutWidth = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    const TMenuItem* item = parent->Items(i);
    if (!item->Visible() || item->IsLine()) continue;
    TRect r{0, 0, 0, 0};
    DrawText(canvas, item->Caption(), r, DT_SINGLELINE | DT_CALCRECT);
    textWidth = std::max(textWidth, r.Width());
    if (item->ShortCut() != scNone)
      shortCutWidth = std::max(shortCutWidth, canvas.TextWidth(ShortCutToText(item->ShortCut())));
  }
  int textX = kMenuFrame + layout.Gutter + kTextGap;
  layout.ShortCutX = textX + textWidth + kShortCutGap;
  layout.Width = layout.ShortCutX + shortCutWidth + kArrowWidth + kMenuFrame;
  int y = kMenuFrame;
  for (int i = 0; i < parent->Count(); ++i) {
    const TMenuItem* item = parent->Items(i);
    if (!item->Visible()) {
      layout.Rects.push_back(TRect{});
      continue;
    }
    int h = item->IsLine() ? kSeparatorHeight : itemHeight;
    layout.Rects.push_back(Rect(kMenuFrame, y, layout.Width - kMenuFrame, y + h));
    y += h;
  }
  layout.Height = y + kMenuFrame;
  return layout;
}

class TMenuLoop;
TMenuLoop* gLoop = nullptr;

// ---------------------------------------------------------- drop-down

class TMenuWindow : public TCustomControl {
  MEBRATH_CLASS(TMenuWindow, TCustomControl)
 public:
  TMenuItem* Item() const { return FItem; }
  int Selected() const { return FSelected; }
  void SetSelected(int index) {
    if (index == FSelected) return;
    FSelected = index;
    Invalidate();
  }
  const TMenuLayout& Layout() const { return FLayout; }
  int ItemAt(TPoint windowPos) const {
    for (int i = 0; i < static_cast<int>(FLayout.Rects.size()); ++i) {
      if (PtInRect(FLayout.Rects[static_cast<std::size_t>(i)], windowPos)) return i;
    }
    return -1;
  }
  void Place(int x, int y, HWND owner) {
    SetParentWindow(owner);
    SetBounds(x, y, FLayout.Width, FLayout.Height);
    SetVisible(true);
  }

 protected:
  TMenuWindow(TComponent* owner, TMenuItem* item) : TCustomControl(owner), FItem(item) {
    SetVisible(false);
    SetFont(&MenuFont());
    SetColor(clMenu);
    FLayout = LayoutMenu(item);
  }
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_CLIPSIBLINGS;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  }
  void WndProc(TMessage& message) override;
  void Paint() override;

 private:
  TMenuItem* FItem;
  int FSelected = -1;
  TMenuLayout FLayout;
};

// The selection bar; a disabled item gets only its outline, so that its
// grey text stays readable on the menu's own colour.
void HighlightMenuItem(TCanvas& canvas, const TRect& rect, bool enabled) {
  if (enabled) {
    canvas.FillSolidRect(rect, clHighlight);
    return;
  }
  canvas.Brush()->SetColor(clHighlight);
  canvas.FrameRect(rect);
}

void DrawMenuItem(TCanvas& canvas, const TMenuItem* item, const TRect& rect, bool selected,
                  const TMenuLayout& layout) {
  if (item->IsLine()) {
    TRect line = Rect(rect.Left + 2, rect.Top + rect.Height() / 2 - 1, rect.Right - 2,
                      rect.Top + rect.Height() / 2 + 1);
    DrawEdge(canvas, line, EDGE_ETCHED, BF_TOP);
    return;
  }
  bool enabled = item->Enabled();
  if (selected) HighlightMenuItem(canvas, rect, enabled);
  TColor textColor = !enabled ? clGrayText : selected ? clHighlightText : clMenuText;
  TMenu* menu = item->GetParentMenu();
  TCustomImageList* images = menu != nullptr ? menu->Images() : nullptr;
  TRect gutter = Rect(rect.Left, rect.Top, rect.Left + layout.Gutter, rect.Bottom);
  if (images != nullptr && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
    int x = gutter.Left + (gutter.Width() - images->Width()) / 2;
    int y = gutter.Top + (gutter.Height() - images->Height()) / 2;
    if (item->Checked()) {
      TRect frame = Rect(x - 2, y - 2, x + images->Width() + 2, y + images->Height() + 2);
      DrawEdge(canvas, frame, BDR_SUNKENOUTER, BF_RECT);
    }
    images->Draw(&canvas, x, y, item->ImageIndex(), enabled);
  } else if (item->Checked()) {
    int side = std::min(gutter.Width(), gutter.Height()) - 4;
    TRect mark = Bounds(gutter.Left + (gutter.Width() - side) / 2,
                        gutter.Top + (gutter.Height() - side) / 2, side, side);
    unsigned state = (item->RadioItem() ? DFCS_MENUBULLET : DFCS_MENUCHECK) | DFCS_TRANSPARENT |
                     (enabled ? 0u : DFCS_INACTIVE);
    DrawFrameControl(canvas, mark, DFC_MENU, state);
  }
  canvas.SetBkMode(TRANSPARENT);
  canvas.Font()->SetColor(textColor);
  TRect text = Rect(rect.Left + layout.Gutter + kTextGap, rect.Top, rect.Right, rect.Bottom);
  DrawText(canvas, item->Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
  if (item->ShortCut() != scNone) {
    TRect sc = Rect(layout.ShortCutX - kMenuFrame, rect.Top, rect.Right, rect.Bottom);
    DrawText(canvas, ShortCutToText(item->ShortCut()), sc,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
  }
  if (HasVisibleChildren(item)) {
    TRect arrow = Rect(rect.Right - kArrowWidth, rect.Top + (rect.Height() - 8) / 2,
                       rect.Right - kArrowWidth + 8, rect.Top + (rect.Height() - 8) / 2 + 8);
    DrawFrameControl(canvas, arrow, DFC_MENU,
                     DFCS_MENUARROW | DFCS_TRANSPARENT | (enabled ? 0u : DFCS_INACTIVE));
  }
}

void TMenuWindow::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  canvas.FillSolidRect(r, clMenu);
  canvas.Brush()->SetColor(clBtnShadow);
  canvas.FrameRect(r);
  for (int i = 0; i < FItem->Count(); ++i) {
    const TRect& rect = FLayout.Rects[static_cast<std::size_t>(i)];
    if (IsRectEmpty(rect)) continue;
    DrawMenuItem(canvas, FItem->Items(i), rect, i == FSelected, FLayout);
  }
}

// ---------------------------------------------------------- the menu loop

class TMenuLoop {
 public:
  TMenuLoop(TMenuItem* root, TMenuBar* bar, HWND owner) : FRoot(root), FBar(bar), FOwner(owner) {}
  ~TMenuLoop() { CloseLevels(0); }

  // Pops up the root's drop-down at a screen point (pop-up menus).
  void OpenRootAt(TPoint pos, TPopupAlignment alignment) {
    TMenuWindow* w = Create<TMenuWindow>(nullptr, FRoot);
    int x = pos.X;
    if (alignment == paRight) x -= w->Layout().Width;
    if (alignment == paCenter) x -= w->Layout().Width / 2;
    TPoint p = KeepOnScreen({x, pos.Y}, w->Layout());
    w->Place(p.X, p.Y, FOwner);
    FLevels.push_back(w);
  }
  // Bar mode: highlights top item `index`, dropping it down when `drop`.
  void SelectBarItem(int index, bool drop) {
    CloseLevels(0);
    FBar->SetSelected(index);
    FBar->SetDroppedDown(false);
    if (!drop || index < 0) return;
    TMenuItem* top = FRoot->Items(index);
    if (!HasVisibleChildren(top)) return;
    FBar->SetDroppedDown(true);
    TRect r = FBar->ItemRect(index);
    TPoint p = FBar->ClientToScreen({r.Left, r.Bottom});
    OpenLevel(top, p);
    SelectFirst(FLevels.back(), true);
  }

  // Runs until the menus close. Returns the chosen item (or null).
  TMenuItem* Run() {
    TValueGuard<TMenuLoop*> current(gLoop, this);
    while (!FDone) {
      TMsg msg;
      if (!PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (Application != nullptr) Application->DoIdle();
        if (!HasQueuedMessages()) WaitMessage();
        continue;
      }
      // With only the bar highlighted (a drop-down closed with Escape), a
      // press elsewhere ends the menus and still does what it was meant
      // for: it stays queued.
      if (IsPress(msg.message) && FBar != nullptr && FLevels.empty() &&
          !ContainsScreenPoint(msg.pt)) {
        FDone = true;
        break;
      }
      PeekMessage(msg, nullptr, 0, 0, PM_REMOVE);
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (IsKeyMessage(msg.message)) {
        HandleKey(msg);
      } else if (IsMouseMessage(msg.message)) {
        HandleMouse(msg);
        // The press that opened the menus gave its control the capture;
        // once the button is up, presses go where they are aimed.
        if (IsRelease(msg.message)) ReleaseCapture();
      } else {
        TranslateMessage(msg);
        DispatchMessage(msg);
      }
      if (!FDone && !FLevels.empty() && !IsWindow(FLevels.front()->Handle())) FDone = true;
    }
    CloseLevels(0);
    if (FBar != nullptr) {
      FBar->SetDroppedDown(false);
      FBar->SetSelected(-1);
    }
    // The loop may have taken the release that would have ended the
    // capture: the next click would only release it.
    ReleaseCapture();
    return FChosen;
  }

  // WM_CANCELMODE from the host's click handling: a press outside our
  // windows ends the loop; the press itself is swallowed later.
  void CancelFromOutside() {
    if (ContainsScreenPoint(GetCursorPos())) return;
    FDone = true;
    FSwallowPress = true;
  }
  void Cancel() { FDone = true; }
  bool SwallowPress() const { return FSwallowPress; }

 private:
  static bool IsKeyMessage(unsigned m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
  static bool IsMouseMessage(unsigned m) {
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
  }
  static bool IsPress(unsigned m) {
    return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN ||
           m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK ||
           m == WM_NCLBUTTONDOWN || m == WM_NCRBUTTONDOWN || m == WM_NCMBUTTONDOWN;
  }
  static bool IsRelease(unsigned m) { return m == WM_LBUTTONUP || m == WM_RBUTTONUP; }

  TPoint KeepOnScreen(TPoint p, const TMenuLayout& layout) const {
    TRect work = Screen != nullptr ? Screen->WorkAreaRect() : TRect{};
    if (IsRectEmpty(work)) return p;
    if (p.X + layout.Width > work.Right) p.X = work.Right - layout.Width;
    if (p.Y + layout.Height > work.Bottom) p.Y = work.Bottom - layout.Height;
    p.X = std::max(p.X, work.Left);
    p.Y = std::max(p.Y, work.Top);
    return p;
  }

  void OpenLevel(TMenuItem* item, TPoint pos) {
    TMenuWindow* w = Create<TMenuWindow>(nullptr, item);
    TPoint p = KeepOnScreen(pos, w->Layout());
    w->Place(p.X, p.Y, FOwner);
    FLevels.push_back(w);
  }
  void CloseLevels(std::size_t keep) {
    while (FLevels.size() > keep) {
      TMenuWindow* w = FLevels.back();
      FLevels.pop_back();
      w->Free();
    }
  }
  TMenuWindow* Current() const { return FLevels.empty() ? nullptr : FLevels.back(); }

  // Moves the selection of `w` by `step` among selectable items (wrapping).
  static void Step(TMenuWindow* w, int step) {
    int n = w->Item()->Count();
    if (n == 0) return;
    int i = w->Selected();
    for (int tries = 0; tries < n; ++tries) {
      i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
      if (IsSelectable(w->Item()->Items(i))) {
        w->SetSelected(i);
        return;
      }
    }
  }
  static void SelectFirst(TMenuWindow* w, bool first) {
    w->SetSelected(-1);
    Step(w, first ? 1 : -1);
  }

  // Opens the selected item's submenu, or chooses it. True when it acted.
  bool Activate(TMenuWindow* w, bool chooseLeaves) {
    int i = w->Selected();
    if (i < 0) return false;
    TMenuItem* item = w->Item()->Items(i);
    if (!item->Enabled()) return false;
    if (HasVisibleChildren(item)) {
      OpenSubmenu(w, i);
      SelectFirst(FLevels.back(), true);
      return true;
    }
    if (!chooseLeaves) return false;
    FChosen = item;
    FDone = true;
    return true;
  }
  void OpenSubmenu(TMenuWindow* w, int index) {
    auto level =
        static_cast<std::size_t>(std::find(FLevels.begin(), FLevels.end(), w) - FLevels.begin());
    if (level + 1 < FLevels.size() && FLevels[level + 1]->Item() == w->Item()->Items(index)) return;
    CloseLevels(level + 1);
    TRect r = w->Layout().Rects[static_cast<std::size_t>(index)];
    TPoint p = w->ClientToScreen({r.Right + kMenuFrame - 2, r.Top - kMenuFrame});
    OpenLevel(w->Item()->Items(index), p);
  }

  void HandleKey(const TMsg& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return;  // swallowed
    unsigned key = static_cast<unsigned>(msg.wParam);
    TMenuWindow* w = Current();
    switch (key) {
      case VK_MENU:
      case VK_F10:
        FDone = true;
        return;
      case VK_ESCAPE:
        if (FLevels.size() > 1 || (FBar == nullptr && FLevels.size() == 1)) {
          CloseLevels(FLevels.size() - 1);
          if (FLevels.empty()) FDone = true;
        } else if (FBar != nullptr && !FLevels.empty()) {
          SelectBarItem(FBar->Selected(), false);
        } else {
          FDone = true;
        }
        return;
      case VK_UP:
      case VK_DOWN:
        if (w != nullptr) {
          Step(w, key == VK_DOWN ? 1 : -1);
        } else if (FBar != nullptr) {
          SelectBarItem(FBar->Selected(), true);
        }
        return;
      case VK_HOME:
      case VK_END:
        if (w != nullptr) SelectFirst(w, key == VK_HOME);
        return;
      case VK_LEFT:
        if (FLevels.size() > 1) {
          CloseLevels(FLevels.size() - 1);
        } else if (FBar != nullptr) {
          StepBar(-1);
        }
        return;
      case VK_RIGHT:
        if (w != nullptr && w->Selected() >= 0 &&
            HasVisibleChildren(w->Item()->Items(w->Selected())) &&
            w->Item()->Items(w->Selected())->Enabled()) {
          Activate(w, false);
        } else if (FBar != nullptr) {
          StepBar(1);
        }
        return;
      case VK_RETURN:
      case VK_SPACE:
        if (w != nullptr) {
          Activate(w, true);
        } else if (FBar != nullptr) {
          SelectBarItem(FBar->Selected(), true);
        }
        return;
      default:
        break;
    }
    if (w != nullptr) {
      AcceleratorIn(w, key);
    } else if (FBar != nullptr) {
      int i = FBar->Menu()->FindAccelerator(key);
      if (i >= 0) SelectBarItem(i, true);
    }
  }

  void StepBar(int step) {
    int n = FRoot->Count();
    int i = FBar->Selected();
    for (int tries = 0; tries < n; ++tries) {
      i = (i + step + n) % n;
      if (FRoot->Items(i)->Visible()) break;
    }
    SelectBarItem(i, !FLevels.empty());
  }

  void AcceleratorIn(TMenuWindow* w, unsigned key) {
    std::vector<int> matches;
    for (int i = 0; i < w->Item()->Count(); ++i) {
      TMenuItem* item = w->Item()->Items(i);
      if (IsSelectable(item) && KeyMatchesAccelerator(key, item->Accelerator()))
        matches.push_back(i);
    }
    if (matches.empty()) return;
    if (matches.size() == 1) {
      w->SetSelected(matches[0]);
      Activate(w, true);
      return;
    }
    // Several share the letter: each press moves to the next one.
    auto next = std::upper_bound(matches.begin(), matches.end(), w->Selected());
    w->SetSelected(next == matches.end() ? matches.front() : *next);
  }

  bool ContainsScreenPoint(TPoint p) const {
    for (TMenuWindow* w : FLevels) {
      if (PtInRect(GetWindowRect(w->Handle()), p)) return true;
    }
    return FBar != nullptr && FBar->HandleAllocated() && PtInRect(GetWindowRect(FBar->Handle()), p);
  }

  void HandleMouse(const TMsg& msg) {
    TPoint p = msg.pt;
    for (auto it = FLevels.rbegin(); it != FLevels.rend(); ++it) {
      TMenuWindow* w = *it;
      TRect wr = GetWindowRect(w->Handle());
      if (!PtInRect(wr, p)) continue;
      int i = w->ItemAt({p.X - wr.Left, p.Y - wr.Top});
      if (msg.message == WM_MOUSEMOVE) {
        if (i >= 0 && IsSelectable(w->Item()->Items(i))) {
          w->SetSelected(i);
          TMenuItem* item = w->Item()->Items(i);
          auto level = static_cast<std::size_t>(FLevels.rend() - it);
          if (HasVisibleChildren(item) && item->Enabled()) {
            OpenSubmenu(w, i);
          } else {
            CloseLevels(level);
          }
        }
      } else if (IsRelease(msg.message) && i >= 0) {
        w->SetSelected(i);
        if (IsSelectable(w->Item()->Items(i))) Activate(w, true);
      }
      return;
    }
    if (FBar != nullptr && FBar->HandleAllocated()) {
      TRect br = GetWindowRect(FBar->Handle());
      if (PtInRect(br, p)) {
        int i = FBar->ItemAtPos(FBar->ScreenToClient(p));
        if (msg.message == WM_MOUSEMOVE) {
          if (i >= 0 && i != FBar->Selected() && !FLevels.empty()) SelectBarItem(i, true);
        } else if (IsPress(msg.message)) {
          if (i < 0 || (i == FBar->Selected() && !FLevels.empty())) {
            FDone = true;
          } else {
            SelectBarItem(i, true);
          }
        }
        return;
      }
    }
    // Outside every menu: a press closes them and goes nowhere else.
    if (IsPress(msg.message)) FDone = true;
  }

  TMenuItem* FRoot;
  TMenuBar* FBar;
  HWND FOwner;
  std::vector<TMenuWindow*> FLevels;
  TMenuItem* FChosen = nullptr;
  bool FDone = false;
  bool FSwallowPress = false;
};

void TMenuWindow::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_CANCELMODE:
      if (gLoop != nullptr) gLoop->CancelFromOutside();
      return;
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

// After a loop closed by a press outside: that press was queued for the
// window under the pointer after the host cancelled us; drop it.
void SwallowClosingPress() {
  TMsg msg;
  for (unsigned m : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_NCLBUTTONDOWN}) {
    if (PeekMessage(msg, nullptr, m, m, PM_REMOVE)) return;
  }
}

HWND OwnerWindowOf(TComponent* component) {
  for (TComponent* c = component; c != nullptr; c = c->Owner()) {
    if (auto* form = dynamic_cast<TCustomForm*>(c); form && form->HandleAllocated())
      return GetTopLevel(form->Handle());
  }
  return GetActiveWindow();
}

// Runs a finished loop's choice after the menus are gone.
void RunLoop(TMenuLoop& loop) {
  TMenuItem* chosen = loop.Run();
  if (loop.SwallowPress()) SwallowClosingPress();
  if (chosen != nullptr) chosen->Click();
}

// The core's WM_CONTEXTMENU asks here to show a control's PopupMenu.
bool ShowPopupMenuFor(TComponent* menu, TControl* control, TPoint screenPos) {
  auto* popup = dynamic_cast<TPopupMenu*>(menu);
  if (popup == nullptr || !popup->AutoPopup()) return false;
  popup->SetPopupComponent(control);
  popup->Popup(screenPos.X, screenPos.Y);
  return true;
}

}  // namespace

// ------------------------------------------------------------ link

TMenuActionLink::TMenuActionLink(TMenuItem* item) : TActionLink(item), FItem(item) {}
void TMenuActionLink::SetCaption(const std::string& value) { FItem->SetCaption(value); }
void TMenuActionLink::SetEnabled(bool value) { FItem->SetEnabled(value); }
void TMenuActionLink::SetChecked(bool value) { FItem->SetChecked(value); }
void TMenuActionLink::SetVisible(bool value) { FItem->SetVisible(value); }
void TMenuActionLink::SetHint(const std::string& value) { FItem->SetHint(value); }
void TMenuActionLink::SetImageIndex(int value) { FItem->SetImageIndex(value); }
void TMenuActionLink::SetShortCut(TShortCut value) { FItem->SetShortCut(value); }
void TMenuActionLink::SetGroupIndex(int value) { FItem->SetGroupIndex(value); }

bool TMenuActionLink::IsClientVisible() const {
  // The item's own Visible may come from the action: it does not count.
  const TMenuItem* item = FItem->Parent();
  const TMenuItem* root = FItem;
  for (; item != nullptr; item = item->Parent()) {
    root = item;
    if (item->Parent() != nullptr && !item->Visible()) return false;
  }
  (void)root;
  auto* menu = dynamic_cast<TMainMenu*>(FItem->GetParentMenu());
  return menu != nullptr && menu->Form() != nullptr && menu->Form()->IsVisibleInTree();
}

// ------------------------------------------------------------ TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

void TMenuItem::BeforeDestruction() {
  FActionLink.reset();
  if (FParent != nullptr) FParent->Remove(this);
  Clear();
  TComponent::BeforeDestruction();
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[static_cast<std::size_t>(index)];
}

int TMenuItem::MenuIndex() const { return FParent == nullptr ? -1 : FParent->IndexOf(this); }

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item->FParent != nullptr) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Changed();
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  TMenuItem* item = FItems[static_cast<std::size_t>(index)];
  FItems.erase(FItems.begin() + index);
  item->FParent = nullptr;
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  int i = IndexOf(item);
  if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) FItems.back()->Free();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
  std::string wanted = StripHotkey(caption);
  for (TMenuItem* item : FItems) {
    if (AnsiSameText(StripHotkey(item->FCaption), wanted)) return item;
  }
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->FParent != nullptr) item = item->FParent;
  return item->FMenu;
}

void TMenuItem::Changed() {
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this);
}

void TMenuItem::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  Changed();
}

void TMenuItem::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  if (value && FRadioItem) TurnSiblingsOff();
  Changed();
}

void TMenuItem::TurnSiblingsOff() {
  if (FParent == nullptr) return;
  for (TMenuItem* other : FParent->FItems) {
    if (other != this && other->FRadioItem && other->FGroupIndex == FGroupIndex)
      other->SetChecked(false);
  }
}

void TMenuItem::SetRadioItem(bool value) {
  if (value == FRadioItem) return;
  FRadioItem = value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  Changed();
}

void TMenuItem::SetGroupIndex(int value) {
  if (value == FGroupIndex) return;
  FGroupIndex = value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
}

void TMenuItem::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed();
}

void TMenuItem::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (value == FShortCut) return;
  FShortCut = value;
  Changed();
}

void TMenuItem::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  Changed();
}

std::string TMenuItem::Accelerator() const { return AcceleratorOf(FCaption); }

TBasicAction* TMenuItem::Action() const {
  return FActionLink != nullptr ? FActionLink->Action() : nullptr;
}

void TMenuItem::SetAction(TBasicAction* action) {
  if (action == nullptr) {
    FActionLink.reset();
    return;
  }
  if (FActionLink == nullptr) FActionLink = std::make_unique<TMenuActionLink>(this);
  FActionLink->SetAction(action);
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FActionLink != nullptr && FActionLink->Action() != nullptr) {
    FActionLink->Execute(this);
  } else if (OnClick) {
    OnClick(this);
  }
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut) {
  if (!FVisible || shortCut == scNone) return nullptr;
  if (FShortCut == shortCut && FEnabled && FParent != nullptr) return this;
  for (TMenuItem* item : FItems) {
    if (TMenuItem* found = item->FindShortCut(shortCut)) return found;
  }
  return nullptr;
}

TRect TMenuItem::PopupItemRect(int index) const {
  TMenuLayout layout = LayoutMenu(this);
  if (index < 0 || index >= Count()) return TRect{};
  return layout.Rects[static_cast<std::size_t>(index)];
}

// ------------------------------------------------------------ TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner) {
  FItems = Create<TMenuItem>(this);
  FItems->FMenu = this;
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) FImages = nullptr;
  if (component == FItems) FItems = nullptr;
}

void TMenu::SetImages(TCustomImageList* value) {
  if (value == FImages) return;
  if (FImages != nullptr) RemoveFreeNotification(FImages);
  FImages = value;
  if (FImages != nullptr) FreeNotification(FImages);
  if (FItems != nullptr) MenuChanged(FItems);
}

bool TMenu::IsShortCut(TShortCut shortCut) {
  if (FItems == nullptr) return false;
  TMenuItem* item = FItems->FindShortCut(shortCut);
  if (item == nullptr) return false;
  // An action decides at the last moment whether it may run.
  if (item->Action() != nullptr) {
    item->Action()->Update();
    if (!item->Enabled() || !item->Visible()) return false;
  }
  item->Click();
  return true;
}

void TMenu::MenuChanged(TMenuItem*) {}

// ------------------------------------------------------------ TMenuBar

TMenuBar::TMenuBar(TComponent* owner, TMainMenu* menu) : TCustomControl(owner), FMenu(menu) {
  SetColor(clMenuBar);
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(&MenuFont());
  SetFont(&MenuFont());
  SetParentFont(false);
  SetHeight(std::max(canvas.TextHeight("Wg") + 8, GetSystemMetrics(SM_CYMENU)));
  SetAlign(alTop);
}

TRect TMenuBar::ItemRect(int index) const {
  TMenuItem* root = FMenu->Items();
  if (root == nullptr || index < 0 || index >= root->Count() || !root->Items(index)->Visible())
    return TRect{};
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(Font());
  int x = 0;
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (!item->Visible()) continue;
    TRect t{0, 0, 0, 0};
    DrawText(canvas, item->Caption(), t, DT_SINGLELINE | DT_CALCRECT);
    int w = t.Width() + 2 * kBarItemPadding;
    if (i == index) return Rect(x, 0, x + w, Height());
    x += w;
  }
  return TRect{};
}

int TMenuBar::ItemAtPos(TPoint p) const {
  TMenuItem* root = FMenu->Items();
  for (int i = 0; root != nullptr && i < root->Count(); ++i) {
    if (PtInRect(ItemRect(i), p)) return i;
  }
  return -1;
}

void TMenuBar::SetSelected(int index) {
  if (index == FSelected) return;
  FSelected = index;
  Invalidate();
}

void TMenuBar::SetDroppedDown(bool value) {
  if (value == FDropped) return;
  FDropped = value;
  Invalidate();
}

void TMenuBar::Paint() {
  TCanvas& canvas = *Canvas();
  TRect client = ClientRect();
  canvas.FillSolidRect(client, Color());
  // A line under the bar parts the menu from what is below it.
  DrawEdge(canvas, client, EDGE_ETCHED, BF_BOTTOM | BF_ADJUST);
  TMenuItem* root = FMenu->Items();
  canvas.SetBkMode(TRANSPARENT);
  for (int i = 0; root != nullptr && i < root->Count(); ++i) {
    TRect r = ItemRect(i);
    if (IsRectEmpty(r)) continue;
    r.Bottom = std::min(r.Bottom, client.Bottom);
    TMenuItem* item = root->Items(i);
    bool selected = i == FSelected;
    if (selected && FDropped) {
      TRect edge = r;
      DrawEdge(canvas, edge, BDR_SUNKENOUTER, BF_RECT);
    } else if (selected) {
      HighlightMenuItem(canvas, r, item->Enabled());
    }
    canvas.Font()->SetColor(!item->Enabled()        ? clGrayText
                            : selected && !FDropped ? clHighlightText
                                                    : clMenuText);
    DrawText(canvas, item->Caption(), r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
}

void TMenuBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || MenuLoopActive()) return;
  int i = ItemAtPos({x, y});
  if (i < 0) return;
  TMenuItem* item = FMenu->Items()->Items(i);
  if (!item->Enabled()) return;
  if (!HasVisibleChildren(item)) {
    item->Click();
    return;
  }
  TMenuLoop loop(FMenu->Items(), this, OwnerWindowOf(FMenu));
  loop.SelectBarItem(i, true);
  RunLoop(loop);
}

// ------------------------------------------------------------ TMainMenu

void TMainMenu::AfterConstruction() {
  TMenu::AfterConstruction();
  if (auto* form = dynamic_cast<TCustomForm*>(Owner()); form && form->Menu() == nullptr)
    SetForm(form);
}

void TMainMenu::BeforeDestruction() {
  SetForm(nullptr);
  TMenu::BeforeDestruction();
}

void TMainMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FBar) FBar = nullptr;
  if (component == FForm) FForm = nullptr;
}

void TMainMenu::SetForm(TCustomForm* form) {
  if (form == FForm) return;
  if (FForm != nullptr) {
    if (FForm->Menu() == this) FForm->SetMenu(nullptr);
    RemoveFreeNotification(FForm);
    if (FBar != nullptr) FBar->Free();
    FBar = nullptr;
  }
  FForm = form;
  if (FForm == nullptr) return;
  if (auto* old = dynamic_cast<TMainMenu*>(FForm->Menu())) old->SetForm(nullptr);
  FForm->SetMenu(this);
  FreeNotification(FForm);
  FBar = Create<TMenuBar>(this, this);
  FBar->SetTop(-1);  // above other top-aligned controls
  FBar->SetParent(FForm);
  FBar->SetVisible(HasVisibleChildren(Items()));
}

bool TMainMenu::MenuShortCut(TShortCut shortCut) { return IsShortCut(shortCut); }

bool TMainMenu::MenuKey(TShortCut shortCut) {
  if (MenuLoopActive() || FBar == nullptr || !FBar->IsVisibleInTree() ||
      !HasVisibleChildren(Items()))
    return false;
  if (shortCut == scNone || shortCut == VK_F10) {
    EnterMenuLoop();
    return true;
  }
  if ((shortCut & (scShift | scCtrl | scAlt)) != scAlt) return false;
  int i = FindAccelerator(shortCut & 0xFF);
  if (i < 0) return false;
  // The character that follows the key must not reach the control.
  TMsg msg;
  PeekMessage(msg, nullptr, WM_SYSCHAR, WM_SYSCHAR, PM_REMOVE);
  EnterMenuLoop(i);
  return true;
}

void TMainMenu::MenuChanged(TMenuItem* item) {
  TMenu::MenuChanged(item);
  if (FBar == nullptr || Items() == nullptr) return;
  FBar->SetVisible(HasVisibleChildren(Items()));
  FBar->Invalidate();
}

int TMainMenu::FindAccelerator(unsigned vk) const {
  TMenuItem* root = Items();
  for (int i = 0; root != nullptr && i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (item->Visible() && item->Enabled() && KeyMatchesAccelerator(vk, item->Accelerator()))
      return i;
  }
  return -1;
}

void TMainMenu::EnterMenuLoop(int dropIndex) {
  if (FBar == nullptr || Items() == nullptr || MenuLoopActive()) return;
  int first = -1;
  for (int i = 0; i < Items()->Count() && first < 0; ++i) {
    if (Items()->Items(i)->Visible()) first = i;
  }
  if (first < 0) return;
  TMenuLoop loop(Items(), FBar, OwnerWindowOf(this));
  loop.SelectBarItem(dropIndex >= 0 ? dropIndex : first, dropIndex >= 0);
  RunLoop(loop);
}

// ------------------------------------------------------------ TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {
  static const bool installed = (SetPopupMenuHandler(ShowPopupMenuFor), true);
  (void)installed;
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (MenuLoopActive() || Items() == nullptr) return;
  if (OnPopup) OnPopup(this);
  // Actions decide enabling and checking before the items show.
  for (int i = 0; i < Items()->Count(); ++i) {
    if (TBasicAction* action = Items()->Items(i)->Action()) action->Update();
  }
  if (!HasVisibleChildren(Items())) return;
  HWND owner = FPopupComponent != nullptr ? OwnerWindowOf(FPopupComponent) : OwnerWindowOf(this);
  TMenuLoop loop(Items(), nullptr, owner);
  loop.OpenRootAt({x, y}, FAlignment);
  RunLoop(loop);
}

// ------------------------------------------------------------ routing

bool ShowContextMenu(TControl* control, TPoint screenPos) {
  // The way a right click goes: a graphic control, then its parent windows.
  for (TControl* c = control; c != nullptr; c = c->Parent()) {
    auto* win = dynamic_cast<TWinControl*>(c);
    if (win == nullptr) {
      if (c->Perform(WM_CONTEXTMENU, 0, PointToLParam(screenPos)) != 0) return true;
      continue;
    }
    HWND wnd = win->Handle();
    return SendMessage(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd),
                       PointToLParam(screenPos)) != 0;
  }
  return false;
}

bool MenuLoopActive() { return gLoop != nullptr; }
