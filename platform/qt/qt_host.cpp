#include "platform/qt/qt_host.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/base/scope_guard.h"
#include "platform/draw/bitmap.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_input.h"

namespace {

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

TRect FromQRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

TPoint FromQPointF(const QPointF& p) {
  return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

// Whether a top-level window must never take activation or the focus.
bool IsNoActivate(HWND wnd) {
  std::uint32_t style = GetWindowStyle(wnd);
  std::uint32_t exStyle = GetWindowExStyle(wnd);
  if (exStyle & WS_EX_NOACTIVATE) return true;
  return (style & WS_POPUP) != 0 && (style & WS_CAPTION) != WS_CAPTION;
}

bool IsDecorated(HWND wnd) { return (GetWindowStyle(wnd) & WS_CAPTION) == WS_CAPTION; }

// A decorated window the user cannot resize: the window manager gets equal
// minimum and maximum sizes, so it offers no resize handle or maximise.
bool IsFixedSize(HWND wnd) {
  return !IsNoActivate(wnd) && IsDecorated(wnd) && (GetWindowStyle(wnd) & WS_THICKFRAME) == 0;
}

// A dialog for the window manager: a decorated window with an owner, or
// with the dialog frame. It gets _NET_WM_WINDOW_TYPE_DIALOG.
bool IsDialog(HWND wnd) {
  return IsDecorated(wnd) &&
         ((GetWindowExStyle(wnd) & WS_EX_DLGMODALFRAME) != 0 || GetWindowOwner(wnd) != nullptr);
}

Qt::WindowFlags FlagsFor(HWND wnd) {
  std::uint32_t style = GetWindowStyle(wnd);
  std::uint32_t exStyle = GetWindowExStyle(wnd);
  Qt::WindowFlags flags;
  if (IsNoActivate(wnd)) {
    // A tool tip window is never activated and floats above its owner:
    // what drop-downs and hints need.
    flags = Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
  } else if (IsDecorated(wnd)) {
    // An owned tool window (a dialog with a small caption) is a dialog too.
    flags = IsDialog(wnd) ? Qt::Dialog : (exStyle & WS_EX_TOOLWINDOW) ? Qt::Tool : Qt::Window;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint;
    if (style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  } else {
    flags = Qt::Window | Qt::FramelessWindowHint;
  }
  if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

}  // namespace

// --- The widget of one top-level window ---------------------------------------------

class TQtWindow final : public QWidget {
 public:
  TQtWindow(TQtHost* host, HWND wnd) : QWidget(nullptr, FlagsFor(wnd)), FHost(host), FWnd(wnd) {
    FNoActivate = IsNoActivate(wnd);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, FNoActivate);
    setMouseTracking(true);
    setFocusPolicy(FNoActivate ? Qt::NoFocus : Qt::StrongFocus);
  }

  HWND Wnd() const { return FWnd; }
  void Detach() { FWnd = nullptr; }
  bool NoActivate() const { return FNoActivate; }
  const QImage& Buffer() const { return FBuffer; }

  TQtCanvas& EnsureBuffer() {
    QSize wanted = size().expandedTo(QSize(1, 1));
    if (FCanvas && FBuffer.size() == wanted) return *FCanvas;
    FCanvas.reset();
    QImage next(wanted, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!FBuffer.isNull()) {
      QPainter copy(&next);
      copy.drawImage(0, 0, FBuffer);
    }
    FBuffer = std::move(next);
    FCanvas = std::make_unique<TQtCanvas>(&FBuffer);
    FPaintAll = true;
    return *FCanvas;
  }

  // Lets the core paint what is invalid into the buffer; returns the
  // content area painted.
  QRect PaintBuffer() {
    TQtCanvas& canvas = EnsureBuffer();
    if (FWnd == nullptr) return {};
    TRect dirty = FPaintAll ? Rect(0, 0, FBuffer.width(), FBuffer.height()) : TRect{};
    FPaintAll = false;
    TRect painted = PaintTopLevel(FWnd, canvas, dirty);
    return IsRectEmpty(painted) ? QRect() : ToQRect(painted);
  }

  // Moves the pixels inside `r` by (dx, dy); false while the buffer
  // awaits a full repaint.
  bool ScrollBuffer(const QRect& r, int dx, int dy) {
    if (FBuffer.isNull() || FPaintAll || FBuffer.size() != size().expandedTo(QSize(1, 1)))
      return false;
    QRect area = r.intersected(FBuffer.rect());
    QRect to = area.translated(dx, dy).intersected(area);
    if (to.isEmpty()) return true;
    QRect from = to.translated(-dx, -dy);
    // Rows in the order that never reads a row already overwritten.
    auto bytes = static_cast<std::size_t>(to.width()) * sizeof(QRgb);
    auto copyRow = [&](int y) {
      auto* target = reinterpret_cast<QRgb*>(FBuffer.scanLine(y)) + to.left();
      const auto* source =
          reinterpret_cast<const QRgb*>(FBuffer.constScanLine(y - dy)) + from.left();
      std::memmove(target, source, bytes);
    };
    if (dy > 0) {
      for (int y = to.bottom(); y >= to.top(); --y) copyRow(y);
    } else {
      for (int y = to.top(); y <= to.bottom(); ++y) copyRow(y);
    }
    update(area);
    return true;
  }

  void PaintNow() {
    TDepthGuard handler(FHost->FHandlerDepth);
    QRect painted = PaintBuffer();
    if (painted.isEmpty()) return;
    if (FInPaint || !isVisible()) {
      update(painted);
    } else {
      repaint(painted);
    }
  }

  void SetBoundsFromCore(const QRect& r) {
    FSettingBounds = true;
    if (FWnd != nullptr && IsFixedSize(FWnd)) {
      setFixedSize(r.size());
    } else if (minimumSize() == maximumSize()) {
      setMinimumSize(FMinSize);
      setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    setGeometry(r);
    FSettingBounds = false;
  }

  // A fixed-size window keeps its fixed size; the others get it when they
  // become sizeable again.
  void SetMinimumFromCore(const QSize& size) {
    FMinSize = size;
    if (FWnd != nullptr && IsFixedSize(FWnd)) return;
    FSettingBounds = true;
    setMinimumSize(size);
    FSettingBounds = false;
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    TDepthGuard handler(FHost->FHandlerDepth);
    FInPaint = true;
    QRect painted = PaintBuffer();
    QPainter p(this);
    p.drawImage(event->rect(), FBuffer, event->rect());
    FInPaint = false;
    if (!painted.isEmpty() && !event->rect().contains(painted)) update(painted);
  }

  void mousePressEvent(QMouseEvent* event) override {
    Mouse(event, ButtonMessage(event->button(), true));
  }
  // The core makes double clicks by time and distance: Qt's count as presses.
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    Mouse(event, ButtonMessage(event->button(), true));
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    Mouse(event, ButtonMessage(event->button(), false));
  }
  void mouseMoveEvent(QMouseEvent* event) override { Mouse(event, WM_MOUSEMOVE); }

  void wheelEvent(QWheelEvent* event) override {
    TDepthGuard handler(FHost->FHandlerDepth);
    int delta = event->angleDelta().y();
    if (FWnd == nullptr || delta == 0) return;
    HostMouseEvent(FWnd, WM_MOUSEWHEEL, FromQPointF(event->position()),
                   MouseKeysFromQt(event->buttons(), event->modifiers()), delta);
  }

  void leaveEvent(QEvent*) override {
    TDepthGuard handler(FHost->FHandlerDepth);
    if (FWnd != nullptr) HostMouseLeave(FWnd);
  }

  void keyPressEvent(QKeyEvent* event) override {
    TDepthGuard handler(FHost->FHandlerDepth);
    TakeKeyboard();
    unsigned key = VirtualKeyFromQt(event->key(), event->modifiers(), event->nativeScanCode());
    SyncModifiers(event->modifiers(), key);
    if (key != 0) HostKeyEvent(WM_KEYDOWN, key, event->isAutoRepeat());
    // Control characters (Enter, Esc, Tab, Backspace, Ctrl+letter) come
    // from TranslateMessage; only printable text goes as characters.
    bool ctrl = event->modifiers() & Qt::ControlModifier;
    bool alt = event->modifiers() & Qt::AltModifier;
    if (ctrl && !alt) return;
    for (char32_t ch : event->text().toUcs4())
      if (ch >= 0x20 && ch != 0x7F) HostCharEvent(ch);
  }

  void keyReleaseEvent(QKeyEvent* event) override {
    TDepthGuard handler(FHost->FHandlerDepth);
    // The classic auto-repeat sends more key-downs, no key-ups.
    if (event->isAutoRepeat()) return;
    unsigned key = VirtualKeyFromQt(event->key(), event->modifiers(), event->nativeScanCode());
    SyncModifiers(event->modifiers(), key);
    if (key != 0) HostKeyEvent(WM_KEYUP, key);
  }

  // Tab belongs to our controls, not to Qt's focus chain.
  bool focusNextPrevChild(bool) override { return false; }

  void closeEvent(QCloseEvent* event) override {
    TDepthGuard handler(FHost->FHandlerDepth);
    event->ignore();
    if (FWnd != nullptr) HostClose(FWnd);
  }

  void moveEvent(QMoveEvent*) override { GeometryChanged(); }
  void resizeEvent(QResizeEvent*) override { GeometryChanged(); }

  void changeEvent(QEvent* event) override {
    TDepthGuard handler(FHost->FHandlerDepth);
    QWidget::changeEvent(event);
    if (FWnd == nullptr) return;
    if (event->type() == QEvent::ActivationChange) {
      HostActivate(FWnd, isActiveWindow());
    } else if (event->type() == QEvent::WindowStateChange) {
      int state = isMinimized() ? SIZE_MINIMIZED : isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
      HostWindowState(FWnd, state);
    }
  }

 private:
  static unsigned ButtonMessage(Qt::MouseButton button, bool down) {
    switch (button) {
      case Qt::LeftButton:
        return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      case Qt::RightButton:
        return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      case Qt::MiddleButton:
        return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      default:
        return 0;
    }
  }

  void Mouse(QMouseEvent* event, unsigned msg) {
    TDepthGuard handler(FHost->FHandlerDepth);
    FHost->FMouseWindow = this;
    if (FWnd == nullptr || msg == 0) return;
    HostMouseEvent(FWnd, msg, FromQPointF(event->position()),
                   MouseKeysFromQt(event->buttons(), event->modifiers()));
  }

  // The display gives keys only to the window that has the keyboard: when
  // we hold no active window (or a hidden one), its activation went astray
  // on the way, and this window is the active one. Else the key of an idle
  // program would go nowhere.
  void TakeKeyboard() {
    if (FWnd == nullptr || FNoActivate) return;
    HWND active = GetActiveWindow();
    if (active == nullptr || !IsWindowVisible(active)) HostActivate(FWnd, true);
  }

  // Keeps the core's Shift, Ctrl and Alt states in step with Qt's (a key
  // released over another application never reached us), except the key
  // being reported, which HostKeyEvent records itself.
  static void SyncModifiers(Qt::KeyboardModifiers modifiers, unsigned reportedKey) {
    const std::pair<unsigned, Qt::KeyboardModifier> pairs[] = {{VK_SHIFT, Qt::ShiftModifier},
                                                               {VK_CONTROL, Qt::ControlModifier},
                                                               {VK_MENU, Qt::AltModifier}};
    for (auto [key, modifier] : pairs) {
      if (key == reportedKey) continue;
      bool held = modifiers & modifier;
      if ((GetKeyState(key) < 0) != held) SetKeyDown(key, held);
    }
  }

  void GeometryChanged() {
    TDepthGuard handler(FHost->FHandlerDepth);
    if (FSettingBounds || FWnd == nullptr) return;
    TRect now = FromQRect(geometry());
    if (now != ContentRect(FWnd)) HostResize(FWnd, now);
  }

  TQtHost* FHost;
  HWND FWnd;
  bool FNoActivate = false;
  bool FSettingBounds = false;
  QSize FMinSize{0, 0};
  bool FInPaint = false;
  bool FPaintAll = true;
  QImage FBuffer;
  std::unique_ptr<TQtCanvas> FCanvas;
};

// --- The host -------------------------------------------------------------------------

TQtHost::TQtHost() = default;

TQtHost::~TQtHost() {
  for (auto& [wnd, window] : FWindows) delete window;
  for (TQtWindow* window : FRetired) delete window;
}

TQtWindow* TQtHost::Find(HWND wnd) const {
  auto found = FWindows.find(wnd);
  return found == FWindows.end() ? nullptr : found->second;
}

QWidget* TQtHost::WidgetOf(HWND wnd) const { return Find(wnd); }

const QImage* TQtHost::BufferOf(HWND wnd) const {
  TQtWindow* w = Find(wnd);
  return w == nullptr || w->Buffer().isNull() ? nullptr : &w->Buffer();
}

void TQtHost::DeleteRetired() {
  if (FHandlerDepth != 0) return;
  std::vector<TQtWindow*> retired = std::move(FRetired);
  FRetired.clear();
  for (TQtWindow* window : retired) delete window;
}

void TQtHost::CreateTopLevel(HWND wnd) {
  if (Find(wnd) != nullptr) return;
  auto* window = new TQtWindow(this, wnd);
  window->setWindowTitle(QString::fromStdString(GetWindowText(wnd)));
  FWindows.emplace(wnd, window);
}

void TQtHost::DestroyTopLevel(HWND wnd) {
  TQtWindow* window = Find(wnd);
  if (window == nullptr) return;
  FWindows.erase(wnd);
  window->Detach();
  if (FMouseWindow == window) FMouseWindow = nullptr;
  if (QWidget::mouseGrabber() == window) window->releaseMouse();
  window->hide();
  // Possibly destroyed from inside one of its own event handlers.
  FRetired.push_back(window);
  DeleteRetired();
}

void TQtHost::ShowTopLevel(HWND wnd, int showCmd) {
  TQtWindow* window = Find(wnd);
  if (window == nullptr) return;
  switch (showCmd) {
    case SW_HIDE:
      if (QWidget::mouseGrabber() == window) window->releaseMouse();
      window->hide();
      return;
    case SW_SHOWMAXIMIZED:
      window->showMaximized();
      return;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      window->showMinimized();
      return;
    default:
      break;
  }
  bool noActivate = window->NoActivate() || showCmd == SW_SHOWNOACTIVATE || showCmd == SW_SHOWNA;
  if (!window->isVisible()) PrepareToShow(window);
  window->setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
  if (showCmd == SW_RESTORE || showCmd == SW_SHOWNORMAL) {
    window->showNormal();
  } else {
    window->show();
  }
}

void TQtHost::PrepareToShow(TQtWindow* window) {
  HWND wnd = window->Wnd();
  // The owner may have changed since the window was made (a modal form is
  // owned by the window it interrupts), and with it the window's type.
  Qt::WindowFlags flags = FlagsFor(wnd);
  if (window->windowFlags() != flags) window->setWindowFlags(flags);
  window->SetBoundsFromCore(ToQRect(ContentRect(wnd)));
  // The owner's window keeps this one above it (and, for a popup, the
  // focus); while the owner is disabled this one is its modal dialog, which
  // the window manager brings up and focuses whenever the owner is chosen.
  TQtWindow* owner = Find(GetTopLevel(GetWindowOwner(wnd)));
  if (owner == window) owner = nullptr;
  bool modal = owner != nullptr && !window->NoActivate() && !IsWindowEnabled(owner->Wnd());
  window->setWindowModality(modal ? Qt::WindowModal : Qt::NonModal);
  window->winId();
  if (owner != nullptr) owner->winId();
  window->windowHandle()->setTransientParent(owner != nullptr ? owner->windowHandle() : nullptr);
}

void TQtHost::SetTopLevelBounds(HWND wnd, const TRect& contentScreenRect) {
  if (TQtWindow* window = Find(wnd)) window->SetBoundsFromCore(ToQRect(contentScreenRect));
}

void TQtHost::SetTopLevelMinimumSize(HWND wnd, TSize contentSize) {
  if (TQtWindow* window = Find(wnd))
    window->SetMinimumFromCore(QSize(contentSize.cx, contentSize.cy));
}

void TQtHost::SetTopLevelCaption(HWND wnd, const std::string& caption) {
  if (TQtWindow* window = Find(wnd)) window->setWindowTitle(QString::fromStdString(caption));
}

bool TQtHost::TopLevelNormalRect(HWND wnd, TRect& contentScreenRect) {
  TQtWindow* window = Find(wnd);
  if (window == nullptr || !(window->isMaximized() || window->isMinimized())) return false;
  QRect normal = window->normalGeometry();
  if (!normal.isValid() || normal.isEmpty()) return false;
  contentScreenRect = FromQRect(normal);
  return true;
}

void TQtHost::ActivateTopLevel(HWND wnd) {
  TQtWindow* window = Find(wnd);
  if (window == nullptr || window->NoActivate()) return;
  // Already the desktop's active window: asking again would echo every
  // activation the desktop reports back to it, and two windows whose
  // requests are both queued would take the activation from each other
  // without end.
  if (window->isActiveWindow()) return;
  // The offscreen platform (tests) has no stacking order to change.
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
  window->activateWindow();
}

void TQtHost::InvalidateTopLevel(HWND wnd, const TRect& contentRect) {
  if (TQtWindow* window = Find(wnd)) window->update(ToQRect(contentRect));
}

bool TQtHost::ScrollTopLevel(HWND wnd, const TRect& contentRect, int dx, int dy) {
  TQtWindow* window = Find(wnd);
  return window != nullptr && window->ScrollBuffer(ToQRect(contentRect), dx, dy);
}

void TQtHost::UpdateTopLevel(HWND wnd) {
  if (TQtWindow* window = Find(wnd)) window->PaintNow();
}

TCanvas* TQtHost::TopLevelCanvas(HWND wnd) {
  TQtWindow* window = Find(wnd);
  return window == nullptr ? nullptr : &window->EnsureBuffer();
}

void TQtHost::FlushTopLevel(HWND wnd, const TRect& contentRect) {
  if (TQtWindow* window = Find(wnd)) window->update(ToQRect(contentRect));
}

void TQtHost::SetCursorShape(int cursor) {
  if (FMouseWindow != nullptr) FMouseWindow->setCursor(QCursor(CursorShapeFromClassic(cursor)));
}

void TQtHost::SetCursorImage(const TBitmap& image, TPoint hotSpot) {
  if (FMouseWindow == nullptr) return;
  TRasterImagePtr pixels = image.DrawingImage();
  if (pixels == nullptr || pixels->Width <= 0 || pixels->Height <= 0) {
    SetCursorShape(-2);  // crArrow
    return;
  }
  QImage picture(pixels->Width, pixels->Height, QImage::Format_ARGB32);
  for (int y = 0; y < pixels->Height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < pixels->Width; ++x) line[x] = pixels->At(x, y);
  }
  int hotX = std::clamp(hotSpot.X, 0, pixels->Width - 1);
  int hotY = std::clamp(hotSpot.Y, 0, pixels->Height - 1);
  FMouseWindow->setCursor(QCursor(QPixmap::fromImage(picture), hotX, hotY));
}

void TQtHost::GrabMouse(HWND wnd) {
  TQtWindow* window = Find(GetTopLevel(wnd));
  if (window != nullptr && window->isVisible()) window->grabMouse();
}

void TQtHost::ReleaseMouse() {
  QWidget* grabber = QWidget::mouseGrabber();
  for (auto& [wnd, window] : FWindows)
    if (window == grabber) window->releaseMouse();
}

TRect TQtHost::ScreenRect() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen == nullptr ? Rect(0, 0, 1920, 1080) : FromQRect(screen->geometry());
}

TRect TQtHost::WorkAreaRect() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen == nullptr ? Rect(0, 0, 1920, 1080) : FromQRect(screen->availableGeometry());
}

TCanvas& TQtHost::MeasureCanvas() {
  if (!FMeasureCanvas) {
    FMeasureImage = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
    FMeasureCanvas = std::make_unique<TQtCanvas>(FMeasureImage.get());
  }
  return *FMeasureCanvas;
}

TFontData TQtHost::TitleBarFont() {
  // The desktop's title font when its platform theme knows the window
  // manager's; without one Qt offers a generous guess, which at worst
  // leaves room beside a caption rather than cutting it.
  const QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  TFontData data;
  data.Name = QFontInfo(font).family().toStdString();
  data.Height = -QFontInfo(font).pixelSize();
  data.Style = {fsBold};
  return data;
}

void TQtHost::WaitForEvents(int timeoutMs) {
  DeleteRetired();
  if (timeoutMs == 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    DeleteRetired();
    return;
  }
  bool expired = false;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&expired] { expired = true; });
  if (timeoutMs > 0) timer.start(timeoutMs);
  while (!expired && !HasQueuedMessages()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    DeleteRetired();
  }
}

void TQtHost::Beep() { QApplication::beep(); }

// --- Start-up ------------------------------------------------------------------------------

TQtHost& InstallQtHost(int& argc, char** argv) {
  // Both live until the process ends: the message loops run to the end
  // of main, and QApplication must outlive every widget and font.
  static TQtHost* host = nullptr;
  if (host != nullptr) return *host;
  if (QCoreApplication::instance() == nullptr) {
    auto* app = new QApplication(argc, argv);
    app->setQuitOnLastWindowClosed(false);
  }
  // The program speaks Russian: so do the toolkit's own dialogs.
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QStringLiteral("qtbase_ru"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  }
  host = new TQtHost();
  SetGuiHost(host);
  SetRasterCanvasFactory([](TBitmap& bitmap) { return MakeQtBitmapCanvas(bitmap); });
  return *host;
}
