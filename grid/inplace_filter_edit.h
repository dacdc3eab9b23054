// TInplaceFilterEditEh: the editor the grid places over a cell of its
// filter row. A combo box keeping a value of its own (bound to no field),
// whose list offers the column's values and the filter row's special
// items; the grid creates it on first use, places, loads and hides it and
// hears its keys, list and text changes through its events. GUI thread
// only.
#pragma once

#include <string>

#include "controls/db_combo_box.h"

class TInplaceFilterEditEh : public TDBComboBoxEh {
  MEBRATH_CLASS(TInplaceFilterEditEh, TDBComboBoxEh)
 public:
  void WndProc(TMessage& message) override;

 protected:
  explicit TInplaceFilterEditEh(TComponent* owner) : TDBComboBoxEh(owner) {}
  // One pixel lower, so that the text lines up with the text of the
  // filter cell drawn beneath.
  TRect GetEditRect() const override;

 private:
  friend void SetFilterEditValueAndText(TInplaceFilterEditEh* editor, const Variant& value,
                                        const std::string& text);
};

// Sets the editor's value and then shows `text`, which may differ from the
// text the value would give (the filter as the user typed it).
void SetFilterEditValueAndText(TInplaceFilterEditEh* editor, const Variant& value,
                               const std::string& text);
