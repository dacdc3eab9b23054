// A fixture for the standard controls' tests: a shown form to put controls
// on, typing and clicking through the host entry points, and painting into
// a recording canvas.
#pragma once

#include <string>
#include <vector>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"

// A focusable control that may ask for keys (WM_GETDLGCODE).
class TKeyTaker : public TCustomControl {
  MEBRATH_CLASS(TKeyTaker, TCustomControl)
 public:
  unsigned DlgCode = 0;

 protected:
  explicit TKeyTaker(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 40, 20);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DlgCode;
      return;
    }
    TCustomControl::WndProc(m);
  }
};

class StdControlsTest : public GuiTest {
 protected:
  StdControlsTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 500, 400);
  }
  ~StdControlsTest() override {
    if (Form != nullptr) Form->Free();
  }

  template <class T>
  T* Make(TWinControl* parent, int left, int top) {
    T* c = Create<T>(Form);
    c->SetParent(parent);
    c->SetLeft(left);
    c->SetTop(top);
    return c;
  }

  void Key(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
    Application->ProcessMessages();
  }
  void KeyDown(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, vk);
    Application->ProcessMessages();
  }
  void KeyUp(unsigned vk) {
    HostKeyEvent(WM_KEYUP, vk);
    Application->ProcessMessages();
  }
  void Char(char32_t ch, bool alt = false) {
    if (alt) HostKeyEvent(WM_KEYDOWN, VK_MENU);
    HostCharEvent(ch);
    if (alt) HostKeyEvent(WM_KEYUP, VK_MENU);
    Application->ProcessMessages();
  }
  // A mouse message at (x, y) in `control`'s client coordinates.
  void Mouse(TControl* control, unsigned msg, int x, int y) {
    TPoint screen = control->ClientToScreen({x, y});
    TRect content = ContentRect(Form->Handle());
    unsigned keys = msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
    if (msg == WM_MOUSEMOVE && GetKeyState(VK_LBUTTON) < 0) keys = MK_LBUTTON;
    HostMouseEvent(Form->Handle(), msg, {screen.X - content.Left, screen.Y - content.Top}, keys);
    Application->ProcessMessages();
  }
  void ClickAt(TControl* control, int x = 2, int y = 2) {
    Mouse(control, WM_LBUTTONDOWN, x, y);
    Mouse(control, WM_LBUTTONUP, x, y);
  }
  // Paints the whole form; the records are in the host's content coordinates.
  std::vector<TCanvasRecord> PaintForm() {
    TRecordingCanvas canvas;
    InvalidateRect(Form->Handle(), nullptr, true);
    RedrawWindow(Form->Handle(), nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    PaintTopLevel(Form->Handle(), canvas, {});
    return canvas.TakeRecords();
  }
  // Device coordinates of the recording for a point in `control`'s client area.
  TPoint Device(const TControl* control, int x = 0, int y = 0) {
    TPoint screen = control->ClientToScreen({x, y});
    TRect content = ContentRect(Form->Handle());
    return {screen.X - content.Left, screen.Y - content.Top};
  }
  // The text records, in order.
  static std::vector<std::string> Texts(const std::vector<TCanvasRecord>& records) {
    std::vector<std::string> texts;
    for (const TCanvasRecord& r : records) {
      if (r.Kind == TRecordKind::Text) texts.push_back(r.Text);
    }
    return texts;
  }
  static const TCanvasRecord* FindText(const std::vector<TCanvasRecord>& records,
                                       const std::string& text) {
    for (const TCanvasRecord& r : records) {
      if (r.Kind == TRecordKind::Text && r.Text == text) return &r;
    }
    return nullptr;
  }

  TForm* Form = nullptr;
};
