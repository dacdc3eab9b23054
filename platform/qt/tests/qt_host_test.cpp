#include "platform/qt/qt_host.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <string>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/gui/forms.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"
#include "qt_test_app.h"

namespace {

// Top-level windows whose procedure records the input messages they get.
class QtHostTest : public ::testing::Test {
 protected:
  QtHostTest() : FHost(TestHost()) { ClearMessageQueue(); }
  ~QtHostTest() override {
    for (HWND wnd : FWindows)
      if (IsWindow(wnd)) DestroyWindow(wnd);
    ClearMessageQueue();
    QCoreApplication::processEvents();
  }

  HWND Make(std::uint32_t style, std::uint32_t exStyle, const TRect& bounds,
            const std::string& caption, HWND owner = nullptr) {
    TWndCreateInfo info;
    info.Style = style;
    info.ExStyle = exStyle;
    info.Bounds = bounds;
    info.Caption = caption;
    info.Owner = owner;
    info.WndProc = [this](HWND wnd, TMessage& m) {
      switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_USER + 1:
          Log.push_back({wnd, m.Msg, m.WParam, m.LParam});
          break;
        case WM_MOUSEACTIVATE:
          if (GetWindowStyle(wnd) & WS_POPUP) {
            m.Result = MA_NOACTIVATE;
            return;
          }
          break;
        case WM_PAINT: {
          TPaintStruct ps;
          TCanvas* c = BeginPaint(wnd, ps);
          c->Brush()->SetColor(clRed);
          c->FillRect(Rect(10, 10, 30, 20));
          EndPaint(wnd, ps);
          return;
        }
        default:
          break;
      }
      DefWindowProc(wnd, m);
    };
    HWND wnd = CreateWindowEx(info);
    FWindows.push_back(wnd);
    return wnd;
  }

  // Handles what the host queued, as a message loop would.
  void Pump() {
    QCoreApplication::processEvents();
    TMsg msg;
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(msg);
      DispatchMessage(msg);
    }
  }

  QWidget* Widget(HWND wnd) { return FHost.WidgetOf(wnd); }

  struct TEntry {
    HWND Wnd;
    unsigned Msg;
    WPARAM WParam;
    LPARAM LParam;
  };
  std::vector<TEntry> Log;
  TQtHost& FHost;

 private:
  std::vector<HWND> FWindows;
};

TEST_F(QtHostTest, TopLevelWindowsGetNativeWidgetsWithTheirCaption) {
  HWND wnd = Make(WS_OVERLAPPEDWINDOW, 0, Bounds(100, 80, 320, 240), "Mebrath");
  QWidget* w = Widget(wnd);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(w->isVisible());
  ShowWindow(wnd, SW_SHOW);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle().toStdString(), "Mebrath");
  EXPECT_FALSE(w->windowFlags() & Qt::FramelessWindowHint);
  TRect content = ContentRect(wnd);
  EXPECT_EQ(w->geometry(), QRect(content.Left, content.Top, content.Width(), content.Height()));

  SetWindowText(wnd, "Реестр");
  EXPECT_EQ(w->windowTitle().toStdString(), "Реестр");
  MoveWindow(wnd, 50, 60, 400, 300);
  content = ContentRect(wnd);
  EXPECT_EQ(w->geometry(), QRect(content.Left, content.Top, content.Width(), content.Height()));

  // The user resizes the native window: our tree follows.
  w->resize(200, 150);
  EXPECT_EQ(GetClientRect(wnd), Rect(0, 0, 200, 150));

  // Closing asks the window (its default destroys it and the widget goes).
  w->close();
  Pump();
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(Widget(wnd), nullptr);
}

TEST_F(QtHostTest, AFormShownGetsAWindowCaptionedLikeIt) {
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption("Mebrath");
  form->SetBounds(10, 10, 300, 200);
  form->OnPaint = [form](TObject*) {
    form->Canvas()->Brush()->SetColor(clRed);
    form->Canvas()->FillRect(Rect(0, 0, 5, 5));
  };
  form->Show();
  QWidget* w = Widget(form->Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle().toStdString(), "Mebrath");
  bool found = false;
  for (QWidget* top : QApplication::topLevelWidgets()) found |= top == w && top->isVisible();
  EXPECT_TRUE(found);
  // The form's client area is the widget's content.
  UpdateWindow(form->Handle());
  const QImage* buffer = FHost.BufferOf(form->Handle());
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(QColor(buffer->pixel(0, 0)), QColor(Qt::red));
  EXPECT_NE(QColor(buffer->pixel(5, 5)), QColor(Qt::red));
  TRect client = GetClientRect(form->Handle());
  EXPECT_EQ(w->size(), QSize(client.Width(), client.Height()));
  form->Free();
  QCoreApplication::processEvents();
}

TEST_F(QtHostTest, TheNativeWindowCannotBeSizedBelowTheFormsMinimum) {
  TForm* form = Create<TForm>(nullptr);
  form->SetBounds(10, 10, 300, 200);
  form->Show();
  QWidget* w = Widget(form->Handle());
  ASSERT_NE(w, nullptr);
  const int frameW = form->Width() - form->ClientWidth();
  const int frameH = form->Height() - form->ClientHeight();
  EXPECT_EQ(w->minimumSize(), QSize(0, 0));
  // The form's own minimum and then one its aligned child needs.
  form->SetConstraints({250, 150, 0, 0});
  EXPECT_EQ(w->minimumSize(), QSize(250 - frameW, 150 - frameH));
  TForm* bar = Create<TForm>(form);
  bar->SetBorderStyle(bsNone);
  bar->SetParent(form);
  bar->SetAlign(alBottom);
  bar->Show();
  bar->SetConstraints({0, 260, 0, 0});
  EXPECT_EQ(w->minimumSize(), QSize(250 - frameW, 260));
  EXPECT_EQ(w->height(), 260) << "the form grew for it";
  // A fixed-size window keeps its fixed size; sizeable again, the minimum holds.
  form->SetBorderStyle(bsDialog);
  form->SetBounds(10, 10, 400, 300);
  w = Widget(form->Handle());
  EXPECT_EQ(w->minimumSize(), w->maximumSize());
  form->SetBorderStyle(bsSizeable);
  form->SetBounds(10, 10, 410, 300);
  w = Widget(form->Handle());
  EXPECT_EQ(w->minimumSize(), QSize(250 - frameW, 260));
  // Dropping the minimum frees the native window again.
  bar->SetConstraints({});
  form->SetConstraints({});
  EXPECT_EQ(w->minimumSize(), QSize(0, 0));
  form->Free();
  QCoreApplication::processEvents();
}

TEST_F(QtHostTest, QtInputBecomesOurMessages) {
  HWND wnd = Make(WS_OVERLAPPEDWINDOW, 0, Bounds(100, 80, 320, 240), "Input");
  ShowWindow(wnd, SW_SHOW);
  SetFocus(wnd);
  QWidget* w = Widget(wnd);

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(15, 25), w->mapToGlobal(QPointF(15, 25)),
                    Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(15, 25), w->mapToGlobal(QPointF(15, 25)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QCoreApplication::sendEvent(w, &a);
  // Ctrl+B: the control character comes from the key.
  QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &ctrl);
  QKeyEvent b(QEvent::KeyPress, Qt::Key_B, Qt::ControlModifier, QString(QChar(2)));
  QCoreApplication::sendEvent(w, &b);
  QKeyEvent ctrlUp(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier);
  QCoreApplication::sendEvent(w, &ctrlUp);
  // A Cyrillic letter: its character, and the key at its place.
  QKeyEvent zhe(QEvent::KeyPress, 0x0416, Qt::NoModifier, 47, 0, 0, "ж");
  QCoreApplication::sendEvent(w, &zhe);
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
  QCoreApplication::sendEvent(w, &tab);
  QWheelEvent wheel(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w, &wheel);
  Pump();

  std::vector<std::string> seen;
  for (const TEntry& e : Log) {
    std::string s;
    switch (e.Msg) {
      case WM_LBUTTONDOWN:
        s = "down " + std::to_string(e.LParam & 0xFFFF) + "," +
            std::to_string((e.LParam >> 16) & 0xFFFF) + ((e.WParam & MK_SHIFT) ? " shift" : "") +
            ((e.WParam & MK_LBUTTON) ? " left" : "");
        break;
      case WM_LBUTTONUP:
        s = "up";
        break;
      case WM_KEYDOWN:
        s = "key " + std::to_string(e.WParam);
        break;
      case WM_KEYUP:
        s = "keyup " + std::to_string(e.WParam);
        break;
      case WM_CHAR:
        s = "char " + std::to_string(e.WParam);
        break;
      case WM_MOUSEWHEEL:
        s = "wheel " + std::to_string(static_cast<short>((e.WParam >> 16) & 0xFFFF));
        break;
    }
    seen.push_back(s);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"down 15,25 shift left", "up", "key 65", "char 97",
                                            "key 17", "key 66", "char 2", "keyup 17", "key 186",
                                            "char 1078", "key 9", "char 9", "wheel -120"}));
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
}

// Keys typed while the program is busy queue up; each is handled with the
// modifiers that were held when it was typed, whatever came after it.
TEST_F(QtHostTest, QueuedKeysKeepTheirModifiers) {
  HWND wnd = Make(WS_OVERLAPPEDWINDOW, 0, Rect(100, 100, 300, 250), "Keys");
  ShowWindow(wnd, SW_SHOW);
  SetActiveWindow(wnd);
  SetFocus(wnd);
  QWidget* w = Widget(wnd);
  ASSERT_NE(w, nullptr);
  std::vector<std::string> seen;
  auto send = [w](QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent e(type, key, modifiers);
    QCoreApplication::sendEvent(w, &e);
  };
  auto handle = [&] {
    QCoreApplication::processEvents();
    TMsg msg;
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_KEYDOWN)
        seen.push_back(std::to_string(msg.wParam) + (GetKeyState(VK_CONTROL) < 0 ? "+ctrl" : ""));
      DispatchMessage(msg);
    }
  };
  // Ctrl is down and handled; Ctrl+Enter, then a plain key, come while the
  // program is busy.
  send(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
  handle();
  send(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
  send(QEvent::KeyRelease, Qt::Key_Return, Qt::ControlModifier);
  send(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier);
  send(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  send(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
  // And the other way round: Ctrl pressed after a queued plain Enter.
  send(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  send(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
  send(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
  send(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier);
  send(QEvent::KeyRelease, Qt::Key_S, Qt::ControlModifier);
  send(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier);
  handle();
  EXPECT_EQ(seen,
            (std::vector<std::string>{"17+ctrl", "13+ctrl", "65", "13", "17+ctrl", "83+ctrl"}));
  // A release that never reached us (the key was let go over another
  // window) is caught up with at the next key.
  send(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
  handle();
  send(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier);
  handle();
  EXPECT_EQ(seen.back(), "66");
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  EXPECT_GE(GetAsyncKeyState(VK_CONTROL), 0);
}

TEST_F(QtHostTest, AKeyTheDisplayGivesAWindowIsNeverLost) {
  HWND main = Make(WS_OVERLAPPEDWINDOW, 0, Rect(100, 100, 400, 300), "Main");
  HWND closed = Make(WS_OVERLAPPEDWINDOW, 0, Rect(150, 150, 350, 250), "Closed");
  ShowWindow(main, SW_SHOW);
  ShowWindow(closed, SW_SHOW);
  QCoreApplication::processEvents();
  ShowWindow(closed, SW_HIDE);
  SetActiveWindow(main);
  QCoreApplication::processEvents();
  // The desktop's notice that the closed window was activated comes late.
  HostActivate(closed, true);
  EXPECT_EQ(GetActiveWindow(), main);
  // Our active window is lost on the way (a late deactivation notice); the
  // display still gives the keyboard to the main window.
  SetActiveWindow(nullptr);
  Log.clear();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier);
  QCoreApplication::sendEvent(Widget(main), &key);
  Pump();
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0].Wnd, main);
  EXPECT_EQ(Log[0].WParam, WPARAM{'P'});
  EXPECT_EQ(GetActiveWindow(), main);
}

TEST_F(QtHostTest, PaintingGoesThroughTheBackBufferToTheScreen) {
  HWND wnd = Make(WS_OVERLAPPEDWINDOW, 0, Bounds(100, 80, 320, 240), "Paint");
  ShowWindow(wnd, SW_SHOW);
  UpdateWindow(wnd);
  const QImage* buffer = FHost.BufferOf(wnd);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->size(), Widget(wnd)->size());
  EXPECT_EQ(QColor(buffer->pixel(10, 10)), QColor(Qt::red));
  EXPECT_EQ(QColor(buffer->pixel(29, 19)), QColor(Qt::red));
  EXPECT_NE(QColor(buffer->pixel(30, 19)), QColor(Qt::red));
  // What the widget shows is the buffer.
  QImage shown = Widget(wnd)->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(12, 12)), QColor(Qt::red));

  // Drawing outside a paint (GetDC) lands in the same buffer.
  TCanvas* dc = GetDC(wnd);
  dc->Brush()->SetColor(clBlue);
  dc->FillRect(Rect(50, 50, 52, 52));
  ReleaseDC(wnd, dc);
  EXPECT_EQ(QColor(buffer->pixel(51, 51)), QColor(Qt::blue));
}

TEST_F(QtHostTest, ScrollingMovesTheBufferedPixelsAndRepaintsTheStrip) {
  HWND wnd = Make(WS_OVERLAPPEDWINDOW, 0, Bounds(100, 80, 320, 240), "Scroll");
  ShowWindow(wnd, SW_SHOW);
  UpdateWindow(wnd);
  const QImage* buffer = FHost.BufferOf(wnd);
  ASSERT_NE(buffer, nullptr);
  ASSERT_EQ(QColor(buffer->pixel(15, 15)), QColor(Qt::red));
  // Down by 25: the red block moves to rows 35..44; the uncovered strip
  // (rows 0..24) is repainted, the paint putting the block back at 10..19.
  ScrollWindow(wnd, 0, 25);
  TRect invalid;
  ASSERT_TRUE(GetUpdateRect(wnd, invalid));
  EXPECT_EQ(invalid, Rect(0, 0, GetClientRect(wnd).Right, 25));
  EXPECT_EQ(QColor(buffer->pixel(15, 40)), QColor(Qt::red)) << "moved";
  UpdateWindow(wnd);
  EXPECT_EQ(QColor(buffer->pixel(15, 15)), QColor(Qt::red)) << "repainted";
  EXPECT_NE(QColor(buffer->pixel(15, 25)), QColor(Qt::red));
  EXPECT_EQ(QColor(buffer->pixel(15, 40)), QColor(Qt::red));
  // Left by 12 within a rectangle: only its right edge is repainted.
  TRect part = Rect(0, 30, 100, 60);
  ScrollWindow(wnd, -12, 0, &part);
  ASSERT_TRUE(GetUpdateRect(wnd, invalid));
  EXPECT_EQ(invalid, Rect(88, 30, 100, 60));
  EXPECT_EQ(QColor(buffer->pixel(2, 40)), QColor(Qt::red));
  EXPECT_NE(QColor(buffer->pixel(25, 40)), QColor(Qt::red));
  EXPECT_EQ(QColor(buffer->pixel(25, 15)), QColor(Qt::red)) << "outside the rectangle";
}

TEST_F(QtHostTest, PopupsShowWithoutTakingTheFocusFromTheirOwner) {
  HWND owner = Make(WS_OVERLAPPEDWINDOW, 0, Bounds(100, 80, 320, 240), "Owner");
  ShowWindow(owner, SW_SHOW);
  SetFocus(owner);
  Pump();
  ASSERT_EQ(GetFocus(), owner);
  HWND popup = Make(WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                    Bounds(150, 150, 100, 80), "", owner);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  Pump();
  QWidget* p = Widget(popup);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->isVisible());
  EXPECT_TRUE(p->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(p->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(GetFocus(), owner);
  EXPECT_NE(QApplication::activeWindow(), p);

  // A click in the popup reaches it; the owner keeps the focus.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), p->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(p, &press);
  Pump();
  ASSERT_FALSE(Log.empty());
  EXPECT_EQ(Log.back().Wnd, popup);
  EXPECT_EQ(Log.back().Msg, WM_LBUTTONDOWN);
  EXPECT_EQ(GetFocus(), owner);
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_NE(QApplication::activeWindow(), p);
  // Keys still go to the owner.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(Widget(owner), &key);
  Pump();
  EXPECT_EQ(Log.back().Wnd, owner);
  EXPECT_EQ(Log.back().WParam, static_cast<WPARAM>(VK_DOWN));
}

// A form that runs a step when it gets WM_USER + 1, posted before
// ShowModal so that the step runs inside the modal loop.
class TStepForm : public TForm {
  MEBRATH_CLASS(TStepForm, TForm)
 public:
  std::function<void()> Step;

 protected:
  explicit TStepForm(TComponent* owner) : TForm(owner) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_USER + 1 && Step) {
      Step();
      SetModalResult(mrOk);
    }
    TForm::WndProc(m);
  }
};

TEST_F(QtHostTest, AModalFormIsADialogOfTheWindowItInterrupts) {
  TStepForm* main = Create<TStepForm>(nullptr);
  main->SetCaption("Mebrath");
  main->SetBounds(10, 10, 500, 400);
  main->Show();
  TStepForm* box = Create<TStepForm>(nullptr);
  box->SetBorderStyle(bsDialog);
  box->SetBounds(60, 60, 240, 120);
  QWidget* m = Widget(main->Handle());
  ASSERT_NE(m, nullptr);
  box->Step = [&] {
    QWidget* b = Widget(box->Handle());
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isVisible());
    // A dialog for the window manager, transient for the main window and
    // modal for it: it stays above it and gets the focus when it is chosen.
    EXPECT_EQ(b->windowType(), Qt::Dialog);
    ASSERT_NE(b->windowHandle(), nullptr);
    EXPECT_EQ(b->windowHandle()->transientParent(), m->windowHandle());
    EXPECT_EQ(b->windowModality(), Qt::WindowModal);
    // No minimise or maximise; its frame cannot be resized.
    EXPECT_FALSE(b->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(b->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(b->minimumSize(), b->maximumSize());
    TRect client = GetClientRect(box->Handle());
    EXPECT_EQ(b->size(), QSize(client.Width(), client.Height()));
  };
  PostMessage(box->Handle(), WM_USER + 1);
  EXPECT_EQ(box->ShowModal(), mrOk);
  // A tool-window dialog is a dialog as well.
  box->SetBorderStyle(bsToolWindow);
  box->Step = [&] { EXPECT_EQ(Widget(box->Handle())->windowType(), Qt::Dialog); };
  PostMessage(box->Handle(), WM_USER + 1);
  EXPECT_EQ(box->ShowModal(), mrOk);
  // The main window stays a plain, sizeable window.
  EXPECT_EQ(m->windowType(), Qt::Window);
  EXPECT_LT(m->minimumSize().width(), m->maximumSize().width());
  // Shown again without a disabled owner, the dialog is no longer modal;
  // a new size reaches its fixed size.
  box->SetBounds(60, 60, 300, 150);
  box->Show();
  QWidget* b = Widget(box->Handle());
  EXPECT_EQ(b->windowModality(), Qt::NonModal);
  TRect client = GetClientRect(box->Handle());
  EXPECT_EQ(b->maximumSize(), QSize(client.Width(), client.Height()));
  box->Free();
  main->Free();
  QCoreApplication::processEvents();
}

TEST_F(QtHostTest, ProgramCursorsShowTheirPictureWithTheHotSpot) {
  HWND wnd = Make(WS_OVERLAPPEDWINDOW, 0, Bounds(100, 80, 200, 100), "Cursor");
  ShowWindow(wnd, SW_SHOW);
  QWidget* w = Widget(wnd);
  ASSERT_NE(w, nullptr);
  // The cursor goes to the window the pointer is over.
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &move);
  Pump();
  auto picture = std::make_shared<TBitmap>(16, 12);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) picture->ScanLine(y)[x] = x < 8 ? 0xFF0000FFu : 0xFFFF0000u;
  }
  struct Case {
    TPoint hotSpot;
    QPoint expected;
  } cases[] = {{{3, 4}, {3, 4}}, {{40, -2}, {15, 0}}};  // kept inside the picture
  for (const Case& c : cases) {
    auto data = std::make_shared<TCursorData>();
    data->Image = picture;
    data->HotSpot = c.hotSpot;
    Screen->SetCursors(1, data);
    Screen->SetCursor(1);
    EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(w->cursor().hotSpot(), c.expected);
    QImage shown = w->cursor().pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(16, 12));
    EXPECT_EQ(QColor(shown.pixel(2, 2)), QColor(Qt::blue));
    EXPECT_EQ(QColor(shown.pixel(12, 10)), QColor(Qt::red));
  }
  Screen->SetCursor(crDefault);
  Screen->SetCursors(1, nullptr);
  EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(QtHostTest, TheToolkitsOwnDialogsSpeakRussian) {
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), "Перейти к:");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Files of type:").toStdString(),
            "Типы файлов:");
  EXPECT_EQ(QLocale().language(), QLocale::Russian);
}

TEST_F(QtHostTest, WaitingReturnsWhenAMessageArrives) {
  HWND wnd = Make(WS_OVERLAPPEDWINDOW, 0, Bounds(0, 0, 100, 100), "Wait");
  QTimer::singleShot(0, [wnd] { PostMessage(wnd, WM_USER + 1); });
  FHost.WaitForEvents(-1);
  EXPECT_TRUE(HasQueuedMessages());
  Pump();
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0].Msg, WM_USER + 1);
  // Nothing arrives: the timeout ends the wait.
  FHost.WaitForEvents(1);
  EXPECT_FALSE(HasQueuedMessages());
}

TEST_F(QtHostTest, BitmapsDrawnOnHaveRealPixels) {
  TBitmap bitmap(60, 20);
  TCanvas* c = bitmap.Canvas();
  c->Font()->SetName("Arial");
  c->SetBkMode(TRANSPARENT);
  c->TextOut(2, 2, "Text");
  int inked = 0;
  for (std::uint32_t px : bitmap.Image()->Pixels) inked += (px & 0xFFFFFF) != 0xFFFFFF;
  EXPECT_GT(inked, 10);
  // Raster operations leave the alpha alone.
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  c->MoveTo(0, 18);
  c->LineTo(10, 18);
  EXPECT_EQ(bitmap.Image()->At(3, 18), 0xFF000000u);
  // Bitmaps measure as the screen does.
  TCanvas& measure = FHost.MeasureCanvas();
  measure.Font()->Assign(c->Font());
  EXPECT_EQ(c->TextWidth("Text"), measure.TextWidth("Text"));
}

}  // namespace
