// TQtHost: the desktop host of the window system (IGuiHost) over Qt
// widgets, and InstallQtHost, which the program calls first thing.
//
// Each top-level window of our tree becomes one top-level QWidget showing
// the window's content (gui_host.h): forms with a caption are decorated
// Qt windows (tool windows are Qt::Tool; owned windows and dialog frames
// are Qt::Dialog, transient for their owner's window and window-modal
// while the owner is disabled; without a sizeable frame their size is
// fixed for the window manager), popups and hint windows (WS_POPUP
// without a caption, or WS_EX_NOACTIVATE) are frameless Qt::ToolTip
// windows that never take activation or the keyboard focus, so the owner
// keeps it; WS_EX_TOPMOST stays on top. The widget keeps a back buffer
// (QImage) with a TQtCanvas on it: a paint event lets the core paint what
// is invalid (PaintTopLevel) into the buffer and then copies the buffer to
// the screen. Qt input is turned into the core's Host* calls: mouse
// positions in content coordinates with MK_ flags, keys as VK_ codes with
// the modifiers kept in step, typed text as characters (control characters
// come from TranslateMessage instead), wheel notches of 120, close
// requests, moves and resizes, activation and window states.
//
// Owns the widgets; GUI thread only.
#pragma once

#include <memory>
#include <unordered_map>

#include "platform/gui/gui_host.h"
#include "platform/gui/window.h"

class QWidget;
class QImage;
class TQtCanvas;
class TQtWindow;

class TQtHost final : public IGuiHost {
 public:
  // REQUIRES: a QApplication exists.
  TQtHost();
  ~TQtHost() override;

  // The Qt widget showing `wnd` (a top-level window), or null: for tests
  // and for dialogs that need a Qt parent.
  QWidget* WidgetOf(HWND wnd) const;
  // The back buffer of `wnd`, or null; what the screen shows after the
  // next paint event.
  const QImage* BufferOf(HWND wnd) const;

  // IGuiHost
  void CreateTopLevel(HWND wnd) override;
  void DestroyTopLevel(HWND wnd) override;
  void ShowTopLevel(HWND wnd, int showCmd) override;
  void SetTopLevelBounds(HWND wnd, const TRect& contentScreenRect) override;
  void SetTopLevelCaption(HWND wnd, const std::string& caption) override;
  void SetTopLevelMinimumSize(HWND wnd, TSize contentSize) override;
  // Qt's normal geometry of a maximised or minimised widget.
  bool TopLevelNormalRect(HWND wnd, TRect& contentScreenRect) override;
  void ActivateTopLevel(HWND wnd) override;
  void InvalidateTopLevel(HWND wnd, const TRect& contentRect) override;
  void UpdateTopLevel(HWND wnd) override;
  // Moves the pixels within the back buffer (a row copy each).
  bool ScrollTopLevel(HWND wnd, const TRect& contentRect, int dx, int dy) override;
  TCanvas* TopLevelCanvas(HWND wnd) override;
  void FlushTopLevel(HWND wnd, const TRect& contentRect) override;
  void SetCursorShape(int cursor) override;
  // A cursor from the picture's pixels (its transparent colour left out),
  // the hot spot kept inside the picture.
  void SetCursorImage(const TBitmap& image, TPoint hotSpot) override;
  void GrabMouse(HWND wnd) override;
  void ReleaseMouse() override;
  TRect ScreenRect() override;
  TRect WorkAreaRect() override;
  TCanvas& MeasureCanvas() override;
  TFontData TitleBarFont() override;
  void WaitForEvents(int timeoutMs) override;
  void Beep() override;

 private:
  friend class TQtWindow;

  TQtWindow* Find(HWND wnd) const;
  // Before a hidden window shows: its flags, size hints, transient parent
  // and modality from the window's style and owner as they are now.
  void PrepareToShow(TQtWindow* window);
  // Deletes destroyed widgets once no Qt event handler of ours is running.
  void DeleteRetired();

  std::unordered_map<HWND, TQtWindow*> FWindows;
  std::vector<TQtWindow*> FRetired;
  // Qt event handlers of ours on the stack (widgets must not go meanwhile).
  int FHandlerDepth = 0;
  // The widget the pointer was last over: SetCursorShape applies there.
  TQtWindow* FMouseWindow = nullptr;
  std::unique_ptr<QImage> FMeasureImage;
  std::unique_ptr<TQtCanvas> FMeasureCanvas;
};

// Creates the QApplication (once per process) speaking Russian (the
// default locale, and the toolkit's own translations of its standard
// dialogs when installed), the host, and registers
// the host (SetGuiHost) and Qt-painted bitmap canvases
// (SetRasterCanvasFactory). Returns the host, which lives until the
// process ends. Later calls return the same host.
TQtHost& InstallQtHost(int& argc, char** argv);
