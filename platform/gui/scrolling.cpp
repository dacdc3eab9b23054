#include "platform/gui/scrolling.h"

#include <algorithm>

#include "platform/gui/messages.h"

std::optional<int> ScrollTarget(int code, int thumb, const TScrollAxis& axis) {
  long long target = axis.Position;
  switch (code) {
    case SB_LINEUP:
      target -= axis.Line;
      break;
    case SB_LINEDOWN:
      target += axis.Line;
      break;
    case SB_PAGEUP:
      target -= axis.Page;
      break;
    case SB_PAGEDOWN:
      target += axis.Page;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      target = thumb;
      break;
    case SB_TOP:
      target = axis.Min;
      break;
    case SB_BOTTOM:
      target = axis.Max;
      break;
    default:
      return std::nullopt;
  }
  // In 64 bits: a position near the end of int plus a page must not wrap.
  const long long max = std::max(axis.Min, axis.Max);
  return static_cast<int>(std::clamp<long long>(target, axis.Min, max));
}

int ThumbPosition(HWND wnd, int bar, int messagePos) {
  if (wnd == nullptr) return messagePos;
  TScrollInfo si;
  si.fMask = SIF_TRACKPOS;
  if (GetScrollInfo(wnd, bar, si) && (si.nTrackPos & 0xFFFF) == (messagePos & 0xFFFF))
    return si.nTrackPos;
  return messagePos;
}
