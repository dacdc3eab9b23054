// The keyboard layout switch on X11: the desktop's layouts are the XKB
// groups; the one whose name names the language is locked, and the group
// the user had is read beforehand to be locked again later. Elsewhere
// (Wayland, offscreen) there is no way for a program to switch, and the
// hook answers false.
#include <QGuiApplication>
#include <string>

#include "platform/gui/services.h"
#include "platform/qt/qt_services.h"

// Xlib's macros clash with Qt's names: include it last.
#include <X11/XKBlib.h>

namespace {

// The words an XKB group name carries for each language id.
const char* LanguageWord(int languageId) {
  switch (languageId) {
    case 1049:
      return "Russian";
    case 1033:
      return "English";
  }
  return nullptr;
}

bool LockGroupOf(Display* display, const char* word) {
  XkbDescPtr keyboard = XkbAllocKeyboard();
  if (keyboard == nullptr) return false;
  bool locked = false;
  if (XkbGetNames(display, XkbGroupNamesMask, keyboard) == Success && keyboard->names != nullptr) {
    for (int group = 0; group < XkbNumKbdGroups && !locked; ++group) {
      const Atom atom = keyboard->names->groups[group];
      if (atom == None) continue;
      char* name = XGetAtomName(display, atom);
      if (name == nullptr) continue;
      if (std::string(name).find(word) != std::string::npos) {
        locked = XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(group)) == True;
        XFlush(display);
      }
      XFree(name);
    }
  }
  XkbFreeKeyboard(keyboard, 0, True);
  return locked;
}

Display* X11Display() {
  auto* x11 =
      qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->display() : nullptr;
}

}  // namespace

void InstallQtKeyboardLayouts() {
  SetKeyboardLayoutHandler([](int languageId) {
    const char* word = LanguageWord(languageId);
    Display* display = X11Display();
    if (word == nullptr || display == nullptr) return false;
    return LockGroupOf(display, word);
  });
  SetKeyboardLayoutStateHandler(
      {[] {
         Display* display = X11Display();
         XkbStateRec state{};
         if (display == nullptr || XkbGetState(display, XkbUseCoreKbd, &state) != Success)
           return -1;
         return static_cast<int>(state.locked_group);
       },
       [](int group) {
         Display* display = X11Display();
         if (display == nullptr || group < 0 || group >= XkbNumKbdGroups) return false;
         const bool locked =
             XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(group)) == True;
         XFlush(display);
         return locked;
       }});
}
