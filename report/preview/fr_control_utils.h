// Helpers over the controls of the report's windows and dialog pages:
// greying a group of controls together, and finding the control under a
// point through nested containers.
//
// GUI thread only.
#pragma once

#include <vector>

#include "platform/draw/geometry.h"

class TControl;
class TWinControl;

// For each control: a label's font becomes clGrayText when disabled and
// clWindowText when enabled; any other windowed control's colour becomes
// clBtnFace or clWindow; then every control, of whatever class, gets the
// enabled state. Null entries are skipped.
void SetControlsEnabled(const std::vector<TControl*>& controls, bool enabled);

// The visible control of `parent` under `point` (client coordinates of
// `parent`), topmost first (windowed controls above graphic ones, later
// ones above earlier). A container that accepts controls and has children
// is searched inside (the point made relative to it); when none of its
// children is under the point the search goes on below it. Disabled
// controls count. nullptr when nothing is there or `parent` is null.
TControl* ControlAtPoint(const TWinControl* parent, TPoint point);
