// Small enumerations shared by layers that must not depend on each other:
// the dataset framework (a field's alignment) and the window system (edits,
// forms, scrolling controls) both speak of them.
#pragma once

// Horizontal alignment of text: a field's value, an edit's or label's text.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The frame of a form or of a control that imitates one.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// The scroll bars a control shows (memo, grid).
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
