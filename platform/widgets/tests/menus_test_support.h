// The form, edit stand-in and fixture shared by the menu and action tests.
#pragma once

#include <gtest/gtest.h>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/menus.h"

namespace menus_test {

// An edit stand-in: takes the focus, answers EM_GETSEL with its selection
// and records the keys it sees.
class TFakeEdit : public TCustomControl {
  MEBRATH_CLASS(TFakeEdit, TCustomControl)
 public:
  std::uint32_t SelStart = 0;
  std::uint32_t SelEnd = 0;
  std::vector<unsigned> Keys;
  int Presses = 0;

 protected:
  explicit TFakeEdit(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(10, 100, 100, 20);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == EM_GETSEL) {
      if (m.WParam != 0) *reinterpret_cast<std::uint32_t*>(m.WParam) = SelStart;
      if (m.LParam != 0) *reinterpret_cast<std::uint32_t*>(m.LParam) = SelEnd;
      m.Result = MakeLong(static_cast<int>(SelStart), static_cast<int>(SelEnd));
      return;
    }
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DLGC_WANTCHARS | DLGC_WANTARROWS;
      return;
    }
    TCustomControl::WndProc(m);
  }
  void KeyDown(unsigned& key, TShiftState shift) override {
    Keys.push_back(key);
    TCustomControl::KeyDown(key, shift);
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    ++Presses;
    TCustomControl::MouseDown(b, s, x, y);
  }
};

class TMenuForm : public TForm {
  MEBRATH_CLASS(TMenuForm, TForm)
 public:
  TFakeEdit* Edit = nullptr;

 protected:
  explicit TMenuForm(TComponent* owner) : TForm(owner) {
    SetBounds(100, 100, 400, 300);
    Edit = Create<TFakeEdit>(this);
    Edit->SetParent(this);
  }
};

class MenusTest : public GuiTest {
 protected:
  MenusTest() {
    Form = Create<TMenuForm>(nullptr);
    Popup = Create<TPopupMenu>(Form);
  }
  ~MenusTest() override { Form->Free(); }

  TMenuItem* Item(TMenuItem* parent, const std::string& caption) {
    TMenuItem* item = Create<TMenuItem>(Form);
    item->SetCaption(caption);
    item->OnClick = [this, caption](TObject*) { Clicks.push_back(caption); };
    parent->Add(item);
    return item;
  }
  void Key(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
  }
  void CtrlKey(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
    Key(vk);
    HostKeyEvent(WM_KEYUP, VK_CONTROL);
  }
  // Queues a left click at a screen point (over the form).
  void Click(TPoint screen, unsigned msg = WM_LBUTTONDOWN) {
    TRect content = ContentRect(Form->Handle());
    TPoint p{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(Form->Handle(), msg, p, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
  }
  TPoint Center(const TRect& r, TPoint origin) {
    return {origin.X + (r.Left + r.Right) / 2, origin.Y + (r.Top + r.Bottom) / 2};
  }

  TMenuForm* Form = nullptr;
  TPopupMenu* Popup = nullptr;
  std::vector<std::string> Clicks;
};

}  // namespace menus_test
