// Translations from Qt's input vocabulary to the classic one: virtual-key
// codes, mouse key flags, cursor shapes. Pure functions, used by the host
// and tested on their own. GUI thread only (they touch no state, but Qt
// types are involved).
#pragma once

#include <Qt>
#include <cstdint>

// The VK_ code of a Qt key (QKeyEvent::key()), or 0 when there is none.
// Letters and digits keep their ASCII codes; keypad keys (Qt's
// KeypadModifier) give the VK_NUMPADn and operator codes; punctuation maps
// to the VK_OEM_ codes of the US layout. When the key is a letter of
// another alphabet (a Cyrillic layout), `nativeScanCode` (an X keycode
// under xcb; 0 when unknown) gives the Latin key at the same place, so
// Ctrl+F works in every layout, as classic virtual keys did.
unsigned VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers,
                          std::uint32_t nativeScanCode = 0);

// MK_ flags for the buttons held and the modifiers.
unsigned MouseKeysFromQt(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// The Qt cursor for a classic cursor number (cursors.h); the arrow for
// numbers it does not know.
Qt::CursorShape CursorShapeFromClassic(int cursor);
