// What every gallery needs to paint windows through the Qt canvas: handle
// what is queued, render a shown top-level window (with its open popups laid
// over it), and write the picture as a PNG file into the folder named by
// MEBRATH_GALLERY_DIR for a person to look at (nothing is written when it
// is unset, never into the source tree).
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/qt/qt_canvas.h"

namespace gallery {

// Handles what is queued, as the program's message loop would.
inline void Pump() {
  QCoreApplication::processEvents();
  TMsg msg;
  while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
}

// The whole content of a shown top-level window, painted afresh; anything
// left unpainted stands out in magenta.
inline QImage Render(HWND wnd) {
  Pump();
  const TRect content = ContentRect(wnd);
  QImage image(content.Width(), content.Height(), QImage::Format_ARGB32);
  image.fill(Qt::magenta);
  {
    TQtCanvas canvas(&image);
    PaintTopLevel(wnd, canvas, TRect{0, 0, content.Width(), content.Height()});
  }
  return image;
}

// Lays the picture of `popup` over `image`, the picture of `topLevel`,
// where the screen shows it.
inline void PaintPopupOnto(QImage& image, HWND topLevel, HWND popup) {
  const QImage part = Render(popup);
  const TRect content = ContentRect(topLevel);
  const TRect at = ContentRect(popup);
  QPainter painter(&image);
  painter.drawImage(at.Left - content.Left, at.Top - content.Top, part);
}

// `form`'s picture with its open popups laid over it.
inline QImage RenderWithPopups(TForm* form, const std::vector<HWND>& popups) {
  QImage image = Render(form->Handle());
  for (HWND popup : popups) PaintPopupOnto(image, form->Handle(), popup);
  return image;
}

// The folder pictures go to, or "" when none is asked for.
inline std::string Dir() {
  const char* dir = std::getenv("MEBRATH_GALLERY_DIR");
  return dir == nullptr ? std::string() : std::string(dir);
}

inline void Save(const QImage& image, const std::string& name) {
  if (Dir().empty()) return;
  image.save(QString::fromStdString(Dir() + "/" + name + ".png"));
}

}  // namespace gallery
