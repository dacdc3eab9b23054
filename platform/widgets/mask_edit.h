// TCustomMaskEdit and TMaskEdit: the edit box with an edit mask.
//
// Without a mask (EditMask empty) it is exactly TCustomEdit. With one, the
// shown text (EditText) always has one character per mask position:
// literals in place and the mask's blank character in empty positions
// (edit_mask.h has the mask language; '/' and ':' are the date and time
// separators of FormatSettings when the mask is set). Text is the value:
// TextFromEditText, with the literals when the mask saves them (";1"),
// without them otherwise. Setting Text places a value into the mask.
//
// Masked editing overwrites: the caret shows as the one character it
// stands on, selected; typing replaces that character when the mask allows
// it there (a forbidden one beeps and changes nothing) and moves on to the
// next editable position, stepping over literals. Typing the literal just
// stepped over changes nothing; typing the next literal early (a date's
// separator after one digit) jumps past it. Delete and Backspace blank positions and never move the
// others or remove literals. Typing over a selection blanks it first. Cut and Clear blank the
// selection; paste types the clipboard's characters one by one from the selection's start, skipping
// those the mask refuses. Each of these is one undo step. Esc, while the text is modified, gives
// back the text the box had when it got the focus (Reset), and the form's cancel button does not
// see that Esc (CM_WANTSPECIALKEY).
//
// Leaving the box validates the mask: a required position left blank, or a
// character its position forbids, puts the caret there, beeps and raises
// EDBEditError (the box keeps the focus). GUI thread only.
#pragma once

#include <string>

#include "platform/base/edit_mask.h"
#include "platform/base/exceptions.h"
#include "platform/widgets/std_edit.h"

// The masked edit's validation failure.
class EDBEditError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kMaskEditErrorText =
    "Invalid input value.  Use escape key to abandon changes";

class TCustomMaskEdit : public TCustomEdit {
  MEBRATH_CLASS(TCustomMaskEdit, TCustomEdit)
 public:
  // --- the mask
  const std::string& EditMask() const { return FMask.EditMask(); }
  // Keeps the value: Text read under the old mask is placed into the new
  // one. Resets Modified, the undo and the caret as setting Text does.
  void SetEditMask(const std::string& value);
  bool IsMasked() const { return FMask.IsMasked(); }
  // The parsed mask (positions, blank, save-literals flag).
  const TEditMask& Mask() const { return FMask; }

  // --- text
  // What the box shows (literals and blanks included); the whole text
  // without a mask.
  const std::string& EditText() const { return TCustomEdit::GetText(); }
  // Sets the shown text as it is, made exactly as long as the mask (blank
  // positions added, the excess dropped). Resets Modified and the undo.
  void SetEditText(const std::string& value);
  // The value (see the top of this file).
  const std::string& GetText() const override;
  void SetText(const std::string& value) override;

  // Raises EDBEditError when the box is masked, modified and the mask
  // refuses its text: first takes the focus back (when it can), puts the
  // caret on the first wrong position and beeps.
  virtual void ValidateEdit();
  // Gives back the text the box had when it got the focus, when modified.
  virtual void Reset();

  // --- TWinControl
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

 protected:
  explicit TCustomMaskEdit(TComponent* owner);

  // The caret on mask position `pos`: that character selected, or nothing
  // selected at the end.
  void SetCursor(int pos);
  // A masked box with nothing selected selects the character at the caret.
  void CheckCursor();
  // The first position the mask refuses in `value`, or -1.
  virtual int Validate(const std::string& value);
  // Beeps and raises EDBEditError.
  [[noreturn]] virtual void ValidateError();

  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void DoEnter() override;
  void DoExit() override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void TextChanged() override;

 private:
  int EditLen() const { return FMask.Length(); }
  // Replaces the edit text by `text` (same length) as one undoable user
  // change, then puts the caret on `caret`.
  void ApplyEdit(const std::string& text, int caret);
  void ArrowKeys(unsigned key, TShiftState shift);
  void HomeEndKeys(unsigned key, TShiftState shift);
  void DeleteKeys(unsigned key);
  // Whether `ch` is one of the literals the caret skipped to reach `pos`
  // (typing "01.02" into a date): such a character is taken as done.
  bool JustPassedLiteral(int pos, char32_t ch) const;
  void InputChar(char32_t ch);
  void PasteText(const std::string& text);
  void CutOrClear(bool cut);

  TEditMask FMask{""};
  std::string FValue;     // Text when masked
  std::string FOldValue;  // the edit text Reset gives back
  bool FReEnter = false;  // validation took the focus back
};

class TMaskEdit : public TCustomMaskEdit {
  MEBRATH_CLASS(TMaskEdit, TCustomMaskEdit)
 protected:
  explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
};
